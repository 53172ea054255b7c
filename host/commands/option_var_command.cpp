#include "host/commands/lang_commands.h"

#include "host/lang/option_vars.h"

namespace tarn::commands {

using lang::ArgType;
using lang::CommandArgs;
using lang::CommandContext;
using lang::CommandResult;
using lang::Value;

namespace {

// Flags are handled in the order given, so "optionVar -iv a 1 -q a" sets, then answers.
CommandResult optionVarCmd(const CommandArgs& args, CommandContext&) {
    auto& vars = lang::optionVars();
    // Every variable named must have a name; checked before the first change.
    for (const auto& use : args.flags())
        if (!use.values.empty() && use.values[0].asString().empty())
            return CommandResult::failure("optionVar: -" + use.decl->shortName +
                                          " needs a variable name");
    CommandResult result;
    for (const auto& use : args.flags()) {
        const std::string& flag = use.decl->longName;
        const auto& v = use.values;
        if (flag == "intValue")
            vars.set(v[0].asString(), Value(v[1].asInt()));
        else if (flag == "floatValue")
            vars.set(v[0].asString(), Value(v[1].asFloat()));
        else if (flag == "stringValue")
            vars.set(v[0].asString(), Value(v[1].asString()));
        else if (flag == "intValueAppend")
            vars.append(v[0].asString(), Value(v[1].asInt()));
        else if (flag == "floatValueAppend")
            vars.append(v[0].asString(), Value(v[1].asFloat()));
        else if (flag == "stringValueAppend")
            vars.append(v[0].asString(), Value(v[1].asString()));
        else if (flag == "clearArray") {
            auto cur = vars.get(v[0].asString());
            if (cur && cur->isArray()) {
                Value empty = cur->kind() == lang::ValueKind::IntArray
                                  ? Value(std::vector<std::int64_t>{})
                              : cur->kind() == lang::ValueKind::FloatArray
                                  ? Value(std::vector<double>{})
                                  : Value(std::vector<std::string>{});
                vars.set(v[0].asString(), empty);
            }
        } else if (flag == "query") {
            // A variable that does not exist answers 0, as a host without it would.
            auto cur = vars.get(v[0].asString());
            result = CommandResult(cur ? *cur : Value(std::int64_t(0)));
        } else if (flag == "exists")
            result = CommandResult(Value(std::int64_t(vars.exists(v[0].asString()))));
        else if (flag == "remove")
            vars.remove(v[0].asString());
        else if (flag == "list")
            result = CommandResult(Value(vars.names()));
        else if (flag == "arraySize") {
            auto cur = vars.get(v[0].asString());
            result = CommandResult(Value(std::int64_t(cur && cur->isArray() ? cur->size() : 0)));
        }
    }
    return result;
}

}  // namespace

void addOptionVarCommand(lang::CommandRegistry& registry) {
    using F = lang::FlagSpec;
    const auto S = ArgType::String;
    registry.add({
        .name = "optionVar",
        .usage = "optionVar [-iv name int] [-fv name float] [-sv name string] [-iva|-fva|-sva "
                 "name value] [-ca name] [-q name] [-ex name] [-rm name] [-arraySize name] "
                 "[-list]",
        .flags = {F{.longName = "intValue",
                    .shortName = "iv",
                    .args = {S, ArgType::Int},
                    .multiUse = true},
                  F{.longName = "floatValue",
                    .shortName = "fv",
                    .args = {S, ArgType::Float},
                    .multiUse = true},
                  F{.longName = "stringValue", .shortName = "sv", .args = {S, S}, .multiUse = true},
                  F{.longName = "intValueAppend",
                    .shortName = "iva",
                    .args = {S, ArgType::Int},
                    .multiUse = true},
                  F{.longName = "floatValueAppend",
                    .shortName = "fva",
                    .args = {S, ArgType::Float},
                    .multiUse = true},
                  F{.longName = "stringValueAppend",
                    .shortName = "sva",
                    .args = {S, S},
                    .multiUse = true},
                  F{.longName = "clearArray", .shortName = "ca", .args = {S}, .multiUse = true},
                  F{.longName = "query", .shortName = "q", .args = {S}},
                  F{.longName = "exists", .shortName = "ex", .args = {S}},
                  F{.longName = "remove", .shortName = "rm", .args = {S}, .multiUse = true},
                  F{.longName = "arraySize", .shortName = "as", .args = {S}},
                  F{.longName = "list", .shortName = "l"}},
        .body = optionVarCmd,
    });
}

}  // namespace tarn::commands
