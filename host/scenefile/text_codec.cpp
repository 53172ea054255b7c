#include "host/scenefile/text_codec.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_reduce.h>

#include <array>
#include <charconv>
#include <cstring>

namespace tarn::scenefile {

static_assert(kLittleEndian, "scene files store arrays little-endian; add byte swapping here");

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Per character: its six bits shifted into place for each of the four positions of a group,
// or a value with bit 31 set for a character outside the alphabet.
struct DecodeTables {
    std::array<std::uint32_t, 256> at[4];
    DecodeTables() {
        for (auto& t : at) t.fill(0x80000000u);
        for (std::uint32_t i = 0; i < 64; ++i) {
            const auto c = static_cast<unsigned char>(kAlphabet[i]);
            at[0][c] = i << 18;
            at[1][c] = i << 12;
            at[2][c] = i << 6;
            at[3][c] = i;
        }
    }
};

const DecodeTables& tables() {
    static const DecodeTables t;
    return t;
}

void encodeGroup(char* out, const unsigned char* in) {
    const std::uint32_t v = (std::uint32_t(in[0]) << 16) | (std::uint32_t(in[1]) << 8) | in[2];
    out[0] = kAlphabet[(v >> 18) & 63];
    out[1] = kAlphabet[(v >> 12) & 63];
    out[2] = kAlphabet[(v >> 6) & 63];
    out[3] = kAlphabet[v & 63];
}

// A number's text: an optional sign, then a digit or a point (so never "inf" or "nan").
bool looksNumeric(std::string_view word) {
    std::size_t i = word.empty() ? 0 : (word[0] == '-' || word[0] == '+');
    return i < word.size() && (word[i] == '.' || (word[i] >= '0' && word[i] <= '9'));
}

}  // namespace

void appendNumber(std::string& out, double value) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, r.ptr);
}

void appendFloat(std::string& out, float value) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, r.ptr);
}

void appendInt(std::string& out, long long value) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, r.ptr);
}

bool parseDouble(std::string_view word, double* out) {
    if (!looksNumeric(word)) return false;
    // from_chars takes no leading '+'.
    if (word[0] == '+') word.remove_prefix(1);
    const auto r = std::from_chars(word.data(), word.data() + word.size(), *out);
    return r.ec == std::errc() && r.ptr == word.data() + word.size();
}

bool parseFloat(std::string_view word, float* out) {
    if (!looksNumeric(word)) return false;
    if (word[0] == '+') word.remove_prefix(1);
    const auto r = std::from_chars(word.data(), word.data() + word.size(), *out);
    return r.ec == std::errc() && r.ptr == word.data() + word.size();
}

bool parseInt(std::string_view word, long long low, long long high, long long* out) {
    if (word.empty()) return false;
    if (word[0] == '+') word.remove_prefix(1);
    if (word.empty() || word[0] == '+') return false;
    long long v = 0;
    const auto r = std::from_chars(word.data(), word.data() + word.size(), v);
    if (r.ec != std::errc() || r.ptr != word.data() + word.size() || v < low || v > high)
        return false;
    *out = v;
    return true;
}

void appendQuoted(std::string& out, std::string_view text) {
    out += '"';
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '"':
                out += "\\\"";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                if (u < 0x20 || u == 0x7f) {
                    static const char kHex[] = "0123456789abcdef";
                    out += "\\x";
                    out += kHex[u >> 4];
                    out += kHex[u & 15];
                } else {
                    out += c;
                }
        }
    }
    out += '"';
}

bool parseQuoted(std::string_view text, std::size_t at, std::string* out, std::size_t* end) {
    out->clear();
    std::size_t i = at + 1;
    auto hexValue = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    while (i < text.size()) {
        const char c = text[i];
        if (c == '"') {
            *end = i + 1;
            return true;
        }
        if (c == '\n' || c == '\r') break;
        if (c != '\\') {
            out->push_back(c);
            ++i;
            continue;
        }
        if (i + 1 >= text.size()) break;
        const char e = text[i + 1];
        i += 2;
        switch (e) {
            case '\\':
                out->push_back('\\');
                break;
            case '"':
                out->push_back('"');
                break;
            case 'n':
                out->push_back('\n');
                break;
            case 't':
                out->push_back('\t');
                break;
            case 'r':
                out->push_back('\r');
                break;
            case 'x': {
                const int h = i < text.size() ? hexValue(text[i]) : -1;
                const int l = i + 1 < text.size() ? hexValue(text[i + 1]) : -1;
                if (h < 0 || l < 0) {
                    *end = i;
                    return false;
                }
                out->push_back(static_cast<char>(h * 16 + l));
                i += 2;
                break;
            }
            default:
                *end = i - 1;
                return false;
        }
    }
    *end = i;
    return false;
}

void appendBase64(std::string& out, const void* data, std::size_t size) {
    Base64Writer writer(out);
    writer.write(data, size);
    writer.finish();
}

void Base64Writer::write(const void* data, std::size_t size) {
    const auto* in = static_cast<const unsigned char*>(data);
    // Complete a group left over from the previous piece.
    while (m_count > 0 && m_count < 3 && size > 0) {
        m_pending[m_count++] = *in++;
        --size;
    }
    if (m_count == 3) {
        char group[4];
        encodeGroup(group, m_pending);
        m_out.append(group, 4);
        m_count = 0;
    }
    const std::size_t groups = size / 3;
    if (groups > 0) {
        const std::size_t start = m_out.size();
        m_out.resize(start + groups * 4);
        char* o = m_out.data() + start;
        for (std::size_t g = 0; g < groups; ++g, in += 3, o += 4) encodeGroup(o, in);
        size -= groups * 3;
    }
    while (size > 0) {
        m_pending[m_count++] = *in++;
        --size;
    }
}

void Base64Writer::finish() {
    if (m_count == 0) return;
    const unsigned char last[3] = {m_pending[0],
                                   static_cast<unsigned char>(m_count > 1 ? m_pending[1] : 0), 0};
    char group[4];
    encodeGroup(group, last);
    if (m_count == 1) group[2] = '=';
    group[3] = '=';
    m_out.append(group, 4);
    m_count = 0;
}

namespace {

// Decodes whole groups [first, last) of `in` into `out`; answers the groups' bits OR-ed
// together, with bit 31 set when a character is outside the alphabet.
std::uint32_t decodeGroups(const DecodeTables& t, const unsigned char* in, unsigned char* out,
                           std::size_t first, std::size_t last) {
    std::uint32_t bad = 0;
    in += first * 4;
    out += first * 3;
    for (std::size_t g = first; g < last; ++g, in += 4, out += 3) {
        const std::uint32_t v = t.at[0][in[0]] | t.at[1][in[1]] | t.at[2][in[2]] | t.at[3][in[3]];
        bad |= v;
        out[0] = static_cast<unsigned char>(v >> 16);
        out[1] = static_cast<unsigned char>(v >> 8);
        out[2] = static_cast<unsigned char>(v);
    }
    return bad;
}

// Blocks of this many groups and more are decoded on several threads.
constexpr std::size_t kParallelGroups = std::size_t(1) << 18;

}  // namespace

bool decodeBase64(std::string_view text, void* out, std::size_t size) {
    if (text.size() != base64Length(size)) return false;
    const DecodeTables& t = tables();
    auto* o = static_cast<unsigned char*>(out);
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t full = size / 3;
    std::uint32_t bad = 0;
    if (full >= kParallelGroups) {
        bad = tbb::parallel_reduce(
            tbb::blocked_range<std::size_t>(0, full, kParallelGroups / 4), std::uint32_t(0),
            [&](const tbb::blocked_range<std::size_t>& r, std::uint32_t acc) {
                return acc | decodeGroups(t, in, o, r.begin(), r.end());
            },
            [](std::uint32_t a, std::uint32_t b) { return a | b; });
    } else {
        bad = decodeGroups(t, in, o, 0, full);
    }
    if (bad & 0x80000000u) return false;
    const std::size_t rest = size - full * 3;
    if (rest == 0) return true;
    // The last group: one or two bytes, then padding.
    in += full * 4;
    o += full * 3;
    if (in[3] != '=' || (rest == 1 && in[2] != '=')) return false;
    std::uint32_t v = t.at[0][in[0]] | t.at[1][in[1]];
    if (rest == 2) v |= t.at[2][in[2]];
    if (v & 0x80000000u) return false;
    o[0] = static_cast<unsigned char>(v >> 16);
    if (rest == 2) o[1] = static_cast<unsigned char>(v >> 8);
    return true;
}

}  // namespace tarn::scenefile
