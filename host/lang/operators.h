#pragma once
/// The language's operators on values: arithmetic, comparison, logic and string concatenation,
/// with its conversion rules (a string takes part in arithmetic by its number, integer
/// arithmetic wraps on overflow, "+" with a string concatenates). Pure: any thread.

#include "host/lang/value.h"

#include <cstddef>
#include <string>

namespace tarn::lang {

/// `!`, unary `-` and `+`. False with a message for arrays.
bool applyUnary(const std::string& op, const Value& v, Value& out, std::string& error);

/// Longest string "+" may make: a script doubling a string in a loop stops with an error
/// instead of exhausting memory.
constexpr std::size_t kMaxStringLength = std::size_t(1) << 28;

/// `+ - * / % == != < > <= >=` (not `&&`/`||`, which short-circuit in the interpreter).
/// False with a message for arrays, division or modulo by zero, and a concatenation longer
/// than kMaxStringLength.
bool applyBinary(const std::string& op, const Value& a, const Value& b, Value& out,
                 std::string& error);

}  // namespace tarn::lang
