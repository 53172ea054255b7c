#include "frame/k_random.h"

#include <cstdint>

namespace KFoundation {
namespace {

constexpr std::uint64_t kMultiplier = 0x5DEECE66DULL;
constexpr std::uint64_t kIncrement = 0xB;
constexpr std::uint64_t kMask = (1ULL << 48) - 1;

// Note: process-wide state by design; every caller shares one stream, guarded by randomLock().
std::uint64_t g_state = 0x1234ABCD330EULL;

std::uint64_t step() {
    g_state = (kMultiplier * g_state + kIncrement) & kMask;
    return g_state;
}

}  // namespace

std::recursive_mutex& randomLock() {
    static std::recursive_mutex lock;
    return lock;
}

void srand48(long seed) {
    std::lock_guard<std::recursive_mutex> guard(randomLock());
    g_state = ((static_cast<std::uint64_t>(seed) & 0xFFFFFFFFULL) << 16) | 0x330EULL;
}

long lrand48() {
    std::lock_guard<std::recursive_mutex> guard(randomLock());
    return static_cast<long>(step() >> 17);
}

double drand48() {
    std::lock_guard<std::recursive_mutex> guard(randomLock());
    return static_cast<double>(step()) / static_cast<double>(1ULL << 48);
}

}  // namespace KFoundation
