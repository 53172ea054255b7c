#include "host/window/window_job.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string_view>

#include "frame/k_string.h"
#include "host/lang/execute.h"
#include "host/lang/idle_queue.h"
#include "host/lang/journal.h"
#include "host/lang/parser.h"
#include "host/lang/script_output.h"
#include "host/lang/text_file.h"
#include "host/scenefile/scene_session.h"
#include "host/sdk/host_output.h"
#include "host/view/active_view.h"
#include "host/view/view_snapshot.h"
#include "host/window/terminal_reader.h"
#include "host/window/view_window.h"

namespace tarn::window {

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kHoldMilliseconds = 500;

// While alive, every message still reaches the terminal as before, and the warnings are also
// kept for the window's status line (a person looking at the window does not see the terminal).
class WarningTap {
public:
    WarningTap() {
        output::setSink([this](output::Channel channel, std::string_view text) {
            const bool toErr =
                channel == output::Channel::kWarning || channel == output::Channel::kError;
            FILE* stream = toErr ? stderr : stdout;
            std::fputs(channel == output::Channel::kWarning ? "// Warning: "
                       : channel == output::Channel::kError ? "// Error: "
                                                            : "",
                       stream);
            std::fwrite(text.data(), 1, text.size(), stream);
            std::fflush(stream);
            if (channel == output::Channel::kWarning) {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_warnings.emplace_back(text);
            }
        });
    }
    ~WarningTap() { output::setSink(nullptr); }
    WarningTap(const WarningTap&) = delete;
    WarningTap& operator=(const WarningTap&) = delete;

    // The warnings written since the last call (the sink runs on whichever thread writes).
    std::vector<std::string> take() {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<std::string> out;
        out.swap(m_warnings);
        return out;
    }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_warnings;
};

// The window session: runs every input as command text and redraws after each change.
class Session {
public:
    Session(ViewWindow& window, WarningTap& warnings, bool frameTimes)
        : m_window(window),
          m_warnings(warnings),
          m_terminal([&window] { window.wake(); }),
          m_frameTimes(frameTimes) {}
    // The status line before any input: the start-up script's warnings.
    void showStartWarnings() {
        const std::vector<std::string> w = m_warnings.take();
        if (!w.empty()) m_status = statusText(true, "", "", w);
    }

    int loop();

private:
    void handle(const WindowInput& input);
    void handlePointer(const PointerInput& pointer);
    void handleKey(const WindowInput& input);
    void handleText(const std::string& text);
    void readTerminal();
    // Sends the hold event when the pointer has rested with the button down long enough.
    void holdIfResting();
    // How long the loop may wait for input: until a resting pointer's hold is due.
    int waitTimeout() const;
    // Runs one text with `origin`; the status line shows its result or error. `cameraMove`: a
    // text the window made from a navigation input, which changes nothing but the camera.
    void run(const std::string& text, const char* origin, bool cameraMove = false);
    void redraw();

    ViewWindow& m_window;
    std::string m_title = "tarn view";  // as the window was opened
    WarningTap& m_warnings;
    TerminalReader m_terminal;
    view::RgbImage m_scene;  // the scene without overlay, as last rendered
    view::RgbImage m_frame;  // the scene with the overlay composited
    bool m_sceneStale = true;
    bool m_geometryStale = true;  // something besides the camera changed since m_scene
    view::SceneFrames m_frames;
    bool m_frameTimes = false;                       // write each frame's time to stderr
    Clock::time_point m_inputsTaken = Clock::now();  // when the last inputs came in
    bool m_open = true;
    bool m_dirty = true;
    std::string m_terminalPending;
    std::string m_terminalLine;
    bool m_fieldActive = false;
    std::string m_field;
    std::string m_status;
    // The tool gesture in progress: a button held without Alt.
    bool m_gesture = false;
    // The camera drag in progress: its button (0: none) and the last pointer position.
    int m_navButton = 0;
    int m_navX = 0, m_navY = 0;
    bool m_holdSent = false;
    PointerInput m_last;
    Clock::time_point m_lastMove;
};

// A drag or hold with -button, -shift or -ctrl flags ("viewEvent -shift drag 3 4").
bool isModifiedMotion(const std::string& text) {
    return text.rfind("viewEvent -", 0) == 0 &&
           (text.find(" drag ") != std::string::npos || text.find(" hold ") != std::string::npos);
}

void Session::run(const std::string& text, const char* origin, bool cameraMove) {
    lang::ExecuteOptions o;
    o.undo = true;
    o.origin = origin;
    o.flushIdleEachStatement = true;
    const std::size_t journalled = lang::journal().entries().size();
    m_warnings.take();  // earlier warnings belong to no text of this run
    lang::RunResult r = lang::executeText(text, o);
    const std::vector<std::string> warnings = m_warnings.take();
    // A drag or hold the tool answered without running any command changed only the overlay:
    // the scene picture is kept and the overlay composited over it again.
    const bool overlayOnly = r.ok && std::string(origin) == "window" &&
                             (text.rfind("viewEvent drag", 0) == 0 ||
                              text.rfind("viewEvent hold", 0) == 0 || isModifiedMotion(text)) &&
                             lang::journal().entries().size() == journalled + 1;
    if (!overlayOnly) {
        m_sceneStale = true;
        // A camera move the window made keeps the gathered geometry; anything else may have
        // changed it.
        if (!(r.ok && cameraMove)) m_geometryStale = true;
    }
    m_status =
        statusText(r.ok, r.ok && !r.value.isNone() ? r.value.toDisplay() : text, r.error, warnings);
    if (r.ok && std::string(origin) == "shell" && !r.value.isNone())
        lang::scriptOutput(lang::OutputKind::Result, r.value.toDisplay());
    m_dirty = true;
}

void Session::handlePointer(const PointerInput& pointer) {
    if (pointer.action == PointerAction::Press && !m_gesture) {
        const std::string wheel = wheelCommand(pointer.button);
        if (!wheel.empty()) {
            run(wheel, "window", true);
            return;
        }
    }
    // Alt drags move the camera, by the motion since the previous position.
    if (m_navButton != 0 || (pointer.mods.alt && pointer.action == PointerAction::Press &&
                             !m_gesture && pointer.button >= 1 && pointer.button <= 3)) {
        if (pointer.action == PointerAction::Press && m_navButton == 0) {
            m_navButton = pointer.button;
        } else if (pointer.action == PointerAction::Drag) {
            const std::string text =
                navigationCommand(m_navButton, pointer.x - m_navX, pointer.y - m_navY);
            if (!text.empty()) run(text, "window", true);
        } else if (pointer.action == PointerAction::Release && pointer.button == m_navButton) {
            m_navButton = 0;
        }
        m_navX = pointer.x;
        m_navY = pointer.y;
        return;
    }
    const bool toolButton = pointer.button >= 1 && pointer.button <= 3 && !pointer.mods.alt;
    if (!toolButton) return;
    // A drag or release without its press (pressed over another window) is not delivered.
    if (pointer.action == PointerAction::Press) {
        if (m_gesture) return;
        m_gesture = true;
    } else if (!m_gesture) {
        return;
    }
    m_holdSent = false;
    m_last = pointer;
    m_lastMove = Clock::now();
    if (pointer.action == PointerAction::Release) m_gesture = false;
    const std::string text = pointerCommand(pointer, view::ActiveView::instance().height());
    if (!text.empty()) run(text, "window");
}

void Session::handleKey(const WindowInput& input) {
    const bool enter = input.keyName == "Return" || input.keyName == "KP_Enter";
    if (m_fieldActive) {
        // Typed characters arrive as text; here only the keys that edit or leave the field.
        if (input.keyName == "Escape") {
            m_fieldActive = false;
            m_field.clear();
        } else if (enter) {
            m_fieldActive = false;
            std::string text;
            text.swap(m_field);
            if (text == "quit" || text == "exit")
                m_open = false;
            else if (!text.empty())
                run(text, "window");
        } else if (input.keyName == "BackSpace" && !m_field.empty()) {
            // Remove the last character with its UTF-8 continuation bytes.
            do m_field.pop_back();
            while (!m_field.empty() && (static_cast<unsigned char>(m_field.back()) & 0xC0) == 0x80);
        }
        m_dirty = true;
        return;
    }
    if (enter) {
        m_fieldActive = true;
        m_dirty = true;
        return;
    }
    const std::string text = keyCommand(input.keyName, input.mods);
    if (!text.empty()) run(text, "window", movesCameraOnly(text));
}

void Session::handleText(const std::string& text) {
    if (m_fieldActive) {
        m_field += text;
        m_dirty = true;
    } else if (text == ":") {
        m_fieldActive = true;
        m_dirty = true;
    }
}

void Session::handle(const WindowInput& input) {
    switch (input.kind) {
        case WindowInput::Kind::Closed:
            m_open = false;
            break;
        case WindowInput::Kind::Exposed:
            m_dirty = true;
            break;
        case WindowInput::Kind::Resized: {
            const view::ActiveView& v = view::ActiveView::instance();
            if (input.width == v.width() && input.height == v.height()) break;
            const std::string text = resizeCommand(input.width, input.height);
            if (!text.empty()) run(text, "window");
            break;
        }
        case WindowInput::Kind::Pointer:
            handlePointer(input.pointer);
            break;
        case WindowInput::Kind::Key:
            handleKey(input);
            break;
        case WindowInput::Kind::Text:
            handleText(input.text);
            break;
    }
}

// Takes what the terminal sent; each complete statement runs as the shell's would.
void Session::readTerminal() {
    bool ended = false;
    m_terminalLine += m_terminal.take(&ended);
    std::size_t end;
    while ((end = m_terminalLine.find('\n')) != std::string::npos) {
        const std::string line = m_terminalLine.substr(0, end);
        m_terminalLine.erase(0, end + 1);
        if (m_terminalPending.empty() && (line == "quit" || line == "exit")) {
            m_open = false;
            return;
        }
        m_terminalPending += line + '\n';
        // Keep reading while a block, string, back-quote or parenthesis is open.
        if (lang::needsMoreInput(m_terminalPending)) continue;
        std::string text;
        text.swap(m_terminalPending);
        if (text.find_first_not_of(" \t\n") != std::string::npos) run(text, "shell");
    }
}

void Session::redraw() {
    m_dirty = false;
    const std::string title = windowTitle(scenefile::sceneName(), scenefile::sceneModified());
    if (title != m_title) m_window.setTitle(m_title = title);
    const Clock::time_point start = Clock::now();
    const bool full = m_sceneStale;
    view::ActiveView& v = view::ActiveView::instance();
    if (m_sceneStale || m_scene.width != v.width() || m_scene.height != v.height()) {
        m_scene = m_frames.render(!m_geometryStale);
        m_sceneStale = false;
        m_geometryStale = false;
    }
    m_frame = m_scene;
    v.compositeOverlay(m_frame.pixels, m_frame.width, m_frame.height);
    const std::string bar = m_fieldActive ? "> " + m_field + "_" : m_status;
    m_window.show(m_frame, bar);
    // The frame's own time, and before it the time its inputs took to run (a tool's drag:
    // picking and its commands), so the two add up to the delay a person sees.
    const auto ms = [](Clock::duration d) {
        return std::chrono::duration<double, std::milli>(d).count();
    };
    if (m_frameTimes)
        std::fprintf(stderr, "tarn view: %s frame %.1f ms after %.1f ms of input\n",
                     full ? "scene" : "overlay", ms(Clock::now() - start),
                     ms(std::max(Clock::duration::zero(), start - m_inputsTaken)));
}

int Session::waitTimeout() const {
    if (!m_gesture || m_holdSent) return -1;
    const auto waited =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - m_lastMove).count();
    return static_cast<int>(std::max<long long>(0, kHoldMilliseconds - waited));
}

void Session::holdIfResting() {
    if (waitTimeout() != 0) return;
    PointerInput hold = m_last;
    hold.action = PointerAction::Hold;
    m_holdSent = true;
    const std::string text = pointerCommand(hold, view::ActiveView::instance().height());
    if (!text.empty()) run(text, "window");
}

int Session::loop() {
    while (m_open) {
        // Deferred commands may change anything.
        if (lang::idleQueue().flush() > 0) {
            m_sceneStale = m_geometryStale = true;
            m_dirty = true;
        }
        // Idle work (deferred commands) may warn outside any text the window ran.
        const std::vector<std::string> idleWarnings = m_warnings.take();
        if (!idleWarnings.empty()) {
            m_status = statusText(true, "", "", idleWarnings);
            m_dirty = true;
        }
        if (m_dirty) redraw();
        // Wait for the window or the terminal; a held button times out into a hold event.
        const std::vector<WindowInput> inputs = m_window.wait(waitTimeout());
        m_inputsTaken = Clock::now();
        readTerminal();
        for (const WindowInput& input : inputs) {
            if (!m_open) break;
            handle(input);
        }
        if (m_open) holdIfResting();
    }
    return 0;
}

}  // namespace

const char* viewUsage() {
    return "Usage: tarn view [--frame-times] [SCRIPT | SCENE.tscene]\n"
           "Opens the scene's view in a window on the display ($DISPLAY), after running\n"
           "SCRIPT or opening SCENE when given. The terminal keeps taking commands while the\n"
           "window is open. The title shows the scene's file and * while it has unsaved changes.\n"
           "  Alt+left/middle/right drag   tumble / track / dolly (wheel: dolly)\n"
           "  f, a                         frame the selection, frame all\n"
           "  left/middle/right drag       events to the active tool (Shift, Ctrl)\n"
           "  : or Enter                   the command field (Enter runs, Escape leaves)\n"
           "  Ctrl+Z, Ctrl+Shift+Z         undo, redo\n"
           "  Ctrl+S                       save the scene to its file (file -save)\n"
           "Everything runs as commands and is journalled (--journal FILE).\n"
           "--frame-times writes each frame's time (scene or overlay only) to stderr, with\n"
           "the time the inputs before it took to run.\n";
}

int runViewJob(const std::vector<std::string>& args) {
    std::string script;
    bool frameTimes = false;
    for (const std::string& a : args) {
        if (a == "--frame-times") {
            frameTimes = true;
            continue;
        }
        if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "tarn view: unknown option '%s'.\n%s", a.c_str(), viewUsage());
            return 2;
        }
        if (!script.empty()) {
            std::fprintf(stderr, "tarn view: one script at most.\n%s", viewUsage());
            return 2;
        }
        script = a;
    }
    // Open the window first: without a display nothing runs.
    WarningTap warnings;
    std::string error;
    const view::ActiveView& v = view::ActiveView::instance();
    const int startWidth = v.width(), startHeight = v.height();
    std::unique_ptr<ViewWindow> window =
        ViewWindow::open(startWidth, startHeight, "tarn view", &error);
    if (!window) {
        std::fputs(noDisplayMessage(error).c_str(), stderr);
        return 2;
    }
    const std::string sceneExtension = ".tscene";
    if (script.size() > sceneExtension.size() &&
        script.compare(script.size() - sceneExtension.size(), sceneExtension.size(),
                       sceneExtension) == 0) {
        // A scene file is opened (through the file command, so the journal has it).
        lang::ExecuteOptions eo;
        eo.undo = true;
        eo.origin = "script";
        lang::executeText("file -open \"" + escapeCommandString(KString(script)).str() + "\"", eo);
    } else if (!script.empty()) {
        std::string text;
        if (!lang::readTextFile(script, text, &error)) {
            std::fprintf(stderr, "tarn view: %s\n", error.c_str());
            return 2;
        }
        lang::ExecuteOptions eo;
        eo.undo = true;
        eo.origin = "script";
        eo.sourceName = script;
        eo.flushIdleEachStatement = true;
        const lang::RunResult r = lang::executeText(text, eo);
        if (!r.ok)
            std::fprintf(stderr, "tarn view: %s:%d: the script stopped here.\n", script.c_str(),
                         r.line);
    }
    // The window takes the port size a script set.
    if (v.width() != startWidth || v.height() != startHeight) window->resize(v.width(), v.height());
    Session session(*window, warnings, frameTimes);
    session.showStartWarnings();
    return session.loop();
}

}  // namespace tarn::window
