// The window under a virtual X server, driven by real pointer and key events (xdotool): open on
// a mesh, pick it with the selection tool, activate a stroke tool (slicePen on a cylinder,
// thinPen on a plane grid) from the command field, drag a stroke across it. The window's journal
// replayed headless, with the drag as one viewStroke, must change the mesh the same way through
// the same commands.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "host/app/process_test_support.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include "stb_image_write.h"

// Xlib last: its macros (None, Bool) would clash with names in the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

const std::string kTarn = TARN_BINARY_DIR "/bin/tarn";

// How long tarn may take to end after quit: under the address sanitizer every keystroke's
// frame of a million triangles takes seconds.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int kQuitMs = 120000;
#else
constexpr int kQuitMs = 20000;
#endif

std::string tempPath(const std::string& name) {
    return ::testing::TempDir() + "window_xvfb_" + name;
}

std::string readFile(const std::string& path) {
    std::ifstream f(path);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

// Runs a shell command; answers its standard output.
std::string capture(const std::string& command) {
    return tarn::testing::runCommandLine(command).out;
}

bool have(const char* program) {
    return std::system((std::string("command -v ") + program + " > /dev/null 2>&1").c_str()) == 0;
}

bool waitFor(const std::function<bool()>& ready, int milliseconds) {
    for (int waited = 0; waited < milliseconds; waited += 50) {
        if (ready()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return ready();
}

// True while the process runs (a zombie no parent reaped yet counts as ended).
bool alive(pid_t pid) {
    if (pid <= 0 || ::kill(pid, 0) != 0) return false;
    const std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t paren = stat.rfind(')');
    return paren == std::string::npos || paren + 2 >= stat.size() || stat[paren + 2] != 'Z';
}

// The window's pixels as the server holds them (what a person sees), rows top to bottom.
struct Screenshot {
    int width = 0, height = 0;
    std::vector<std::uint32_t> rgb;  // 0xRRGGBB
    std::uint32_t at(int x, int y) const { return rgb[static_cast<std::size_t>(y) * width + x]; }
};

// Empty when the window cannot be read.
Screenshot screenshot(const std::string& display, const std::string& window) {
    Screenshot shot;
    Display* d = XOpenDisplay(display.c_str());
    if (!d) return shot;
    const Window w = std::stoul(window);
    XWindowAttributes a;
    if (XGetWindowAttributes(d, w, &a)) {
        if (XImage* img = XGetImage(d, w, 0, 0, a.width, a.height, AllPlanes, ZPixmap)) {
            shot.width = a.width;
            shot.height = a.height;
            for (int y = 0; y < a.height; ++y)
                for (int x = 0; x < a.width; ++x)
                    shot.rgb.push_back(static_cast<std::uint32_t>(XGetPixel(img, x, y)) & 0xffffff);
            XDestroyImage(img);
        }
    }
    XCloseDisplay(d);
    return shot;
}

// Keeps a screenshot as a PNG for a person to look at.
void savePng(const Screenshot& shot, const std::string& path) {
    std::vector<std::uint8_t> bytes;
    for (std::uint32_t p : shot.rgb)
        bytes.insert(bytes.end(), {std::uint8_t(p >> 16), std::uint8_t(p >> 8), std::uint8_t(p)});
    stbi_write_png(path.c_str(), shot.width, shot.height, 3, bytes.data(), shot.width * 3);
}

// Pixels in the overlay's drawing colour (palette index 2, yellow); -1 when the window cannot
// be read.
int overlayPixelCount(const Screenshot& shot) {
    if (shot.rgb.empty()) return -1;
    int count = 0;
    for (std::uint32_t p : shot.rgb) {
        const int r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255;
        count += std::abs(r - 255) < 30 && std::abs(g - 230) < 30 && b < 90;
    }
    return count;
}

// White pixels (the status line's text) in the bottom 18 rows; -1 when the window cannot be read.
int statusTextPixelCount(const Screenshot& shot) {
    if (shot.height <= 18) return -1;
    int count = 0;
    for (int y = shot.height - 18; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x) count += shot.at(x, y) == 0xffffff;
    return count;
}

struct Journal {
    std::vector<std::string> top;  // texts with origin script, shell or window
    std::vector<std::string> api;  // texts tools ran
    std::vector<std::pair<std::string, std::string>> results;  // text, result
};

Journal readJournal(const std::string& path) {
    Journal j;
    std::istringstream in(readFile(path));
    for (std::string line; std::getline(in, line);) {
        if (line.empty()) continue;
        const auto e = nlohmann::json::parse(line, nullptr, false);
        if (e.is_discarded()) continue;
        const std::string origin = e.value("origin", ""), text = e.value("text", "");
        if (origin == "api")
            j.api.push_back(text);
        else
            j.top.push_back(text);
        j.results.emplace_back(text, e.value("result", ""));
    }
    return j;
}

struct StrokeSession;

class WindowXvfb : public ::testing::Test {
protected:
    void SetUp() override {
        if (!have("Xvfb") || !have("xdotool"))
            GTEST_SKIP() << "Xvfb or xdotool is not installed (./run installs both)";
        // Headless runs of tarn (the replays) read preferences of their own, not the user's:
        // options another program left there (a tool's) would change what a stroke does.
        const std::string headlessPrefs = tempPath("headless_prefs.json");
        std::remove(headlessPrefs.c_str());
        ::setenv("TARN_PREFS", headlessPrefs.c_str(), 1);
        // Xvfb picks a free display and writes its number to descriptor 3. Without -noreset
        // it would reset whenever its last client leaves (each xdotool call), refusing
        // connections for a moment.
        const std::string number = tempPath("display"), pid = tempPath("xvfb.pid");
        std::remove(number.c_str());
        std::system(("Xvfb -displayfd 3 -noreset -screen 0 " + m_screen + " -nolisten tcp 3>'" + number +
                     "' 2>/dev/null & echo $! > '" + pid + "'")
                        .c_str());
        ASSERT_TRUE(
            waitFor([&] { return readFile(number).find('\n') != std::string::npos; }, 10000))
            << "Xvfb did not start";
        m_xvfb = std::stoi(readFile(pid));
        m_display = ":" + readFile(number).substr(0, readFile(number).find('\n'));
        ASSERT_TRUE(waitFor([&] { return !x("getdisplaygeometry").empty(); }, 10000))
            << "Xvfb does not answer on " << m_display;
    }
    void TearDown() override {
        if (alive(m_tarn)) ::kill(m_tarn, SIGTERM);
        if (m_xvfb > 0) {
            ::kill(m_xvfb, SIGTERM);
            // The next test's server may take the same display number: this one must have
            // removed its socket and lock first.
            waitFor([&] { return !alive(m_xvfb); }, 10000);
        }
    }
    std::string x(const std::string& args) {
        return capture("DISPLAY=" + m_display + " xdotool " + args + " 2>/dev/null");
    }

    // Starts `tarn ARGS` on the virtual display, its output in LOG, and waits for its window;
    // answers the window's id ("" when none opened). With STATUS, a shell waits for tarn and
    // writes its exit status there (m_tarn is then that shell).
    std::string openWindow(const std::string& args, const std::string& log,
                           const std::string& status = "") {
        const std::string pidFile = tempPath("tarn.pid");
        // The session's own preferences: the panels as the test wants them.
        const std::string prefs = tempPath("prefs.json");
        std::ofstream(prefs) << m_prefs;
        std::string line = "DISPLAY=" + m_display + " TARN_PREFS='" + prefs + "' " + kTarn + " " +
                           args + " < /dev/null > '" + log + "' 2>&1";
        if (!status.empty()) line = "(" + line + "; echo $? > '" + status + "')";
        std::system((line + " & echo $! > '" + pidFile + "'").c_str());
        m_tarn = std::stoi(readFile(pidFile));
        std::string window;
        waitFor(
            [&] {
                window = x("search --name '^tarn view'");
                return !window.empty();
            },
            15000);
        return window.substr(0, window.find('\n'));
    }
    // Types TEXT into the command field and runs it.
    void command(const std::string& text) {
        x("key Return");
        x("type --delay 5 '" + text + "'");
        x("key Return");
    }
    // Leaves through the command field; true when tarn ended.
    bool quit() {
        command("quit");
        const bool ended = waitFor([&] { return !alive(m_tarn); }, kQuitMs);
        if (ended) m_tarn = -1;
        return ended;
    }

    StrokeSession strokeSession(const std::string& setup, const std::string& tool,
                                const std::string& mesh,
                                const std::vector<std::string>& worldPoints);

    std::string m_display;
    pid_t m_xvfb = -1;
    pid_t m_tarn = -1;
    std::string m_screen = "800x600x24";
    // The preferences tarn starts with: by default every panel closed (the port is the window).
    std::string m_prefs = R"({"version": 1, "vars": {
        "tarnPanelOutlinerOpen": {"type": "int", "value": 0},
        "tarnPanelAttributeEditorOpen": {"type": "int", "value": 0},
        "tarnPanelToolSettingsOpen": {"type": "int", "value": 0},
        "tarnPanelConsoleOpen": {"type": "int", "value": 0}}})";
};

// What a stroke session in the window did and what the same texts did headless.
struct StrokeSession {
    std::string windowCounts, headlessCounts;  // polyEvaluate -v -f MESH after the stroke
    std::string replayedCounts;  // the same after `replayJournal` of the window's journal
    std::vector<std::string> windowApi, headlessApi;  // the texts the tool ran
    std::vector<std::string> stroke;                  // the window's viewEvent texts
    std::string replay;
    std::string journal;
};

// Opens the window on SETUP, picks MESH at the second of the world POINTS with the selection
// tool, activates TOOL from the command field, drags through POINTS with the left button and
// releases; then replays the window's journal headless with the drag as one viewStroke.
StrokeSession WindowXvfb::strokeSession(const std::string& setup, const std::string& tool,
                                        const std::string& mesh,
                                        const std::vector<std::string>& worldPoints) {
    StrokeSession out;
    const std::string script = tempPath("setup.tarn");
    std::ofstream(script) << setup;

    // The stroke's pixels, from the headless view.
    std::vector<int> px;
    for (const std::string& p : worldPoints) {
        std::istringstream in(
            capture(kTarn + " --result-only -c '" + setup + "viewProject " + p + "' 2>/dev/null"));
        int a = -1, b = -1;
        in >> a >> b;
        EXPECT_GE(a, 0) << p;
        if (a < 0) return out;
        px.push_back(a);
        px.push_back(239 - b);  // window rows run down
    }

    // Open the window on the scene.
    const std::string journal = tempPath("window.jsonl"), log = tempPath("window.log");
    std::remove(journal.c_str());
    const std::string window = openWindow("--journal '" + journal + "' view '" + script + "'", log);
    EXPECT_FALSE(window.empty()) << readFile(log);
    if (window.empty()) return out;
    // Wait until the script ran (the window takes its port size).
    EXPECT_TRUE(waitFor(
        [&] { return x("getwindowgeometry " + window).find("240x240") != std::string::npos; },
        15000));
    auto at = [&](std::size_t i) {
        return "mousemove --window " + window + " " + std::to_string(px[2 * i]) + " " +
               std::to_string(px[2 * i + 1]) + " ";
    };
    // Pick the mesh with the selection tool; activate the tool in the command field.
    x(at(1) + "click 1");
    command("setToolTo " + tool);
    // The stroke: press at the first point, drag through the others, release.
    EXPECT_EQ(overlayPixelCount(screenshot(m_display, window)), 0)
        << "overlay colour before the stroke";
    x(at(0) + "mousedown 1");
    for (std::size_t i = 1; i < worldPoints.size(); ++i) x(at(i));
    // The stroke's overlay shows in the window while the button is down.
    Screenshot during;
    EXPECT_TRUE(waitFor(
        [&] {
            during = screenshot(m_display, window);
            return overlayPixelCount(during) > 20;
        },
        3000));
    savePng(during, TARN_BINARY_DIR "/tests/window_" + tool + "_stroke.png");
    x("mouseup 1");
    // Ask for the mesh, then leave.
    const std::string query = "polyEvaluate -v -f " + mesh;
    command(query);
    const bool ended = quit();
    EXPECT_TRUE(ended) << readFile(log);
    if (!ended) return out;

    const Journal seen = readJournal(journal);
    out.journal = readFile(journal);
    // The window's texts: the pick, the tool, the stroke as events, the query.
    std::vector<std::string> points;
    std::string holds;
    std::string replay = setup;
    bool toolActive = false;
    for (const std::string& t : seen.top) {
        if (t == "setToolTo " + tool) toolActive = true;
        if (toolActive && t.rfind("viewEvent", 0) == 0) {
            out.stroke.push_back(t);
            std::istringstream in(t);
            std::string command, kind, px0, py0;
            in >> command >> kind >> px0 >> py0;
            // A hold (the pointer rested) follows the point before it.
            if (kind == "hold")
                holds += " -hold " + std::to_string(points.size() - 1);
            else if (kind != "release")
                points.push_back(px0 + ", " + py0);
            continue;
        }
        // The setup script and the query are not part of the session to replay.
        if (t.find("loadPlugin") != std::string::npos || t.rfind("polyEvaluate", 0) == 0) continue;
        replay += t + ";\n";
    }
    std::string line = "viewStroke" + holds + " {";
    for (std::size_t i = 0; i < points.size(); ++i) line += (i ? ", " : "") + points[i];
    replay += line + "};\n" + query;
    out.replay = replay;
    for (const auto& [text, result] : seen.results)
        if (text == query) out.windowCounts = result;

    // The same session headless, the drag as one viewStroke.
    const std::string replayFile = tempPath("replay.tarn"), headless = tempPath("headless.jsonl");
    std::ofstream(replayFile) << replay;
    std::remove(headless.c_str());
    std::string counts = capture(kTarn + " --result-only --journal '" + headless +
                                 "' -c \"$(cat '" + replayFile + "')\" 2>/dev/null");
    // The result is the last line; the tool's notes come before it.
    while (!counts.empty() && counts.back() == '\n') counts.pop_back();
    out.headlessCounts = counts.substr(counts.rfind('\n') + 1);
    out.windowApi = seen.api;
    out.headlessApi = readJournal(headless).api;
    // The window's journal itself replayed headless, event by event.
    std::string replayed = capture(kTarn + " --result-only -c 'replayJournal \"" + journal +
                                   "\"; " + query + "' 2>/dev/null");
    while (!replayed.empty() && replayed.back() == '\n') replayed.pop_back();
    out.replayedCounts = replayed.substr(replayed.rfind('\n') + 1);
    return out;
}

// Checks what every stroke session must show: a press..release stroke, tool commands, and the
// same commands and mesh headless.
void expectSameAsHeadless(const StrokeSession& s, const std::string& counts) {
    ASSERT_GE(s.stroke.size(), 3u) << s.journal;
    EXPECT_EQ(s.stroke.front().rfind("viewEvent press", 0), 0u) << s.stroke.front();
    EXPECT_EQ(s.stroke.back().rfind("viewEvent release", 0), 0u) << s.stroke.back();
    EXPECT_FALSE(s.windowApi.empty()) << "the tool ran no command";
    EXPECT_EQ(s.windowApi, s.headlessApi);
    EXPECT_EQ(s.windowCounts, counts);
    EXPECT_EQ(s.windowCounts, s.headlessCounts) << s.replay;
    EXPECT_EQ(s.windowCounts, s.replayedCounts) << s.journal;
}

TEST_F(WindowXvfb, SlicePenStrokeWithTheMouseSplitsAsTheHeadlessStroke) {
    const std::string setup =
        "loadPlugin \"" TARN_PLUGIN_DIR
        "/slicePen.so\";\n"
        "polyCylinder -n can -r 1 -h 2 -sx 8 -sy 1 -sc 0; setAttr canShape.bck 0;\n"
        "camera -p 0 0 8; viewCamera camera1; viewPort 240 240; viewFit;\n"
        "optionVar -iv QT_drawSplitAutoBackfaceCulling 0;\n"
        "optionVar -iv QT_drawSplitSubdivisions 1;\n"
        "slicePenContext; select -cl;\n";
    // Left of the can, its centre, right of it.
    const StrokeSession s =
        strokeSession(setup, "slicePenContext1", "can", {"-1.6 0 0", "0 0 0", "1.6 0 0"});
    expectSameAsHeadless(s, "24 18");
}

TEST_F(WindowXvfb, ThinPenStrokeWithTheMouseReducesAsTheHeadlessStroke) {
    // A 4 x 4 grid facing the camera; the stroke deletes the edges it crosses.
    const std::string setup = "loadPlugin \"" TARN_PLUGIN_DIR
                              "/thinPen.so\";\n"
                              "polyPlane -w 4 -h 4 -sx 4 -sy 4 -n grid; setAttr grid.rx 90;\n"
                              "camera -p 0 0 10; viewCamera camera1; viewPort 240 240; viewFit;\n"
                              "optionVar -iv QT_drawReduceReductionType 2;\n"
                              "optionVar -iv QT_drawReduceAutoBackfaceCulling 0;\n"
                              "thinPenContext; select -cl;\n";
    // Across the second row of faces: the inner edges at x = -1, 0 and 1.
    const StrokeSession s =
        strokeSession(setup, "thinPenContext1", "grid", {"-1.5 0.5 0", "0 0.5 0", "1.5 0.5 0"});
    expectSameAsHeadless(s, "25 13");
    ASSERT_FALSE(s.windowApi.empty());
    std::string texts;
    for (const std::string& t : s.windowApi) texts += t + "\n";
    EXPECT_NE(texts.find("polyDelEdge"), std::string::npos) << texts;
}

TEST_F(WindowXvfb, WarningsShowInTheStatusLineAndOnTheTerminal) {
    const std::string log = tempPath("warn.log");
    // --size sets the window's starting size.
    const std::string window = openWindow("view --size 400x300", log);
    ASSERT_FALSE(window.empty()) << readFile(log);
    EXPECT_TRUE(waitFor(
        [&] { return x("getwindowgeometry " + window).find("400x300") != std::string::npos; },
        5000));
    // A short command without warnings: its text is the status line.
    x("mousemove --window " + window + " 20 20");
    command("select -cl");
    int quiet = -1;
    ASSERT_TRUE(waitFor(
        [&] {
            quiet = statusTextPixelCount(screenshot(m_display, window));
            return quiet > 0;
        },
        5000));
    // Nothing to undo: undo warns. The warning is written in the window and on the terminal.
    x("key ctrl+z");
    EXPECT_TRUE(waitFor(
        [&] {
            return readFile(log).find("// Warning: There are no more commands to undo.") !=
                   std::string::npos;
        },
        5000))
        << readFile(log);
    // "Warning: There are no more commands to undo. | undo" is several times the text of
    // "select -cl".
    EXPECT_TRUE(waitFor(
        [&] { return statusTextPixelCount(screenshot(m_display, window)) > 3 * quiet; }, 5000))
        << quiet << " " << statusTextPixelCount(screenshot(m_display, window));
    EXPECT_TRUE(quit()) << readFile(log);
}

// The modifier held during a drag decides what it is; keys edit the command field; the window
// shows OSMesa's pictures without loading a second GL into the process.
TEST_F(WindowXvfb, AltDragsAndTheWheelMoveTheCameraAndTheFieldEditsText) {
    const std::string log = tempPath("nav.log"), journal = tempPath("nav.jsonl");
    std::remove(journal.c_str());
    const std::string window = openWindow("--journal '" + journal + "' view", log);
    ASSERT_FALSE(window.empty()) << readFile(log);
    const std::string maps = readFile("/proc/" + std::to_string(m_tarn) + "/maps");
    EXPECT_NE(maps.find("libOSMesa"), std::string::npos);
    for (const char* other : {"libGL.so", "libGLX", "libEGL"})
        EXPECT_EQ(maps.find(other), std::string::npos) << other;

    command("polyCube -n box");
    const std::string in = "mousemove --window " + window + " ";
    // Alt + left drag tumbles, Alt + middle tracks, Alt + right dollies: camera commands only.
    for (const char* button : {"1", "2", "3"}) {
        x("keydown alt");
        x(in + "100 100 mousedown " + button);
        x(in + "130 110");
        x(in + "150 120 mouseup " + button);
        x("keyup alt");
    }
    // The wheel dollies; a plain drag afterwards is the selection tool's again.
    x(in + "100 100 click 4");
    x(in + "10 10 mousedown 1");
    x(in + "20 20 mouseup 1");
    // The field: a typo taken back with BackSpace, Escape leaves without running anything.
    x("key Return");
    x("type --delay 5 'polySphere -n bal'");
    x("key BackSpace");
    x("type --delay 5 'll'");
    x("key Return");
    x("key Return");
    x("type --delay 5 'polyTorus'");
    x("key Escape");
    ASSERT_TRUE(quit()) << readFile(log);

    // The command words, a pointer resting long enough (a hold) left out. Each Alt drag may
    // come as one or several camera commands: runs of one camera command count once.
    std::vector<std::string> words;
    for (const std::string& t : readJournal(journal).top) {
        if (t.rfind("viewEvent hold", 0) == 0) continue;
        const std::string word = t.substr(0, t.find(' '));
        if (word == "viewEvent" || words.empty() || words.back() != word) words.push_back(word);
    }
    EXPECT_EQ(words,
              (std::vector<std::string>{"polyCube", "viewTumble", "viewTrack", "viewDolly",
                                        "viewEvent", "viewEvent", "viewEvent", "polySphere"}))
        << readFile(journal);
    EXPECT_NE(readFile(journal).find("polySphere -n ball"), std::string::npos);
    EXPECT_NE(readFile(journal).find("viewDolly 0.1"), std::string::npos);
    EXPECT_EQ(readFile(journal).find("polyTorus"), std::string::npos);
}

// The frame times `--frame-times` writes ("tarn view: scene frame 512.3 ms after 2.0 ms of
// input") in a stretch of the log, by kind; `overlayDelay` adds each overlay frame's input time
// (the tool's handling of the event) to its drawing time.
struct FrameTimes {
    std::vector<double> scene, quick, overlay, overlayDelay;
};

FrameTimes frameTimes(const std::string& log) {
    FrameTimes t;
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);) {
        char kind[16] = "";
        double ms = 0, input = 0;
        if (std::sscanf(line.c_str(), "tarn view: %15s frame %lf ms after %lf ms of input", kind,
                        &ms, &input) != 3)
            continue;
        if (std::string(kind) == "overlay") {
            t.overlay.push_back(ms);
            t.overlayDelay.push_back(input + ms);
        } else if (std::string(kind) == "quick") {
            t.quick.push_back(ms);
        } else {
            t.scene.push_back(ms);
        }
    }
    return t;
}

// "3 frames, 12.0-15.5 ms, median 13.1 ms", or "1 frame, 12.0 ms"
std::string summary(std::vector<double> ms) {
    if (ms.empty()) return "no frames";
    std::sort(ms.begin(), ms.end());
    char text[96];
    if (ms.size() == 1)
        std::snprintf(text, sizeof text, "1 frame, %.1f ms", ms.front());
    else
        std::snprintf(text, sizeof text, "%zu frames, %.1f-%.1f ms, median %.1f ms", ms.size(),
                      ms.front(), ms.back(), ms[ms.size() / 2]);
    return text;
}

// Measured, reported, not asserted (the machine's load decides the figures): the overlay of a
// slicePen stroke over a selected sphere of 200,000 faces, then frames of a plane of 1,000,000
// triangles, full and after camera moves.
TEST_F(WindowXvfb, FrameTimesOfLargeMeshesAreReported) {
    const std::string script = tempPath("large.tarn"), log = tempPath("large.log");
    std::ofstream(script) << "loadPlugin \"" TARN_PLUGIN_DIR
                             "/slicePen.so\";\n"
                             "polySphere -n ball -sx 500 -sy 400; viewPort 640 480; viewFit;\n"
                             "select ball; slicePenContext;\n";
    const std::string window = openWindow("view --frame-times '" + script + "'", log);
    ASSERT_FALSE(window.empty()) << readFile(log);
    ASSERT_TRUE(waitFor(
        [&] { return x("getwindowgeometry " + window).find("640x480") != std::string::npos; },
        60000));
    // Each pointer move is sent once the window has drawn the frame of the one before, so every
    // frame is one move's; the plane's phase starts with a marker its command prints.
    const auto framesSince = [&](std::size_t offset) {
        return frameTimes(readFile(log).substr(offset));
    };
    const auto moveAndWait = [&](const std::string& args) {
        const std::size_t offset = readFile(log).size();
        x(args);
        FrameTimes t;
        waitFor(
            [&] {
                t = framesSince(offset);
                return !t.scene.empty() || !t.overlay.empty();
            },
            30000);
        return t;
    };
    command("setToolTo slicePenContext1");
    const std::string in = "mousemove --window " + window + " ";
    moveAndWait(in + "100 250 mousedown 1");
    std::vector<double> strokeOverlay, strokeDelay;
    for (int px = 120; px <= 540; px += 30) {
        const FrameTimes t = moveAndWait(in + std::to_string(px) + " 245");
        strokeOverlay.insert(strokeOverlay.end(), t.overlay.begin(), t.overlay.end());
        strokeDelay.insert(strokeDelay.end(), t.overlayDelay.begin(), t.overlayDelay.end());
    }
    moveAndWait("mouseup 1");
    // The plane's first frame gathers it; the Alt drag's frames only move the camera.
    command(
        "setToolTo selectSuperContext; print \"== plane\\n\"; delete ball; "
        "polyPlane -n sheet -w 10 -h 10 -sx 1000 -sy 500; setAttr sheet.rx 60; "
        "select sheet; viewFit");
    ASSERT_TRUE(waitFor(
        [&] {
            const std::string text = readFile(log);
            const std::size_t at = text.find("== plane");
            return at != std::string::npos && !frameTimes(text.substr(at)).scene.empty();
        },
        60000))
        << readFile(log);
    x("keydown alt");
    x(in + "300 240 mousedown 1");
    std::vector<double> moves, rested;
    for (int px = 320; px <= 400; px += 20) {
        const std::size_t offset = readFile(log).size();
        x(in + std::to_string(px) + " 240");
        // The drag's own frame (quick over a very large mesh), then the full picture once the
        // pointer rests.
        FrameTimes t;
        waitFor(
            [&] {
                t = framesSince(offset);
                return !t.quick.empty() && !t.scene.empty();
            },
            30000);
        moves.insert(moves.end(), t.quick.begin(), t.quick.end());
        rested.insert(rested.end(), t.scene.begin(), t.scene.end());
    }
    x("mouseup 1");
    x("keyup alt");
    ASSERT_TRUE(quit()) << readFile(log);

    const std::string text = readFile(log);
    const FrameTimes plane = frameTimes(text.substr(text.find("== plane")));
    const std::string report =
        "overlay redraws of a slicePen stroke over 200,000 faces: " + summary(strokeOverlay) +
        "\n  with the tool's handling of each drag: " + summary(strokeDelay) +
        "\nfull frame of 1,000,000 triangles: " + summary({plane.scene.front()}) +
        "\nquick frames of 1,000,000 triangles during an Alt drag: " + summary(moves) +
        "\n  the full picture once the pointer rests: " + summary(rested);
    std::cout << report << std::endl;
    RecordProperty("frame_times", report);
    std::ofstream(TARN_BINARY_DIR "/tests/window_frame_times.txt") << report << "\n";
    EXPECT_FALSE(strokeOverlay.empty()) << text;
    EXPECT_FALSE(moves.empty()) << text;
    EXPECT_FALSE(rested.empty()) << text;
}

// The median of a list of milliseconds (0 when empty).
double medianOf(std::vector<double> ms) {
    if (ms.empty()) return 0.0;
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

// A frame of a small scene costs about its pixels: measured at four window sizes (camera moves
// by Alt drags, each waiting for its frame) and reported; the largest size must stay within
// twice its pixels times the smallest size's time per pixel (no step).
TEST_F(WindowXvfb, FrameTimesGrowWithThePixelsWithoutAStep) {
    const std::string script = tempPath("sizes.tarn"), log = tempPath("sizes.log");
    std::ofstream(script) << "polyCube -n box; select box; viewFit;\n";
    const std::string window = openWindow("view --frame-times '" + script + "'", log);
    ASSERT_FALSE(window.empty()) << readFile(log);
    const std::string in = "mousemove --window " + window + " ";
    // As the window first shows the cube, each face seen is one colour inside its edges: the
    // three faces' middle regions, found with the same view headless.
    // (The first frame is drawn before the script runs, the second after it.)
    ASSERT_TRUE(waitFor([&] { return frameTimes(readFile(log)).scene.size() >= 2; }, 15000));
    const Screenshot shot = screenshot(m_display, window);
    ASSERT_EQ(shot.width, 640);
    const char* const faces[][2] = {{"-0.5 0.5 -0.5", "0.5 0.5 0.5"},
                                    {"0.5 -0.5 -0.5", "0.5 0.5 0.5"},
                                    {"-0.5 -0.5 0.5", "0.5 0.5 0.5"}};
    for (const auto& face : faces) {
        int px[2][2];
        for (int k = 0; k < 2; ++k) {
            std::istringstream pin(capture(kTarn + " --result-only -c 'polyCube -n box; viewFit; " +
                                           "viewProject " + face[k] + "' 2>/dev/null"));
            pin >> px[k][0] >> px[k][1];
            px[k][1] = 479 - px[k][1];
        }
        // The middle fifth between two opposite corners lies well inside the face.
        int lo = 0xffffff, hi = 0;
        for (int i = 2; i <= 3; ++i)
            for (int j = 2; j <= 3; ++j) {
                const int xx = px[0][0] + (px[1][0] - px[0][0]) * i / 5;
                const int yy = px[0][1] + (px[1][1] - px[0][1]) * j / 5;
                const int g = (shot.at(xx, yy) >> 8) & 255;
                lo = std::min(lo, g), hi = std::max(hi, g);
            }
        EXPECT_LE(hi - lo, 2) << face[0];
    }
    struct Size {
        int w, h;
        std::vector<double> ms;
    };
    std::vector<Size> sizes = {{640, 480, {}}, {641, 481, {}}, {800, 600, {}}, {1280, 1024, {}}};
    for (Size& size : sizes) {
        const std::string geometry = std::to_string(size.w) + "x" + std::to_string(size.h);
        x("windowsize " + window + " " + std::to_string(size.w) + " " + std::to_string(size.h));
        ASSERT_TRUE(waitFor(
            [&] { return x("getwindowgeometry " + window).find(geometry) != std::string::npos; },
            10000))
            << geometry;
        x("keydown alt");
        x(in + "100 100 mousedown 1");
        for (int step = 1; step <= 12; ++step) {
            const std::size_t offset = readFile(log).size();
            x(in + std::to_string(100 + 6 * step) + " 100");
            FrameTimes t;
            waitFor(
                [&] {
                    t = frameTimes(readFile(log).substr(offset));
                    return !t.scene.empty();
                },
                10000);
            size.ms.insert(size.ms.end(), t.scene.begin(), t.scene.end());
        }
        x("mouseup 1");
        x("keyup alt");
    }
    ASSERT_TRUE(quit()) << readFile(log);
    std::string report = "frames of a cube after camera moves:";
    for (const Size& size : sizes) {
        char line[160];
        std::snprintf(line, sizeof line, "\n  %dx%d: %s", size.w, size.h, summary(size.ms).c_str());
        report += line;
    }
    std::cout << report << std::endl;
    RecordProperty("window_size_frame_times", report);
    std::ofstream(TARN_BINARY_DIR "/tests/window_size_frame_times.txt") << report << "\n";
    for (const Size& size : sizes) ASSERT_FALSE(size.ms.empty()) << size.w;
    const double small = medianOf(sizes.front().ms), large = medianOf(sizes.back().ms);
    const double pixels = (1280.0 * 1024.0) / (640.0 * 480.0);
    EXPECT_LE(large, 2.0 * pixels * small + 2.0) << report;
}

// With slicePen, a stroke splits the can; strokes that cross nothing follow. One Ctrl+Z takes
// the split back (the empty strokes left no undo steps), and the status line names it.
TEST_F(WindowXvfb, EmptyStrokesLeaveNoUndoStepsAndUndoSaysWhatItTookBack) {
    const std::string setup =
        "loadPlugin \"" TARN_PLUGIN_DIR
        "/slicePen.so\";\n"
        "polyCylinder -n can -r 1 -h 2 -sx 8 -sy 1 -sc 0; setAttr canShape.bck 0;\n"
        "camera -p 0 0 8; viewCamera camera1; viewPort 240 240; viewFit;\n"
        "optionVar -iv QT_drawSplitAutoBackfaceCulling 0;\n"
        "optionVar -iv QT_drawSplitSubdivisions 1;\n"
        "slicePenContext; select -r can;\n";
    const std::string script = tempPath("undo.tarn"), log = tempPath("undo.log"),
                      journal = tempPath("undo.jsonl");
    std::ofstream(script) << setup;
    std::remove(journal.c_str());
    // The stroke's ends across the can, from the headless view.
    std::vector<int> px;
    for (const char* p : {"-1.6 0 0", "1.6 0 0"}) {
        std::istringstream pin(
            capture(kTarn + " --result-only -c '" + setup + "viewProject " + p + "' 2>/dev/null"));
        int a = -1, b = -1;
        pin >> a >> b;
        ASSERT_GE(a, 0);
        px.push_back(a), px.push_back(239 - b);
    }
    const std::string window = openWindow("--journal '" + journal + "' view '" + script + "'", log);
    ASSERT_FALSE(window.empty()) << readFile(log);
    ASSERT_TRUE(waitFor(
        [&] { return x("getwindowgeometry " + window).find("240x240") != std::string::npos; },
        15000));
    command("setToolTo slicePenContext1");
    const std::string in = "mousemove --window " + window + " ";
    const auto stroke = [&](int x0, int y0, int x1, int y1) {
        x(in + std::to_string(x0) + " " + std::to_string(y0) + " mousedown 1");
        for (int k = 1; k <= 4; ++k)
            x(in + std::to_string(x0 + (x1 - x0) * k / 4) + " " +
              std::to_string(y0 + (y1 - y0) * k / 4));
        x("mouseup 1");
    };
    stroke(px[0], px[1], px[2], px[3]);
    // Three strokes over the empty top-left corner.
    for (int y = 8; y <= 24; y += 8) stroke(6, y, 40, y);
    command("select -cl");
    int shortText = -1;
    ASSERT_TRUE(waitFor(
        [&] {
            shortText = statusTextPixelCount(screenshot(m_display, window));
            return shortText > 0;
        },
        5000));
    x("key ctrl+z");
    // "Undo: polySplit ..." is far longer than "select -cl" (the old "undo" far shorter).
    EXPECT_TRUE(waitFor(
        [&] { return statusTextPixelCount(screenshot(m_display, window)) > 3 * shortText; }, 5000))
        << shortText;
    command("polyEvaluate -v -f can");
    ASSERT_TRUE(quit()) << readFile(log);
    std::string counts;
    for (const auto& [text, result] : readJournal(journal).results)
        if (text == "polyEvaluate -v -f can") counts = result;
    EXPECT_EQ(counts, "16 10") << "one undo took the split back\n" << readFile(journal);
}

// Another program destroys the window: the session ends as if it was closed (status 0, the
// journal on disk), instead of living on without a window and deaf to the terminal.
TEST_F(WindowXvfb, AnotherProgramDestroyingTheWindowEndsTheSession) {
    const std::string log = tempPath("destroy.log"), status = tempPath("destroy.status"),
                      journal = tempPath("destroy.jsonl");
    std::remove(status.c_str());
    std::remove(journal.c_str());
    const std::string window = openWindow("--journal '" + journal + "' view", log, status);
    ASSERT_FALSE(window.empty()) << readFile(log);
    x("mousemove --window " + window + " 20 20");
    command("polyPlane -n keptGrid");
    ASSERT_TRUE(
        waitFor([&] { return readFile(journal).find("keptGrid") != std::string::npos; }, 5000));
    x("windowclose " + window);
    ASSERT_TRUE(waitFor([&] { return readFile(status).find('\n') != std::string::npos; }, 15000))
        << readFile(log);
    m_tarn = -1;
    EXPECT_EQ(std::stoi(readFile(status)), 0) << readFile(log);
    EXPECT_EQ(readFile(log).find("refused a request"), std::string::npos) << readFile(log);
    EXPECT_NE(readFile(journal).find("polyPlane -n keptGrid"), std::string::npos);
}

// A window resized past the largest port keeps the largest port, without an error.
TEST_F(WindowXvfb, ResizingPastTheLargestPortClampsThePort) {
    const std::string log = tempPath("huge.log"), journal = tempPath("huge.jsonl");
    std::remove(journal.c_str());
    const std::string window = openWindow("--journal '" + journal + "' view", log);
    ASSERT_FALSE(window.empty()) << readFile(log);
    x("windowsize " + window + " 9000 120");
    ASSERT_TRUE(waitFor(
        [&] { return readFile(journal).find("viewPort 8192 120") != std::string::npos; }, 15000))
        << readFile(journal) << readFile(log);
    x("mousemove --window " + window + " 20 20");
    command("viewPort");
    ASSERT_TRUE(quit()) << readFile(log);
    EXPECT_EQ(readFile(log).find("Error"), std::string::npos) << readFile(log);
    std::string port;
    for (const auto& [text, result] : readJournal(journal).results)
        if (text == "viewPort") port = result;
    EXPECT_EQ(port, "8192 120");
}

// A long start-up script: the window shows its progress instead of a black picture. Then the
// message area: what a command typed in the field prints, and the help.
TEST_F(WindowXvfb, ProgressOfAStartScriptAndMessagesShowInTheWindow) {
    const std::string script = tempPath("long.tarn"), log = tempPath("long.log"),
                      journal = tempPath("long.jsonl");
    std::remove(journal.c_str());
    {
        std::ofstream out(script);
        for (int i = 0; i < 400; ++i) out << "polySphere -sx 150 -sy 150 -n b; delete b;\n";
    }
    const std::string window = openWindow("--journal '" + journal + "' view '" + script + "'", log);
    ASSERT_FALSE(window.empty()) << readFile(log);
    // While the script runs (its text is journalled when it ends), the status line has text.
    Screenshot during;
    const bool seen = waitFor(
        [&] {
            during = screenshot(m_display, window);
            return statusTextPixelCount(during) > 0 &&
                   readFile(journal).find("polySphere") == std::string::npos;
        },
        20000);
    if (seen) savePng(during, TARN_BINARY_DIR "/tests/window_start_script_progress.png");
    EXPECT_TRUE(seen) << "no progress seen before the script ended";
    // What is typed meanwhile runs once the script is done.
    x("mousemove --window " + window + " 20 20");
    command("polyCube -n typedEarly");
    ASSERT_TRUE(
        waitFor([&] { return readFile(journal).find("typedEarly") != std::string::npos; }, 60000))
        << readFile(log);
    // The message area: rows above the status bar with text in them.
    const auto panelTextRows = [&] {
        const Screenshot shot = screenshot(m_display, window);
        int rows = 0;
        for (int y = std::max(0, shot.height - 18 - 90); y < shot.height - 18; ++y) {
            int lit = 0;
            for (int x2 = 0; x2 < shot.width; ++x2) {
                const std::uint32_t p = shot.at(x2, y);
                lit += ((p >> 16) & 255) > 140 && ((p >> 8) & 255) > 140 && (p & 255) > 140;
            }
            rows += lit > 3;
        }
        return rows;
    };
    x("mousemove --window " + window + " 20 20");
    const int before = panelTextRows();
    command("help polyCube");
    EXPECT_TRUE(waitFor([&] { return panelTextRows() > before + 4; }, 5000)) << before;
    // Escape puts it away; ? brings the help.
    x("key Escape");
    EXPECT_TRUE(waitFor([&] { return panelTextRows() <= before; }, 5000));
    x("type '?'");
    EXPECT_TRUE(waitFor([&] { return panelTextRows() > before + 4; }, 5000));
    ASSERT_TRUE(quit()) << readFile(log);
}

TEST_F(WindowXvfb, LostConnectionEndsWithAMessageAndKeepsTheJournal) {
    const std::string log = tempPath("lost.log"), status = tempPath("lost.status"),
                      journal = tempPath("lost.jsonl");
    std::remove(status.c_str());
    std::remove(journal.c_str());
    const std::string window = openWindow("--journal '" + journal + "' view", log, status);
    ASSERT_FALSE(window.empty()) << readFile(log);
    x("mousemove --window " + window + " 20 20");
    command("polyPlane -n lostGrid");
    ASSERT_TRUE(
        waitFor([&] { return readFile(journal).find("lostGrid") != std::string::npos; }, 5000));
    // The server goes away under the open window.
    ::kill(m_xvfb, SIGKILL);
    m_xvfb = -1;
    ASSERT_TRUE(waitFor([&] { return readFile(status).find('\n') != std::string::npos; }, 15000))
        << readFile(log);
    m_tarn = -1;
    EXPECT_EQ(std::stoi(readFile(status)), 3) << readFile(log);
    const std::string out = readFile(log);
    EXPECT_NE(out.find("tarn view: the connection to the X display '" + m_display + "' was lost"),
              std::string::npos)
        << out;
    // Not Xlib's own line.
    EXPECT_EQ(out.find("XIO:"), std::string::npos) << out;
    // What ran before is on disk.
    EXPECT_NE(readFile(journal).find("polyPlane -n lostGrid"), std::string::npos);
}

// The panels beside the view, worked with the mouse and keys as a person would. The places
// clicked follow from the panels' sizes set in the preferences and the UI's fixed layout: a
// title bar, then rows of equal height (the attribute editor's table rows 23 pixels apart from
// y = 85, its value column about 0.7 of the panel's width in).
class PanelsXvfb : public WindowXvfb {
protected:
    static constexpr int kPort = 480, kLeft = 240, kRight = 340, kConsole = 200;

    PanelsXvfb() { m_screen = "1280x1024x24"; }

    // Opens the window on SETUP (which must set `viewPort 480 480`) with these panels open;
    // answers the window's id once the script ran (the window has its size).
    std::string open(const std::string& setup, bool outliner, bool attributes, bool tools,
                     bool console) {
        const auto var = [](const char* name, int v) {
            return std::string("\"tarnPanel") + name + "\": {\"type\": \"int\", \"value\": " +
                   std::to_string(v) + "}";
        };
        m_prefs = "{\"version\": 1, \"vars\": {" + var("OutlinerOpen", outliner) + ", " +
                  var("AttributeEditorOpen", attributes) + ", " + var("ToolSettingsOpen", tools) +
                  ", " + var("ConsoleOpen", console) + ", " + var("OutlinerSize", kLeft) + ", " +
                  var("AttributeEditorSize", kRight) + ", " + var("ToolSettingsSize", kRight) +
                  ", " + var("ConsoleSize", kConsole) + "}}";
        m_portLeft = outliner ? kLeft : 0;
        m_width = kPort + m_portLeft + (attributes || tools ? kRight : 0);
        m_height = kPort + (console ? kConsole + 18 : 0);
        m_journal = tempPath("panels.jsonl");
        m_log = tempPath("panels.log");
        std::remove(m_journal.c_str());
        const std::string script = tempPath("panels.tarn");
        std::ofstream(script) << setup;
        m_window = openWindow("--journal '" + m_journal + "' view '" + script + "'", m_log);
        EXPECT_FALSE(m_window.empty()) << readFile(m_log);
        if (m_window.empty()) return m_window;
        const std::string size = std::to_string(m_width) + "x" + std::to_string(m_height);
        EXPECT_TRUE(waitFor(
            [&] { return x("getwindowgeometry " + m_window).find(size) != std::string::npos; },
            15000))
            << size << "\n"
            << readFile(m_log);
        // The first frame with the panels is drawn.
        waitFor([&] { return readJournal(m_journal).top.size() > 0; }, 2000);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        return m_window;
    }
    void at(int px, int py, const std::string& then = "") {
        x("mousemove --window " + m_window + " " + std::to_string(px) + " " + std::to_string(py) +
          " " + then);
    }
    void click(int px, int py) { at(px, py, "click 1"); }
    void doubleClick(int px, int py) { at(px, py, "click --repeat 2 --delay 60 1"); }
    // True once the journal holds TEXT (waits a little).
    bool journalled(const std::string& text) {
        return waitFor(
            [&] {
                const Journal j = readJournal(m_journal);
                return std::find(j.top.begin(), j.top.end(), text) != j.top.end();
            },
            5000);
    }
    std::vector<std::string> texts() { return readJournal(m_journal).top; }
    // Runs TEXT from the command field; answers its result.
    std::string ask(const std::string& text) {
        const std::size_t before = readJournal(m_journal).results.size();
        command(text);
        std::string result = "(no result)";
        waitFor(
            [&] {
                const Journal j = readJournal(m_journal);
                for (std::size_t i = before; i < j.results.size(); ++i)
                    if (j.results[i].first == text) {
                        result = j.results[i].second;
                        return true;
                    }
                return false;
            },
            5000);
        return result;
    }
    // The port's pixels (the view beside the panels).
    std::vector<std::uint32_t> port() {
        const Screenshot shot = screenshot(m_display, m_window);
        std::vector<std::uint32_t> out;
        if (shot.width < m_portLeft + kPort || shot.height < kPort) return out;
        for (int py = 0; py < kPort; ++py)
            for (int px = 0; px < kPort; ++px) out.push_back(shot.at(m_portLeft + px, py));
        return out;
    }
    static int differing(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
        if (a.size() != b.size()) return -1;
        int n = 0;
        for (std::size_t i = 0; i < a.size(); ++i) n += a[i] != b[i];
        return n;
    }
    void keep(const std::string& name) {
        savePng(screenshot(m_display, m_window), TARN_BINARY_DIR "/tests/" + name + ".png");
    }

    std::string m_window, m_journal, m_log;
    int m_portLeft = 0, m_width = 0, m_height = 0;
};

TEST_F(PanelsXvfb, StepsChangedInTheAttributeEditorChangeTheMeshAndADragIsOneUndoStep) {
    const std::string window =
        open("loadPlugin \"" TARN_PLUGIN_DIR "/meshKit.so\";\n"
             "polyCube -n box; polyDual box; viewPort 480 480; viewFit; select -r polyDual1;\n",
             true, true, false, false);
    ASSERT_FALSE(window.empty());
    // The panels draw with the process's one GL: OSMesa, and no second GL library.
    const std::string maps = readFile("/proc/" + std::to_string(m_tarn) + "/maps");
    EXPECT_NE(maps.find("libOSMesa"), std::string::npos);
    for (const char* other : {"libGL.so", "libGLX", "libEGL"})
        EXPECT_EQ(maps.find(other), std::string::npos) << other;
    keep("panels_attribute_editor");
    const std::string facesBefore = ask("polyEvaluate -f box");
    EXPECT_EQ(facesBefore, "8") << "a cube's dual";
    // polyDual1's tab is open; nbSteps is its fourth row. A double click types a value.
    const int steps = kPort + kLeft + 236, stepsRow = 85 + 3 * 23;
    doubleClick(steps, stepsRow);
    x("type 2");
    x("key Return");
    EXPECT_TRUE(journalled("setAttr polyDual1.nbSteps 2")) << readFile(m_journal);
    EXPECT_EQ(ask("polyEvaluate -f box"), "6") << "the dual's dual";
    // A drag to the right raises the value step by step: one undo chunk around the setAttrs.
    at(steps, stepsRow, "mousedown 1");
    for (int dx = 8; dx <= 64; dx += 8) at(steps + dx, stepsRow);
    at(steps + 64, stepsRow, "mouseup 1");
    // The typed value was one step, the drag another.
    const std::string opening = "undoInfo -openChunk -chunkName \"drag polyDual1.nbSteps\"";
    ASSERT_TRUE(waitFor(
        [&] {
            const std::vector<std::string> t = texts();
            return std::count(t.begin(), t.end(), "undoInfo -closeChunk") == 2;
        },
        5000))
        << readFile(m_journal);
    const std::vector<std::string> t = texts();
    const auto open = std::find(std::find(t.begin(), t.end(), opening) + 1, t.end(), opening);
    ASSERT_NE(open, t.end());
    const auto close = std::find(open, t.end(), "undoInfo -closeChunk");
    const auto sets = std::count_if(open, close, [](const std::string& s) {
        return s.rfind("setAttr polyDual1.nbSteps ", 0) == 0;
    });
    EXPECT_GE(sets, 2) << readFile(m_journal);
    const std::string dragged = ask("getAttr polyDual1.nbSteps");
    EXPECT_GT(std::stoi(dragged), 2);
    // One Ctrl+Z takes the whole drag back.
    x("key ctrl+z");
    EXPECT_TRUE(journalled("undo"));
    EXPECT_EQ(ask("getAttr polyDual1.nbSteps"), "2") << readFile(m_journal);
    EXPECT_EQ(ask("polyEvaluate -f box"), "6");
    EXPECT_TRUE(quit()) << readFile(m_log);
}

TEST_F(PanelsXvfb, ATexturesColourChangedInTheAttributeEditorChangesTheShadedPixels) {
    const std::string window = open(
        "loadPlugin \"" TARN_PLUGIN_DIR "/twillPattern.so\";\n"
        "polyCube -n box; shadingNode -asShader lambert; shadingNode -asTexture denim;\n"
        "shadingNode -asUtility place2dTexture;\n"
        "sets -renderable true -noSurfaceShader true -empty -name jeansSG;\n"
        "defaultNavigation -connectToExisting -source lambert2 -destination jeansSG;\n"
        "defaultNavigation -connectToExisting -source denim1 -destination lambert2;\n"
        "defaultNavigation -connectToExisting -source place2dTexture1 -destination denim1;\n"
        "sets -e -forceElement jeansSG box; viewPort 480 480; viewFit; select -r denim1;\n",
        true, true, false, false);
    ASSERT_FALSE(window.empty());
    const std::vector<std::uint32_t> before = port();
    ASSERT_FALSE(before.empty());
    // denim1's tab is open; vColor is its tenth row, its red the first of three fields.
    doubleClick(kPort + kLeft + 162, 85 + 9 * 23);
    x("type 1");
    x("key Return");
    EXPECT_TRUE(journalled("setAttr denim1.vColor 1 0.3 0.4")) << readFile(m_journal);
    int changed = 0;
    EXPECT_TRUE(waitFor(
        [&] {
            changed = differing(before, port());
            return changed > 2000;
        },
        5000))
        << changed << " pixels of the view changed";
    keep("panels_texture_colour");
    EXPECT_TRUE(quit()) << readFile(m_log);
}

TEST_F(PanelsXvfb, TwoMultiSlicesSetInToolSettingsCutTwoSlicesWithTheNextStroke) {
    const std::string scene = "polyPlane -w 4 -h 4 -sx 4 -sy 4 -n grid; setAttr grid.rx 90;\n"
                              "camera -p 0 0 10; viewCamera camera1; viewPort 480 480; viewFit;\n";
    const std::string setup = "loadPlugin \"" TARN_PLUGIN_DIR "/slicePen.so\";\n" + scene +
                              "slicePenContext; slicePenContext -e slicePenContext1;\n"
                              "select -r grid; setToolTo slicePenContext1;\n";
    // The stroke's pixels, from the headless view: across the row between y = 0 and y = 1.
    std::vector<int> px;
    for (const char* p : {"-1.5 0.25 0", "-0.5 0.25 0", "0.5 0.25 0"}) {
        std::istringstream in(capture(kTarn + " --result-only -c '" + scene + "viewProject " + p +
                                      "' 2>/dev/null"));
        int a = -1, b = -1;
        ASSERT_TRUE(in >> a >> b) << p;
        ASSERT_GT(a, 0) << p;
        px.push_back(a);
        px.push_back(kPort - 1 - b);
    }
    const std::string window = open(setup, false, false, true, false);
    ASSERT_FALSE(window.empty());
    keep("panels_tool_settings");
    // Multi-slices: its slider is the second (below the tool's list); Ctrl+click types a value.
    x("keydown ctrl");
    click(kPort + 170, 202);
    x("keyup ctrl");
    x("type 2");
    x("key Return");
    EXPECT_TRUE(journalled("optionVar -iv QT_drawSplitMultiSlices 2")) << readFile(m_journal);
    // The next stroke across the grid uses it.
    at(px[0], px[1], "mousedown 1");
    at(px[2], px[3]);
    at(px[4], px[5]);
    at(px[4], px[5], "mouseup 1");
    EXPECT_TRUE(waitFor(
        [&] {
            for (const std::string& t : readJournal(m_journal).api)
                if (t.rfind("multiSliceSplit(\"gridShape\", 2, ", 0) == 0) return true;
            return false;
        },
        5000))
        << readFile(m_journal);
    EXPECT_EQ(ask("polyEvaluate -v grid"), "29") << "two cuts through two edges";
    EXPECT_TRUE(quit()) << readFile(m_log);
}

TEST_F(PanelsXvfb, SelectingInTheOutlinerSelectsInTheViewAndTheEyeHides) {
    const std::string window =
        open("polyCube -n box; viewPort 480 480; viewFit; select -cl;\n", true, true, false, false);
    ASSERT_FALSE(window.empty());
    const std::vector<std::uint32_t> before = port();
    // The first row: box.
    click(40, 34);
    EXPECT_TRUE(journalled("select -r box")) << readFile(m_journal);
    EXPECT_EQ(ask("ls -sl"), "box");
    // The view shows the selection (its wireframe).
    int changed = 0;
    EXPECT_TRUE(waitFor(
        [&] {
            changed = differing(before, port());
            return changed > 50;
        },
        5000))
        << changed;
    keep("panels_outliner");
    // The eye at the row's right end hides it.
    const std::vector<std::uint32_t> shown = port();
    click(kLeft - 18, 34);
    EXPECT_TRUE(journalled("setAttr box.visibility 0")) << readFile(m_journal);
    EXPECT_TRUE(waitFor([&] { return differing(shown, port()) > 2000; }, 5000));
    EXPECT_TRUE(quit()) << readFile(m_log);
}

TEST_F(PanelsXvfb, TheConsoleRunsRecallsAndCompletesAndF5ClosesIt) {
    const std::string window = open("viewPort 480 480;\n", false, false, false, true);
    ASSERT_FALSE(window.empty());
    // The console's input along its bottom.
    click(kPort / 2, kPort + kConsole - 30);
    x("type --delay 5 'polySphere -n ball'");
    x("key Return");
    EXPECT_TRUE(journalled("polySphere -n ball")) << readFile(m_journal);
    // Up brings it back; run again it makes a second sphere.
    x("key Up");
    x("key Return");
    EXPECT_TRUE(waitFor(
        [&] {
            const std::vector<std::string> t = texts();
            return std::count(t.begin(), t.end(), "polySphere -n ball") == 2;
        },
        5000))
        << readFile(m_journal);
    // Tab completes the command's name.
    x("type --delay 5 'polySph'");
    x("key Tab");
    x("type --delay 5 ' -n orb'");
    x("key Return");
    EXPECT_TRUE(journalled("polySphere -n orb")) << readFile(m_journal);
    keep("panels_console");
    // The texts ran from the console, journalled as such.
    const std::string journal = readFile(m_journal);
    EXPECT_NE(journal.find("\"origin\":\"console\""), std::string::npos) << journal;
    // F5 closes it: the port takes the whole window.
    x("mousemove --window " + window + " 100 100");
    x("key F5");
    EXPECT_TRUE(journalled("optionVar -iv tarnPanelConsoleOpen 0")) << journal;
    EXPECT_TRUE(journalled("viewPort 480 698")) << readFile(m_journal);
    EXPECT_EQ(ask("ls -type mesh"), "ballShape ball1Shape orbShape");
    EXPECT_TRUE(quit()) << readFile(m_log);
}

}  // namespace
