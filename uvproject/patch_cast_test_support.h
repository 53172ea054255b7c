#pragma once
/// Test-only helpers for the patchCast tests: load the plug-in, run command texts with their
/// messages captured, read standard error around a call.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/host_sdk.h"
#include "host/lang/journal.h"
#include "host/plugins/plugin_loader.h"
#include "host/sdk/host_output.h"

namespace patchcast::testing {

/// Loads the plug-in once (it stays loaded for the following tests).
inline void loadPatchCast() {
    auto& loader = tarn::plugins::PluginLoader::instance();
    if (loader.find("patchCast")) return;
    std::string error;
    ASSERT_TRUE(loader.load(PATCHCAST_PLUGIN, &error)) << error;
}

struct Outcome {
    bool ok;
    std::string result;
    std::string error;    ///< the host's error channel
    std::string warning;  ///< the host's warning channel
    std::string stderrText;
};

/// Runs a command text as a plug-in would (display and undo as given).
inline Outcome run(const std::string& text, bool undo = true) {
    tarn::output::Capture capture;
    ::testing::internal::CaptureStderr();
    KString result;
    const KStatus st = KGlobal::executeCommand(KString(text.c_str()), result, false, undo);
    const std::string err = ::testing::internal::GetCapturedStderr();
    return {bool(st), result.asChar(), capture.errors(), capture.warnings(), err};
}

/// The texts of command `name` (alone or followed by a blank) executed through the SDK since
/// the journal was last cleared.
inline std::vector<std::string> journalTexts(const std::string& name) {
    std::vector<std::string> out;
    for (const auto& e : tarn::lang::journal().entries())
        if (e.origin == "api" && (e.text == name || e.text.rfind(name + " ", 0) == 0))
            out.push_back(e.text);
    return out;
}

}  // namespace patchcast::testing
