#include "host/window/input_commands.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "host/app/process_test_support.h"
#include "host/window/view_window.h"

namespace tarn::window {
namespace {

TEST(WindowInput, PointerBecomesViewEventInPortCoordinates) {
    using A = PointerAction;
    struct Case {
        PointerInput input;
        int portHeight;
        const char* expected;
    };
    const Case cases[] = {
        // Window row 0 is the port's top row: y flips about the port height.
        {{A::Press, 1, 10, 0, {}}, 480, "viewEvent press 10 479"},
        {{A::Drag, 1, 10, 479, {}}, 480, "viewEvent drag 10 0"},
        {{A::Hold, 1, 3, 4, {}}, 10, "viewEvent hold 3 5"},
        {{A::Release, 1, 0, 0, {true, true, false}}, 2, "viewEvent -shift -ctrl release 0 1"},
        {{A::Press, 2, 5, 5, {false, true, false}},
         100,
         "viewEvent -button middle -ctrl press 5 94"},
        {{A::Drag, 3, 7, 1, {true, false, false}}, 100, "viewEvent -button right -shift drag 7 98"},
        // Alt is navigation, the wheel and extra buttons are no tool events.
        {{A::Press, 1, 1, 1, {false, false, true}}, 100, ""},
        {{A::Press, 4, 1, 1, {}}, 100, ""},
        {{A::Press, 5, 1, 1, {}}, 100, ""},
        {{A::Press, 0, 1, 1, {}}, 100, ""},
        {{A::Press, 1, 1, 1, {}}, 0, ""},
        // A move without a button is for the panels only.
        {{A::Move, 1, 1, 1, {}}, 100, ""},
        {{A::Move, 0, 1, 1, {}}, 100, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(pointerCommand(c.input, c.portHeight), c.expected) << c.expected;
}

TEST(WindowInput, KeysFrameUndoAndSave) {
    struct Case {
        const char* key;
        Modifiers mods;
        const char* expected;
    };
    const Case cases[] = {
        {"f", {}, "viewFit -selection"},
        {"a", {}, "viewFit"},
        {"z", {false, true, false}, "undo"},
        {"z", {true, true, false}, "redo"},
        {"Z", {true, true, false}, "redo"},
        {"s", {false, true, false}, "file -save"},
        {"S", {true, true, false}, ""},
        {"s", {false, true, true}, ""},
        {"s", {}, ""},
        // Shifted or with Ctrl/Alt, f and a are other shortcuts; a bare z is no command.
        {"F", {true, false, false}, ""},
        {"a", {false, true, false}, ""},
        {"z", {}, ""},
        {"z", {false, true, true}, ""},
        {"Return", {}, ""},
        {"", {}, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(keyCommand(c.key, c.mods), c.expected) << c.key;
}

TEST(WindowTitle, NamesTheSceneFileAndMarksUnsavedChanges) {
    EXPECT_EQ(windowTitle("", false), "tarn view");
    EXPECT_EQ(windowTitle("", true), "tarn view *");
    EXPECT_EQ(windowTitle("work/scenes/hut.tscene", false), "tarn view - hut.tscene");
    EXPECT_EQ(windowTitle("hut.tscene", true), "tarn view - hut.tscene *");
}

TEST(WindowInput, AltDragsAndTheWheelMoveTheCamera) {
    struct Case {
        int button, dx, dy;
        const char* expected;
    };
    const Case cases[] = {
        {1, 10, 0, "viewTumble -4 0"},
        {1, 0, -5, "viewTumble 0 -2"},
        // Every digit of the angle is kept, and 12 px is exactly the 4.8 degrees written.
        {1, 12341, -12, "viewTumble -4936.4 -4.8"},
        {2, 3, 4, "viewTrack 3 -4"},
        {3, 7, 0, "viewDolly 0.035"},
        {3, 20, 0, "viewDolly 0.1"},
        {3, 0, -20, "viewDolly -0.1"},
        // A long dolly drag is limited to half the distance per event.
        {3, 1000, 1000, "viewDolly 0.5"},
        {3, 10, -10, ""},
        {1, 0, 0, ""},
        {4, 5, 5, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(navigationCommand(c.button, c.dx, c.dy), c.expected) << c.expected;
    EXPECT_EQ(wheelCommand(4), "viewDolly 0.1");
    EXPECT_EQ(wheelCommand(5), "viewDolly -0.1");
    EXPECT_EQ(wheelCommand(1), "");
    // The later motions of one drag, and wheel turns close together, continue one step of the
    // view's camera history.
    EXPECT_EQ(navigationCommand(1, 10, 0, true), "viewTumble -continue -4 0");
    EXPECT_EQ(navigationCommand(2, 3, 4, true), "viewTrack -continue 3 -4");
    EXPECT_EQ(navigationCommand(3, 20, 0, true), "viewDolly -continue 0.1");
    EXPECT_EQ(navigationCommand(3, 10, -10, true), "");
    EXPECT_EQ(wheelCommand(5, true), "viewDolly -continue -0.1");
}

TEST(WindowInput, ResizeSetsThePortUpToItsLimit) {
    EXPECT_EQ(resizeCommand(800, 600), "viewPort 800 600");
    EXPECT_EQ(resizeCommand(1, 1), "viewPort 1 1");
    EXPECT_EQ(resizeCommand(0, 600), "");
    EXPECT_EQ(resizeCommand(800, -1), "");
    // A window past the largest port keeps the largest port (no error on every resize).
    EXPECT_EQ(resizeCommand(9000, 300), "viewPort 8192 300");
    EXPECT_EQ(resizeCommand(8192, 20000), "viewPort 8192 8192");
}

TEST(WindowInput, BracketsWalkTheViewHistory) {
    EXPECT_EQ(keyCommand("[", {}), "viewHistory -back");
    EXPECT_EQ(keyCommand("]", {}), "viewHistory -forward");
    EXPECT_EQ(keyCommand("[", {false, true, false}), "");
    EXPECT_TRUE(movesCameraOnly("viewHistory -back"));
    EXPECT_TRUE(movesCameraOnly("viewTumble -continue 1 2"));
    EXPECT_FALSE(movesCameraOnly("viewHistory -back; polyCube"));
}

TEST(WindowStatus, UndoToolAndStartTexts) {
    EXPECT_EQ(undoStatus(true, "polySplit -ep 3 0.5 -ep 5 0.5 can"),
              "Undo: polySplit -ep 3 0.5 -ep 5 0.5 can");
    EXPECT_EQ(undoStatus(false, "polyCube -n box\nmore"), "Redo: polyCube -n box");
    EXPECT_EQ(undoStatus(true, ""), "undo");
    EXPECT_EQ(toolStatus("slicePenContext1", "Draw a stroke across the mesh\nmore"),
              "Draw a stroke across the mesh");
    EXPECT_EQ(toolStatus("selectSuperContext", ""), "Tool: selectSuperContext");
    // The newcomer's things: navigation, the command field, help, the panels' keys.
    const std::string start = startStatus();
    for (const char* part : {"Alt+drag", "':'", "F1", "F2 outliner", "F3", "F4", "F5 console"})
        EXPECT_NE(start.find(part), std::string::npos) << part;
    // Help names every way of working the window.
    std::string help;
    for (const std::string& line : helpLines()) help += line + "\n";
    for (const char* key : {"Alt+", "[ and ]", "Ctrl+Z", "Enter", "F1", "PgUp", "F2", "F5"})
        EXPECT_NE(help.find(key), std::string::npos) << key;
}

TEST(WindowStatus, ErrorsThenWarningsThenTheResult) {
    struct Case {
        const char* what;
        bool ok;
        const char* shown;
        const char* error;
        std::vector<std::string> warnings;
        const char* expected;
    };
    const Case cases[] = {
        {"result alone", true, "24 18", "", {}, "24 18"},
        {"first line of a long result", true, "a\nb", "", {}, "a"},
        {"an error wins over warnings",
         false,
         "x",
         "No object matches 'y'.\n",
         {"w\n"},
         "Error: No object matches 'y'."},
        {"one warning before the result",
         true,
         "grid",
         "",
         {"No mesh selected.\n"},
         "Warning: No mesh selected. | grid"},
        {"the newest warning and the count",
         true,
         "",
         "",
         {"first\n", "second\nmore\n"},
         "Warning: second (2 warnings)"},
        {"a warning without a line feed", true, "", "", {"bare"}, "Warning: bare"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(statusText(c.ok, c.shown, c.error, c.warnings), c.expected) << c.what;
}

using Outcome = tarn::testing::ProcessOutcome;

Outcome runTarn(const std::string& command) {
    return tarn::testing::runCommandLine(command + " 2>&1 < /dev/null");
}

std::string readFile(const std::string& path) {
    std::string text;
    if (FILE* f = std::fopen(path.c_str(), "r")) {
        std::array<char, 4096> buf;
        std::size_t n;
        while ((n = std::fread(buf.data(), 1, buf.size(), f)) > 0) text.append(buf.data(), n);
        std::fclose(f);
    }
    return text;
}

TEST(InputCommands, OnlyTheWindowsCameraMovesKeepTheGeometry) {
    for (const char* text :
         {"viewTumble 4 -2", "viewTrack 3 0", "viewDolly 0.1", "viewFit", "viewFit -selection"})
        EXPECT_TRUE(movesCameraOnly(text)) << text;
    for (const char* text : {"viewTumble 4 -2; polyCube", "viewPort 20 20", "viewEvent press 1 2",
                             "viewFitX", "undo", "viewFit; delete box", ""})
        EXPECT_FALSE(movesCameraOnly(text)) << text;
}

TEST(WindowJob, WithoutDisplayFailsBeforeAnythingRuns) {
    const std::string tarn = TARN_BINARY_DIR "/bin/tarn";
    const std::string script = ::testing::TempDir() + "window_job_script.tarn";
    const std::string journal = ::testing::TempDir() + "window_job_journal.jsonl";
    {
        FILE* f = std::fopen(script.c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fputs("print \"scriptRanMarker\";\n", f);
        std::fclose(f);
    }
    struct Case {
        const char* environment;
        const char* reason;
    };
    const Case cases[] = {
        {"env -u DISPLAY", "$DISPLAY is not set"},
        {"env DISPLAY=", "$DISPLAY is not set"},
        // No server answers on display 4711.
        {"env DISPLAY=:4711", "cannot connect to the X display ':4711'"},
    };
    for (const Case& c : cases) {
        const Outcome o = runTarn(std::string(c.environment) + " " + tarn + " --journal '" +
                                  journal + "' view '" + script + "'");
        EXPECT_EQ(o.status, 2) << c.environment << "\n" << o.out;
        EXPECT_NE(o.out.find("tarn view: cannot open a window"), std::string::npos) << o.out;
        EXPECT_NE(o.out.find(c.reason), std::string::npos) << o.out;
        EXPECT_NE(o.out.find("viewStroke"), std::string::npos) << o.out;
        // The script did not run: no output of it, an empty journal.
        EXPECT_EQ(o.out.find("scriptRanMarker"), std::string::npos) << o.out;
        EXPECT_EQ(readFile(journal), "") << c.environment;
    }
}

TEST(WindowJob, BadArgumentsAreRefusedByTheJobsRule) {
    const std::string tarn = TARN_BINARY_DIR "/bin/tarn";
    // Words that are no command line of the job: the usage follows.
    for (const char* args : {"view --bogus", "view a.tarn b.tarn", "view --size"}) {
        const Outcome o = runTarn("env -u DISPLAY " + tarn + " " + args);
        EXPECT_EQ(o.status, 2) << args;
        EXPECT_NE(o.out.find("Usage: tarn view"), std::string::npos) << o.out;
    }
    // A wrong value: one line and a pointer to --help, nothing run, no window tried.
    for (const char* args : {"view --size 0", "view --size 9000", "view --size 3x"}) {
        const Outcome o = runTarn("env -u DISPLAY " + tarn + " " + args);
        EXPECT_EQ(o.status, 2) << args;
        EXPECT_NE(o.out.find("tarn view: --size: expected N or WxH"), std::string::npos) << o.out;
        EXPECT_EQ(o.out.find("Usage: tarn view"), std::string::npos) << o.out;
        EXPECT_EQ(o.out.find("cannot open a window"), std::string::npos) << o.out;
    }
    // A good size gets as far as the display, and without one nothing runs.
    const std::string journal = ::testing::TempDir() + "window_job_size_journal.tcs";
    const Outcome sized =
        runTarn("env -u DISPLAY " + tarn + " --journal '" + journal + "' view --size 320x200");
    EXPECT_EQ(sized.status, 2);
    EXPECT_NE(sized.out.find("cannot open a window"), std::string::npos) << sized.out;
    EXPECT_EQ(readFile(journal), "");
    const Outcome help = runTarn(tarn + " view --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: tarn view"), std::string::npos);
}

}  // namespace
}  // namespace tarn::window
