#include "host/version.h"

namespace tarn {
const char* hostVersion() { return "tarn 0.1 (stand-in host, SDK 201100)"; }
}  // namespace tarn
