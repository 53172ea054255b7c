#pragma once
// Shared fixtures of the language tests: a private registry with the language commands and a
// few probe commands over a tiny key/value "scene" whose changes are recorded for undo.

#include "host/lang/command_modules.h"
#include "host/lang/interpreter.h"
#include "host/lang/script_output.h"
#include "host/undo/undo.h"

#include <map>
#include <memory>
#include <string>

namespace tarn::lang::testing {

/// The probe scene: named integer values.
inline std::map<std::string, std::int64_t>& probeScene() {
    static std::map<std::string, std::int64_t> scene;
    return scene;
}

/// Sets a probe value, recording the change like host code does.
inline void setProbe(const std::string& key, std::int64_t value) {
    auto& scene = probeScene();
    bool existed = scene.count(key) != 0;
    std::int64_t before = existed ? scene[key] : 0;
    scene[key] = value;
    undo::undoQueue().record(
        [key, existed, before] {
            if (existed)
                probeScene()[key] = before;
            else
                probeScene().erase(key);
        },
        [key, value] { probeScene()[key] = value; });
}

/// A registry holding the language commands plus:
///   setValue [-add] key int     sets (or adds to) a probe value; undoable
///   getValue key                answers the value (error when missing)
///   setThenFail key int         sets a value, then fails: the change must be taken back
///   words [flags...] args...    answers its positional words joined by '|', flags -a (switch),
///                               -n int, -f float, -s string (multi-use), -b bool
inline std::unique_ptr<CommandRegistry> makeRegistry() {
    auto reg = std::make_unique<CommandRegistry>();
    installLangCommands(*reg);
    reg->add({.name = "setValue",
              .usage = "setValue [-add] key value",
              .minArgs = 2,
              .maxArgs = 2,
              .argTypes = {ArgType::String, ArgType::Int},
              .flags = {{.longName = "add", .shortName = "a"}},
              .undoable = true,
              .body = [](const CommandArgs& a, CommandContext&) -> CommandResult {
                  std::string key = a[0].asString();
                  std::int64_t v = a[1].asInt();
                  if (a.has("add")) v += probeScene().count(key) ? probeScene()[key] : 0;
                  setProbe(key, v);
                  return Value(v);
              }});
    reg->add({.name = "getValue",
              .usage = "getValue key",
              .minArgs = 1,
              .maxArgs = 1,
              .body = [](const CommandArgs& a, CommandContext&) -> CommandResult {
                  auto it = probeScene().find(a[0].asString());
                  if (it == probeScene().end())
                      return CommandResult::failure("No value named " + a[0].asString() + ".");
                  return Value(it->second);
              }});
    reg->add({.name = "setThenFail",
              .minArgs = 2,
              .maxArgs = 2,
              .argTypes = {ArgType::String, ArgType::Int},
              .undoable = true,
              .body = [](const CommandArgs& a, CommandContext&) -> CommandResult {
                  setProbe(a[0].asString(), a[1].asInt());
                  return CommandResult::failure("setThenFail: failed on purpose.");
              }});
    reg->add(
        {.name = "words",
         .usage = "words [-a] [-n int] [-f float] [-s string] [-b bool] args...",
         .maxArgs = kUnlimited,
         .flags =
             {{.longName = "all", .shortName = "a"},
              {.longName = "number", .shortName = "n", .args = {ArgType::Int}},
              {.longName = "fraction", .shortName = "f", .args = {ArgType::Float}},
              {.longName = "string", .shortName = "s", .args = {ArgType::String}, .multiUse = true},
              {.longName = "bool", .shortName = "b", .args = {ArgType::Bool}},
              {.longName = "pair",
               .shortName = "p",
               .args = {ArgType::Int, ArgType::Float},
               .multiUse = true}},
         .body = [](const CommandArgs& a, CommandContext&) -> CommandResult {
             std::string out;
             for (std::size_t i = 0; i < a.count(); ++i) out += (i ? "|" : "") + a[i].toDisplay();
             for (const auto& f : a.flags()) {
                 out += " -" + f.decl->longName;
                 for (const auto& v : f.values)
                     out += std::string(" ") + kindName(v.kind()) + ":" + v.toDisplay();
             }
             return Value(out);
         }});
    return reg;
}

/// A fresh interpreter over its own registry, with output captured and the probe scene and undo
/// queue emptied.
struct Session {
    std::unique_ptr<CommandRegistry> registry = makeRegistry();
    Interpreter interp{*registry};
    OutputCapture output;

    Session() {
        probeScene().clear();
        undo::undoQueue().clear();
        interp.setGlobal("gSelect", Value("selectSuperContext"));
    }
    RunResult run(std::string_view text, RunOptions o = {}) { return interp.run(text, o); }
};

}  // namespace tarn::lang::testing
