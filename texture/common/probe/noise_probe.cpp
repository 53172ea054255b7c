// A test plug-in holding its own copy of the texture framework, built twice (two libraries) so
// that tests can compare the noise tables of separately loaded libraries.

#include "frame/plugin_entry.h"
#include "texture/common/noise.h"

extern "C" TARN_PLUGIN_EXPORT const texture::NoiseTables* probeNoiseTables() {
    return &texture::noiseTables();
}

extern "C" TARN_PLUGIN_EXPORT float probeNoise3(float x, float y, float z) {
    return texture::noise3(x, y, z);
}
