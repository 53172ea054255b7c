#pragma once

namespace tarn {
/// The stand-in host's version text, as `tarn --version` prints it.
const char* hostVersion();
}  // namespace tarn
