#pragma once
/// The window `tarn view` shows: one SDL2 window whose pixels are the RGB pictures the
/// process's one GL (OSMesa) renders, copied into the window's software framebuffer. The window
/// never creates a GL context of its own. Its inputs come out decoded, in window pixels. SDL
/// stays inside the .cpp. Main thread only, except wake().

#include <cstdint>
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
    std::string keyName;        ///< Key: "f", "z", "[" for a printable key; else "Return",
                                ///< "KP_Enter", "Escape", "BackSpace", "F1" to "F5", "Up",
                                ///< "Down", "Left", "Right", "Home", "End", "Delete", "Tab",
                                ///< "Prior" (page up), "Next" (page down)
    std::string text;           ///< Text: what the keys typed (UTF-8)
    Modifiers mods;             ///< Key: modifiers held
};

/// One line of the window's message area.
struct ConsoleLine {
    enum class Kind { Echo, Info, Result, Warning, Error };
    Kind kind = Kind::Info;
    std::string text;
};

/// The text the window shows over the picture: the status line along the bottom, and above
/// it the message area's lines (oldest first; none: no message area).
struct StatusView {
    std::string status;
    std::vector<ConsoleLine> console;
    /// Where the message area sits: from messageLeft, messageWidth pixels wide, its last line
    /// ending at messageBottom (the port's place beside the panels). Width 0: across the whole
    /// window, just above the status bar.
    int messageLeft = 0, messageWidth = 0, messageBottom = 0;
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
    /// Alt drags (camera moves) keep only the newest, tool drags are all kept. A window that
    /// another program destroyed answers Closed.
    std::vector<WindowInput> wait(int timeoutMs);
    /// Takes the inputs already queued without waiting (a long script checks for a close).
    std::vector<WindowInput> poll() { return wait(0); }
    /// Ends a wait() from another thread (the terminal reader has text).
    void wake();
    /// Shows a width x height picture of BGRA pixels (rows top first) at the window's top-left
    /// corner (the rest of a larger window dark), with the status line on a dark bar along the
    /// window's bottom edge and the message area above it. The picture is borrowed, not
    /// copied: it must stay valid while showAgain may be called.
    void show(const std::uint8_t* bgra, int width, int height, const StatusView& text);
    /// Shows the last picture again with `text` (an expose, a new status line).
    void showAgain(const StatusView& text);

private:
    struct Impl;
    explicit ViewWindow(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

/// The height in pixels of the status bar show() draws along the window's bottom edge, and of
/// each line of the message area.
constexpr int kStatusBarHeight = 18;
constexpr int kConsoleLineHeight = 14;

/// Copies a width x height BGRA picture (rows top first) to the top-left corner of an SDL
/// surface (`surface` is an SDL_Surface*), converting when the surface's layout differs; the
/// part of the surface the picture does not cover is filled dark.
void blitBgra(void* surface, const std::uint8_t* bgra, int width, int height);

/// The message `tarn view` writes when no window can be opened: the reason, and the headless
/// commands that do the same work without a display.
std::string noDisplayMessage(const std::string& reason);

}  // namespace tarn::window
