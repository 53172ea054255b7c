#pragma once
/// The pieces of scene-file text that are not statements: numbers written so that they read
/// back to the same bits, quoted strings, and base64 blocks of little-endian arrays (the compact
/// form of large mesh data). Pure functions; any thread.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarn::scenefile {

/// Appends the shortest text that reads back as exactly `value` ("0.1", "1e+20", "-0").
void appendNumber(std::string& out, double value);
/// The same for a single-precision value ("0.1" for 0.1f).
void appendFloat(std::string& out, float value);
void appendInt(std::string& out, long long value);

/// Reads a whole word as a number (decimal, optional sign and exponent; no "inf" or "nan").
/// False when the word is anything else.
bool parseDouble(std::string_view word, double* out);
bool parseFloat(std::string_view word, float* out);
/// A whole word as an integer within [low, high].
bool parseInt(std::string_view word, long long low, long long high, long long* out);

/// Appends `text` in double quotes: backslash, double quote and control characters escaped
/// (\\ \" \n \t \r, else \xHH); other bytes, UTF-8 included, as they are.
void appendQuoted(std::string& out, std::string_view text);
/// Reads a quoted string starting at text[at] == '"'. On success `*out` holds the unescaped
/// bytes and `*end` the position after the closing quote. False (with `*end` at the fault) for
/// a missing closing quote, a line break inside, or an unknown escape.
bool parseQuoted(std::string_view text, std::size_t at, std::string* out, std::size_t* end);

/// Base64 text of `size` bytes (standard alphabet, padded).
void appendBase64(std::string& out, const void* data, std::size_t size);
/// Characters of the base64 text of `bytes` bytes.
constexpr std::size_t base64Length(std::size_t bytes) {
    return (bytes + 2) / 3 * 4;
}
/// Decodes exactly base64Length(size) characters of `text` into `out` (`size` bytes). False for
/// a character outside the alphabet or wrong padding.
bool decodeBase64(std::string_view text, void* out, std::size_t size);

/// Appends base64 text of a stream of bytes given piece by piece (one line of a large array
/// written without first gathering it). finish() writes the last group with its padding.
class Base64Writer {
public:
    explicit Base64Writer(std::string& out) : m_out(out) {}
    void write(const void* data, std::size_t size);
    void finish();

private:
    std::string& m_out;
    unsigned char m_pending[3] = {};
    int m_count = 0;
};

/// True when the machine stores numbers little-endian (the byte order of base64 blocks).
constexpr bool kLittleEndian = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;

}  // namespace tarn::scenefile
