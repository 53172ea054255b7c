#pragma once
/// The window's connection to the X server: one top-level window showing RGB images put with
/// XPutImage (no GL of its own: the process's one GL renders the images), and its input events
/// in window pixels. Xlib stays inside the .cpp. Main thread only.

#include <memory>
#include <string>
#include <vector>

#include "host/view/snapshot_renderer.h"
#include "host/window/input_commands.h"

namespace tarn::window {

/// One input from the window, already decoded.
struct WindowInput {
    enum class Kind { Resized, Exposed, Closed, Pointer, Key };
    Kind kind = Kind::Exposed;
    int width = 0, height = 0;  ///< Resized: the new size
    PointerInput pointer;       ///< Pointer: the action, button, position, modifiers
    std::string keyName;        ///< Key: the keysym's name ("f", "Z", "Return"...)
    std::string keyText;        ///< Key: the text it types ("" for none)
    Modifiers mods;             ///< Key: modifiers held
};

class XWindow {
public:
    /// Connects to `displayName` (empty: $DISPLAY) and maps a window of width x height.
    /// Null with `*error` saying why when $DISPLAY is unset or the server cannot be reached.
    static std::unique_ptr<XWindow> open(const std::string& displayName, int width, int height,
                                         const std::string& title, std::string* error);
    ~XWindow();
    XWindow(const XWindow&) = delete;
    XWindow& operator=(const XWindow&) = delete;

    /// Asks for a new client size (a script's viewPort sizes the window); the Resized input
    /// follows when the server has done it.
    void resize(int width, int height);
    /// The connection's file descriptor, for waiting on it together with the terminal.
    int fd() const;
    /// Takes every queued event, decoded, in order; motion with a button down becomes Drag.
    /// Consecutive drags keep only the newest (the renderer may fall behind the pointer).
    std::vector<WindowInput> takeInputs();
    /// True when Xlib already holds events read from the connection (poll would not see them).
    bool hasQueued() const;
    /// Puts `image` (rows top to bottom) at the window's top-left corner, writes `status` on a
    /// dark bar along the bottom edge, and flushes.
    void show(const view::RgbImage& image, const std::string& status);

private:
    struct Impl;
    explicit XWindow(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

/// The message `tarn view` writes when no window can be opened: the reason, and the headless
/// commands that do the same work without a display.
std::string noDisplayMessage(const std::string& reason);

/// The exit status of `tarn view` when the X connection is lost while the window is open.
constexpr int kConnectionLostStatus = 3;

/// The message `tarn view` writes when the X connection to `display` is lost while the window is
/// open; the process then ends with kConnectionLostStatus. From open() on, Xlib's connection
/// error handler is replaced by one that does this (Xlib's own ends the process with a terse
/// line); a refused request is reported on the terminal and the window goes on.
std::string connectionLostMessage(const std::string& display);

}  // namespace tarn::window
