#include "tools/qmf/qmf_writer.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace qmf {

void Writer::begin(uint16_t id) {
    m_open.push_back(m_bytes.size());
    header(id, 0);
}

void Writer::end() {
    if (m_open.empty()) throw std::logic_error("qmf::Writer::end without begin");
    const size_t start = m_open.back();
    m_open.pop_back();
    const auto length = static_cast<uint32_t>(m_bytes.size() - start);
    for (int i = 0; i < 4; ++i) m_bytes[start + 2 + i] = static_cast<uint8_t>(length >> (8 * i));
}

void Writer::header(uint16_t id, uint32_t length) {
    u16(id);
    u32(length);
}

void Writer::u8(uint8_t v) {
    m_bytes.push_back(v);
}

void Writer::u16(uint16_t v) {
    m_bytes.push_back(static_cast<uint8_t>(v));
    m_bytes.push_back(static_cast<uint8_t>(v >> 8));
}

void Writer::u32(uint32_t v) {
    for (int i = 0; i < 4; ++i) m_bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void Writer::f32(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    u32(bits);
}

void Writer::vec3(float x, float y, float z) {
    f32(x);
    f32(y);
    f32(z);
}

void Writer::str(std::string_view text) {
    strNoNul(text);
    m_bytes.push_back(0);
}

void Writer::strNoNul(std::string_view text) {
    raw(text.data(), text.size());
}

void Writer::raw(const void* data, size_t count) {
    const auto* p = static_cast<const uint8_t*>(data);
    m_bytes.insert(m_bytes.end(), p, p + count);
}

bool Writer::save(const std::string& path) const {
    return saveBytes(path, m_bytes);
}

bool saveBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), bytes.size(), 1, f) == 1;
    return std::fclose(f) == 0 && ok;
}

}  // namespace qmf
