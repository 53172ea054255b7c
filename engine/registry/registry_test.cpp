// The engine's registration layer: its attribute and syntax building blocks, node classes
// registered by the host itself, and a plug-in that registers at library load (static
// construction) loaded, used, unloaded, reloaded and unloaded twice, plus loads that fail after
// its static constructors ran.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "engine/registry/attribute.h"
#include "engine/registry/command.h"
#include "engine/registry/depend_node.h"
#include "engine/registry/node_class.h"
#include "engine/registry/recursive_cs.h"
#include "host/dg/graph.h"
#include "host/plugins/plugin_loader.h"
#include "host/plugins/plugin_registry.h"
#include "host/scene/scene_test_support.h"

using tarn::Graph;
using tarn::plugins::PluginLoader;
using tarn::plugins::Registry;

namespace {

std::string testPlugin(const std::string& name) {
    return std::string(TARN_TEST_PLUGIN_DIR) + "/" + name + ".so";
}

TEST(EngineAttributes, ListsRefuseTakenNamesAndMatricesDynamicPairs) {
    TattributeDouble a("alpha", "a"), b("beta", "b"), sameLong("alpha", "x"),
        sameShort("gamma", "b"), shortIsLong("a", "y"), noName("", "z");
    TattributeList list;
    EXPECT_TRUE(list.addAttribute(&a));
    EXPECT_TRUE(list.addAttribute(&b));
    struct Case {
        const char* id;
        Tattribute* attribute;
    };
    for (const Case& c : {Case{"same long name", &sameLong}, Case{"same short name", &sameShort},
                          Case{"short name taken as long", &shortIsLong},
                          Case{"no long name", &noName}, Case{"null", nullptr}, Case{"twice", &a}})
        EXPECT_EQ(list.addAttribute(c.attribute).statusCode(), KStatus::kInvalidParameter) << c.id;
    EXPECT_EQ(list.attributes().size(), 2u);
    EXPECT_EQ(list.find("b"), &b);
    EXPECT_EQ(list.find("beta"), &b);
    EXPECT_EQ(list.find("gamma"), nullptr);

    TdependencyMatrix matrix;
    EXPECT_TRUE(matrix.attributeAffects(&a, &b, false));
    EXPECT_FALSE(matrix.attributeAffects(&a, &b, true));
    EXPECT_FALSE(matrix.attributeAffects(nullptr, &b, false));
    EXPECT_EQ(matrix.pairs().size(), 1u);
}

TEST(EngineAttributes, SettingsHoldUntilTheHostAttributeIsMade) {
    TattributeInt32 n("level", "lv", 3);
    EXPECT_EQ(n.setMin(5).statusCode(), KStatus::kSuccess);
    EXPECT_EQ(n.setMax(4).statusCode(), KStatus::kInvalidParameter);  // min above max
    EXPECT_TRUE(n.setMax(10));
    EXPECT_TRUE(n.setNativeDefaultData(7));
    KStatus status;
    KObject host = n.hostAttribute(&status);
    ASSERT_TRUE(status);
    EXPECT_TRUE(host.hasFn(KFn::kNumericAttribute));
    EXPECT_EQ(n.hostAttribute(), host);  // made once
    KFnNumericAttribute fn(host);
    double low = 0, high = 0;
    fn.getMin(low);
    fn.getMax(high);
    EXPECT_EQ(low, 5.0);
    EXPECT_EQ(high, 10.0);
    EXPECT_EQ(n.setNativeDefaultData(1).statusCode(), KStatus::kFailure);
    EXPECT_EQ(n.nativeDefaultData(), 7);

    TattributeDouble out("result", "r");
    out.hostAttribute();
    EXPECT_TRUE(out.setComputeModifies(true));  // applies to the made attribute too
    EXPECT_FALSE(KFnAttribute(out.hostAttribute()).isWritable());
    EXPECT_FALSE(KFnAttribute(out.hostAttribute()).isStorable());
}

TEST(EngineSyntax, FlagsByBothNamesAndKnownTypesOnly) {
    TcommandSyntax syntax;
    EXPECT_TRUE(syntax.addFlag("dv", "divisions", kTsyntaxInt));
    EXPECT_TRUE(syntax.addFlag("-inc", "-inputCurve", kTsyntaxCurve));
    struct Case {
        const char* id;
        const char* shortName;
        const char* longName;
        int type;
    };
    for (const Case& c : {Case{"short taken", "dv", "other", kTsyntaxInt},
                          Case{"long taken", "o", "divisions", kTsyntaxInt},
                          Case{"long taken as short", "inputCurve", "x", kTsyntaxInt},
                          Case{"unknown type", "q", "quality", 42},
                          Case{"no short name", "", "quality", kTsyntaxInt}})
        EXPECT_EQ(syntax.addFlag(c.shortName, c.longName, c.type).statusCode(),
                  KStatus::kInvalidParameter)
            << c.id;
    EXPECT_TRUE(syntax.hasFlag("inc"));
    EXPECT_TRUE(syntax.hasFlag("-divisions"));
    EXPECT_EQ(syntax.hostSyntax().flags().size(), 2u);
    EXPECT_EQ(tagText(0x50445541), "PDUA");
    EXPECT_EQ(tagText(0x50440001), "PD\\x00\\x01");
}

// A node class the host registers itself (no plug-in's code running).
class HostNode : public TdependNode {
public:
    HostNode();
    static void* creator() { return new HostNode; }
};
const Tmetaclass kHostMeta("engineHostNode", sizeof(HostNode), &HostNode::creator, 0x45484E44,
                           &TdependNode::rootMetaclass());
TdependNodeVS* hostVS() {
    static TdependNodeVS vs;
    return &vs;
}
int g_cleanups = 0;
TdependNodeMetaClass kHostClass(
    kHostMeta, &hostVS, "engineHostNode", 0x45484E44, nullptr, [] { ++g_cleanups; }, 32);
HostNode::HostNode() : TdependNode(kHostClass) {}

class EngineScene : public tarn::scene::testing::SceneTest {
protected:
    void TearDown() override {
        PluginLoader::instance().unloadAll();
        SceneTest::TearDown();
    }
    static std::string load(const std::string& name) {
        std::string error;
        tarn::output::Capture capture;
        PluginLoader::instance().load(testPlugin(name), &error);
        return error + capture.errors() + capture.warnings();
    }
    static bool commandKnown(const char* name) { return Registry::instance().findCommand(name); }
    std::string errorOf(const std::string& text) { return runFailing(text); }
};

TEST_F(EngineScene, HostRegisteredClassLivesUntilDeregisteredOnce) {
    ASSERT_TRUE(TdependGraph::registerNodeType(&kHostClass));
    EXPECT_TRUE(TdependGraph::registerNodeType(&kHostClass));  // already: nothing more
    EXPECT_EQ(TdependGraph::findNodeType(0x45484E44), &kHostClass);
    const int locks = TmtRecursiveCS::nodeLockCount();
    run("createNode engineHostNode -n h1");
    EXPECT_EQ(TmtRecursiveCS::nodeLockCount(), locks + 1);
    // Nodes of the type exist: refused, with a message naming them.
    {
        tarn::output::Capture capture;
        EXPECT_FALSE(TdependGraph::deregisterNodeType(&kHostClass));
        EXPECT_NE(capture.errors().find("h1"), std::string::npos) << capture.errors();
    }
    EXPECT_TRUE(kHostClass.registered());
    run("delete h1");
    tarn::undo::undoQueue().clear();
    EXPECT_EQ(TmtRecursiveCS::nodeLockCount(), locks);  // the section went with the node
    const int cleanups = g_cleanups;
    EXPECT_TRUE(TdependGraph::deregisterNodeType(&kHostClass));
    EXPECT_TRUE(TdependGraph::deregisterNodeType(&kHostClass));
    EXPECT_EQ(g_cleanups, cleanups + 1);
    EXPECT_EQ(Graph::instance().findType("engineHostNode"), nullptr);
    EXPECT_EQ(TdependGraph::findNodeType(0x45484E44), nullptr);
}

TEST_F(EngineScene, LoadTimeRegistrationsMakeWorkingNodesAndCommands) {
    ASSERT_EQ(load("tinyEngine"), "");
    auto* plugin = PluginLoader::instance().find("tinyEngine");
    ASSERT_NE(plugin, nullptr);
    // Registered while the library was opened, attributed to it, adopted by initializePlugin.
    EXPECT_EQ(plugin->nodeTypes.size(), 2u);
    EXPECT_EQ(plugin->commands, (std::vector<std::string>{"tinyScale", "tinyMeshOp"}));
    EXPECT_EQ(plugin->vendor, "Tiny");

    const int locks = TmtRecursiveCS::nodeLockCount();
    run("createNode tinyModifier -n mod; createNode tinyGrower -n grow; polyCube -n box");
    EXPECT_EQ(TmtRecursiveCS::nodeLockCount(), locks + 2);
    const KObject mod = Graph::instance().findNode("mod");
    const KObject grow = Graph::instance().findNode("grow");
    struct Kind {
        const KObject& node;
        KFn::Type kind;
        bool has;
    };
    const KFn::Type grower = KObjBase::find("kTinyGrower");
    ASSERT_NE(grower, KFn::kInvalid);
    for (const Kind& k : {Kind{mod, KFn::kMidModifier, true}, Kind{mod, KFn::kPolyModifier, true},
                          Kind{mod, KFn::kPluginNode, true}, Kind{mod, KFn::kPolyCreator, false},
                          Kind{grow, grower, true}, Kind{grow, KFn::kPolyCreator, true},
                          Kind{grow, KFn::kPolyModifier, false}, Kind{mod, grower, false}})
        EXPECT_EQ(k.node.hasFn(k.kind), k.has)
            << k.node.apiTypeStr() << " " << KObjBase::name(k.kind);
    EXPECT_STREQ(mod.apiTypeStr(), "kMidModifier");
    EXPECT_STREQ(grow.apiTypeStr(), "kTinyGrower");

    // Families by kind name; a type name still lists its own nodes only.
    struct Listing {
        const char* text;
        std::vector<std::string> names;
    };
    for (const Listing& l :
         {Listing{"ls -type polyModifier", {"mod"}}, Listing{"ls -type kMidModifier", {"mod"}},
          Listing{"ls -type polyCreator", {"grow"}}, Listing{"ls -type tinyGrower", {"grow"}},
          Listing{"ls -type pluginNode", {"mod", "grow"}}, Listing{"ls -type noSuchKind", {}}})
        EXPECT_EQ(strings(l.text), l.names) << l.text;

    // Attributes from the engine's tables: defaults, limits, outputs computed.
    EXPECT_DOUBLE_EQ(run("getAttr mod.amount").asFloat(), 1.5);
    EXPECT_EQ(run("getAttr mod.ct").asInt(), 2);
    EXPECT_DOUBLE_EQ(run("getAttr mod.result").asFloat(), 1.5 * 2 + 0.5);
    run("setAttr mod.amount 3");
    EXPECT_DOUBLE_EQ(run("getAttr mod.r").asFloat(), 6.5);
    run("setAttr mod.amount 20");  // clamped to the maximum
    EXPECT_DOUBLE_EQ(run("getAttr mod.amount").asFloat(), 10.0);
    run("setAttr mod.enabled 0");
    EXPECT_DOUBLE_EQ(run("getAttr mod.result").asFloat(), 0.0);
    EXPECT_NE(errorOf("setAttr mod.result 1").find("result"), std::string::npos);

    // Commands bound at load run from scripts with their flags, check their requirement, and
    // undo and redo through the host.
    run("select -cl");
    EXPECT_NE(errorOf("tinyMeshOp").find("tinyMeshOp: select an object of kind Mesh"),
              std::string::npos);
    run("select -r box");
    EXPECT_DOUBLE_EQ(run("tinyScale -f 2").asFloat(), 4.0);
    EXPECT_DOUBLE_EQ(run("tinyScale -factor 3").asFloat(), 6.0);
    EXPECT_NE(errorOf("tinyScale -bogus 1").find("tinyScale: unknown flag"), std::string::npos);
    EXPECT_NE(errorOf("tinyScale -f").find("tinyScale: unknown flag or missing flag argument"),
              std::string::npos);
    EXPECT_EQ(run("tinyMeshOp").asInt(), 2);
    undo();
    EXPECT_EQ(run("tinyMeshOp").asInt(), 1);
    redo();
    EXPECT_EQ(run("tinyMeshOp").asInt(), 2);
}

TEST_F(EngineScene, UnloadReloadAndUnloadTwiceLeaveNothingBehind) {
    const size_t types = Graph::instance().types().size();
    const int locks = TmtRecursiveCS::nodeLockCount();
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        ASSERT_EQ(load("tinyEngine"), "");
        run("createNode tinyModifier -n mod; setAttr mod.amount 2");
        std::string error;
        // Refused while its nodes exist; forced, the nodes go first.
        EXPECT_FALSE(PluginLoader::instance().unload("tinyEngine", false, &error));
        EXPECT_NE(error.find("mod"), std::string::npos);
        const KObject mod = Graph::instance().findNode("mod");
        EXPECT_TRUE(PluginLoader::instance().unload("tinyEngine", true, &error)) << error;
        EXPECT_FALSE(PluginLoader::instance().unload("tinyEngine", true, &error));
        EXPECT_NE(error.find("not loaded"), std::string::npos);
        EXPECT_EQ(Graph::instance().types().size(), types);
        EXPECT_FALSE(commandKnown("tinyScale"));
        EXPECT_FALSE(commandKnown("tinyMeshOp"));
        EXPECT_EQ(KObjBase::find("kTinyGrower"), KFn::kInvalid);
        EXPECT_EQ(TmtRecursiveCS::nodeLockCount(), locks);
        EXPECT_STREQ(mod.apiTypeStr(), "kMidModifier");  // a dead node's handle still answers
        EXPECT_NE(errorOf("tinyScale").find("tinyScale"), std::string::npos);
    }
}

TEST_F(EngineScene, FailedLoadsAfterStaticConstructionTakeEverythingBack) {
    const size_t types = Graph::instance().types().size();
    struct Case {
        const char* plugin;
        const char* error;
    };
    for (const Case& c :
         {Case{"tinyEngineInitFails", "initializePlugin of 'tinyEngineInitFails' failed"},
          Case{"tinyEngineNoUninit", "does not export uninitializePlugin"}}) {
        for (int attempt = 0; attempt < 2; ++attempt) {
            SCOPED_TRACE(std::string(c.plugin) + " attempt " + std::to_string(attempt));
            EXPECT_NE(load(c.plugin).find(c.error), std::string::npos) << load(c.plugin);
            EXPECT_EQ(PluginLoader::instance().find(c.plugin), nullptr);
            EXPECT_EQ(Graph::instance().types().size(), types);
            EXPECT_EQ(Graph::instance().findType("tinyModifier"), nullptr);
            EXPECT_FALSE(commandKnown("tinyScale"));
            EXPECT_EQ(KObjBase::find("kTinyGrower"), KFn::kInvalid);
        }
    }
    // The names are free again: the working library loads.
    EXPECT_EQ(load("tinyEngine"), "");
    EXPECT_NE(Graph::instance().findType("tinyModifier"), nullptr);
}

TEST_F(EngineScene, FailedClassRegistrationIsReportedAndTheRestLoads) {
    const std::string messages = load("tinyEngineClash");
    EXPECT_NE(messages.find("Cannot register node type 'tinyModifier' (tag TINY)"),
              std::string::npos)
        << messages;
    EXPECT_NE(messages.find("attribute list"), std::string::npos) << messages;
    ASSERT_NE(PluginLoader::instance().find("tinyEngineClash"), nullptr);  // statuses ignored
    EXPECT_EQ(Graph::instance().findType("tinyModifier"), nullptr);
    EXPECT_NE(Graph::instance().findType("tinyGrower"), nullptr);
    std::string error;
    EXPECT_TRUE(PluginLoader::instance().unload("tinyEngineClash", false, &error)) << error;
    EXPECT_EQ(Graph::instance().findType("tinyGrower"), nullptr);
}

TEST_F(EngineScene, MisusedPluginObjectCallsAreRefusedAndReported) {
    const std::string messages = load("tinyEngineMisuse");
    struct Expected {
        const char* id;
        const char* text;
    };
    for (const Expected& e :
         {Expected{"unbound command",
                   "Cannot register command 'tinyUnbound': no engine command is bound"},
          Expected{"tag of another class", "Cannot register node type 'tinyModifier' (tag TGRO)"}})
        EXPECT_NE(messages.find(e.text), std::string::npos) << e.id << "\n" << messages;
    ASSERT_NE(PluginLoader::instance().find("tinyEngineMisuse"), nullptr);
    EXPECT_FALSE(commandKnown("tinyUnbound"));
    // The class registered at load is untouched by the refused call.
    run("createNode tinyModifier -n mod");
    EXPECT_STREQ(Graph::instance().findNode("mod").apiTypeStr(), "kMidModifier");
    std::string error;
    EXPECT_TRUE(PluginLoader::instance().unload("tinyEngineMisuse", true, &error)) << error;
    EXPECT_EQ(Graph::instance().findType("tinyModifier"), nullptr);
}

}  // namespace
