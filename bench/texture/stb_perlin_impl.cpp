// The peer noise, compiled in its own translation unit so that neither noise is inlined into
// the benchmark loop.
#define STB_PERLIN_IMPLEMENTATION
#include "stb_perlin.h"
