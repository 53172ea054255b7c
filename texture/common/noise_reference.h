#pragma once
/// Test-only reference: the 48-bit generator written independently of the host's (three 16-bit
/// words, schoolbook multiply) and the noise tables built from its stream.

#include <cmath>
#include <cstdint>
#include <utility>

#include "texture/common/noise.h"

namespace texture {

/// X' = (0x5DEECE66D X + 0xB) mod 2^48 on 16-bit words; draws are the top 31 bits.
class Reference48 {
public:
    explicit Reference48(long seed)
        : m_x{0x330E, static_cast<std::uint16_t>(seed & 0xFFFF),
              static_cast<std::uint16_t>((seed >> 16) & 0xFFFF)} {}

    long next() {
        static constexpr std::uint32_t a[3] = {0xE66D, 0xDEEC, 0x0005};
        std::uint32_t r[3] = {0xB, 0, 0};
        for (int i = 0; i < 3; ++i) {
            std::uint32_t carry = 0;
            for (int j = 0; i + j < 3; ++j) {
                const std::uint32_t p = a[i] * m_x[j] + r[i + j] + carry;
                r[i + j] = p & 0xFFFF;
                carry = p >> 16;
            }
        }
        for (int i = 0; i < 3; ++i) m_x[i] = static_cast<std::uint16_t>(r[i] & 0xFFFF);
        return (static_cast<long>(m_x[2]) << 15) | (m_x[1] >> 1);
    }

private:
    std::uint16_t m_x[3];
};

/// The tables as the fill defines them, from a fresh reference stream seeded with 1.
inline NoiseTables referenceTables() {
    NoiseTables t{};
    Reference48 gen(1);
    for (int i = 0; i < 256; ++i) {
        t.perm[i] = i;
        for (int k = 0; k < 3; ++k)
            t.grad[i][k] = static_cast<float>(((gen.next() % 512) - 256) / 256.0);
        const float* g = t.grad[i];
        const float len = std::sqrt(g[0] * g[0] + g[1] * g[1] + g[2] * g[2]);
        for (int k = 0; k < 3; ++k) t.grad[i][k] /= len;
    }
    for (int i = 255; i > 0; --i) std::swap(t.perm[i], t.perm[gen.next() % 256]);
    for (int i = 0; i < 258; ++i) {
        t.perm[256 + i] = t.perm[i];
        for (int k = 0; k < 3; ++k) t.grad[256 + i][k] = t.grad[i][k];
    }
    return t;
}

}  // namespace texture
