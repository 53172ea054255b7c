#pragma once
/// Host-wide operations: running command texts, the idle queue and the message channels.
/// Selection-related calls are declared in k_selection.h's part of this class (added with the
/// scene). Main thread only.

#include "frame/k_arrays.h"
#include "frame/k_status.h"
#include "frame/k_string.h"

class KGlobal {
public:
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
    static KStatus executeCommand(const KString& command, int& result,
                                  bool displayEnabled = false, bool undoEnabled = false);
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
};
