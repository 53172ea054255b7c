#pragma once
/// What the window's mouse and keyboard mean: each input becomes the command text a script
/// would run for it, so the window's work is journalled and replays headless. Pure functions
/// of the input and the port height; no X, no scene.

#include <string>
#include <vector>

namespace tarn::window {

/// Modifier keys held during an input.
struct Modifiers {
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
};

/// Move: the pointer moved with no button held (no tool event: only the panels use it).
enum class PointerAction { Press, Drag, Hold, Release, Move };

/// A pointer input in window pixels (origin top-left, y down). Buttons 1 left, 2 middle,
/// 3 right, 4 and 5 the wheel.
struct PointerInput {
    PointerAction action = PointerAction::Press;
    int button = 1;
    int x = 0, y = 0;
    Modifiers mods;
};

/// The command text for a pointer input on a port `portHeight` pixels high: a viewEvent in
/// port coordinates (origin bottom-left), the button named unless it is the left one.
/// Empty when the input runs no command (Alt drags are camera navigation, the wheel, buttons
/// beyond 3, moves without a button, a port height below 1).
std::string pointerCommand(const PointerInput& input, int portHeight);

/// The camera move for an Alt drag of (dx, dy) window pixels (y down) with `button`: left
/// tumbles (0.4 degrees a pixel, dragging right turns the scene right), middle tracks (the scene
/// follows the pointer), right dollies (right or down moves in). `continues`: a later motion of
/// the same drag, which goes on the same step of the view's camera history (-continue). Empty
/// for no motion or another button.
std::string navigationCommand(int button, int dx, int dy, bool continues = false);

/// The wheel: button 4 (up) dollies in by a tenth, 5 out; `continues` as above (a turn of the
/// wheel soon after the previous one). Empty for other buttons.
std::string wheelCommand(int button, bool continues = false);

/// The command text for a key with its name (the character, "f", "a", "z"...): f frames the
/// selection, a frames all, [ and ] step back and forward through the view's camera history,
/// Ctrl+Z undoes, Ctrl+Shift+Z redoes, Ctrl+S saves the scene to its file. Empty for other keys.
std::string keyCommand(const std::string& keyName, const Modifiers& mods);

/// The window's title: "tarn view", then " - " and the scene file's name when it has one, then
/// " *" while the scene has unsaved changes.
std::string windowTitle(const std::string& sceneFile, bool modified);

/// True for the camera moves the window runs (viewTumble, viewTrack, viewDolly, viewFit,
/// viewHistory): texts that change nothing but the view's camera, so the scene's geometry need
/// not be gathered again.
bool movesCameraOnly(const std::string& text);

/// The command text for a window resized to width x height (viewPort): a side past the port's
/// largest (8192) gives the largest, and the window shows the port in its top-left corner.
/// Empty when either side is below 1.
std::string resizeCommand(int width, int height);

/// The status line after a command: "Error: " and its error when it failed; otherwise the
/// warnings it wrote ("Warning: " and the newest one's first line, with the count when there
/// were several) before `shown` (its result, or its text when it has none), so a warning is
/// never pushed off the window's edge by a long result. Only the first line of each text is
/// kept.
std::string statusText(bool ok, const std::string& shown, const std::string& error,
                       const std::vector<std::string>& warnings);

/// The status line a newcomer sees when the window opens: how to navigate, type a command and
/// get help.
std::string startStatus();

/// What the status line shows after undo (`undone`) or redo took back or did again the change
/// named `summary` ("Undo: polySplit -ep 3 0.5 ..."); `summary` alone when it is empty.
std::string undoStatus(bool undone, const std::string& summary);

/// What the status line shows when `tool` becomes the active tool: its help string, or its name
/// when it has none.
std::string toolStatus(const std::string& tool, const std::string& help);

/// The lines `?` and F1 show in the window's message area.
const std::vector<std::string>& helpLines();

}  // namespace tarn::window
