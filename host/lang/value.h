#pragma once
/// Values of the command language: what variables hold, what expressions produce and what
/// commands answer. A value is one of six kinds; conversions between them follow the language's
/// rules (numbers print without trailing zeros, strings convert by their leading number).

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tarn::lang {

/// The kinds a value can hold. `None` is the answer of a command that returns nothing.
enum class ValueKind { None, String, Int, Float, StringArray, IntArray, FloatArray };

/// Human-readable kind name ("string", "int", "float", "string[]", "int[]", "float[]", "none").
const char* kindName(ValueKind kind);

class Value {
public:
    Value() = default;
    Value(std::string s) : m_data(std::move(s)) {}
    Value(const char* s) : m_data(std::string(s)) {}
    Value(std::string_view s) : m_data(std::string(s)) {}
    Value(int i) : m_data(std::int64_t(i)) {}
    Value(std::int64_t i) : m_data(i) {}
    Value(bool b) : m_data(std::int64_t(b ? 1 : 0)) {}
    Value(double d) : m_data(d) {}
    Value(std::vector<std::string> a) : m_data(std::move(a)) {}
    Value(std::vector<std::int64_t> a) : m_data(std::move(a)) {}
    Value(std::vector<int> a) : m_data(std::vector<std::int64_t>(a.begin(), a.end())) {}
    Value(std::vector<double> a) : m_data(std::move(a)) {}

    /// The kind held. Never throws.
    ValueKind kind() const { return static_cast<ValueKind>(m_data.index()); }
    bool isNone() const { return kind() == ValueKind::None; }
    bool isArray() const;
    bool isNumber() const { return kind() == ValueKind::Int || kind() == ValueKind::Float; }

    /// Scalar conversions: strings convert by their leading number (0 if none), arrays by their
    /// first element (0 / "" when empty); floats truncate toward zero for asInt.
    std::string asString() const;
    /// The text held by a string value, without a copy; null for other kinds.
    const std::string* stringIf() const { return std::get_if<std::string>(&m_data); }
    std::int64_t asInt() const;
    double asFloat() const;
    bool asBool() const;

    /// Array conversions: a scalar becomes a one-element array (None an empty one).
    std::vector<std::string> asStringArray() const;
    std::vector<std::int64_t> asIntArray() const;
    std::vector<double> asFloatArray() const;

    /// Number of elements: arrays their size, None 0, scalars 1.
    std::size_t size() const;

    /// Text as the shell shows a result: arrays as space-separated elements.
    std::string toDisplay() const;

    bool operator==(const Value& other) const = default;

private:
    std::variant<std::monostate, std::string, std::int64_t, double, std::vector<std::string>,
                 std::vector<std::int64_t>, std::vector<double>>
        m_data;
};

/// Formats a float the way the language prints it: up to 6 significant decimals, no trailing
/// zeros, "1" for 1.0, "-0.5" for -0.5. Pure.
std::string formatFloat(double d);

/// Parses a whole string as a number; returns false (and leaves out untouched) when the text is
/// not exactly one int/float literal. Pure.
bool parseInt(std::string_view text, std::int64_t& out);
bool parseFloat(std::string_view text, double& out);

/// The host's one check of a number given to a command (an argument, a flag's value, a word of
/// a plug-in command): false for NaN and the infinities, which would spread through every point,
/// box and matrix computed from them. Pure.
bool isFiniteNumber(double d);

/// The number a value stands for: a number value as it is, a string when the whole text is one
/// number literal ("nan" and "inf" included, so that callers can refuse them by name). False
/// for anything else. Pure.
bool numberOf(const Value& v, double& out);

/// The message for a number that isFiniteNumber refuses: "CMD: WHERE takes finite numbers, not
/// 'GIVEN'." with WHERE such as "flag '-t'" or "argument 2". Pure.
std::string nonFiniteMessage(std::string_view command, std::string_view where,
                             std::string_view given);

}  // namespace tarn::lang
