#pragma once
/// The window `tarn view` shows: one SDL2 window whose pixels are the RGB pictures the
/// process's one GL (OSMesa) renders, copied into the window's software framebuffer. The window
/// never creates a GL context of its own. Its inputs come out decoded, in window pixels. SDL
/// stays inside the .cpp. Main thread only, except wake().

#include <memory>
#include <string>
#include <vector>

#include "host/view/snapshot_renderer.h"
#include "host/window/input_commands.h"

namespace tarn::window {

/// One input from the window, already decoded.
struct WindowInput {
    enum class Kind { Resized, Exposed, Closed, Pointer, Key, Text };
    Kind kind = Kind::Exposed;
    int width = 0, height = 0;  ///< Resized: the new size
    PointerInput pointer;       ///< Pointer: the action, button, position, modifiers
    std::string keyName;        ///< Key: "f", "z", ":" for a printable key; else "Return",
                                ///< "KP_Enter", "Escape", "BackSpace"
    std::string text;           ///< Text: what the keys typed (UTF-8)
    Modifiers mods;             ///< Key: modifiers held
};

class ViewWindow {
public:
    /// Opens a window of width x height on the display ($DISPLAY). Null with `*error` saying why
    /// when there is no display or it cannot be reached.
    static std::unique_ptr<ViewWindow> open(int width, int height, const std::string& title,
                                            std::string* error);
    ~ViewWindow();
    ViewWindow(const ViewWindow&) = delete;
    ViewWindow& operator=(const ViewWindow&) = delete;

    /// Asks for a new client size (a script's viewPort sizes the window); the Resized input
    /// follows when the display has done it.
    void resize(int width, int height);
    /// Sets the window's title (windowTitle() makes it).
    void setTitle(const std::string& title);
    /// Waits up to `timeoutMs` (-1: without end) for an input or a wake(), then takes every
    /// queued input, decoded, in order. Motion with a button down becomes Drag; consecutive
    /// Alt drags (camera moves) keep only the newest, tool drags are all kept.
    std::vector<WindowInput> wait(int timeoutMs);
    /// Ends a wait() from another thread (the terminal reader has text).
    void wake();
    /// Shows `image` (rows top to bottom) at the window's top-left corner with `status` written
    /// on a dark bar along its bottom edge.
    void show(const view::RgbImage& image, const std::string& status);

private:
    struct Impl;
    explicit ViewWindow(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

/// The height in pixels of the status bar show() draws along the picture's bottom edge.
constexpr int kStatusBarHeight = 18;

/// The message `tarn view` writes when no window can be opened: the reason, and the headless
/// commands that do the same work without a display.
std::string noDisplayMessage(const std::string& reason);

}  // namespace tarn::window
