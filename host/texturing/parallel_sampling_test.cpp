// Texture and shader evaluation on many threads, the subject of the thread-sanitizer run
// (ctest --preset tsan): every built texture sampled from many threads at once straight after
// its plug-in loads (the first use fills the library's noise tables), and the swatch and shade
// jobs run in child processes with two threads. In the ordinary build the same cases check
// that results do not depend on the number of threads.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <atomic>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "host/dg/graph.h"
#include "host/plugins/plugin_loader.h"
#include "host/plugins/plugin_registry.h"
#include "host/sdk/host_output.h"
#include "host/texturing/texture_sampler.h"

namespace tarn::texturing {
namespace {

namespace fs = std::filesystem;

struct TextureType {
    std::string plugin;  ///< file name without ".so"
    std::string type;
    bool is3d = false;
};

// Every node type of every built plug-in classified as a 2D or 3D texture.
std::vector<TextureType> builtTextures() {
    std::vector<TextureType> textures;
    output::Capture quiet;
    for (const auto& entry : fs::directory_iterator(TARN_PLUGIN_DIR)) {
        if (entry.path().extension() != ".so") continue;
        auto& loader = plugins::PluginLoader::instance();
        std::string error, name;
        if (loader.load(entry.path().string(), &error, &name).error()) continue;
        for (KTypeId id : loader.find(name)->nodeTypes) {
            const NodeType* t = Graph::instance().findType(id);
            if (t && t->classification.rfind("texture/", 0) == 0)
                textures.push_back({name, t->name, t->classification == "texture/3d"});
        }
        loader.unload(name, true, &error);
    }
    return textures;
}

const std::vector<TextureType>& textures() {
    static const std::vector<TextureType> all = builtTextures();
    return all;
}

constexpr int kThreads = 8;
constexpr int kSamples = 64;

SampleValue sampleAt(const TextureSampler& sampler, SampleBlock& block, int i) {
    const float u = (i % 8 + 0.5f) / 8.0f, v = (i / 8 + 0.5f) / 8.0f;
    SampleValue out;
    if (sampler.kind() == TextureKind::k3d) {
        sampler.samplePoint(block, 2 * u - 1, 2 * v - 1, 0.25f, false, 0.01f, 0.01f, &out);
    } else {
        sampler.sampleUv(block, u, v, 1.0f / 64, 1.0f / 64, &out);
    }
    return out;
}

TEST(ParallelSampling, FirstUseFromManyThreadsMatchesOneThread) {
    ASSERT_FALSE(textures().empty());
    output::Capture quiet;
    for (const TextureType& texture : textures()) {
        SCOPED_TRACE(texture.type);
        // A fresh load: the library's noise tables are filled by the first sample taken.
        auto& loader = plugins::PluginLoader::instance();
        std::string error;
        ASSERT_FALSE(loader.load(texture.plugin, &error).error()) << error;
        const KObject node = Graph::instance().createNode(texture.type, "", &error);
        ASSERT_FALSE(node.isNull()) << error;
        std::unique_ptr<TextureSampler> sampler = TextureSampler::create(node, &error);
        ASSERT_TRUE(sampler) << error;
        ASSERT_TRUE(sampler->isMPSafe());

        // Every thread waits for the others, then all take their first sample at once.
        std::vector<std::vector<SampleValue>> results(kThreads);
        std::atomic<int> ready{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&, t] {
                std::unique_ptr<SampleBlock> block = sampler->makeBlock();
                if (texture.is3d) sampler->setIdentityPlacement(*block);
                ready.fetch_add(1);
                while (ready.load() < kThreads) std::this_thread::yield();
                for (int i = 0; i < kSamples; ++i)
                    results[t].push_back(sampleAt(*sampler, *block, (i + t * 7) % kSamples));
            });
        }
        for (std::thread& th : threads) th.join();

        std::unique_ptr<SampleBlock> block = sampler->makeBlock();
        if (texture.is3d) sampler->setIdentityPlacement(*block);
        for (int t = 0; t < kThreads; ++t) {
            for (int i = 0; i < kSamples; ++i) {
                const SampleValue serial = sampleAt(*sampler, *block, (i + t * 7) % kSamples);
                const SampleValue& parallel = results[t][i];
                ASSERT_EQ(parallel.r, serial.r) << "thread " << t << " sample " << i;
                ASSERT_EQ(parallel.g, serial.g);
                ASSERT_EQ(parallel.b, serial.b);
                ASSERT_EQ(parallel.a, serial.a);
            }
        }
        sampler.reset();
        ASSERT_FALSE(loader.unload(texture.plugin, true, &error).error()) << error;
    }
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs the tarn program; answers its exit status (-1 when it did not exit normally).
int runTarn(const std::string& arguments) {
    const std::string command = std::string(TARN_BINARY_DIR) + "/bin/tarn " + arguments + " 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ParallelSampling, SwatchOnTwoThreadsMatchesOneThread) {
    const fs::path dir = fs::path(::testing::TempDir()) / "parallel_swatches";
    fs::create_directories(dir);
    for (const TextureType& texture : textures()) {
        SCOPED_TRACE(texture.type);
        const std::string base = "swatch " + texture.plugin + " " + texture.type + " --size 24";
        const fs::path one = dir / (texture.type + "-1.png"), two = dir / (texture.type + "-2.png");
        ASSERT_EQ(runTarn(base + " --threads 1 -o " + one.string()), 0);
        ASSERT_EQ(runTarn(base + " --threads 2 -o " + two.string()), 0);
        EXPECT_EQ(readFile(one), readFile(two));
    }
}

TEST(ParallelSampling, ShadeJobRuns) {
    const fs::path out = fs::path(::testing::TempDir()) / "parallel_shade.png";
    EXPECT_EQ(runTarn("shade --size 16 -o " + out.string()), 0);
    EXPECT_TRUE(fs::exists(out));
}

}  // namespace
}  // namespace tarn::texturing
