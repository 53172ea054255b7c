#include "host/window/window_job.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string_view>

#include "frame/k_string.h"
#include "host/lang/execute.h"
#include "host/lang/idle_queue.h"
#include "host/lang/interpreter.h"
#include "host/lang/journal.h"
#include "host/lang/parser.h"
#include "host/lang/script_output.h"
#include "host/lang/statement_watcher.h"
#include "host/lang/text_file.h"
#include "host/render/job_args.h"
#include "host/scenefile/scene_session.h"
#include "host/sdk/host_output.h"
#include "host/undo/undo.h"
#include "host/view/active_view.h"
#include "host/view/tool_contexts.h"
#include "host/view/view_frame.h"
#include "host/window/panels/panel_layer.h"
#include "host/window/terminal_reader.h"
#include "host/window/view_window.h"

namespace tarn::window {

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kHoldMilliseconds = 500;
// A camera drag drawn with quick frames gets its full picture when the pointer rests this long.
constexpr int kRestMilliseconds = 150;
// Turns of the wheel this close together are one step of the camera history.
constexpr int kWheelJoinMilliseconds = 400;
// While a long script runs, the window's status line is brought up to date this often.
constexpr int kProgressMilliseconds = 100;
constexpr std::size_t kConsoleKept = 200;  // lines of the message area's scroll-back
constexpr int kConsoleShown = 6;           // lines shown at once

double milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Every message still reaches the terminal as before. The window also keeps the warnings for
// its status line and, while collecting (a text from its command field runs), every message as
// lines for its message area. The sink runs on whichever thread writes.
class OutputTap {
public:
    OutputTap() {
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
            std::lock_guard<std::mutex> lock(m_mutex);
            if (channel == output::Channel::kWarning) m_warnings.emplace_back(text);
            if (m_collecting) addLines(channel, text);
        });
    }
    ~OutputTap() { output::setSink(nullptr); }
    OutputTap(const OutputTap&) = delete;
    OutputTap& operator=(const OutputTap&) = delete;

    // The warnings written since the last call.
    std::vector<std::string> takeWarnings() {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<std::string> out;
        out.swap(m_warnings);
        return out;
    }
    // Starts keeping every message as lines; stop() ends it and answers them.
    void collect() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_collecting = true;
        m_lines.clear();
        m_partial.clear();
    }
    std::vector<ConsoleLine> stop() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_collecting = false;
        if (!m_partial.empty()) m_lines.push_back({ConsoleLine::Kind::Info, m_partial});
        m_partial.clear();
        std::vector<ConsoleLine> out;
        out.swap(m_lines);
        return out;
    }

private:
    void addLines(output::Channel channel, std::string_view text) {
        const ConsoleLine::Kind kind =
            channel == output::Channel::kWarning ? ConsoleLine::Kind::Warning
            : channel == output::Channel::kError ? ConsoleLine::Kind::Error
                                                 : ConsoleLine::Kind::Info;
        const char* prefix = kind == ConsoleLine::Kind::Warning ? "Warning: "
                             : kind == ConsoleLine::Kind::Error ? "Error: "
                                                                : "";
        // Printed text may come in pieces of a line; messages are whole lines.
        std::string all = m_partial + std::string(text);
        m_partial.clear();
        std::size_t start = 0, end;
        while ((end = all.find('\n', start)) != std::string::npos) {
            m_lines.push_back({kind, prefix + all.substr(start, end - start)});
            start = end + 1;
        }
        if (start < all.size()) m_partial = all.substr(start);
    }

    std::mutex m_mutex;
    std::vector<std::string> m_warnings;
    bool m_collecting = false;
    std::vector<ConsoleLine> m_lines;
    std::string m_partial;
};

// The text without surrounding blanks and a final semicolon ("undo;" is "undo").
std::string bare(const std::string& text) {
    const std::size_t a = text.find_first_not_of(" \t\n;");
    if (a == std::string::npos) return {};
    const std::size_t b = text.find_last_not_of(" \t\n;");
    return text.substr(a, b - a + 1);
}

// The window session: runs every input as command text and redraws after each change.
class Session {
public:
    Session(ViewWindow& window, OutputTap& tap, bool frameTimes, int width, int height)
        : m_window(window),
          m_tap(tap),
          m_terminal([&window] { window.wake(); }),
          m_panels([this](const std::string& text) { runFromPanel(text); },
                   [this] { sceneChanged(); }),
          m_frameTimes(frameTimes),
          m_windowWidth(width),
          m_windowHeight(height) {}
    // Runs the start-up script, the window showing its progress; false when the window was
    // closed meanwhile.
    bool runStartScript(const std::string& path, const std::string& text);
    // The status line before any input: the newcomer's hints, or the script's warnings.
    void showStartStatus();
    int loop();
    // The window was asked for a new size (the resize event follows).
    void resizeWindow(int width, int height) {
        m_window.resize(width, height);
        m_windowWidth = width;
        m_windowHeight = height;
    }

private:
    void handle(const WindowInput& input);
    // A pointer input over the panels goes to them; the rest to the view, in port pixels.
    void routePointer(PointerInput pointer);
    void handlePointer(const PointerInput& pointer);
    void handleKey(const WindowInput& input);
    void handleText(const std::string& text);
    void readTerminal();
    // Sends the hold event when the pointer has rested with the button down long enough.
    void holdIfResting();
    // Draws the full picture once a camera drag shown with quick frames rests.
    void refineIfResting();
    // How long the loop may wait for input: until a hold or a full picture is due.
    int waitTimeout() const;
    // Runs one text with `origin`; the status line shows what it did. `cameraMove`: a text the
    // window made from a navigation input, which changes nothing but the camera. `fromField`:
    // typed in the command field (its messages go to the message area).
    void run(const std::string& text, const char* origin, bool cameraMove = false,
             bool fromField = false);
    void navigate(const std::string& text);
    // A text a panel made. The undo chunk around a drag is bookkeeping: the status line keeps
    // naming the change itself.
    void runFromPanel(const std::string& text) {
        const std::string status = m_status;
        run(text, "window");
        if (text.rfind("undoInfo ", 0) == 0 && m_status.rfind("Error", 0) != 0) m_status = status;
    }
    // Something ran outside run() (the console panel): the scene is gathered again.
    void sceneChanged() {
        m_change = view::ViewFrames::Change::kScene;
        m_frameDirty = true;
    }
    // The panels changed what they show: the frame is composed again over the kept scene.
    void panelsChanged() {
        if (!m_frameDirty) m_change = view::ViewFrames::Change::kOverlay;
        m_frameDirty = true;
        m_uiDirty = true;
    }
    // The port follows the window and the panels' layout (viewPort, journalled). `quiet`: the
    // status line keeps what it said (the panels moved, nothing a person typed).
    void followLayout(bool quiet = false);
    void redraw();
    void showText() { m_window.showAgain(statusView()); }
    StatusView statusView() const;
    void addConsole(std::vector<ConsoleLine> lines);
    bool quickFramesWanted() const;

    ViewWindow& m_window;
    std::string m_title = "tarn view";  // as the window was opened
    OutputTap& m_tap;
    TerminalReader m_terminal;
    panels::PanelLayer m_panels;
    view::ViewFrames m_frames;
    bool m_frameTimes = false;                       // write each frame's time to stderr
    int m_windowWidth = 0, m_windowHeight = 0;       // the window's client size
    panels::PanelGeometry m_layout;                  // the panels and port at the last layout
    bool m_layoutKnown = false;                      // m_layout was computed once
    bool m_uiDirty = true;                           // the panels are built again next frame
    Clock::time_point m_inputsTaken = Clock::now();  // when the last inputs came in
    bool m_open = true;
    // What must be drawn again: the frame from `m_change` on, or only the text over it.
    bool m_frameDirty = true;
    view::ViewFrames::Change m_change = view::ViewFrames::Change::kScene;
    bool m_textDirty = false;
    std::string m_terminalPending;
    std::string m_terminalLine;
    bool m_fieldActive = false;
    std::string m_field;
    std::vector<std::string> m_fieldHistory;
    std::size_t m_fieldHistoryAt = 0;
    std::string m_status;
    std::deque<ConsoleLine> m_console;
    bool m_consoleShown = false;
    int m_consoleScroll = 0;  // lines back from the newest
    // The tool gesture in progress: a button held without Alt.
    bool m_gesture = false;
    // The camera drag in progress: its button (0: none), the last pointer position, and
    // whether a move of it already ran (later ones continue its history step).
    int m_navButton = 0;
    int m_navX = 0, m_navY = 0;
    bool m_navMoved = false;
    Clock::time_point m_lastNavigation;  // the last camera move of a drag or the wheel
    Clock::time_point m_lastWheel;
    bool m_holdSent = false;
    PointerInput m_last;
    Clock::time_point m_lastMove;
    std::vector<WindowInput> m_pending;  // inputs taken while the start-up script ran
};

bool Session::quickFramesWanted() const {
    // While the camera moves (a drag, the wheel), over a very large mesh; not once it rests.
    if (Clock::now() - m_lastNavigation >= std::chrono::milliseconds(kRestMilliseconds))
        return false;
    for (const view::DrawItem& item : m_frames.geometry().scene().items)
        if (item.mesh && item.mesh->triangleCount() > view::ViewFrames::kQuickAbove) return true;
    return false;
}

StatusView Session::statusView() const {
    StatusView v;
    v.status = m_fieldActive ? "> " + m_field + "_" : m_status;
    if (m_consoleShown && !m_console.empty()) {
        const int n = static_cast<int>(m_console.size());
        const int end = std::max(std::min(kConsoleShown, n), n - m_consoleScroll);
        for (int i = std::max(0, end - kConsoleShown); i < end; ++i)
            v.console.push_back(m_console[i]);
    }
    if (m_layout.anyShown()) {
        // Over the port, not the panels.
        v.messageLeft = m_layout.port.x;
        v.messageWidth = m_layout.port.w;
        v.messageBottom = m_layout.port.y + m_layout.port.h;
    }
    return v;
}

void Session::addConsole(std::vector<ConsoleLine> lines) {
    for (ConsoleLine& l : lines) m_console.push_back(std::move(l));
    while (m_console.size() > kConsoleKept) m_console.pop_front();
    m_consoleShown = true;
    m_consoleScroll = 0;
    m_textDirty = true;
}

// A drag or hold with -button, -shift or -ctrl flags ("viewEvent -shift drag 3 4").
bool isModifiedMotion(const std::string& text) {
    return text.rfind("viewEvent -", 0) == 0 &&
           (text.find(" drag ") != std::string::npos || text.find(" hold ") != std::string::npos);
}

void Session::run(const std::string& text, const char* origin, bool cameraMove, bool fromField) {
    lang::ExecuteOptions o;
    o.undo = true;
    o.origin = origin;
    o.flushIdleEachStatement = true;
    const std::size_t journalled = lang::journal().entries().size();
    view::ToolContexts& tools = view::ToolContexts::instance();
    const std::string toolBefore = tools.current();
    // Undo and redo say what they take back.
    auto& queue = undo::undoQueue();
    const std::string command = bare(text);
    const bool undoing = command == "undo", redoing = command == "redo";
    const std::string summary = undoing   ? queue.undoSummary()
                                : redoing ? queue.redoSummary()
                                          : std::string();
    const std::size_t doneBefore = queue.undoCount();
    m_tap.takeWarnings();  // earlier warnings belong to no text of this run
    if (fromField) m_tap.collect();
    lang::RunResult r = lang::executeText(text, o);
    const std::vector<std::string> warnings = m_tap.takeWarnings();
    if (fromField) {
        std::vector<ConsoleLine> lines{{ConsoleLine::Kind::Echo, "> " + text}};
        for (ConsoleLine& l : m_tap.stop()) lines.push_back(std::move(l));
        if (r.ok && !r.value.isNone())
            lines.push_back({ConsoleLine::Kind::Result, "// Result: " + r.value.toDisplay()});
        addConsole(std::move(lines));
    }
    // A drag or hold the tool answered without running any command changed only the overlay:
    // the scene picture is kept and the overlay composited over it again.
    using Change = view::ViewFrames::Change;
    const bool overlayOnly = r.ok && std::string(origin) == "window" &&
                             (text.rfind("viewEvent drag", 0) == 0 ||
                              text.rfind("viewEvent hold", 0) == 0 || isModifiedMotion(text)) &&
                             lang::journal().entries().size() == journalled + 1;
    const Change change = overlayOnly            ? Change::kOverlay
                          : (r.ok && cameraMove) ? Change::kCamera
                                                 : Change::kScene;
    m_change = m_frameDirty ? std::max(m_change, change) : change;
    m_frameDirty = true;

    std::string shown = r.ok && !r.value.isNone() ? r.value.toDisplay() : text;
    if (r.ok && (undoing || redoing) && queue.undoCount() != doneBefore) {
        shown = undoStatus(undoing, summary);
    } else if (r.ok && tools.current() != toolBefore) {
        // A new tool tells how it is used.
        const KPxContext* tool = tools.find(tools.current());
        shown = toolStatus(tools.current(), tool ? tool->helpString().asChar() : "");
    }
    m_status = statusText(r.ok, shown, r.error, warnings);
    if (r.ok && std::string(origin) == "shell" && !r.value.isNone())
        lang::scriptOutput(lang::OutputKind::Result, r.value.toDisplay());
}

void Session::navigate(const std::string& text) {
    m_lastNavigation = Clock::now();
    run(text, "window", true);
}

void Session::handlePointer(const PointerInput& pointer) {
    if (pointer.action == PointerAction::Press && !m_gesture) {
        // Turns of the wheel soon after one another are one step of the camera history.
        const bool continues =
            Clock::now() - m_lastWheel < std::chrono::milliseconds(kWheelJoinMilliseconds);
        const std::string wheel = wheelCommand(pointer.button, continues);
        if (!wheel.empty()) {
            m_lastWheel = Clock::now();
            navigate(wheel);
            return;
        }
    }
    // A press in the view puts the message area away.
    if (pointer.action == PointerAction::Press && m_consoleShown && !m_fieldActive) {
        m_consoleShown = false;
        m_textDirty = true;
    }
    // Alt drags move the camera, by the motion since the previous position.
    if (m_navButton != 0 || (pointer.mods.alt && pointer.action == PointerAction::Press &&
                             !m_gesture && pointer.button >= 1 && pointer.button <= 3)) {
        if (pointer.action == PointerAction::Press && m_navButton == 0) {
            m_navButton = pointer.button;
            m_navMoved = false;
        } else if (pointer.action == PointerAction::Drag) {
            const std::string text =
                navigationCommand(m_navButton, pointer.x - m_navX, pointer.y - m_navY, m_navMoved);
            if (!text.empty()) {
                navigate(text);
                m_navMoved = true;
            }
        } else if (pointer.action == PointerAction::Release && pointer.button == m_navButton) {
            m_navButton = 0;
            m_uiDirty = true;  // the panels show the camera where it came to rest
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
    // The panels' keys (F2 to F5), and every key while a text field of theirs has the keyboard.
    if (!m_fieldActive &&
        (m_layout.anyShown() || panels::PanelLayer::panelForKey(input.keyName, nullptr)) &&
        m_panels.key(input.keyName, input.mods)) {
        panelsChanged();
        return;
    }
    const bool enter = input.keyName == "Return" || input.keyName == "KP_Enter";
    const int page = kConsoleShown - 1;
    if (input.keyName == "Prior" || input.keyName == "Next") {
        if (m_console.empty()) return;
        const int most = std::max(0, static_cast<int>(m_console.size()) - kConsoleShown);
        m_consoleScroll =
            std::clamp(m_consoleScroll + (input.keyName == "Prior" ? page : -page), 0, most);
        m_consoleShown = true;
        m_textDirty = true;
        return;
    }
    if (input.keyName == "F1") {
        handleText("?");
        return;
    }
    if (m_fieldActive) {
        // Typed characters arrive as text; here only the keys that edit or leave the field.
        if (input.keyName == "Escape") {
            m_fieldActive = false;
            m_consoleShown = false;
            m_field.clear();
        } else if (enter) {
            m_fieldActive = false;
            std::string text;
            text.swap(m_field);
            if (!text.empty()) m_fieldHistory.push_back(text);
            m_fieldHistoryAt = m_fieldHistory.size();
            if (text == "quit" || text == "exit")
                m_open = false;
            else if (!text.empty())
                run(text, "window", false, true);
        } else if (input.keyName == "Up" || input.keyName == "Down") {
            // The texts run before, newest first.
            if (m_fieldHistory.empty()) return;
            if (input.keyName == "Up" && m_fieldHistoryAt > 0) --m_fieldHistoryAt;
            if (input.keyName == "Down" && m_fieldHistoryAt < m_fieldHistory.size())
                ++m_fieldHistoryAt;
            m_field = m_fieldHistoryAt < m_fieldHistory.size() ? m_fieldHistory[m_fieldHistoryAt]
                                                               : std::string();
        } else if (input.keyName == "BackSpace" && !m_field.empty()) {
            // Remove the last character with its UTF-8 continuation bytes.
            do m_field.pop_back();
            while (!m_field.empty() && (static_cast<unsigned char>(m_field.back()) & 0xC0) == 0x80);
        }
        m_textDirty = true;
        return;
    }
    if (enter) {
        m_fieldActive = true;
        m_consoleShown = !m_console.empty();
        m_textDirty = true;
        return;
    }
    if (input.keyName == "Escape" && m_consoleShown) {
        m_consoleShown = false;
        m_textDirty = true;
        return;
    }
    const std::string text = keyCommand(input.keyName, input.mods);
    if (text.empty()) return;
    if (movesCameraOnly(text))
        navigate(text);
    else
        run(text, "window");
}

void Session::handleText(const std::string& text) {
    if (!m_fieldActive && m_layout.anyShown() && m_panels.text(text)) {
        panelsChanged();
        return;
    }
    if (m_fieldActive) {
        m_field += text;
        m_textDirty = true;
    } else if (text == ":") {
        m_fieldActive = true;
        m_consoleShown = !m_console.empty();
        m_textDirty = true;
    } else if (text == "?") {
        std::vector<ConsoleLine> lines;
        for (const std::string& line : helpLines())
            lines.push_back({ConsoleLine::Kind::Info, line});
        addConsole(std::move(lines));
    }
}

void Session::followLayout(bool quiet) {
    m_layout = m_panels.geometry(m_windowWidth, m_windowHeight);
    // Without panels the port is the window; with them, the space they leave.
    const std::string text = m_layout.anyShown() ? resizeCommand(m_layout.port.w, m_layout.port.h)
                                                 : resizeCommand(m_windowWidth, m_windowHeight);
    const view::ActiveView& v = view::ActiveView::instance();
    // A window past the largest port keeps the largest port.
    if (text.empty() ||
        text == "viewPort " + std::to_string(v.width()) + " " + std::to_string(v.height()))
        return;
    const std::string status = m_status;
    run(text, "window");
    if (quiet && m_status.rfind("Error", 0) != 0) m_status = status;
}

void Session::routePointer(PointerInput pointer) {
    // A move without a button is the panels' alone (what is under the pointer).
    if (pointer.action == PointerAction::Move) {
        if (m_layout.anyShown() && m_panels.pointer(pointer)) panelsChanged();
        return;
    }
    // A gesture or camera drag in the view keeps its pointer until released.
    if (m_layout.anyShown() && !m_gesture && m_navButton == 0 && m_panels.pointer(pointer)) {
        panelsChanged();
        return;
    }
    if (m_layout.anyShown()) {
        pointer.x -= m_layout.port.x;
        pointer.y -= m_layout.port.y;
    }
    handlePointer(pointer);
}

void Session::handle(const WindowInput& input) {
    // Every input of the window is routed here, so a layer drawn over the view (panels) can
    // take the inputs over it before the view does.
    switch (input.kind) {
        case WindowInput::Kind::Closed:
            m_open = false;
            break;
        case WindowInput::Kind::Exposed:
            m_textDirty = true;
            break;
        case WindowInput::Kind::Resized:
            m_windowWidth = input.width;
            m_windowHeight = input.height;
            m_textDirty = true;
            followLayout();
            break;
        case WindowInput::Kind::Pointer:
            routePointer(input.pointer);
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
    const std::string title = windowTitle(scenefile::sceneName(), scenefile::sceneModified());
    if (title != m_title) m_window.setTitle(m_title = title);
    const Clock::time_point start = Clock::now();
    using Change = view::ViewFrames::Change;
    view::ViewFrames::Options o;
    o.change = m_change;
    o.quick = quickFramesWanted();
    if (m_layout.anyShown()) {
        // The panels, laid last into the same frame; the frame is the window and the port sits
        // where the panels leave it. They are built from the models again when the scene
        // changed or a panel took input; while only the view changes (a tool's drag, a camera
        // move) the last ones are laid again.
        if (m_uiDirty || m_change == Change::kScene) m_panels.frame(m_windowWidth, m_windowHeight);
        m_uiDirty = false;
        o.paint = [this](std::uint8_t* bgra, int frameWidth, int frameHeight) {
            m_panels.paint(bgra, frameWidth, frameHeight);
        };
        o.frameWidth = m_windowWidth;
        o.frameHeight = m_windowHeight;
        o.portLeft = m_layout.port.x;
        o.portTop = m_layout.port.y;
    }
    m_frames.update(o);
    m_frameDirty = false;
    m_textDirty = false;
    m_change = Change::kOverlay;
    m_window.show(m_frames.pixels(), m_frames.frameWidth(), m_frames.frameHeight(), statusView());
    // The frame's own time, and before it the time its inputs took to run (a tool's drag:
    // picking and its commands), so the two add up to the delay a person sees.
    if (m_frameTimes)
        std::fprintf(stderr, "tarn view: %s frame %.1f ms after %.1f ms of input\n",
                     !m_frames.drewScene() ? "overlay"
                     : o.quick             ? "quick"
                                           : "scene",
                     milliseconds(Clock::now() - start),
                     milliseconds(std::max(Clock::duration::zero(), start - m_inputsTaken)));
}

int Session::waitTimeout() const {
    int timeout = -1;
    const auto until = [&](Clock::time_point since, int ms) {
        const auto waited =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count();
        const int left = static_cast<int>(std::max<long long>(0, ms - waited));
        timeout = timeout < 0 ? left : std::min(timeout, left);
    };
    if (m_gesture && !m_holdSent) until(m_lastMove, kHoldMilliseconds);
    if (m_frames.sceneIsQuick()) until(m_lastNavigation, kRestMilliseconds);
    return timeout;
}

void Session::holdIfResting() {
    if (!m_gesture || m_holdSent ||
        Clock::now() - m_lastMove < std::chrono::milliseconds(kHoldMilliseconds))
        return;
    PointerInput hold = m_last;
    hold.action = PointerAction::Hold;
    m_holdSent = true;
    const std::string text = pointerCommand(hold, view::ActiveView::instance().height());
    if (!text.empty()) run(text, "window");
}

void Session::refineIfResting() {
    if (!m_frames.sceneIsQuick() ||
        Clock::now() - m_lastNavigation < std::chrono::milliseconds(kRestMilliseconds))
        return;
    // Nothing changed: the scene layer is drawn again in full from the kept geometry.
    m_frameDirty = true;
}

void Session::showStartStatus() {
    const std::vector<std::string> w = m_tap.takeWarnings();
    m_status = w.empty() ? startStatus() : statusText(true, "", "", w);
    m_textDirty = true;
}

bool Session::runStartScript(const std::string& path, const std::string& text) {
    const std::string name = path.substr(path.find_last_of('/') + 1);
    const long lines = std::count(text.begin(), text.end(), '\n') + 1;
    m_status = "Running " + name + "...";
    redraw();
    const Clock::time_point start = Clock::now();
    Clock::time_point shown = start;
    bool closed = false;
    // Between statements: the status line tells how far the script is, and a window closed
    // meanwhile stops the script.
    lang::setStatementWatcher([&](const std::string& source, int line) {
        if (source != path ||
            Clock::now() - shown < std::chrono::milliseconds(kProgressMilliseconds))
            return;
        shown = Clock::now();
        // Inputs wait for the script to end; a close stops it.
        for (WindowInput& in : m_window.poll()) {
            if (in.kind == WindowInput::Kind::Closed && !closed) {
                closed = true;
                lang::hostInterpreter().stop();
            }
            m_pending.push_back(std::move(in));
        }
        char progress[160];
        std::snprintf(progress, sizeof progress, "Running %s... line %d of %ld (%.0f s)",
                      name.c_str(), line, lines, milliseconds(Clock::now() - start) / 1000.0);
        m_status = progress;
        showText();
    });
    lang::ExecuteOptions eo;
    eo.undo = true;
    eo.origin = "script";
    eo.sourceName = path;
    eo.flushIdleEachStatement = true;
    const lang::RunResult r = lang::executeText(text, eo);
    lang::setStatementWatcher({});
    if (closed) {
        lang::hostInterpreter().clearStop();
        return false;
    }
    if (!r.ok)
        std::fprintf(stderr, "tarn view: %s:%d: the script stopped here.\n", path.c_str(), r.line);
    m_change = view::ViewFrames::Change::kScene;
    m_frameDirty = true;
    return true;
}

int Session::loop() {
    while (m_open) {
        // Deferred commands may change anything.
        if (lang::idleQueue().flush() > 0) {
            m_change = view::ViewFrames::Change::kScene;
            m_frameDirty = true;
        }
        // Idle work (deferred commands) may warn outside any text the window ran.
        const std::vector<std::string> idleWarnings = m_tap.takeWarnings();
        if (!idleWarnings.empty()) {
            m_status = statusText(true, "", "", idleWarnings);
            m_textDirty = true;
        }
        // A panel opened or closed, or resized in the preferences: the port follows. (A
        // viewPort run meanwhile stands until the layout or the window changes.)
        if (!m_layoutKnown ||
            m_panels.geometry(m_windowWidth, m_windowHeight).panels != m_layout.panels) {
            m_layoutKnown = true;
            followLayout(true);
            panelsChanged();
        }
        if (m_frameDirty)
            redraw();
        else if (m_textDirty)
            showText(), m_textDirty = false;
        // Wait for the window or the terminal; a held button times out into a hold event, a
        // quick picture into the full one.
        std::vector<WindowInput> inputs;
        inputs.swap(m_pending);
        if (inputs.empty()) inputs = m_window.wait(waitTimeout());
        m_inputsTaken = Clock::now();
        readTerminal();
        for (const WindowInput& input : inputs) {
            if (!m_open) break;
            handle(input);
        }
        if (m_open) holdIfResting(), refineIfResting();
    }
    return 0;
}

}  // namespace

const char* viewUsage() {
    return "Usage: tarn view [--size N|WxH] [--frame-times] [SCRIPT | SCENE.tscene]\n"
           "Opens the scene's view in a window on the display ($DISPLAY), after running\n"
           "SCRIPT or opening SCENE when given. The terminal keeps taking commands while the\n"
           "window is open. The title shows the scene's file and * while it has unsaved changes.\n"
           "  Alt+left/middle/right drag   tumble / track / dolly (wheel: dolly)\n"
           "  f, a                         frame the selection, frame all\n"
           "  [, ]                         the previous, next view (camera history)\n"
           "  left/middle/right drag       events to the active tool (Shift, Ctrl)\n"
           "  : or Enter                   the command field (Enter runs, Escape leaves)\n"
           "  Ctrl+Z, Ctrl+Shift+Z         undo, redo (camera moves are not undo steps)\n"
           "  Ctrl+S                       save the scene to its file (file -save)\n"
           "  ? or F1                      help in the window\n"
           "  F2, F3, F4, F5               open or close the outliner, attribute editor,\n"
           "                               tool settings, script console (kept in the\n"
           "                               preferences; the view shrinks to the space left)\n"
           "Everything runs as commands and is journalled (--journal FILE).\n"
           "--size sets the view's starting size (N for N x N, or WxH; default the view's\n"
           "port, 640x480; open panels add their room); a script's viewPort changes it.\n"
           "--frame-times writes each frame's time (scene, quick or overlay only) to stderr,\n"
           "with the time the inputs before it took to run.\n";
}

namespace {

struct ViewOptions {
    std::string script;
    bool frameTimes = false;
    int width = 0, height = 0;  // 0: the active view's port size
};

bool parseViewArgs(const std::vector<std::string>& args, ViewOptions& o,
                   jobs::ArgumentError& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--frame-times") {
            o.frameTimes = true;
        } else if (a == "--size") {
            std::string size;
            if (!jobs::takeValue(args, i, "N or WxH pixels", &size, &error)) return false;
            if (!jobs::parsePixelSize(size, view::kMaxPortSide, &o.width, &o.height)) {
                error = {"--size: expected N or WxH, each 1 to " +
                         std::to_string(view::kMaxPortSide) + ", got '" + size + "'"};
                return false;
            }
        } else if (!a.empty() && a[0] == '-') {
            error = {"unknown option '" + a + "'", true};
            return false;
        } else if (!o.script.empty()) {
            error = {"one script or scene at most", true};
            return false;
        } else {
            o.script = a;
        }
    }
    return true;
}

}  // namespace

int runViewJob(const std::vector<std::string>& args) {
    ViewOptions o;
    jobs::ArgumentError argumentError;
    if (!parseViewArgs(args, o, argumentError))
        return jobs::refuseArguments("view", argumentError, viewUsage());
    const std::string& script = o.script;
    // Open the window first: without a display nothing runs.
    std::string text, error;
    OutputTap tap;
    const view::ActiveView& v = view::ActiveView::instance();
    const int startWidth = o.width > 0 ? o.width : v.width();
    const int startHeight = o.width > 0 ? o.height : v.height();
    // The window holds the port and the panels beside it.
    const auto windowFor = [](int portWidth, int portHeight) {
        return panels::windowSizeFor(portWidth, portHeight, panels::currentPanelStates(),
                                     kStatusBarHeight);
    };
    const std::array<int, 2> startWindow = windowFor(startWidth, startHeight);
    std::unique_ptr<ViewWindow> window =
        ViewWindow::open(startWindow[0], startWindow[1], "tarn view", &error);
    if (!window) {
        std::fputs(noDisplayMessage(error).c_str(), stderr);
        return 2;
    }
    // The starting size is a port change like any resize, so the journal replays it.
    if (o.width > 0) {
        lang::ExecuteOptions run;
        run.origin = "window";
        const std::string text =
            "viewPort " + std::to_string(o.width) + " " + std::to_string(o.height);
        if (!lang::executeText(text, run).ok) return 2;
    }
    const std::string sceneExtension = ".tscene";
    if (script.size() > sceneExtension.size() &&
        script.compare(script.size() - sceneExtension.size(), sceneExtension.size(),
                       sceneExtension) == 0) {
        // A scene file is opened through the file command, so the journal has it.
        text = "file -open \"" + escapeCommandString(KString(script)).str() + "\"";
    } else if (!script.empty() && !lang::readTextFile(script, text, &error)) {
        std::fprintf(stderr, "tarn view: %s\n", error.c_str());
        return 2;
    }
    Session session(*window, tap, o.frameTimes, startWindow[0], startWindow[1]);
    if (!script.empty() && !session.runStartScript(script, text)) return 0;
    // The window takes the port size a script set, and the panels it opened or closed.
    const std::array<int, 2> size = windowFor(v.width(), v.height());
    if (size != startWindow) session.resizeWindow(size[0], size[1]);
    session.showStartStatus();
    return session.loop();
}

}  // namespace tarn::window
