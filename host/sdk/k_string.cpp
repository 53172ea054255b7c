#include "frame/k_string.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <ostream>

#include "frame/k_arrays.h"

namespace {

template <typename T>
void appendInteger(std::string& out, T value) {
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

// Shortest text that reads back to the same value; "nan", "inf", "-inf" for the rest.
template <typename T>
void appendFloating(std::string& out, T value) {
    if (std::isnan(value)) { out += "nan"; return; }
    if (std::isinf(value)) { out += value < 0 ? "-inf" : "inf"; return; }
    // Note: the longest shortest form of a double, "-2.2250738585072014e-308", is 24 bytes.
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

std::string_view trimmed(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    return std::string_view(text).substr(begin, end - begin);
}

bool parseInt(const std::string& text, int& value) {
    std::string_view t = trimmed(text);
    // One sign only: after a '+', another sign ("+-1") makes the text no number.
    if (!t.empty() && t.front() == '+') {
        t.remove_prefix(1);
        if (!t.empty() && t.front() == '-') return false;
    }
    if (t.empty()) return false;
    auto result = std::from_chars(t.data(), t.data() + t.size(), value);
    return result.ec == std::errc() && result.ptr == t.data() + t.size();
}

bool parseDouble(const std::string& text, double& value) {
    std::string_view t = trimmed(text);
    // One sign only: after a '+', another sign ("+-1") makes the text no number.
    if (!t.empty() && t.front() == '+') {
        t.remove_prefix(1);
        if (!t.empty() && t.front() == '-') return false;
    }
    if (t.empty()) return false;
    auto result = std::from_chars(t.data(), t.data() + t.size(), value);
    return result.ec == std::errc() && result.ptr == t.data() + t.size();
}

}  // namespace

std::string numberText(double value) {
    std::string text;
    appendFloating(text, value);
    return text;
}

std::string numberText(float value) {
    std::string text;
    appendFloating(text, value);
    return text;
}

unsigned int KString::numChars() const {
    unsigned int count = 0;
    for (unsigned char c : m_text) {
        if ((c & 0xC0) != 0x80) ++count;
    }
    return count;
}

KString& KString::set(double value) {
    m_text.clear();
    appendFloating(m_text, value);
    return *this;
}

KString& KString::operator+=(int value) { appendInteger(m_text, value); return *this; }
KString& KString::operator+=(unsigned int value) { appendInteger(m_text, value); return *this; }
KString& KString::operator+=(long value) { appendInteger(m_text, value); return *this; }
KString& KString::operator+=(unsigned long value) { appendInteger(m_text, value); return *this; }
KString& KString::operator+=(long long value) { appendInteger(m_text, value); return *this; }
KString& KString::operator+=(unsigned long long value) { appendInteger(m_text, value); return *this; }
KString& KString::operator+=(float value) { appendFloating(m_text, value); return *this; }
KString& KString::operator+=(double value) { appendFloating(m_text, value); return *this; }

bool KString::isInt() const {
    int v;
    return parseInt(m_text, v);
}

bool KString::isDouble() const {
    double v;
    return parseDouble(m_text, v);
}

int KString::asInt() const {
    int v = 0;
    return parseInt(m_text, v) ? v : 0;
}

double KString::asDouble() const {
    double v = 0.0;
    return parseDouble(m_text, v) ? v : 0.0;
}

bool KString::split(char separator, KStringArray& out) const {
    out.clear();
    size_t start = 0;
    while (start <= m_text.size()) {
        size_t end = m_text.find(separator, start);
        if (end == std::string::npos) end = m_text.size();
        if (end > start) out.append(KString(m_text.substr(start, end - start)));
        start = end + 1;
    }
    return true;
}

KString KString::substring(int start, int end) const {
    if (start < 0) start = 0;
    int last = static_cast<int>(m_text.size()) - 1;
    if (end > last) end = last;
    if (start > end) return KString();
    return KString(m_text.substr(start, end - start + 1));
}

int KString::index(char c) const {
    size_t p = m_text.find(c);
    return p == std::string::npos ? -1 : static_cast<int>(p);
}

int KString::rindex(char c) const {
    size_t p = m_text.rfind(c);
    return p == std::string::npos ? -1 : static_cast<int>(p);
}

KString KString::toLowerCase() const {
    std::string r(m_text);
    for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return KString(std::move(r));
}

KString KString::toUpperCase() const {
    std::string r(m_text);
    for (char& c : r) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return KString(std::move(r));
}

std::ostream& operator<<(std::ostream& out, const KString& text) { return out << text.str(); }

KString escapeCommandString(const KString& text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.str().size() + 2);
    for (const char c : text.str()) {
        const auto byte = static_cast<unsigned char>(c);
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
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (byte < 0x20 || byte == 0x7f) {
                    out += "\\x";
                    out += kHex[byte >> 4];
                    out += kHex[byte & 0xf];
                } else {
                    out += c;
                }
        }
    }
    return KString(std::move(out));
}
