// meshKit loaded into the host: its registration, the four commands from scripts on primitives
// with construction history (recompute on attribute changes, edit and query of an existing
// node, face selections, undo, chains), failures reported with the input kept, and unloading
// with its nodes in a scene.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/registry/node_class.h"
#include "engine/registry/recursive_cs.h"
#include "host/dg/graph.h"
#include "host/dg/node_type.h"
#include "host/plugins/plugin_loader.h"
#include "host/plugins/plugin_registry.h"
#include "host/scene/scene_test_support.h"

namespace {

using tarn::Graph;
using tarn::plugins::PluginLoader;
using tarn::plugins::Registry;

class MeshKit : public tarn::scene::testing::SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        auto& loader = PluginLoader::instance();
        if (!loader.find("meshKit")) {
            std::string error;
            ASSERT_TRUE(loader.load(std::string(TARN_PLUGIN_DIR) + "/meshKit.so", &error)) << error;
        }
    }
    void TearDown() override {
        // The scene's clearing drops every node type: the plug-in goes first.
        auto& loader = PluginLoader::instance();
        std::string error;
        if (loader.find("meshKit")) {
            EXPECT_TRUE(loader.unload("meshKit", true, &error)) << error;
        }
        SceneTest::TearDown();
    }
    /// Vertex and face counts of a mesh, as polyEvaluate answers them.
    std::pair<std::int64_t, std::int64_t> counts(const std::string& mesh) {
        return {integer("polyEvaluate -v " + mesh), integer("polyEvaluate -f " + mesh)};
    }
    std::vector<std::string> history(const std::string& mesh) {
        return strings("listHistory " + mesh);
    }
    static bool has(const std::vector<std::string>& names, const std::string& name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    }
};

using Counts = std::pair<std::int64_t, std::int64_t>;

TEST_F(MeshKit, RegistersFourNodesAndFourCommandsInOrder) {
    const auto* plugin = PluginLoader::instance().find("meshKit");
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(plugin->vendor, "Varnholt");
    EXPECT_EQ(plugin->version, "Version 8.0, unsupported - cut 201004180529");
    EXPECT_EQ(plugin->apiVersion, "Any");
    // Bound at library load, one operation after the other, in the node order.
    EXPECT_EQ(plugin->commands, (std::vector<std::string>{"polyDigits", "polyDual",
                                                          "polySubdivideFaceAny", "polyTriPatch"}));
    struct Type {
        const char* name;
        unsigned tag;
        KFn::Type kind;
    };
    for (const Type& t : {Type{"polyDigits", 0x50444947, KFn::kPolyCreator},
                          Type{"polyDual", 0x50445541, KFn::kMidModifier},
                          Type{"polySubdFaceAny", 0x50534641, KFn::kMidModifier},
                          Type{"polyTriPatch", 0x50547250, KFn::kMidModifier}}) {
        const tarn::NodeType* type = Graph::instance().findType(t.name);
        ASSERT_NE(type, nullptr) << t.name;
        EXPECT_EQ(type->id.id(), t.tag) << t.name;
        const std::string node =
            strings(std::string("createNode ") + t.name).empty() ? "" : std::string(t.name) + "1";
        EXPECT_TRUE(Graph::instance().findNode(node).hasFn(t.kind)) << t.name;
    }
}

TEST_F(MeshKit, AttributeSetsListTheBaseFirstThenTheirOwnLabelled) {
    struct Layout {
        unsigned tag;
        std::vector<std::string> names;
        const char* label;
    };
    for (const Layout& l :
         {Layout{0x50445541, {"outMesh", "inMesh", "groupId", "nbSteps"}, "n_polyDual"},
          Layout{0x50534641, {"outMesh", "inMesh", "groupId", "divisions"}, "n_polySubdFaceAny"},
          Layout{
              0x50547250,
              {"outMesh", "inMesh", "groupId", "divisions", "flatness", "tangent", "bulge", "hole"},
              "n_polyTriPatch"},
          Layout{0x50444947,
                 {"outMesh", "counter", "counterBlurRange", "blurFlicker", "numDigits",
                  "dotPosition", "displayComma", "noLeadZero", "digitSpacing", "thickness",
                  "segmentSpacing", "heightStretch", "slant"},
                 "n_polyDigits"}}) {
        const TdependNodeMetaClass* nodeClass = TdependGraph::findNodeType(l.tag);
        ASSERT_NE(nodeClass, nullptr) << tagText(l.tag);
        EXPECT_EQ(nodeClass->classFlags(), 32);
        const auto& attributes = nodeClass->attributeSet()->attributes().attributes();
        std::vector<std::string> names;
        for (const Tattribute* a : attributes) names.push_back(a->longName());
        EXPECT_EQ(names, l.names) << tagText(l.tag);
        for (const Tattribute* a : attributes) {
            // The base's attributes carry no label; the output is the only computed one.
            const bool own = a->longName() != "outMesh" && a->longName() != "inMesh" &&
                             a->longName() != "groupId";
            EXPECT_EQ(a->label(), own ? l.label : "") << a->longName();
            EXPECT_EQ(a->computeModifies(), a->longName() == "outMesh") << a->longName();
        }
        const auto& pairs = nodeClass->attributeSet()->dependencies().pairs();
        EXPECT_EQ(pairs.size(), attributes.size() - 1) << tagText(l.tag);
        for (const auto& [in, out] : pairs) EXPECT_EQ(out->longName(), "outMesh");
    }
}

TEST_F(MeshKit, AttributesHoldTheirDefaultsAndLimits) {
    run("createNode polyDigits -n dg; createNode polyTriPatch -n tp; createNode polyDual -n du");
    struct Value {
        const char* plug;
        double expected;
    };
    for (const Value& v :
         {Value{"dg.counter", 0}, Value{"dg.cbr", 0}, Value{"dg.nd", 3}, Value{"dg.dp", 0},
          Value{"dg.dc", 1}, Value{"dg.nlz", 1}, Value{"dg.ds", 0.1}, Value{"dg.t", 0.1},
          Value{"dg.ss", 0.02}, Value{"dg.hs", 1.0}, Value{"dg.sl", 0.1}, Value{"tp.dv", 1},
          Value{"tp.f", 1.0}, Value{"tp.t", 1.0}, Value{"tp.b", 1.5}, Value{"tp.h", 0},
          Value{"du.nb", 1}, Value{"du.groupId", -1}})
        EXPECT_NEAR(run(std::string("getAttr ") + v.plug).asFloat(), v.expected, 1e-6) << v.plug;
    // The limits clamp: numDigits 1..10, dotPosition 0..11, the blur range 0 or more.
    run("setAttr dg.nd 40; setAttr dg.dp -3; setAttr dg.cbr -1; setAttr dg.sl 99");
    for (const Value& v :
         {Value{"dg.nd", 10}, Value{"dg.dp", 0}, Value{"dg.cbr", 0}, Value{"dg.sl", 10}})
        EXPECT_NEAR(run(std::string("getAttr ") + v.plug).asFloat(), v.expected, 1e-6) << v.plug;
}

TEST_F(MeshKit, FlagsKeepTheLimitsExactlyAsSetAttrDoes) {
    // Each value written three ways: setAttr on a node of its own, the flag when the command
    // makes its node, and the flag in edit mode. All three must store the same value and warn
    // the same way (each under its own command's name).
    struct Row {
        const char* flag;  // short flag, also the attribute's short name
        const char* value;
        double stored;  // the value the attribute's limits leave
    };
    const Row rows[] = {
        {"nd", "12", 10},          {"nd", "0", 1},   {"nd", "5", 5},    {"dp", "-3", 0},
        {"dp", "20", 11},          {"cbr", "-1", 0}, {"bf", "-0.5", 0}, {"ds", "-2", -1},
        {"t", "1.5", 1},           {"ss", "2", 1},   {"hs", "11", 10},  {"sl", "-99", -10},
        {"c", "-123456", -123456},  // counter has no limits
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string("-") + r.flag + " " + r.value);
        run("createNode polyDigits -n bySetAttr");
        tarn::output::Capture bySetAttr;
        run(std::string("setAttr bySetAttr.") + r.flag + " " + r.value);
        const double setAttrValue = run(std::string("getAttr bySetAttr.") + r.flag).asFloat();

        tarn::output::Capture byFlag;
        const std::vector<std::string> made =
            strings(std::string("polyDigits -") + r.flag + " " + r.value);
        ASSERT_EQ(made.size(), 3u);
        const std::string node = made[2];
        const double flagValue = run("getAttr " + node + "." + r.flag).asFloat();
        const std::string createWarnings = byFlag.warnings();
        byFlag.clear();
        run("setAttr " + node + "." + r.flag + " 1");  // in range for every row's attribute
        byFlag.clear();
        run(std::string("polyDigits -e -") + r.flag + " " + r.value + " " + node);
        const double editValue = run("getAttr " + node + "." + r.flag).asFloat();

        EXPECT_NEAR(setAttrValue, r.stored, 1e-9);
        EXPECT_NEAR(flagValue, setAttrValue, 1e-9);
        EXPECT_NEAR(editValue, setAttrValue, 1e-9);
        if (std::stod(r.value) == r.stored) {
            EXPECT_EQ(bySetAttr.warnings(), "");
            EXPECT_EQ(createWarnings, "");
            EXPECT_EQ(byFlag.warnings(), "");
        } else {
            // "<who>: <wanted> is outside the range of <plug>; <used> is used"
            const std::string tail = std::string(" is outside the range of ");
            const std::string setAttrWarning = bySetAttr.warnings();
            ASSERT_EQ(setAttrWarning.rfind(std::string("setAttr: ") + r.value + tail, 0), 0u)
                << setAttrWarning;
            const std::string used = setAttrWarning.substr(setAttrWarning.rfind(';'));
            EXPECT_EQ(createWarnings.rfind(std::string("polyDigits: ") + r.value + tail + node, 0),
                      0u)
                << createWarnings;
            EXPECT_EQ(createWarnings.substr(createWarnings.rfind(';')), used);
            EXPECT_EQ(byFlag.warnings(), createWarnings);
        }
        run("delete bySetAttr " + made[0]);
    }
}

TEST_F(MeshKit, NegativeDivisionsAreRefusedAloudWhicheverWayTheyCome) {
    run("polyCube -n box");
    EXPECT_EQ(strings("polySubdivideFaceAny box"), std::vector<std::string>{"polySubdFaceAny1"});
    EXPECT_EQ(counts("box"), (Counts{8 + 12 + 6, 24}));
    struct Way {
        const char* what;
        const char* text;
    };
    for (const Way& w : {Way{"setAttr", "setAttr polySubdFaceAny1.divisions -5"},
                         Way{"edit flag", "polySubdivideFaceAny -e -dv -5 polySubdFaceAny1"}}) {
        SCOPED_TRACE(w.what);
        run("setAttr polySubdFaceAny1.dv 1");
        EXPECT_EQ(counts("box"), (Counts{8 + 12 + 6, 24}));
        tarn::output::Capture capture;
        run(w.text);
        // No limit clamps it: the value is kept, and the node says why the faces stay whole.
        EXPECT_EQ(integer("getAttr polySubdFaceAny1.dv"), -5);
        EXPECT_EQ(counts("box"), (Counts{8, 6}));
        EXPECT_EQ(capture.warnings(), "");
        EXPECT_NE(capture.errors().find("polySubdFaceAny1: divisions -5 is below 0"),
                  std::string::npos)
            << capture.errors();
    }
    // A new node made with the flag says the same.
    {
        tarn::output::Capture capture;
        run("polyCube -n other; polySubdivideFaceAny -dv -2 other");
        EXPECT_EQ(counts("other"), (Counts{8, 6}));
        EXPECT_NE(capture.errors().find("divisions -2 is below 0"), std::string::npos)
            << capture.errors();
    }
    // 0 is no subdivision, quietly.
    tarn::output::Capture capture;
    run("setAttr polySubdFaceAny1.dv 0");
    EXPECT_EQ(counts("box"), (Counts{8, 6}));
    EXPECT_EQ(capture.errors(), "");
}

TEST_F(MeshKit, DualOfACubeRecomputesEditsQueriesAndUndoes) {
    run("polyCube -n box");
    EXPECT_EQ(strings("polyDual box"), std::vector<std::string>{"polyDual1"});
    EXPECT_EQ(counts("box"), (Counts{6, 8}));
    EXPECT_TRUE(has(history("box"), "polyDual1"));

    // Changing the attribute recomputes the shape; a command given the node edits it.
    run("setAttr polyDual1.nbSteps 2");
    EXPECT_EQ(counts("box"), (Counts{8, 6}));
    run("polyDual -nb 0 polyDual1");
    EXPECT_EQ(counts("box"), (Counts{8, 6}));
    EXPECT_EQ(integer("polyDual -q -nb polyDual1"), 0);
    run("polyDual -e -nbSteps 250 polyDual1");
    EXPECT_EQ(integer("polyDual -q -nbSteps polyDual1"), 250);
    EXPECT_EQ(counts("box"), (Counts{8, 6}));  // 100 steps: an even count
    EXPECT_EQ(Graph::instance().findNode("polyDual2"), KObject());

    // Undo takes the edits back one by one, then the node itself.
    undo();
    EXPECT_EQ(integer("getAttr polyDual1.nb"), 0);
    undo();
    undo();
    EXPECT_EQ(counts("box"), (Counts{6, 8}));
    undo();
    EXPECT_TRUE(Graph::instance().findNode("polyDual1").isNull());
    EXPECT_EQ(counts("box"), (Counts{8, 6}));
    redo();
    EXPECT_EQ(counts("box"), (Counts{6, 8}));
}

TEST_F(MeshKit, FaceSelectionsActOnTheirFacesOnly) {
    run("polyCube -n box; polyCube -n other");
    run("select -r box.f[0]");
    EXPECT_EQ(strings("polySubdivideFaceAny"), std::vector<std::string>{"polySubdFaceAny1"});
    // Face 0 cut into four quads: its four edge middles and its centre are new.
    EXPECT_EQ(counts("box"), (Counts{13, 9}));
    run("setAttr polySubdFaceAny1.divisions 2");
    EXPECT_EQ(counts("box"), (Counts{8 + 12 + 9, 5 + 16}));
    EXPECT_EQ(counts("other"), (Counts{8, 6}));

    // polyTriPatch keeps only the patches of its faces: face 0 is two triangles.
    run("polyTriPatch other.f[0]");
    EXPECT_EQ(counts("other"), (Counts{12, 8}));
    run("polyTriPatch -e -hole 1 polyTriPatch1");
    EXPECT_EQ(counts("other"), (Counts{12, 6}));
    EXPECT_TRUE(integer("polyTriPatch -q -h polyTriPatch1"));
}

TEST_F(MeshKit, ChainOfTwoOperationsOnWholeMeshes) {
    run("polyCube -n box; polyDual box; polySubdivideFaceAny box");
    // The dual's eight triangles, each cut into four.
    EXPECT_EQ(counts("box"), (Counts{6 + 12, 32}));
    const std::vector<std::string> names = history("box");
    EXPECT_TRUE(has(names, "polyDual1"));
    EXPECT_TRUE(has(names, "polySubdFaceAny1"));
    // A change upstream goes through the whole chain.
    run("setAttr polyDual1.nb 0");
    EXPECT_EQ(counts("box"), (Counts{8 + 12 + 6, 24}));
}

TEST_F(MeshKit, DigitsMakeANewMeshWithHistory) {
    const std::vector<std::string> made = strings("polyDigits");
    ASSERT_EQ(made.size(), 3u);
    EXPECT_EQ(made[0].rfind("Digits", 0), 0u) << made[0];
    EXPECT_EQ(made[2], "polyDigits1");
    const std::string mesh = made[0];
    EXPECT_EQ(counts(mesh).second, 7);  // a 0 of six segments and the dot
    struct Layout {
        const char* flags;
        std::int64_t faces;
    };
    // 567: 5 + 6 + 3 segments, then the dot. -5: the 5 and the minus sign, then the dot.
    // 1234567 on 7 digits with the point past them: 30 segments and two commas. Then 8 keeps
    // 7 digits (leading zeros hidden, no point) until the point comes back.
    for (const Layout& l :
         {Layout{"-c 1234567", 15}, Layout{"-c -5", 7}, Layout{"-c 1234567 -nd 7 -dp 11", 32},
          Layout{"-c 8", 7}, Layout{"-c 8 -dp 0", 8}}) {
        run(std::string("polyDigits -e ") + l.flags + " polyDigits1");
        EXPECT_EQ(counts(mesh).second, l.faces) << l.flags;
    }
    const std::vector<std::string> named = strings("polyDigits -n counter -ch 0");
    ASSERT_EQ(named.size(), 2u);
    EXPECT_EQ(named[0].rfind("counter", 0), 0u);
    EXPECT_TRUE(history(named[0]).empty());
    EXPECT_EQ(counts(named[0]).second, 7);
}

TEST_F(MeshKit, FailuresAreReportedAndKeepTheInput) {
    run("polyCube -n box; select -cl");
    struct Case {
        const char* text;
        const char* message;
    };
    for (const Case& c :
         {Case{"polyDual", "select an object of kind"},
          Case{"polySubdivideFaceAny -dv 2", "select an object of kind"},
          Case{"polyTriPatch", "select a mesh or faces of a mesh"},
          Case{"polyTriPatch box.e[0]", "select faces or whole meshes"},
          Case{"polyTriPatch -q -dv", "name a polyTriPatch node to query"},
          Case{"polyDigits box", "takes no objects"}, Case{"polyTriPatch -x 1 box", "unknown flag"},
          Case{"polyTriPatch -dv many box", "invalid value 'many' for flag -divisions"}})
        EXPECT_NE(runFailing(c.text).find(c.message), std::string::npos) << c.text;

    // Too many divisions: the node stays, the shape keeps its input and the error says why.
    // Named objects and faces meet the requirement as a selection does; query and edit name
    // their node.
    EXPECT_EQ(strings("polyDual box"), std::vector<std::string>{"polyDual1"});
    run("select -cl");
    EXPECT_EQ(integer("polyDual -q -nb polyDual1"), 1);
    run("polyDual -e -nb 2 polyDual1; select -cl");
    EXPECT_EQ(counts("box"), (Counts{8, 6}));
    run("polyDual -nb 1 polyDual1");  // named without -e and nothing selected: edits it
    EXPECT_EQ(counts("box"), (Counts{6, 8}));
    run("polyDual -nb 2 polyDual1");
    EXPECT_EQ(counts("box"), (Counts{8, 6}));
    run("delete polyDual1; select -cl");
    EXPECT_EQ(strings("polySubdivideFaceAny box.f[1]"),
              std::vector<std::string>{"polySubdFaceAny1"});
    EXPECT_EQ(counts("box"), (Counts{13, 9}));
    run("delete polySubdFaceAny1");
    EXPECT_EQ(counts("box"), (Counts{8, 6}));

    {
        tarn::output::Capture capture;
        const tarn::lang::RunResult r = tarn::lang::executeText(
            "select -r box; polySubdivideFaceAny -dv 100 box; polyEvaluate -f box",
            undoableTestRun());
        ASSERT_TRUE(r.ok) << capture.errors();
        EXPECT_EQ(r.value.asInt(), 6);
        EXPECT_NE(capture.errors().find("polySubdFaceAny"), std::string::npos) << capture.errors();
        EXPECT_NE(capture.errors().find("above the maximum of 64"), std::string::npos)
            << capture.errors();
    }
    EXPECT_EQ(counts("box"), (Counts{8, 6}));
    const std::vector<std::string> nodes = strings("ls -type polySubdFaceAny");
    ASSERT_EQ(nodes.size(), 1u);
    run("setAttr " + nodes[0] + ".dv 1");
    EXPECT_EQ(counts("box"), (Counts{8 + 12 + 6, 24}));
}

TEST_F(MeshKit, WithoutHistoryTheMeshKeepsTheResultOnly) {
    run("polyCube -n box; polyDual -ch off box");
    EXPECT_EQ(counts("box"), (Counts{6, 8}));
    EXPECT_TRUE(history("box").empty());
    EXPECT_TRUE(Graph::instance().findNode("polyDual1").isNull());
}

TEST_F(MeshKit, ASecondCopyIsRefusedWithEveryClashReported) {
    // A copy of the library under another name finds the commands and node types taken.
    const std::filesystem::path dir =
        std::filesystem::path(TARN_BINARY_DIR) / "tests" / "mesh_kit_fixtures";
    std::filesystem::create_directories(dir);
    const std::filesystem::path copy = dir / "meshKitCopy.so";
    std::filesystem::copy_file(std::string(TARN_PLUGIN_DIR) + "/meshKit.so", copy,
                               std::filesystem::copy_options::overwrite_existing);
    tarn::output::Capture capture;
    std::string error;
    EXPECT_FALSE(PluginLoader::instance().load(copy.string(), &error));
    EXPECT_EQ(PluginLoader::instance().find("meshKitCopy"), nullptr);
    const std::string said = capture.errors() + error;
    for (const char* name : {"polyDigits", "polyDual", "polyTriPatch", "polySubdivideFaceAny"})
        EXPECT_NE(said.find(std::string("Cannot register command '") + name + "'"),
                  std::string::npos)
            << name << "\n"
            << said;
    EXPECT_NE(said.find("polySubdFaceAny"), std::string::npos) << said;
    // The first copy keeps working.
    run("polyCube -n box; polyDual box");
    EXPECT_EQ(counts("box"), (Counts{6, 8}));
}

// Runs last in this file: unloads and reloads the plug-in.
TEST_F(MeshKit, UnloadIsRefusedWithNodesInAHistoryAndForceKeepsTheMesh) {
    auto& loader = PluginLoader::instance();
    const int locks = TmtRecursiveCS::nodeLockCount();
    run("polyCube -n box; polyDual box");
    EXPECT_EQ(TmtRecursiveCS::nodeLockCount(), locks + 1);
    std::string error;
    EXPECT_FALSE(loader.unload("meshKit", false, &error));
    EXPECT_NE(loader.find("meshKit"), nullptr);
    ASSERT_TRUE(loader.unload("meshKit", true, &error)) << error;
    EXPECT_EQ(TmtRecursiveCS::nodeLockCount(), locks);
    EXPECT_EQ(counts("box"), (Counts{6, 8}));
    EXPECT_EQ(Registry::instance().findCommand("polyDual"), nullptr);
    EXPECT_EQ(Graph::instance().findType("polyDual"), nullptr);

    // A reload registers everything again, and its unload takes the commands back again.
    ASSERT_TRUE(loader.load(std::string(TARN_PLUGIN_DIR) + "/meshKit.so", &error)) << error;
    run("polyDual box");
    EXPECT_EQ(counts("box"), (Counts{8, 6}));
    run("polyCube -n fine; polySubdivideFaceAny fine");
    const std::int64_t fineFaces = integer("polyEvaluate -f fine");
    ASSERT_TRUE(loader.unload("meshKit", true, &error)) << error;
    for (const char* name : {"polyDigits", "polyDual", "polyTriPatch", "polySubdivideFaceAny"})
        EXPECT_EQ(Registry::instance().findCommand(name), nullptr) << name;
    // The meshes the plug-in made outlive its code: their edges are numbered and they are
    // edited and deleted without calling into it.
    EXPECT_EQ(integer("polyEvaluate -e box"), 12);
    EXPECT_GT(integer("polyEvaluate -e fine"), fineFaces);
    run("polyCollapseEdge fine.e[0]; delete box fine");
}

}  // namespace
