#include "host/plugins/plugin_index.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "host/plugins/plugin_loader.h"

namespace tarn::plugins {
namespace {

// The index over the probe plug-ins alone (the delivered ones sit in a later folder and lose
// to nothing here, so only probe names are checked).
class PluginIndexTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TARN_PLUGIN_PATH", TARN_TEST_PLUGIN_DIR, 1);
        forgetPluginIndex();
    }
    void TearDown() override {
        unsetenv("TARN_PLUGIN_PATH");
        forgetPluginIndex();
        PluginLoader::instance().unloadAll();
    }
    const PluginContents* entry(const std::string& name) {
        for (const PluginContents& p : pluginIndex())
            if (p.name == name) return &p;
        return nullptr;
    }
};

TEST_F(PluginIndexTest, ListsWhatEachPluginRegistersAndLeavesNothingLoaded) {
    struct Case {
        const char* plugin;
        const char* nodeType;    // null: none
        const char* command;     // null: none
        const char* translator;  // null: none
        const char* context;     // null: none
    } cases[] = {
        {"probeNodeB", "probeNodeB", nullptr, nullptr, nullptr},
        {"probeCast", "probeCastNode", "probeCastCmd", nullptr, nullptr},
        {"probeTranslator", nullptr, nullptr, "PROBE", nullptr},
        {"probeCommand", nullptr, "probeCmd", nullptr, nullptr},
        {"probeContextB", nullptr, nullptr, nullptr, "probeContextB"},
    };
    for (const Case& c : cases) {
        const PluginContents* p = entry(c.plugin);
        ASSERT_NE(p, nullptr) << c.plugin;
        EXPECT_EQ(p->error, "") << c.plugin;
        EXPECT_EQ(p->nodeTypes.empty(), c.nodeType == nullptr) << c.plugin;
        if (c.nodeType) {
            EXPECT_EQ(p->nodeTypes.front(), c.nodeType) << c.plugin;
        }
        if (c.command) {
            EXPECT_EQ(p->commands.front(), c.command) << c.plugin;
        }
        EXPECT_EQ(p->translators.empty(), c.translator == nullptr) << c.plugin;
        if (c.translator) {
            EXPECT_EQ(p->translators.front(), c.translator) << c.plugin;
        }
        EXPECT_EQ(p->contexts.empty(), c.context == nullptr) << c.plugin;
        if (c.context) {
            EXPECT_EQ(p->contexts.front(), c.context) << c.plugin;
        }
        EXPECT_EQ(PluginLoader::instance().find(c.plugin), nullptr) << c.plugin;
    }
    // Libraries that cannot be loaded are listed with the reason.
    for (const char* bad : {"probeOldApi", "probeNoExports", "probeThrows"}) {
        const PluginContents* p = entry(bad);
        ASSERT_NE(p, nullptr) << bad;
        EXPECT_NE(p->error, "") << bad;
        EXPECT_TRUE(p->nodeTypes.empty()) << bad;
    }
}

TEST_F(PluginIndexTest, FindsProvidersByCommandAndContext) {
    EXPECT_EQ(pluginForCommand("probeCmd"), "probeCommand");
    EXPECT_EQ(pluginForCommand("probeCastCmd"), "probeCast");
    EXPECT_EQ(pluginForContext("probeContextB"), "probeContextB");
    // Names are exact, and each kind of registration answers for itself.
    EXPECT_EQ(pluginForCommand("probecmd"), "");
    EXPECT_EQ(pluginForCommand("probeNodeB"), "");
    EXPECT_EQ(pluginForCommand("probeContextB"), "");
    EXPECT_EQ(pluginForContext("probeCmd"), "");
    EXPECT_EQ(pluginForCommand(""), "");
}

TEST_F(PluginIndexTest, FindsProvidersByNodeTypeAndTranslator) {
    EXPECT_EQ(pluginForNodeType("probeNodeB"), "probeNodeB");
    EXPECT_EQ(pluginForNodeType("probeCastNode"), "probeCast");
    EXPECT_EQ(pluginForNodeType("noSuchType"), "");
    // Translator names compare without case, so a file extension finds its reader.
    EXPECT_EQ(pluginForTranslator("probe"), "probeTranslator");
    EXPECT_EQ(pluginForTranslator("PROBE"), "probeTranslator");
    EXPECT_EQ(pluginForTranslator("prob"), "");
}

TEST_F(PluginIndexTest, LoadedPluginsAnswerFromTheRegistries) {
    std::string error;
    ASSERT_FALSE(PluginLoader::instance().load("probeNodeB", &error).error()) << error;
    const PluginContents* p = entry("probeNodeB");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->nodeTypes, std::vector<std::string>{"probeNodeB"});
    // A survey does not unload what the user loaded.
    EXPECT_NE(PluginLoader::instance().find("probeNodeB"), nullptr);
}

}  // namespace
}  // namespace tarn::plugins

namespace tarn::plugins {
namespace {

// Every delivered plug-in is indexed with what it registers, so that `help NAME` of any of its
// node types, commands or tool contexts can name it before it is loaded.
TEST(DeliveredPluginIndex, CoversEveryPluginAndWhatItAdds) {
    setenv("TARN_PLUGIN_PATH", TARN_PLUGIN_DIR, 1);
    forgetPluginIndex();
    int plugins = 0;
    for (const PluginContents& p : pluginIndex()) {
        if (p.path.rfind(TARN_PLUGIN_DIR, 0) != 0) continue;
        ++plugins;
        EXPECT_EQ(p.error, "") << p.name;
        EXPECT_FALSE(p.nodeTypes.empty() && p.commands.empty() && p.contexts.empty() &&
                     p.translators.empty())
            << p.name << " registers nothing the index sees";
        for (const std::string& c : p.commands) EXPECT_EQ(pluginForCommand(c), p.name) << c;
        for (const std::string& c : p.contexts) EXPECT_EQ(pluginForContext(c), p.name) << c;
        for (const std::string& t : p.nodeTypes) EXPECT_EQ(pluginForNodeType(t), p.name) << t;
    }
    EXPECT_EQ(plugins, 16);
    EXPECT_EQ(pluginForCommand("surfaceBake"), "surfaceBake");
    EXPECT_EQ(pluginForCommand("polyDual"), "meshKit");
    EXPECT_EQ(pluginForCommand("polyMapCutFacesBorder"), "patchCast");
    EXPECT_EQ(pluginForContext("slicePenContext"), "slicePen");
    EXPECT_EQ(pluginForContext("thinPenContext"), "thinPen");
    unsetenv("TARN_PLUGIN_PATH");
    forgetPluginIndex();
    PluginLoader::instance().unloadAll();
}

}  // namespace
}  // namespace tarn::plugins
