#pragma once
/// The host's foundation random generator: the published 48-bit linear congruential generator
/// (X' = (0x5DEECE66D * X + 0xB) mod 2^48), one stream shared by the whole process.

#include <mutex>

#define TARN_RANDOM_API __attribute__((visibility("default")))

namespace KFoundation {

/// Seeds the shared stream: X = (low 32 bits of seed) * 2^16 + 0x330E. Thread-safe.
TARN_RANDOM_API void srand48(long seed);

/// Next draw as a non-negative integer in [0, 2^31). Thread-safe (one draw is atomic).
TARN_RANDOM_API long lrand48();

/// Next draw as a double in [0, 1). Thread-safe (one draw is atomic).
TARN_RANDOM_API double drand48();

/// The host-wide lock of the shared stream. Hold it around a sequence of calls (seed plus draws)
/// that must not interleave with draws from other threads; the calls above re-enter it.
TARN_RANDOM_API std::recursive_mutex& randomLock();

}  // namespace KFoundation
