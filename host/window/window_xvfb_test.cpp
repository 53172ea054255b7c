// The window under a virtual X server, driven by real pointer and key events (xdotool): open on
// a cylinder, pick it with the selection tool, activate slicePen from the command field, drag a
// stroke across it. The window's journal replayed headless, with the drag as one viewStroke,
// must split the mesh the same way through the same commands.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

// Xlib last: its macros (None, Bool) would clash with names in the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

const std::string kTarn = TARN_BINARY_DIR "/bin/tarn";

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
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        pclose(p);
    }
    return out;
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

bool alive(pid_t pid) {
    return pid > 0 && ::kill(pid, 0) == 0;
}

// Pixels of the window in the overlay's drawing colour (palette index 2, yellow), read back
// from the server: what a person sees. -1 when the window cannot be read.
int overlayPixelCount(const std::string& display, const std::string& window) {
    Display* d = XOpenDisplay(display.c_str());
    if (!d) return -1;
    const Window w = std::stoul(window);
    XWindowAttributes a;
    int count = -1;
    if (XGetWindowAttributes(d, w, &a)) {
        if (XImage* img = XGetImage(d, w, 0, 0, a.width, a.height, AllPlanes, ZPixmap)) {
            count = 0;
            for (int y = 0; y < a.height; ++y)
                for (int x = 0; x < a.width; ++x) {
                    const unsigned long p = XGetPixel(img, x, y);
                    const int r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255;
                    count += std::abs(r - 255) < 30 && std::abs(g - 230) < 30 && b < 90;
                }
            XDestroyImage(img);
        }
    }
    XCloseDisplay(d);
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

class WindowXvfb : public ::testing::Test {
protected:
    void SetUp() override {
        if (!have("Xvfb") || !have("xdotool"))
            GTEST_SKIP() << "Xvfb or xdotool is not installed (./run installs both)";
        // Xvfb picks a free display and writes its number to descriptor 3.
        const std::string number = tempPath("display"), pid = tempPath("xvfb.pid");
        std::remove(number.c_str());
        std::system(("Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>'" + number +
                     "' 2>/dev/null & echo $! > '" + pid + "'")
                        .c_str());
        ASSERT_TRUE(
            waitFor([&] { return readFile(number).find('\n') != std::string::npos; }, 10000))
            << "Xvfb did not start";
        m_xvfb = std::stoi(readFile(pid));
        m_display = ":" + readFile(number).substr(0, readFile(number).find('\n'));
    }
    void TearDown() override {
        if (alive(m_tarn)) ::kill(m_tarn, SIGTERM);
        if (m_xvfb > 0) ::kill(m_xvfb, SIGTERM);
    }
    std::string x(const std::string& args) {
        return capture("DISPLAY=" + m_display + " xdotool " + args + " 2>/dev/null");
    }

    std::string m_display;
    pid_t m_xvfb = -1;
    pid_t m_tarn = -1;
};

TEST_F(WindowXvfb, SlicePenStrokeWithTheMouseSplitsAsTheHeadlessStroke) {
    const std::string setup =
        "loadPlugin \"" TARN_PLUGIN_DIR
        "/slicePen.so\";\n"
        "polyCylinder -n can -r 1 -h 2 -sx 8 -sy 1 -sc 0; setAttr canShape.bck 0;\n"
        "camera -p 0 0 8; viewCamera camera1; viewPort 240 240; viewFit;\n"
        "optionVar -iv QT_drawSplitAutoBackfaceCulling 0;\n"
        "optionVar -iv QT_drawSplitSubdivisions 1;\n"
        "slicePenContext; select -cl;\n";
    const std::string script = tempPath("setup.tarn");
    std::ofstream(script) << setup;

    // The stroke's pixels, from the headless view: left of the can, its centre, right of it.
    std::vector<int> px;
    for (const char* p : {"-1.6 0 0", "0 0 0", "1.6 0 0"}) {
        std::istringstream in(
            capture(kTarn + " --result-only -c '" + setup + "viewProject " + p + "' 2>/dev/null"));
        int a = -1, b = -1;
        in >> a >> b;
        ASSERT_GE(a, 0) << p;
        px.push_back(a);
        px.push_back(239 - b);  // window rows run down
    }

    // Open the window on the scene.
    const std::string journal = tempPath("window.jsonl"), log = tempPath("window.log"),
                      pidFile = tempPath("tarn.pid");
    std::remove(journal.c_str());
    std::system(("DISPLAY=" + m_display + " " + kTarn + " --journal '" + journal + "' view '" +
                 script + "' < /dev/null > '" + log + "' 2>&1 & echo $! > '" + pidFile + "'")
                    .c_str());
    m_tarn = std::stoi(readFile(pidFile));
    std::string window;
    ASSERT_TRUE(waitFor(
        [&] {
            window = x("search --name '^tarn view$'");
            return !window.empty();
        },
        15000))
        << readFile(log);
    window = window.substr(0, window.find('\n'));
    // Wait until the script ran (the window takes its port size).
    ASSERT_TRUE(waitFor(
        [&] { return x("getwindowgeometry " + window).find("240x240") != std::string::npos; },
        15000));
    auto at = [&](int i) {
        return "mousemove --window " + window + " " + std::to_string(px[2 * i]) + " " +
               std::to_string(px[2 * i + 1]) + " ";
    };
    // Pick the can with the selection tool; activate slicePen in the command field.
    x(at(1) + "click 1");
    x("key Return");
    x("type --delay 5 'setToolTo slicePenContext1'");
    x("key Return");
    // The stroke: press left of the can, drag over its centre to its right, release.
    EXPECT_EQ(overlayPixelCount(m_display, window), 0) << "overlay colour before the stroke";
    x(at(0) + "mousedown 1");
    x(at(1));
    x(at(2));
    // The stroke's overlay shows in the window while the button is down.
    EXPECT_TRUE(waitFor([&] { return overlayPixelCount(m_display, window) > 20; }, 3000));
    x("mouseup 1");
    // Ask for the mesh, then leave.
    x("key Return");
    x("type --delay 5 'polyEvaluate -v -f can'");
    x("key Return");
    x("key Return");
    x("type --delay 5 quit");
    x("key Return");
    ASSERT_TRUE(waitFor([&] { return !alive(m_tarn); }, 20000)) << readFile(log);
    m_tarn = -1;

    const Journal seen = readJournal(journal);
    // The window's texts: the pick, the tool, the stroke as events, the query.
    std::vector<std::string> stroke, points;
    std::string holds;
    std::string replay = setup;
    bool toolActive = false;
    for (const std::string& t : seen.top) {
        if (t == "setToolTo slicePenContext1") toolActive = true;
        if (toolActive && t.rfind("viewEvent", 0) == 0) {
            stroke.push_back(t);
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
    ASSERT_GE(stroke.size(), 3u) << readFile(journal);
    EXPECT_EQ(stroke.front().rfind("viewEvent press", 0), 0u) << stroke.front();
    EXPECT_EQ(stroke.back().rfind("viewEvent release", 0), 0u) << stroke.back();
    std::string line = "viewStroke" + holds + " {";
    for (std::size_t i = 0; i < points.size(); ++i) line += (i ? ", " : "") + points[i];
    replay += line + "};\npolyEvaluate -v -f can";
    std::string windowCounts;
    for (const auto& [text, result] : seen.results)
        if (text == "polyEvaluate -v -f can") windowCounts = result;

    // The same session headless, the drag as one viewStroke.
    const std::string replayFile = tempPath("replay.tarn"), headless = tempPath("headless.jsonl");
    std::ofstream(replayFile) << replay;
    std::remove(headless.c_str());
    std::string headlessCounts = capture(kTarn + " --result-only --journal '" + headless +
                                         "' -c \"$(cat '" + replayFile + "')\" 2>/dev/null");
    // The result is the last line; the tool's notes come before it.
    while (!headlessCounts.empty() && headlessCounts.back() == '\n') headlessCounts.pop_back();
    headlessCounts = headlessCounts.substr(headlessCounts.rfind('\n') + 1);
    const Journal again = readJournal(headless);

    EXPECT_FALSE(seen.api.empty()) << "the tool ran no command";
    EXPECT_EQ(seen.api, again.api);
    EXPECT_EQ(windowCounts, "24 18");
    EXPECT_EQ(windowCounts, headlessCounts) << replay;
}

}  // namespace
