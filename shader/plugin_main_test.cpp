// Loading and unloading the DermalShade plug-in through the host's loader.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "host/dg/graph.h"
#include "host/lang/journal.h"
#include "host/plugins/plugin_loader.h"

namespace {

using tarn::plugins::PluginLoader;

const std::string kRefresh =
    "if( `window -exists createRenderNodeWindow` ) "
    "{refreshCreateRenderNodeWindow(\"shader/surface\");}\n";

const std::string kLibrary = std::string(TARN_PLUGIN_DIR) + "/DermalShade.so";

TEST(DermalShadePlugin, ExportsTheApiVersion) {
    void* library = dlopen(kLibrary.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    const char* version = static_cast<const char*>(dlsym(library, "KApiVersion"));
    ASSERT_NE(version, nullptr);
    EXPECT_STREQ(version, "201100");
    EXPECT_NE(dlsym(library, "initializePlugin"), nullptr);
    EXPECT_NE(dlsym(library, "uninitializePlugin"), nullptr);
    // Everything else stays hidden, the tables included.
    EXPECT_EQ(dlsym(library, "_ZN6dermal19scatteringTableDataE"), nullptr);
    dlclose(library);
}

TEST(DermalShadePlugin, LoadRegistersTheShaderAndRefreshesTheCreateWindow) {
    tarn::lang::journal().clear();
    std::string error, name;
    ASSERT_TRUE(PluginLoader::instance().load(kLibrary, &error, &name)) << error;

    const tarn::plugins::PluginImpl* plugin = PluginLoader::instance().find(name);
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(plugin->vendor, "Quill|Ridgeline");
    EXPECT_EQ(plugin->version, "1.0");
    EXPECT_EQ(plugin->apiVersion, "Any");

    const tarn::NodeType* type = tarn::Graph::instance().findType("DermalShade");
    ASSERT_NE(type, nullptr);
    EXPECT_EQ(type->id.id(), 0x81061u);
    EXPECT_EQ(type->classification, "shader/surface");
    EXPECT_EQ(type->nodeKind, KPxNode::kDependNode);

    auto entries = tarn::lang::journal().entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].text, kRefresh);
    EXPECT_FALSE(entries[0].display);
    EXPECT_FALSE(entries[0].undo);

    ASSERT_TRUE(PluginLoader::instance().unload(name, false, &error)) << error;
    EXPECT_EQ(tarn::Graph::instance().findType("DermalShade"), nullptr);
    entries = tarn::lang::journal().entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].text, kRefresh);
}

// A second load after an unload registers fresh attributes, and nodes of the reloaded type
// shade: the static handles are rebuilt by the initialiser, not left pointing at the old type.
TEST(DermalShadePlugin, ReloadedTypeShades) {
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        std::string error, name;
        ASSERT_TRUE(PluginLoader::instance().load(kLibrary, &error, &name)) << error;
        KObject node = tarn::Graph::instance().createNode("DermalShade", "skin", &error);
        ASSERT_FALSE(node.isNull()) << error;
        KPlug red = tarn::Graph::instance().parsePlug("skin.reflectedColorR", &error);
        ASSERT_TRUE(red.setValue(1.0f));
        // Default view: point (1, 1, 1) and normal (1, 1, 1) face away, so u = 1e-8 and the
        // environment factor is F(1e-8, 1.4) = 0.99999994.
        EXPECT_NEAR(tarn::Graph::instance().parsePlug("skin.ocr", &error).asFloat(), 0.99999994,
                    1e-7);
        EXPECT_EQ(tarn::Graph::instance().parsePlug("skin.ocg", &error).asFloat(), 0.0f);
        ASSERT_TRUE(PluginLoader::instance().unload(name, true, &error)) << error;
        EXPECT_EQ(tarn::Graph::instance().findType("DermalShade"), nullptr);
    }
}

}  // namespace
