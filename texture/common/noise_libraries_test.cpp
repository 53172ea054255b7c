// Two libraries loaded side by side each fill their own tables from the host generator and
// end up equal; each fill reseeds the shared stream and leaves it after exactly 1023 draws.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "frame/k_random.h"
#include "texture/common/noise.h"
#include "texture/common/noise_reference.h"

namespace texture {
namespace {

using TablesFn = const NoiseTables* (*)();
using NoiseFn = float (*)(float, float, float);

struct Library {
    void* handle = nullptr;
    TablesFn tables = nullptr;
    NoiseFn noise = nullptr;

    explicit Library(const char* name) {
        const std::string path = std::string(TARN_TEST_PLUGIN_DIR) + "/" + name + ".so";
        handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) return;
        tables = reinterpret_cast<TablesFn>(dlsym(handle, "probeNoiseTables"));
        noise = reinterpret_cast<NoiseFn>(dlsym(handle, "probeNoise3"));
    }
    ~Library() {
        if (handle) dlclose(handle);
    }
};

long drawAfterFill(int draws) {
    Reference48 ref(1);
    long v = 0;
    for (int i = 0; i < draws; ++i) v = ref.next();
    return v;
}

TEST(NoiseLibraries, EachFillsOnceFromTheHostStreamAndTheyAgree) {
    Library a("noiseProbeA");
    Library b("noiseProbeB");
    ASSERT_TRUE(a.handle && a.tables && a.noise) << dlerror();
    ASSERT_TRUE(b.handle && b.tables && b.noise) << dlerror();

    // Library A fills on first use: seed 1 and 1023 draws, so the next draw is the 1024th.
    KFoundation::srand48(77);
    const NoiseTables* ta = a.tables();
    EXPECT_EQ(KFoundation::lrand48(), drawAfterFill(1024));
    // A second use does not refill (the stream goes on undisturbed).
    KFoundation::srand48(77);
    const long undisturbed = KFoundation::lrand48();
    KFoundation::srand48(77);
    (void)a.noise(0.5f, 0.25f, 0.125f);
    EXPECT_EQ(KFoundation::lrand48(), undisturbed);

    // Library B has its own copy, filled the same way. Its first use comes from many threads
    // at once while another thread keeps drawing from the shared stream: the fill happens
    // once and none of the other draws lands between its seed and its 1023 draws.
    std::atomic<bool> stop{false};
    std::thread drawer([&] {
        while (!stop.load()) (void)KFoundation::lrand48();
    });
    std::vector<std::thread> users;
    std::vector<float> firstValues(8);
    for (int i = 0; i < 8; ++i)
        users.emplace_back([&, i] { firstValues[i] = b.noise(0.3f, 1.7f, -2.2f); });
    for (auto& t : users) t.join();
    stop.store(true);
    drawer.join();
    for (float v : firstValues) EXPECT_EQ(v, firstValues[0]);
    const NoiseTables* tb = b.tables();
    ASSERT_NE(ta, tb);
    EXPECT_EQ(std::memcmp(ta, tb, sizeof(NoiseTables)), 0);
    EXPECT_EQ(a.noise(0.3f, 1.7f, -2.2f), b.noise(0.3f, 1.7f, -2.2f));

    // And both equal the tables built from the independent reference generator.
    const NoiseTables expected = referenceTables();
    EXPECT_EQ(std::memcmp(ta, &expected, sizeof(NoiseTables)), 0);
}

}  // namespace
}  // namespace texture
