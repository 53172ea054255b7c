// Script cases for the graph and plug-in commands: id, script, expected result or error.

#include <gtest/gtest.h>

#include "host/dg/graph.h"
#include "host/lang/execute.h"
#include "host/plugins/plugin_loader.h"
#include "host/sdk/host_output.h"

namespace {

using tarn::lang::executeText;

struct Case {
    const char* id;
    std::string script;
    std::string result;  // expected result text, or the expected error fragment when !ok
    bool ok = true;
};

std::string text(const tarn::lang::Value& v) {
    if (!v.isArray()) return v.asString();
    std::string out;
    for (const std::string& s : v.asStringArray()) out += (out.empty() ? "" : " ") + s;
    return out;
}

class DgCommandsTest : public ::testing::Test {
protected:
    void TearDown() override { tarn::plugins::PluginLoader::instance().unloadAll(); }

    void run(const std::vector<Case>& cases) {
        for (const Case& c : cases) {
            tarn::output::Capture quiet;
            tarn::lang::ExecuteOptions options;
            options.undo = true;
            tarn::lang::RunResult r = executeText(c.script, options);
            EXPECT_EQ(r.ok, c.ok) << c.id << ": " << r.error;
            if (c.ok) EXPECT_EQ(text(r.value), c.result) << c.id;
            else EXPECT_NE(r.error.find(c.result), std::string::npos) << c.id << ": " << r.error;
        }
    }
};

TEST_F(DgCommandsTest, CreateSetGetConnect) {
    const std::string load = std::string("loadPlugin \"") + TARN_TEST_PLUGIN_DIR + "/probeNode.so\";";
    run({
        {"load", load, "probeNode"},
        {"load twice", load, "already loaded", false},
        {"create numbered", "createNode probeNode;", "probeNode1"},
        {"create named", "createNode probeNode -n tex;", "tex"},
        {"unknown type", "createNode nothing;", "Unknown node type: nothing", false},
        {"leaf", "setAttr tex.gain 0.5; getAttr tex.gain;", "0.5"},
        {"compound", "setAttr tex.tint 0.5 0.25 2; getAttr tex.tint;", "0.5 0.25 2"},
        {"child", "getAttr tex.tintG;", "0.25"},
        {"output computes", "setAttr tex.gain 0; getAttr tex.outAlpha;", "0"},
        {"wrong count", "setAttr tex.tint 1 2;", "takes 3 values, 2 given", false},
        {"not writable", "setAttr tex.outAlpha 1;", "not writable", false},
        {"no such attribute", "getAttr tex.nothing;", "No attribute 'nothing'", false},
        {"no such node", "getAttr nobody.gain;", "No object matches name: nobody", false},
        {"lock", "setAttr -lock 1 tex.gain; getAttr -lock tex.gain;", "1"},
        {"locked", "setAttr tex.gain 2;", "locked", false},
        {"unlock", "setAttr -lock 0 tex.gain; setAttr tex.gain 1; getAttr tex.gain;", "1"},
        {"connect", "connectAttr probeNode1.outAlpha tex.u;", "Connected probeNode1.outAlpha to tex.uCoord."},
        {"cycle", "connectAttr tex.outAlpha probeNode1.u;", "cycle", false},
        {"to output", "connectAttr tex.u probeNode1.outAlpha;", "is an output", false},
        {"connected input", "setAttr tex.u 1;", "connected", false},
        {"disconnect", "disconnectAttr probeNode1.outAlpha tex.u; setAttr tex.u 0.5; getAttr tex.u;", "0.5"},
        {"listAttr keyable", "listAttr -k tex;", "gain"},
        {"loaded", "pluginInfo -q -loaded probeNode;", "1"},
        {"types", "pluginInfo -q -dependNode probeNode;", "probeNode"},
        {"vendor", "pluginInfo -q -vendor probeNode;", "Quill"},
        {"rename", "rename tex bark;", "bark"},
        {"unload in use", "unloadPlugin probeNode;", "in use by nodes probeNode1, bark", false},
        {"unload forced", "unloadPlugin -f probeNode; pluginInfo -q -loaded probeNode;", "0"},
    });
}

TEST_F(DgCommandsTest, SetAttrAndConnectAttrUndo) {
    const std::string load = std::string("loadPlugin \"") + TARN_TEST_PLUGIN_DIR + "/probeNode.so\";";
    run({
        {"load", load, "probeNode"},
        {"nodes", "createNode probeNode -n a; createNode probeNode -n b;", "b"},
        {"set", "setAttr a.gain 0.25;", ""},
        {"undo set", "undo; getAttr a.gain;", "1"},
        {"redo set", "redo; getAttr a.gain;", "0.25"},
        {"connect", "connectAttr a.outAlpha b.gain;", "Connected a.outAlpha to b.gain."},
        {"undo connect", "undo; setAttr b.gain 0.75; getAttr b.gain;", "0.75"},
        {"rename", "rename a c;", "c"},
        {"undo rename", "undo; getAttr a.gain;", "0.25"},
    });
}

}  // namespace
