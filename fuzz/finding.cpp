#include <cstdio>
#include <cstdlib>

#include "fuzz/fuzz_targets.h"

namespace tarn::fuzz {

void reportFinding(std::string_view what, std::string_view detail) {
    std::fprintf(stderr, "== fuzz finding: %.*s\n%.*s\n", int(what.size()), what.data(),
                 int(detail.size()), detail.data());
    std::fflush(stderr);
    std::abort();
}

}  // namespace tarn::fuzz
