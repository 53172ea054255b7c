#pragma once
/// Checks one invocation's words against a command's description and converts them: the only
/// place that decides what is a flag, how many arguments a flag takes, and which messages a
/// wrong invocation gets.

#include "host/lang/command_registry.h"

#include <string>
#include <vector>

namespace tarn::lang {

/// One evaluated word of an invocation.
struct Word {
    Value value;
    bool flag = false;  ///< written as a bare "-name" word
};

/// Fills `out` from `words` per `decl`. On a wrong invocation returns false with one message
/// in `error` (no prefix), naming the command and the flag or argument. Pure.
bool bindArguments(const CommandSpec& decl, const std::vector<Word>& words, CommandArgs& out,
                   std::string& error);

/// Converts a value to an argument type; false when it does not convert. Pure.
bool convertArgument(const Value& in, ArgType type, Value& out);

/// "an int", "a float", "a boolean", ... for messages. Pure.
const char* describeArgType(ArgType type);

}  // namespace tarn::lang
