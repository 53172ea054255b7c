#pragma once
/// Host-wide operations: running command texts, the idle queue, the message channels, and the
/// active selection with its modes and masks. The command half is defined by host/lang, the
/// selection half by host/scene. Main thread only.

#include "frame/k_arrays.h"
#include "frame/k_status.h"
#include "frame/k_string.h"

class KSelectionList;
class KSelectionMask;

class KGlobal {
public:
    enum ListAdjustment { kReplaceList, kXORWithList, kRemoveFromList, kAddToList };
    enum SelectionMode {
        kSelectObjectMode,
        kSelectComponentMode,
        kSelectRootMode,
        kSelectLeafMode,
        kSelectTemplateMode
    };
    enum SelectionMethod { kSurfaceSelectMethod, kWireframeSelectMethod };

    /// Runs a text of the command language. `displayEnabled` echoes the text and its result to
    /// the script output; `undoEnabled` makes the whole text one undo chunk (off: its changes
    /// are not recorded). Every call is journalled. Answers kSuccess or kFailure (the error was
    /// already printed).
    static KStatus executeCommand(const KString& command, bool displayEnabled = false,
                                  bool undoEnabled = false);
    /// Same, keeping the result: the value of the last statement converted to the out type
    /// (a string array result as text joins its items with blanks; a scalar becomes a
    /// one-element array).
    static KStatus executeCommand(const KString& command, KString& result,
                                  bool displayEnabled = false, bool undoEnabled = false);
    static KStatus executeCommand(const KString& command, int& result, bool displayEnabled = false,
                                  bool undoEnabled = false);
    static KStatus executeCommand(const KString& command, double& result,
                                  bool displayEnabled = false, bool undoEnabled = false);
    static KStatus executeCommand(const KString& command, KStringArray& result,
                                  bool displayEnabled = false, bool undoEnabled = false);
    static KStatus executeCommand(const KString& command, KIntArray& result,
                                  bool displayEnabled = false, bool undoEnabled = false);
    static KStatus executeCommand(const KString& command, KDoubleArray& result,
                                  bool displayEnabled = false, bool undoEnabled = false);

    /// Queues a text to run when the host is next idle (after the current top-level statement,
    /// at the shell prompt, or on `flushIdleQueue`), in queue order, undo on.
    static KStatus executeCommandOnIdle(const KString& command, bool displayEnabled = false);

    /// Message channels of the script output: info as written, warnings and errors with the
    /// "// Warning: " / "// Error: " prefixes; each message ends its line.
    static void displayInfo(const KString& text);
    static void displayWarning(const KString& text);
    static void displayError(const KString& text);

    // Selection (defined by host/scene; the owner of host/scene may extend this section).

    /// The active selection list (copies it into `list`).
    static KStatus getActiveSelectionList(KSelectionList& list);
    /// Replaces the active selection (undoable inside an open chunk).
    static KStatus setActiveSelectionList(const KSelectionList& list,
                                          ListAdjustment adjustment = kReplaceList);
    static SelectionMode selectionMode(KStatus* status = nullptr);
    static KStatus setSelectionMode(SelectionMode mode);
    static KSelectionMask objectSelectionMask(KStatus* status = nullptr);
    static KStatus setObjectSelectionMask(const KSelectionMask& mask);
    static KSelectionMask componentSelectionMask(KStatus* status = nullptr);
    static KStatus setComponentSelectionMask(const KSelectionMask& mask);
    /// Selects what lies under a point / in a rectangle of the active 3D view (port pixels).
    static KStatus selectFromScreen(short x, short y, ListAdjustment adjustment = kReplaceList,
                                    SelectionMethod method = kWireframeSelectMethod);
    static KStatus selectFromScreen(short x0, short y0, short x1, short y1,
                                    ListAdjustment adjustment = kReplaceList,
                                    SelectionMethod method = kWireframeSelectMethod);
};
