#include "host/lang/operators.h"

#include <cmath>
#include <limits>

namespace tarn::lang {

namespace {

// Integer arithmetic wraps instead of overflowing (no undefined behaviour on big numbers).
std::int64_t wrapAdd(std::int64_t a, std::int64_t b) {
    return std::int64_t(std::uint64_t(a) + std::uint64_t(b));
}
std::int64_t wrapSub(std::int64_t a, std::int64_t b) {
    return std::int64_t(std::uint64_t(a) - std::uint64_t(b));
}
std::int64_t wrapMul(std::int64_t a, std::int64_t b) {
    return std::int64_t(std::uint64_t(a) * std::uint64_t(b));
}

// Whether a value takes part in arithmetic as an int.
bool intLike(const Value& v) {
    if (v.kind() == ValueKind::Int) return true;
    if (v.kind() == ValueKind::String) {
        std::int64_t i;
        return parseInt(v.asString(), i);
    }
    return false;
}

// Three-way comparison: strings with strings by text, anything else by number.
int compare(const Value& a, const Value& b) {
    if (a.kind() == ValueKind::String && b.kind() == ValueKind::String) {
        int c = a.asString().compare(b.asString());
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    double x = a.asFloat(), y = b.asFloat();
    return x < y ? -1 : (x > y ? 1 : 0);
}

}  // namespace

bool applyUnary(const std::string& op, const Value& v, Value& out, std::string& error) {
    if (op == "!") {
        out = Value(std::int64_t(!v.asBool()));
        return true;
    }
    if (v.isArray()) {
        error = "Operator '" + op + "' cannot be applied to an array.";
        return false;
    }
    if (op == "+")
        out = intLike(v) ? Value(v.asInt()) : Value(v.asFloat());
    else
        out = intLike(v) ? Value(wrapSub(0, v.asInt())) : Value(-v.asFloat());
    return true;
}

bool applyBinary(const std::string& op, const Value& a, const Value& b, Value& out,
                 std::string& error) {
    bool strings = a.kind() == ValueKind::String || b.kind() == ValueKind::String;
    if (op == "+" && strings && !a.isArray() && !b.isArray()) {
        // Strings are joined in place; only a number is turned into text first.
        std::string leftText, rightText;
        const std::string* left = a.stringIf();
        const std::string* right = b.stringIf();
        if (!left) left = &(leftText = a.asString());
        if (!right) right = &(rightText = b.asString());
        const std::size_t length = left->size() + right->size();
        if (length > kMaxStringLength) {
            error = "String too long: the result would have " + std::to_string(length) +
                    " characters (at most " + std::to_string(kMaxStringLength) + ").";
            return false;
        }
        std::string joined;
        joined.reserve(length);
        joined.append(*left).append(*right);
        out = Value(std::move(joined));
        return true;
    }
    if (a.isArray() || b.isArray()) {
        error = "Operator '" + op + "' cannot be applied to an array.";
        return false;
    }
    if (op == "==" || op == "!=" || op == "<" || op == ">" || op == "<=" || op == ">=") {
        int c = compare(a, b);
        bool r = op == "=="   ? c == 0
                 : op == "!=" ? c != 0
                 : op == "<"  ? c < 0
                 : op == ">"  ? c > 0
                 : op == "<=" ? c <= 0
                              : c >= 0;
        out = Value(std::int64_t(r));
        return true;
    }
    bool divides = op == "/" || op == "%";
    if (intLike(a) && intLike(b)) {
        std::int64_t x = a.asInt(), y = b.asInt();
        if (divides && y == 0) {
            error = "Division by zero.";
            return false;
        }
        if (op == "+")
            out = Value(wrapAdd(x, y));
        else if (op == "-")
            out = Value(wrapSub(x, y));
        else if (op == "*")
            out = Value(wrapMul(x, y));
        else if (x == std::numeric_limits<std::int64_t>::min() && y == -1)
            out = Value(op == "/" ? x : std::int64_t(0));  // the one quotient that overflows
        else
            out = Value(op == "/" ? x / y : x % y);
        return true;
    }
    double x = a.asFloat(), y = b.asFloat();
    if (divides && y == 0.0) {
        error = "Division by zero.";
        return false;
    }
    if (op == "+")
        out = Value(x + y);
    else if (op == "-")
        out = Value(x - y);
    else if (op == "*")
        out = Value(x * y);
    else
        out = Value(op == "/" ? x / y : std::fmod(x, y));
    return true;
}

}  // namespace tarn::lang
