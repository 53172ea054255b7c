// End-to-end: the sceneReader plug-in loaded into the host, imports through `file -import`.
#include <gtest/gtest.h>

#include "frame/host_sdk.h"
#include "host/lang/journal.h"
#include "host/plugins/plugin_loader.h"
#include "host/plugins/plugin_registry.h"
#include "test_files.h"
#include "tools/qmf/qmf_scene.h"

namespace {

void loadSceneReader() {
    auto& loader = tarn::plugins::PluginLoader::instance();
    if (loader.find("sceneReader")) return;
    std::string error;
    ASSERT_FALSE(loader.load(std::string(TARN_PLUGIN_DIR) + "/sceneReader.so", &error).error()) << error;
}

}  // namespace

TEST(SceneReaderProbe, DumpJournal) {
    loadSceneReader();
    qmftest::TempFile file(qmf::writeScene(qmf::sampleScene()), "sample.qmf");
    tarn::lang::journal().clear();
    const KStatus st = KGlobal::executeCommand(KString("file -import \"" + file.path() + "\""));
    for (const auto& e : tarn::lang::journal().entries())
        std::printf("[%s] %s => %s (%d) %s\n", e.origin.c_str(), e.text.c_str(), e.result.c_str(), e.status, e.error.c_str());
    EXPECT_TRUE(st);
    KString json;
    KGlobal::executeCommand("describeScene -json", json);
    std::printf("%s\n", json.asChar());
}
