// Linked into every test binary that uses the host: ends the session after the last test, as
// the tarn program does before it returns, so leak detection sees a freed scene.
#include <gtest/gtest.h>

#include "host/plugins/plugin_loader.h"

namespace {

class HostShutdown : public ::testing::Environment {
public:
    void TearDown() override { tarn::plugins::PluginLoader::shutdown(); }
};

[[maybe_unused]] ::testing::Environment* const kShutdown =
    ::testing::AddGlobalTestEnvironment(new HostShutdown);

}  // namespace
