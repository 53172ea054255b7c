#include "host/lang/value.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace tarn::lang {

const char* kindName(ValueKind kind) {
    switch (kind) {
        case ValueKind::None:
            return "none";
        case ValueKind::String:
            return "string";
        case ValueKind::Int:
            return "int";
        case ValueKind::Float:
            return "float";
        case ValueKind::StringArray:
            return "string[]";
        case ValueKind::IntArray:
            return "int[]";
        case ValueKind::FloatArray:
            return "float[]";
    }
    return "none";
}

std::string formatFloat(double d) {
    if (std::isnan(d)) return "nan";
    if (std::isinf(d)) return d < 0 ? "-inf" : "inf";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.6g", d);
    std::string s = buf;
    if (s == "-0") s = "0";
    return s;
}

bool parseInt(std::string_view text, std::int64_t& out) {
    if (text.empty()) return false;
    std::size_t start = (text[0] == '+' || text[0] == '-') ? 1 : 0;
    if (start == text.size()) return false;
    std::int64_t v = 0;
    const char* b = text.data() + (text[0] == '+' ? 1 : 0);
    const char* e = text.data() + text.size();
    // Hexadecimal literals (0x...) are accepted as the language writes type ids that way.
    if (text.size() > start + 2 && text[start] == '0' &&
        (text[start + 1] == 'x' || text[start + 1] == 'X')) {
        std::uint64_t u = 0;
        auto r = std::from_chars(text.data() + start + 2, e, u, 16);
        if (r.ec != std::errc() || r.ptr != e ||
            u > std::uint64_t(std::numeric_limits<std::int64_t>::max()))
            return false;
        out = text[0] == '-' ? -std::int64_t(u) : std::int64_t(u);
        return true;
    }
    auto r = std::from_chars(b, e, v);
    if (r.ec != std::errc() || r.ptr != e) return false;
    out = v;
    return true;
}

bool parseFloat(std::string_view text, double& out) {
    if (text.empty()) return false;
    std::int64_t i = 0;
    if (parseInt(text, i)) {
        out = double(i);
        return true;
    }
    const char* b = text.data() + (text[0] == '+' ? 1 : 0);
    const char* e = text.data() + text.size();
    double v = 0;
    auto r = std::from_chars(b, e, v);
    if (r.ec != std::errc() || r.ptr != e) return false;
    out = v;
    return true;
}

bool isFiniteNumber(double d) {
    return std::isfinite(d);
}

bool numberOf(const Value& v, double& out) {
    if (v.isNumber()) {
        out = v.asFloat();
        return true;
    }
    const std::string* text = v.stringIf();
    return text && parseFloat(*text, out);
}

std::string nonFiniteMessage(std::string_view command, std::string_view where,
                             std::string_view given) {
    std::string shown(given.substr(0, 40));
    if (given.size() > 40) shown.replace(37, 3, "...");
    return std::string(command) + ": " + std::string(where) + " takes finite numbers, not '" +
           shown + "'.";
}

namespace {

// The leading number of a string, as the language converts "3.5abc" to 3.5 and "abc" to 0.
double leadingNumber(const std::string& s) {
    const char* begin = s.c_str();
    while (*begin == ' ' || *begin == '\t' || *begin == '\n') ++begin;
    char* end = nullptr;
    double v = std::strtod(begin, &end);
    if (end == begin || !std::isfinite(v)) return 0.0;
    return v;
}

std::int64_t toInt(double d) {
    if (!std::isfinite(d)) return 0;
    if (d >= 9.2e18) return std::numeric_limits<std::int64_t>::max();
    if (d <= -9.2e18) return std::numeric_limits<std::int64_t>::min();
    return std::int64_t(d);
}

template <class T>
std::string joinDisplay(const std::vector<T>& a) {
    std::string out;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (i) out += ' ';
        if constexpr (std::is_same_v<T, std::string>)
            out += a[i];
        else if constexpr (std::is_same_v<T, double>)
            out += formatFloat(a[i]);
        else
            out += std::to_string(a[i]);
    }
    return out;
}

}  // namespace

bool Value::isArray() const {
    auto k = kind();
    return k == ValueKind::StringArray || k == ValueKind::IntArray || k == ValueKind::FloatArray;
}

std::string Value::asString() const {
    switch (kind()) {
        case ValueKind::None:
            return {};
        case ValueKind::String:
            return std::get<std::string>(m_data);
        case ValueKind::Int:
            return std::to_string(std::get<std::int64_t>(m_data));
        case ValueKind::Float:
            return formatFloat(std::get<double>(m_data));
        case ValueKind::StringArray: {
            const auto& a = std::get<std::vector<std::string>>(m_data);
            return a.empty() ? std::string() : a[0];
        }
        case ValueKind::IntArray: {
            const auto& a = std::get<std::vector<std::int64_t>>(m_data);
            return a.empty() ? std::string() : std::to_string(a[0]);
        }
        case ValueKind::FloatArray: {
            const auto& a = std::get<std::vector<double>>(m_data);
            return a.empty() ? std::string() : formatFloat(a[0]);
        }
    }
    return {};
}

std::int64_t Value::asInt() const {
    switch (kind()) {
        case ValueKind::Int:
            return std::get<std::int64_t>(m_data);
        case ValueKind::Float:
            return toInt(std::get<double>(m_data));
        case ValueKind::String: {
            std::int64_t i = 0;
            if (parseInt(std::get<std::string>(m_data), i)) return i;
            return toInt(leadingNumber(std::get<std::string>(m_data)));
        }
        case ValueKind::IntArray: {
            const auto& a = std::get<std::vector<std::int64_t>>(m_data);
            return a.empty() ? 0 : a[0];
        }
        default:
            return Value(asString()).asInt();
    }
}

double Value::asFloat() const {
    switch (kind()) {
        case ValueKind::Int:
            return double(std::get<std::int64_t>(m_data));
        case ValueKind::Float:
            return std::get<double>(m_data);
        case ValueKind::String:
            return leadingNumber(std::get<std::string>(m_data));
        case ValueKind::FloatArray: {
            const auto& a = std::get<std::vector<double>>(m_data);
            return a.empty() ? 0.0 : a[0];
        }
        default:
            return Value(asString()).asFloat();
    }
}

bool Value::asBool() const {
    if (kind() == ValueKind::String) {
        const auto& s = std::get<std::string>(m_data);
        if (s == "true" || s == "on" || s == "yes") return true;
        if (s == "false" || s == "off" || s == "no" || s.empty()) return false;
    }
    if (kind() == ValueKind::Float) return asFloat() != 0.0;
    return asInt() != 0;
}

std::vector<std::string> Value::asStringArray() const {
    switch (kind()) {
        case ValueKind::None:
            return {};
        case ValueKind::StringArray:
            return std::get<std::vector<std::string>>(m_data);
        case ValueKind::IntArray: {
            std::vector<std::string> out;
            for (auto v : std::get<std::vector<std::int64_t>>(m_data))
                out.push_back(std::to_string(v));
            return out;
        }
        case ValueKind::FloatArray: {
            std::vector<std::string> out;
            for (auto v : std::get<std::vector<double>>(m_data)) out.push_back(formatFloat(v));
            return out;
        }
        default:
            return {asString()};
    }
}

std::vector<std::int64_t> Value::asIntArray() const {
    switch (kind()) {
        case ValueKind::None:
            return {};
        case ValueKind::IntArray:
            return std::get<std::vector<std::int64_t>>(m_data);
        case ValueKind::FloatArray: {
            std::vector<std::int64_t> out;
            for (auto v : std::get<std::vector<double>>(m_data)) out.push_back(toInt(v));
            return out;
        }
        case ValueKind::StringArray: {
            std::vector<std::int64_t> out;
            for (const auto& v : std::get<std::vector<std::string>>(m_data))
                out.push_back(Value(v).asInt());
            return out;
        }
        default:
            return {asInt()};
    }
}

std::vector<double> Value::asFloatArray() const {
    switch (kind()) {
        case ValueKind::None:
            return {};
        case ValueKind::FloatArray:
            return std::get<std::vector<double>>(m_data);
        case ValueKind::IntArray: {
            std::vector<double> out;
            for (auto v : std::get<std::vector<std::int64_t>>(m_data)) out.push_back(double(v));
            return out;
        }
        case ValueKind::StringArray: {
            std::vector<double> out;
            for (const auto& v : std::get<std::vector<std::string>>(m_data))
                out.push_back(Value(v).asFloat());
            return out;
        }
        default:
            return {asFloat()};
    }
}

std::size_t Value::size() const {
    switch (kind()) {
        case ValueKind::None:
            return 0;
        case ValueKind::StringArray:
            return std::get<std::vector<std::string>>(m_data).size();
        case ValueKind::IntArray:
            return std::get<std::vector<std::int64_t>>(m_data).size();
        case ValueKind::FloatArray:
            return std::get<std::vector<double>>(m_data).size();
        default:
            return 1;
    }
}

std::string Value::toDisplay() const {
    switch (kind()) {
        case ValueKind::StringArray:
            return joinDisplay(std::get<std::vector<std::string>>(m_data));
        case ValueKind::IntArray:
            return joinDisplay(std::get<std::vector<std::int64_t>>(m_data));
        case ValueKind::FloatArray:
            return joinDisplay(std::get<std::vector<double>>(m_data));
        default:
            return asString();
    }
}

}  // namespace tarn::lang
