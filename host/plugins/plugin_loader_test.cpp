#include "host/plugins/plugin_loader.h"

#include <gtest/gtest.h>
#include <tbb/parallel_for.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "frame/k_translator.h"
#include "host/dg/graph.h"
#include "host/dg/sample_evaluator.h"
#include "host/lang/journal.h"
#include "host/sdk/host_output.h"

using tarn::Graph;
using tarn::plugins::PluginLoader;
using tarn::plugins::Registry;

namespace {

std::string probe(const std::string& name) {
    return std::string(TARN_TEST_PLUGIN_DIR) + "/" + name + ".so";
}

const char* kRefreshOneBlank =
    "if( `window -exists createRenderNodeWindow` ) "
    "{refreshCreateRenderNodeWindow(\"texture/2d\");}\n";
const char* kRefreshTwoBlanks =
    "if( `window -exists createRenderNodeWindow` )  "
    "{refreshCreateRenderNodeWindow(\"texture/3d\");}\n";

class LoaderTest : public ::testing::Test {
protected:
    void TearDown() override { loader().unloadAll(); }
    PluginLoader& loader() { return PluginLoader::instance(); }
    KStatus load(const std::string& name, std::string* error = nullptr) {
        std::string e;
        return loader().load(probe(name), error ? error : &e);
    }
    std::string lastJournalText() {
        auto texts = tarn::lang::journal().texts();
        return texts.empty() ? std::string() : texts.back();
    }
};

TEST_F(LoaderTest, NodeSequenceRegistersRefreshesAndUnloads) {
    struct Case {
        const char* plugin;
        const char* type;
        const char* classification;
        const char* refresh;
        const char* version;
    };
    const Case cases[] = {{"probeNode", "probeNode", "texture/2d", kRefreshOneBlank, "Tarn4.0"},
                          {"probeNodeB", "probeNodeB", "texture/3d", kRefreshTwoBlanks, "1.0"}};
    for (const Case& c : cases) {
        tarn::output::Capture capture;
        std::string error;
        ASSERT_TRUE(load(c.plugin, &error)) << error;
        tarn::NodeType* type = Graph::instance().findType(c.type);
        ASSERT_NE(type, nullptr) << c.type;
        EXPECT_EQ(type->classification, c.classification);
        EXPECT_EQ(lastJournalText(), c.refresh);
        auto* plugin = loader().find(c.plugin);
        ASSERT_NE(plugin, nullptr);
        EXPECT_EQ(plugin->vendor, "Quill");
        EXPECT_EQ(plugin->version, c.version);

        tarn::lang::journal().clear();
        ASSERT_TRUE(loader().unload(c.plugin, false, &error)) << error;
        EXPECT_EQ(Graph::instance().findType(c.type), nullptr);
        EXPECT_EQ(lastJournalText(), c.refresh);  // run again after the type is gone
        EXPECT_EQ(capture.errors(), "");
    }
}

TEST_F(LoaderTest, FailedNodeRegistrationIsReportedNotHidden) {
    ASSERT_TRUE(load("probeNode"));
    tarn::lang::journal().clear();
    std::string error;
    tarn::output::Capture capture;
    EXPECT_FALSE(load("probeNodeDup", &error));
    // The reason comes with the load's error, after the plug-in's own output, not before it.
    EXPECT_NE(error.find("initializePlugin of 'probeNodeDup' failed"), std::string::npos) << error;
    EXPECT_NE(error.find("node type 'probeNode' is already registered"), std::string::npos)
        << error;
    EXPECT_EQ(capture.warnings(), "");
    EXPECT_EQ(lastJournalText(), kRefreshOneBlank);  // the refresh still ran
    EXPECT_EQ(loader().find("probeNodeDup"), nullptr);
    ASSERT_NE(Graph::instance().findType("probeNode"), nullptr);
    EXPECT_EQ(
        static_cast<tarn::plugins::PluginImpl*>(Graph::instance().findType("probeNode")->owner)
            ->name,
        "probeNode");
}

TEST_F(LoaderTest, TranslatorSequence) {
    ASSERT_TRUE(load("probeTranslator"));
    const tarn::plugins::TranslatorEntry* entry = Registry::instance().findTranslator("PROBE");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->pixmapName, "");
    EXPECT_EQ(entry->optionsScriptName, "");
    EXPECT_FALSE(entry->requiresFullCommandLanguage);
    std::string error;
    std::unique_ptr<KPxFileTranslator> t(Registry::instance().createTranslator("PROBE", &error));
    ASSERT_NE(t, nullptr) << error;
    EXPECT_EQ(t->defaultExtension(), "probe");
    EXPECT_TRUE(t->haveReadMethod());
    t.reset();  // instances go before their code does
    EXPECT_TRUE(loader().unload("probeTranslator", false, &error));
    EXPECT_EQ(Registry::instance().findTranslator("PROBE"), nullptr);
}

TEST_F(LoaderTest, ContextSequencePrintsOnLoadFailureOnlyAndUnloadFailsQuietly) {
    ASSERT_TRUE(load("probeContext"));
    ASSERT_NE(Registry::instance().findContextCommand("probeContext"), nullptr);
    {
        tarn::output::Capture capture;
        std::string error;
        EXPECT_FALSE(load("probeContextDup", &error));
        // Only the plug-in's own message is printed; the host's reason is in the load's error.
        EXPECT_EQ(capture.errors(), "registerContextCommand: Unexpected Internal Failure\n");
        EXPECT_EQ(capture.warnings(), "");
        EXPECT_NE(error.find("already registered"), std::string::npos) << error;
    }
    ASSERT_TRUE(load("probeContextB"));
    tarn::output::Capture capture;
    std::string error;
    EXPECT_EQ(loader().unload("probeContextB", false, &error), KStatus::kNotFound);
    EXPECT_EQ(capture.errors(), "");
    // Unloaded anyway, and what it left registered is gone.
    EXPECT_EQ(loader().find("probeContextB"), nullptr);
    EXPECT_EQ(Registry::instance().findContextCommand("probeContextB"), nullptr);
}

TEST_F(LoaderTest, CommandSequenceLoadsUnloadsAndReloads) {
    for (int round = 0; round < 2; ++round) {
        std::string error;
        ASSERT_TRUE(load("probeCommand", &error)) << error;
        const auto* entry = Registry::instance().findCommand("probeCmd");
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->owner->name, "probeCommand");
        EXPECT_EQ(entry->syntax, nullptr);
        ASSERT_TRUE(loader().unload("probeCommand", false, &error)) << error;
        EXPECT_EQ(Registry::instance().findCommand("probeCmd"), nullptr);
    }
}

TEST_F(LoaderTest, NodeAndCommandSequenceStopsAtAFailedNode) {
    ASSERT_TRUE(load("probeCast"));
    EXPECT_NE(Graph::instance().findType("probeCastNode"), nullptr);
    EXPECT_NE(Registry::instance().findCommand("probeCastCmd"), nullptr);

    ASSERT_TRUE(load("probeNode"));
    tarn::output::Capture capture;
    EXPECT_FALSE(load("probeCastDup"));
    EXPECT_EQ(capture.errors(), "registerNode: Unexpected Internal Failure\n");
    EXPECT_EQ(Registry::instance().findCommand("probeCastDupCmd"), nullptr);

    std::string error;
    EXPECT_TRUE(loader().unload("probeCast", false, &error)) << error;
    EXPECT_EQ(Graph::instance().findType("probeCastNode"), nullptr);
    EXPECT_EQ(Registry::instance().findCommand("probeCastCmd"), nullptr);
}

TEST_F(LoaderTest, DecoratedEntryPointsAreFound) {
    std::string error;
    ASSERT_TRUE(load("probeDecorated", &error)) << error;
    EXPECT_NE(Registry::instance().findCommand("probeDecoratedCmd"), nullptr);
    EXPECT_EQ(loader().find("probeDecorated")->vendor, "Varnholt");
    EXPECT_TRUE(loader().unload("probeDecorated", false, &error));
    EXPECT_EQ(Registry::instance().findCommand("probeDecoratedCmd"), nullptr);
}

TEST_F(LoaderTest, ExceptionInInitializeIsAFailureAndUndone) {
    std::string error;
    EXPECT_FALSE(load("probeThrows", &error));
    EXPECT_NE(error.find("probe initialisation exploded"), std::string::npos) << error;
    EXPECT_EQ(Registry::instance().findCommand("probeThrowsCmd"), nullptr);
    EXPECT_EQ(loader().find("probeThrows"), nullptr);
}

TEST_F(LoaderTest, StaticConstructionRegistrationsBelongToTheLibrary) {
    Graph& graph = Graph::instance();
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        std::string error;
        ASSERT_TRUE(load("probeStatic", &error)) << error;
        tarn::plugins::PluginImpl* plugin = loader().find("probeStatic");
        ASSERT_NE(plugin, nullptr);
        EXPECT_EQ(plugin->nodeTypes, std::vector<KTypeId>{KTypeId(0x7f103)});
        EXPECT_EQ(plugin->commands, std::vector<std::string>{"probeStaticCmd"});
        ASSERT_NE(Registry::instance().findCommand("probeStaticCmd"), nullptr);
        EXPECT_EQ(Registry::instance().findCommand("probeStaticCmd")->owner, plugin);
        // Its nodes report the kind the library added while it was opened.
        KObject node = graph.createNode("probeStaticNode", "", &error);
        ASSERT_FALSE(node.isNull()) << error;
        EXPECT_STREQ(node.apiTypeStr(), "kProbeStatic");
        EXPECT_TRUE(node.hasFn(KFn::kPluginNode));
        graph.deleteNode(node, &error);
        // Unloaded (uninitializePlugin and the static destructor both deregister), then again.
        EXPECT_TRUE(loader().unload("probeStatic", false, &error)) << error;
        EXPECT_EQ(loader().unload("probeStatic", false, &error).statusCode(), KStatus::kNotFound);
        EXPECT_EQ(graph.findType("probeStaticNode"), nullptr);
        EXPECT_EQ(Registry::instance().findCommand("probeStaticCmd"), nullptr);
        EXPECT_EQ(KObjBase::find("kProbeStatic"), KFn::kInvalid);
        EXPECT_STREQ(node.apiTypeStr(), "kProbeStatic");  // the dead node's handle still answers
    }
    // A load that fails after the static constructor ran takes its registrations back, each
    // time, and leaves the names free.
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::string error;
        EXPECT_FALSE(load("probeStaticOldApi", &error));
        EXPECT_NE(error.find("API version 201000"), std::string::npos) << error;
        EXPECT_EQ(graph.findType("probeStaticNode"), nullptr);
        EXPECT_EQ(Registry::instance().findCommand("probeStaticCmd"), nullptr);
        EXPECT_EQ(KObjBase::find("kProbeStatic"), KFn::kInvalid);
    }
    std::string error;
    EXPECT_TRUE(load("probeStatic", &error)) << error;
}

TEST_F(LoaderTest, BadInputsFailCleanlyAndRegisterNothing) {
    const std::string dir = std::string(TARN_BINARY_DIR) + "/tests/loader_fixtures";
    std::filesystem::create_directories(dir);
    std::ofstream(dir + "/notALibrary.so") << "this is text, not a shared library\n";

    ASSERT_TRUE(load("probeCommand"));
    struct Case {
        std::string path;
        KStatus::KStatusCode code;
        const char* why;
    };
    const Case cases[] = {
        {dir + "/missing.so", KStatus::kNotFound, "not found"},
        {dir + "/notALibrary.so", KStatus::kFailure, "Cannot load plug-in"},
        {probe("probeNoExports"), KStatus::kFailure, "does not export KApiVersion"},
        {probe("probeOldApi"), KStatus::kFailure, "API version 201000"},
        {probe("probeCommand"), KStatus::kFailure, "already loaded"},
        {"noSuchPluginAnywhere", KStatus::kNotFound, "not found on the plug-in path"},
    };
    for (const Case& c : cases) {
        std::string error;
        size_t commands = Registry::instance().commands().size();
        EXPECT_EQ(loader().load(c.path, &error), c.code) << c.path;
        EXPECT_NE(error.find(c.why), std::string::npos) << c.path << ": " << error;
        EXPECT_EQ(loader().loadedNames(), std::vector<std::string>{"probeCommand"});
        EXPECT_EQ(Registry::instance().commands().size(), commands);
    }
}

TEST_F(LoaderTest, BareNamesAreFoundOnThePluginPath) {
    setenv("TARN_PLUGIN_PATH", (std::string("/nonexistent:") + TARN_TEST_PLUGIN_DIR).c_str(), 1);
    std::string error;
    EXPECT_EQ(loader().resolve("probeCommand", &error),
              std::string(TARN_TEST_PLUGIN_DIR) + "/probeCommand.so");
    EXPECT_TRUE(loader().load("probeCommand.so", &error)) << error;
    EXPECT_NE(loader().find("probeCommand"), nullptr);
    unsetenv("TARN_PLUGIN_PATH");
}

TEST_F(LoaderTest, UnloadIsRefusedWhileNodesExistUnlessForced) {
    ASSERT_TRUE(load("probeNode"));
    std::string error;
    KObject a = Graph::instance().createNode("probeNode", "", &error);
    KObject b = Graph::instance().createNode("probeNode", "", &error);
    ASSERT_FALSE(b.isNull()) << error;
    EXPECT_EQ(loader().unload("probeNode", false, &error), KStatus::kFailure);
    EXPECT_NE(error.find("probeNode1, probeNode2"), std::string::npos) << error;
    EXPECT_NE(Graph::instance().findType("probeNode"), nullptr);

    EXPECT_TRUE(loader().unload("probeNode", true, &error)) << error;
    EXPECT_TRUE(Graph::instance().findNode("probeNode1").isNull());
    EXPECT_TRUE(KPlug(a, KObject()).isNull());
    // A handle to a deleted node still answers its kind after the node's type is gone.
    EXPECT_EQ(a.apiType(), KFn::kPluginNode);

    // And again after reloading.
    ASSERT_TRUE(load("probeNode"));
    EXPECT_FALSE(Graph::instance().createNode("probeNode", "", &error).isNull()) << error;
}

TEST_F(LoaderTest, LoadedNodeEvaluatesInParallelBitForBitAsSerial) {
    ASSERT_TRUE(load("probeNode"));
    std::string error;
    KObject node = Graph::instance().createNode("probeNode", "", &error);
    ASSERT_FALSE(node.isNull()) << error;
    ASSERT_TRUE(Graph::instance().parsePlug("probeNode1.gain", &error).setValue(0.75f));

    tarn::SampleEvaluator eval;
    ASSERT_TRUE(eval.prepare(node, &error)) << error;
    ASSERT_TRUE(eval.isMPSafe());
    tarn::SampleSlot u = eval.slot("u"), v = eval.slot("vCoord"), alpha = eval.slot("outAlpha"),
                     color = eval.slot("oc");
    ASSERT_TRUE(u && v && alpha && color);

    constexpr int kSamples = 20000;
    auto run = [&](std::vector<KFloatVector>& colors, std::vector<float>& alphas, bool parallel) {
        colors.assign(kSamples, {});
        alphas.assign(kSamples, 0.0f);
        auto body = [&](int begin, int end) {
            tarn::SampleBlock block = eval.makeBlock();
            for (int i = begin; i < end; ++i) {
                block.set(u, (i % 200) / 199.0);
                block.set(v, (i / 200) / 99.0);
                ASSERT_TRUE(block.compute(color));
                colors[i] = block.floatVector(color);
                alphas[i] = block.asFloat(alpha);
            }
        };
        if (parallel) {
            tbb::parallel_for(tbb::blocked_range<int>(0, kSamples, 64),
                              [&](const tbb::blocked_range<int>& r) { body(r.begin(), r.end()); });
        } else {
            body(0, kSamples);
        }
    };
    std::vector<KFloatVector> serialColors, parallelColors;
    std::vector<float> serialAlphas, parallelAlphas;
    run(serialColors, serialAlphas, false);
    run(parallelColors, parallelAlphas, true);
    EXPECT_EQ(0, std::memcmp(serialColors.data(), parallelColors.data(),
                             kSamples * sizeof(KFloatVector)));
    EXPECT_EQ(0, std::memcmp(serialAlphas.data(), parallelAlphas.data(), kSamples * sizeof(float)));
    // The samples differ from each other (the node really computed), and the node's own
    // storage was left alone.
    EXPECT_NE(serialAlphas[1], serialAlphas[2]);
    EXPECT_EQ(serialColors[5].y, serialAlphas[5] * 0.5f);
    EXPECT_EQ(Graph::instance().parsePlug("probeNode1.u", &error).asFloat(), 0.0f);

    // The same values as the graph computes for one sample.
    ASSERT_TRUE(Graph::instance()
                    .parsePlug("probeNode1.u", &error)
                    .setValue(static_cast<float>(7 / 199.0)));
    EXPECT_EQ(Graph::instance().parsePlug("probeNode1.obp", &error).asFloat(), serialAlphas[7]);
}

}  // namespace
