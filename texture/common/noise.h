#pragma once
/// Lattice gradient noise over tables filled once per library from the host's 48-bit generator.
/// Every noise function fills the tables on first use (exactly once, safe from many threads at
/// once) and afterwards only reads them: thread-safe, lock-free and allocation-free.

#include <atomic>

namespace texture {

/// Permutation and gradient tables. Entries 256..513 repeat entries 0..257.
struct NoiseTables {
    static constexpr int kSize = 514;
    int perm[kSize];
    /// x, y, z of each gradient; the fourth slot is 0 (16-byte rows index faster).
    float grad[kSize][4];
};

/// Fills the tables if this library has not yet done so: seeds the host generator with 1 and
/// draws exactly 1023 numbers under the host random lock. Thread-safe; later calls are a load.
void initNoiseTables();

/// The tables of this library, filled. Read-only; thread-safe.
const NoiseTables& noiseTables();

/// 1D gradient noise, about -1..1; exactly 0 at integers. Thread-safe.
float noise1(float x);

/// 2D gradient noise, about -1..1; exactly 0 at integer lattice points. Thread-safe.
float noise2(float x, float y);

/// 3D gradient noise, about -1..1; exactly 0 at integer lattice points. Thread-safe.
float noise3(float x, float y, float z);

/// (noise1(x) + 1) * 0.5 in double precision, rounded to single; about 0..1.
float unitNoise1(float x);

/// (noise2(x, y) + 1) * 0.5 in double precision, rounded to single; about 0..1.
float unitNoise2(float x, float y);

/// smoothStep(0.2, 0.75, unitNoise1(x)); range [0, 1].
float noiseBand1(float x);

/// smoothStep(0.2, 0.75, unitNoise2(x, y)); range [0, 1].
float noiseBand2(float x, float y);

/// Sum of `octaves` noise3 octaves of p, each octave scaled by lacunarity in position and by gain
/// in amplitude, faded out as the scaled filter width passes 0.2 (gone at 0.75). 0 if octaves <= 0.
float fractalNoise3(float x, float y, float z, float width, int octaves, float lacunarity,
                    float gain);

/// Unit noise as the patterns write it inline: (n + 1) * 0.5 in double, rounded to single.
inline float unitFromNoise(float n) {
    return static_cast<float>((static_cast<double>(n) + 1.0) * 0.5);
}

/// The band curve of noiseBand1/2 applied to a unit value: 0 at or below 0.2, 1 at or above 0.75.
float bandCurve(float a);

}  // namespace texture
