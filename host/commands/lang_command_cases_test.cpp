// The language's own commands (undo, redo, undoInfo, eval, exists, whatIs, size, help,
// evalDeferred), the windowless answers of the UI commands, the plug-in commands, and the
// smaller DAG commands (camera, listRelatives, hilite): results, errors, and that a failure
// changes nothing.

#include "host/commands/command_test_support.h"

#include <sys/stat.h>

#include <filesystem>

#include "host/commands/lang_commands.h"
#include "host/scene/selection.h"

namespace tarn::commands::testing {
namespace {

class LangCommandCases : public CommandTest {
protected:
    void TearDown() override {
        undo::undoQueue().setEnabled(true);
        CommandTest::TearDown();
    }

    // Runs a text with undo on; its warnings.
    std::string warningsOf(const std::string& text) {
        output::Capture capture;
        lang::ExecuteOptions options;
        options.undo = true;
        EXPECT_TRUE(lang::executeText(text, options).ok) << text;
        return capture.warnings();
    }

    const std::string kProbeNode = std::string(TARN_TEST_PLUGIN_DIR) + "/probeNode.so";
};

TEST_F(LangCommandCases, UndoRedoAndUndoInfo) {
    expectCases({
        {"nothing done yet", "undoInfo -q", "0"},
        {"one chunk per text", "createNode probe -n a; setAttr a.inputA 2", ""},
        {"counted", "undoInfo -q", "1"},
        {"named after its text", "undoInfo -q -undoName",
         "createNode probe -n a; setAttr a.inputA 2"},
        {"undo takes the chunk back", "undo; ls -type probe", ""},
        {"redo makes it again", "redo; getAttr a.inputA", "2"},
        {"recording state", "undoInfo -q -state", "1"},
        {"flush", "undoInfo -flush; undoInfo -q", "0"},
    });
    EXPECT_EQ(warningsOf("undo"), "There are no more commands to undo.\n");
    EXPECT_EQ(warningsOf("redo"), "There are no more commands to redo.\n");

    // With recording off nothing is recorded, and undo does not reach past it.
    eval("setAttr a.inputA 3");
    eval("undoInfo -state off");
    eval("setAttr a.inputA 4");
    EXPECT_EQ(eval("undoInfo -q -state"), "0");
    eval("undoInfo -state on");
    eval("undo");
    EXPECT_EQ(eval("getAttr a.inputA"), "2") << "undo took back the recorded 3";
    EXPECT_EQ(eval("undoInfo -q"), "0");
    expectRejected({
        {"undo with words", "undo 2", "undo: expected 0 arguments, got 1."},
        {"undoInfo unknown flag", "undoInfo -levels 5", "undoInfo: invalid flag '-levels'."},
        {"undoName outside a query", "undoInfo -undoName",
         "can only be used in query or edit mode."},
        {"state not a bool", "undoInfo -state maybe", "invalid value 'maybe'"},
    });
}

TEST_F(LangCommandCases, EvalExistsWhatIsSizeHelp) {
    expectCases({
        {"eval", "eval \"createNode probe -n e1\"", "e1"},
        {"exists command", "exists setAttr", "1"},
        {"exists missing", "exists noSuchCommand", "0"},
        {"whatIs command", "whatIs polyCube", "Command"},
        {"whatIs proc", "proc int twice(int $x) { return 2 * $x; } whatIs twice", "Script"},
        {"whatIs missing", "whatIs nothingAtAll", "Unknown"},
        {"size of an array", "size({1, 2, 3})", "3"},
        {"size of a text", "size \"four\"", "4"},
        {"deferred text waits for the queue",
         "evalDeferred \"createNode probe -n later\"; ls -type probe", "e1"},
        {"flush runs it", "flushIdleQueue; ls -type probe", "e1 later"},
    });
    {
        output::Capture capture;
        ASSERT_TRUE(lang::executeText("help setAttr").ok);
        EXPECT_NE(capture.infos().find("Usage: setAttr"), std::string::npos);
        EXPECT_NE(capture.infos().find("-l / -lock"), std::string::npos);
        EXPECT_NE(capture.infos().find("Undoable."), std::string::npos);
    }
    expectRejected({
        {"eval of a failing text", "eval \"setAttr e1.nothing 1\"", "No attribute 'nothing'"},
        {"eval of nothing", "eval", "eval: expected at least 1 argument, got 0."},
        {"help of nothing known", "help noSuchCommand", "help: no command or node type named"},
        {"exists needs a name", "exists", "exists: expected 1 argument, got 0."},
        {"size needs a value", "size", "size: expected 1 argument, got 0."},
        {"unknown command", "noSuchCommand 1 2", "Cannot find procedure \"noSuchCommand\"."},
        {"source of a missing file", "source \"/no/such/script.tcs\"",
         "Cannot open file \"/no/such/script.tcs\"."},
    });
}

// Paths leave the language only whole: a NUL inside one would make the system read a shorter
// name, and a FIFO or device given as a file to read would block or never end.
TEST_F(LangCommandCases, PathsWithNulsAndSpecialFilesAreRefused) {
    const std::string nul("a\0b", 3);
    const std::string dir = ::testing::TempDir() + "tcmd_special_files";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string fifo = dir + "/pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    expectRejected({
        {"source", "source \"" + nul + ".tcs\"", "contains a NUL character"},
        {"import", "file -import \"" + nul + ".qmf\"", "contains a NUL character"},
        {"export", "exportObj \"" + dir + "/" + nul + ".obj\"", "contains a NUL character"},
        {"snapshot", "viewSnapshot -o \"" + dir + "/" + nul + ".png\"", "contains a NUL character"},
        {"plug-in", "loadPlugin \"" + kProbeNode + nul + "\"", "contains a NUL character"},
        {"source a FIFO", "source \"" + fifo + "\"", "it is a FIFO"},
        {"import a FIFO", "file -import \"" + fifo + "\"", "it is a FIFO"},
        {"source a device", "source \"/dev/null\"", "it is a device"},
    });
    // Nothing was written under the shortened names.
    EXPECT_FALSE(std::filesystem::exists(dir + "/a"));
    EXPECT_FALSE(std::filesystem::exists(dir + "/a.obj"));
}

TEST_F(LangCommandCases, WindowlessControls) {
    expectCases({
        {"window exists", "window -exists toolWin", "0"},
        {"control exists", "floatSliderGrp -ex size", "0"},
        {"tool property window", "toolPropertyWindow -inMainWindow true", ""},
        {"render node window", "refreshCreateRenderNodeWindow \"texture/2d\"", ""},
    });
    EXPECT_EQ(warningsOf("deleteUI toolWin panel"),
              "deleteUI: object 'toolWin' not found.\ndeleteUI: object 'panel' not found.\n");
    expectRejected({
        {"query a missing control", "intSliderGrp -q -v size",
         "intSliderGrp: object 'size' not found."},
        {"edit a missing control", "checkBox -e -v 1 flag", "checkBox: object 'flag' not found."},
        {"make a window", "window -title \"Tool\" toolWin", "this host has no windows"},
        {"unknown flag", "window -bogus", "window: invalid flag '-bogus'."},
        {"deleteUI of nothing", "deleteUI", "deleteUI: expected at least 1 argument, got 0."},
    });
}

TEST_F(LangCommandCases, PluginCommands) {
    const std::string load = "loadPlugin \"" + kProbeNode + "\"";
    expectCases({
        {"load", load, "probeNode"},
        {"quiet load of a loaded one", "loadPlugin -quiet \"" + kProbeNode + "\"", "probeNode"},
        {"loaded", "pluginInfo -q -loaded probeNode", "1"},
        {"not loaded", "pluginInfo -q -loaded probeCommand", "0"},
        {"listed", "pluginInfo -q -listPlugins", "probeNode"},
        {"types", "pluginInfo -q -dependNode probeNode", "probeNode"},
        {"path", "pluginInfo -q -path probeNode", kProbeNode},
        {"unload", "unloadPlugin probeNode", "probeNode"},
    });
    expectRejected({
        {"load a missing file", "loadPlugin \"/no/such/plugin.so\"", "plugin.so"},
        {"load needs a name", "loadPlugin", "loadPlugin: expected 1 argument, got 0."},
        {"unload what is not loaded", "unloadPlugin probeNode", "is not loaded"},
        {"info of what is not loaded", "pluginInfo -q -vendor probeNode",
         "Plug-in 'probeNode' is not loaded"},
        {"info of nothing", "pluginInfo -q -vendor", "pluginInfo: name a plug-in"},
        {"unknown flag", "pluginInfo -q -colour probeNode", "invalid flag '-colour'."},
    });
}

TEST_F(LangCommandCases, CameraListRelativesAndHilite) {
    expectCases({
        {"camera", "camera", "camera1 cameraShape1"},
        {"named and placed", "camera -n shot -p 1 2 3 -fl 50; getAttr shot.translate", "1 2 3"},
        {"children", "listRelatives shot", "shotShape"},
        {"parent of a shape", "listRelatives -p shotShape", "shot"},
        {"shapes by full path", "listRelatives -s -f shot", "|shot|shotShape"},
        {"selection", "select -r camera1; listRelatives", "cameraShape1"},
        {"by type", "listRelatives -type mesh shot", ""},
    });
    eval("polyCube -n box; hilite box; hilite camera1");
    EXPECT_EQ(scene::hiliteList(), (std::vector<std::string>{"box", "camera1"}));
    eval("hilite -u box");
    EXPECT_EQ(scene::hiliteList(), (std::vector<std::string>{"camera1"}));
    eval("hilite -r boxShape");
    EXPECT_EQ(scene::hiliteList(), (std::vector<std::string>{"box"}));
    expectRejected({
        {"camera: bad position", "camera -p 1 2", "flag '-p' needs 3 arguments"},
        {"camera: bad name", "camera -n \"two words\"", "Invalid node name: two words"},
        {"camera: positional", "camera shot2", "camera: expected 0 arguments, got 1."},
        {"camera: orthographic not a bool", "camera -o sometimes", "invalid value 'sometimes'"},
        {"listRelatives: missing", "listRelatives nobody", "No object matches name: nobody"},
        {"listRelatives: type needs a value", "listRelatives -type",
         "flag '-type' needs 1 argument"},
        {"hilite: missing", "hilite nobody", "No object matches name: nobody"},
    });
    EXPECT_EQ(scene::hiliteList(), (std::vector<std::string>{"box"}));
}

}  // namespace
}  // namespace tarn::commands::testing
