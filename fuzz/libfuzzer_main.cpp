// The libFuzzer entry of one target: TARN_FUZZ_SETUP and TARN_FUZZ_ONE name the functions of
// its row (see add_tarn_fuzzer), so the binary links only what that target needs.
#include "fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    tarn::fuzz::TARN_FUZZ_SETUP();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tarn::fuzz::TARN_FUZZ_ONE(data, size);
    return 0;
}
