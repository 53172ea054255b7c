#include "host/lang/command_registry.h"

#include "host/lang/arg_binding.h"
#include "host/lang/command_modules.h"

#include <cmath>
#include <set>

namespace tarn::lang {

// CommandArgs --------------------------------------------------------------------------------

namespace {
const Value kNone;

bool flagMatches(const FlagSpec& f, std::string_view name) {
    return f.longName == name || f.shortName == name;
}
}  // namespace

const Value& CommandArgs::operator[](std::size_t i) const {
    return i < m_positional.size() ? m_positional[i] : kNone;
}

const CommandArgs::FlagUse* CommandArgs::findUse(std::string_view name, std::size_t use) const {
    std::size_t n = 0;
    for (const auto& u : m_flags) {
        if (u.decl && flagMatches(*u.decl, name)) {
            if (n == use) return &u;
            ++n;
        }
    }
    return nullptr;
}

bool CommandArgs::has(std::string_view name) const {
    return findUse(name, 0) != nullptr;
}

std::size_t CommandArgs::uses(std::string_view name) const {
    std::size_t n = 0;
    for (const auto& u : m_flags)
        if (u.decl && flagMatches(*u.decl, name)) ++n;
    return n;
}

const Value& CommandArgs::flag(std::string_view name, std::size_t arg, std::size_t use) const {
    const FlagUse* u = findUse(name, use);
    if (!u || arg >= u->values.size()) return kNone;
    return u->values[arg];
}

// Registry -----------------------------------------------------------------------------------

bool CommandRegistry::add(CommandSpec decl, std::string* error) {
    auto fail = [&](std::string msg) {
        if (error) *error = std::move(msg);
        return false;
    };
    if (decl.name.empty()) return fail("A command needs a name.");
    if (!decl.body) return fail("Command \"" + decl.name + "\" has no body.");
    if (m_commands.count(decl.name))
        return fail("Command \"" + decl.name + "\" is already registered.");
    if (decl.outputsLast && (!decl.flags.empty() || decl.rawArgs || decl.minArgs < 1))
        return fail("Command \"" + decl.name +
                    "\" outputs into its last argument, so it needs one and takes no flags.");
    std::set<std::string> seen;
    for (const auto& f : decl.flags) {
        if (f.longName.empty())
            return fail("Command \"" + decl.name + "\" has a flag without a name.");
        std::set<std::string> names{f.longName};
        if (!f.shortName.empty()) names.insert(f.shortName);
        for (const std::string& n : names)
            if (!seen.insert(n).second)
                return fail("Command \"" + decl.name + "\" has two flags named \"" + n + "\".");
    }
    std::string name = decl.name;
    m_commands.emplace(std::move(name), std::make_unique<CommandSpec>(std::move(decl)));
    return true;
}

bool CommandRegistry::remove(std::string_view name) {
    auto it = m_commands.find(name);
    if (it == m_commands.end()) return false;
    m_commands.erase(it);
    return true;
}

const CommandSpec* CommandRegistry::find(std::string_view name) const {
    auto it = m_commands.find(name);
    return it == m_commands.end() ? nullptr : it->second.get();
}

std::vector<std::string> CommandRegistry::names() const {
    std::vector<std::string> out;
    out.reserve(m_commands.size());
    for (const auto& [name, decl] : m_commands) out.push_back(name);
    return out;
}

CommandRegistry& commandRegistry() {
    // Never destroyed: plug-ins unloading at exit still remove their commands from it.
    static CommandRegistry& registry = *new CommandRegistry;
    static bool installed = false;
    if (!installed) {
        // Set first: installers may use the registry (through this function) while they run.
        installed = true;
        // Each module that is built contributes its commands; see command_modules.h.
        using Installer = void (*)(CommandRegistry&);
        const Installer installers[] = {
            installLangCommands,    installStdlibCommands,    installDgCommands,
            installPluginsCommands, installSceneCommands,     installMeshCommands,
            installShadingCommands, installImageCommands,     installViewCommands,
            installNurbsCommands,   installTexturingCommands, installRenderCommands,
            installFileioCommands,  installScenefileCommands,
        };
        for (Installer install : installers)
            if (install) install(registry);
    }
    return registry;
}

const FlagSpec* findFlag(const CommandSpec& decl, std::string_view name) {
    for (const auto& f : decl.flags)
        if (flagMatches(f, name)) return &f;
    return nullptr;
}

// Argument binding ---------------------------------------------------------------------------

const char* describeArgType(ArgType type) {
    switch (type) {
        case ArgType::Any:
            return "a value";
        case ArgType::String:
            return "a string";
        case ArgType::Int:
            return "an int";
        case ArgType::Float:
            return "a number";
        case ArgType::Bool:
            return "a boolean (0, 1, true, false, on, off)";
        case ArgType::StringArray:
            return "a string array";
        case ArgType::IntArray:
            return "an int array";
        case ArgType::FloatArray:
            return "a float array";
    }
    return "a value";
}

bool convertArgument(const Value& in, ArgType type, Value& out) {
    switch (type) {
        case ArgType::Any:
            out = in;
            return true;
        case ArgType::String:
            if (in.isArray()) return false;
            out = Value(in.asString());
            return true;
        case ArgType::Int: {
            if (in.kind() == ValueKind::Int) {
                out = in;
                return true;
            }
            double d = 0;
            if (in.kind() == ValueKind::Float)
                d = in.asFloat();
            else if (in.kind() != ValueKind::String || !parseFloat(in.asString(), d))
                return false;
            if (!std::isfinite(d) || d != std::floor(d) || std::fabs(d) > 9.0e18) return false;
            std::int64_t i = 0;
            out = (in.kind() == ValueKind::String && parseInt(in.asString(), i))
                      ? Value(i)
                      : Value(std::int64_t(d));
            return true;
        }
        case ArgType::Float: {
            double d = 0;
            if (!numberOf(in, d) || !isFiniteNumber(d)) return false;
            out = Value(d);
            return true;
        }
        case ArgType::Bool: {
            if (in.isNumber()) {
                out = Value(std::int64_t(in.asFloat() != 0.0));
                return true;
            }
            if (in.kind() != ValueKind::String) return false;
            std::string s = in.asString();
            for (auto& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
            if (s == "1" || s == "true" || s == "on" || s == "yes")
                out = Value(std::int64_t(1));
            else if (s == "0" || s == "false" || s == "off" || s == "no")
                out = Value(std::int64_t(0));
            else
                return false;
            return true;
        }
        case ArgType::StringArray:
            out = Value(in.asStringArray());
            return true;
        case ArgType::IntArray: {
            if (in.kind() == ValueKind::String || in.kind() == ValueKind::StringArray) {
                std::vector<std::int64_t> ints;
                for (const auto& s : in.asStringArray()) {
                    Value v;
                    if (!convertArgument(Value(s), ArgType::Int, v)) return false;
                    ints.push_back(v.asInt());
                }
                out = Value(std::move(ints));
                return true;
            }
            if (in.kind() == ValueKind::Float || in.kind() == ValueKind::FloatArray)
                for (double d : in.asFloatArray())
                    if (!isFiniteNumber(d)) return false;
            out = Value(in.asIntArray());
            return true;
        }
        case ArgType::FloatArray: {
            if (in.kind() == ValueKind::String || in.kind() == ValueKind::StringArray) {
                std::vector<double> fs;
                for (const auto& s : in.asStringArray()) {
                    double d = 0;
                    if (!parseFloat(s, d) || !isFiniteNumber(d)) return false;
                    fs.push_back(d);
                }
                out = Value(std::move(fs));
                return true;
            }
            std::vector<double> fs = in.asFloatArray();
            for (double d : fs)
                if (!isFiniteNumber(d)) return false;
            out = Value(std::move(fs));
            return true;
        }
    }
    return false;
}

namespace {

std::string quoted(const Value& v) {
    std::string s = v.toDisplay();
    if (s.size() > 40) s = s.substr(0, 37) + "...";
    return "'" + s + "'";
}

std::string countText(int n) {
    return std::to_string(n) + (n == 1 ? " argument" : " arguments");
}

// The first number in `v` (a scalar or an array's elements) that isFiniteNumber refuses, as
// the language prints it; false when there is none. Only numeric types are looked at: for
// them a NaN or an infinity is the reason a conversion failed.
bool firstNonFinite(const Value& v, ArgType type, std::string& shown) {
    switch (type) {
        case ArgType::Int:
        case ArgType::Float:
        case ArgType::IntArray:
        case ArgType::FloatArray:
            break;
        default:
            return false;
    }
    if (v.kind() == ValueKind::String || v.kind() == ValueKind::StringArray) {
        for (const std::string& s : v.asStringArray()) {
            double d = 0;
            if (parseFloat(s, d) && !isFiniteNumber(d)) {
                shown = s;
                return true;
            }
        }
        return false;
    }
    if (v.kind() == ValueKind::Float || v.kind() == ValueKind::FloatArray) {
        for (double d : v.asFloatArray())
            if (!isFiniteNumber(d)) {
                shown = formatFloat(d);
                return true;
            }
    }
    return false;
}

}  // namespace

bool bindArguments(const CommandSpec& decl, const std::vector<Word>& words, CommandArgs& out,
                   std::string& error) {
    const std::string& cmd = decl.name;
    out.setName(cmd);
    if (decl.rawArgs) {
        for (const auto& w : words) out.addPositional(w.value);
        return true;
    }

    // Modes first: in query mode flags take no arguments, wherever -q stands.
    bool query = false, edit = false;
    for (const auto& w : words) {
        if (!w.flag) continue;
        std::string n = w.value.asString().substr(1);
        if (decl.queryMode && (n == "q" || n == "query"))
            query = true;
        else if (decl.editMode && (n == "e" || n == "edit"))
            edit = true;
    }
    if (query && edit) {
        error = cmd + ": -query and -edit cannot be used together.";
        return false;
    }
    out.setModes(query, edit);

    std::vector<Value> positional;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const Word& w = words[i];
        std::string name = w.flag ? w.value.asString().substr(1) : std::string();
        // "-inf" and "-nan" look like flags; when the command has no such flag they are the
        // numbers they spell (and refused as such where numbers are wanted).
        double number = 0;
        if (!w.flag || (!findFlag(decl, name) && parseFloat(w.value.asString(), number))) {
            positional.push_back(w.value);
            continue;
        }
        if ((decl.queryMode && (name == "q" || name == "query")) ||
            (decl.editMode && (name == "e" || name == "edit")))
            continue;
        const FlagSpec* f = findFlag(decl, name);
        if (!f) {
            error = cmd + ": invalid flag '-" + name + "'.";
            return false;
        }
        if (query && !f->query) {
            error = cmd + ": flag '-" + name + "' cannot be queried.";
            return false;
        }
        if (edit && !f->edit) {
            error = cmd + ": flag '-" + name + "' cannot be used in edit mode.";
            return false;
        }
        if (!query && !edit && !f->create) {
            error = cmd + ": flag '-" + name + "' can only be used in query or edit mode.";
            return false;
        }
        if (!f->multiUse && out.has(f->longName)) {
            error = cmd + ": flag '-" + name + "' may be given only once.";
            return false;
        }
        CommandArgs::FlagUse use;
        use.decl = f;
        if (!query) {
            for (std::size_t a = 0; a < f->args.size(); ++a) {
                if (i + 1 >= words.size()) {
                    error = cmd + ": flag '-" + name + "' needs " + countText(int(f->args.size())) +
                            ".";
                    return false;
                }
                const Value& raw = words[++i].value;
                Value converted;
                if (!convertArgument(raw, f->args[a], converted)) {
                    std::string shown;
                    if (firstNonFinite(raw, f->args[a], shown))
                        error = nonFiniteMessage(cmd, "flag '-" + name + "'", shown);
                    else
                        error = cmd + ": invalid value " + quoted(raw) + " for flag '-" + name +
                                "': expected " + describeArgType(f->args[a]) + ".";
                    return false;
                }
                use.values.push_back(std::move(converted));
            }
        }
        out.addFlag(std::move(use));
    }

    int n = int(positional.size());
    if (n < decl.minArgs || (decl.maxArgs != kUnlimited && n > decl.maxArgs)) {
        std::string expected;
        if (decl.maxArgs == decl.minArgs)
            expected = countText(decl.minArgs);
        else if (decl.maxArgs == kUnlimited)
            expected = "at least " + countText(decl.minArgs);
        else
            expected = std::to_string(decl.minArgs) + " to " + countText(decl.maxArgs);
        error = cmd + ": expected " + expected + ", got " + std::to_string(n) + ".";
        if (!decl.usage.empty()) error += " Usage: " + decl.usage;
        return false;
    }
    for (std::size_t i = 0; i < positional.size(); ++i) {
        ArgType t = decl.argTypes.empty() ? ArgType::Any
                                          : decl.argTypes[std::min(i, decl.argTypes.size() - 1)];
        Value converted;
        if (!convertArgument(positional[i], t, converted)) {
            std::string shown;
            if (firstNonFinite(positional[i], t, shown))
                error = nonFiniteMessage(cmd, "argument " + std::to_string(i + 1), shown);
            else
                error = cmd + ": invalid argument " + quoted(positional[i]) + " (argument " +
                        std::to_string(i + 1) + "): expected " + describeArgType(t) + ".";
            return false;
        }
        out.addPositional(std::move(converted));
    }
    return true;
}

}  // namespace tarn::lang
