// tarn.cmds: every command of the host's registry (plug-in commands included, once loaded) as a
// Python function. Keyword arguments are flags by long or short name; q=True / e=True switch
// to query or edit mode; a flag that may repeat takes a list of uses; results come back as
// Python values; a failure raises tarn.TarnError with the host's message.

#include "python/bindings.h"

#include "frame/k_string.h"
#include "host/lang/arg_binding.h"
#include "host/lang/interpreter.h"
#include "host/lang/journal.h"

#include <pybind11/stl.h>

namespace tarn::python {
namespace {

using lang::Value;
using lang::Word;

bool isSequence(py::handle v) {
    return py::isinstance<py::list>(v) || py::isinstance<py::tuple>(v);
}

bool takesArray(lang::ArgType t) {
    return t == lang::ArgType::StringArray || t == lang::ArgType::IntArray ||
           t == lang::ArgType::FloatArray;
}

/// Appends the words of one keyword flag. `query`: the command runs in query mode, where flags
/// take no arguments.
void addFlag(const lang::CommandSpec* signature, const std::string& key, py::handle value,
             bool query, std::vector<Word>& words) {
    const lang::FlagSpec* flag =
        signature && !signature->rawArgs ? lang::findFlag(*signature, key) : nullptr;
    const Value word("-" + key);
    const std::size_t arity = flag ? flag->args.size() : (py::isinstance<py::bool_>(value) ? 0 : 1);
    if (arity == 0 || (query && py::isinstance<py::bool_>(value))) {
        // A switch (or a flag asked about in query mode): True gives it, False leaves it out.
        if (value.cast<bool>()) words.push_back({word, true});
        return;
    }
    if (!flag) {
        // Unknown here (a plug-in's raw flags, or a mistake the interpreter will name).
        words.push_back({word, true});
        if (isSequence(value))
            for (py::handle item : value) words.push_back({toValue(item, "-" + key), false});
        else
            words.push_back({toValue(value, "-" + key), false});
        return;
    }
    // The uses: a list of them for a flag that repeats, else one.
    std::vector<py::handle> uses;
    const bool listOfUses = flag->multiUse && isSequence(value) &&
                            (arity > 1 ? py::len(value) > 0 && isSequence(value[py::int_(0)])
                                       : !takesArray(flag->args[0]));
    if (listOfUses)
        for (py::handle use : value) uses.push_back(use);
    else
        uses.push_back(value);
    for (py::handle use : uses) {
        words.push_back({word, true});
        if (arity == 1) {
            words.push_back({toValue(use, "-" + key), false});
            continue;
        }
        if (!isSequence(use) || py::len(use) != arity)
            throw py::type_error("-" + key + " takes " + std::to_string(arity) +
                                 " values: pass a tuple of them (or a list of tuples)");
        for (py::handle item : use) words.push_back({toValue(item, "-" + key), false});
    }
}

/// The command text the words stand for, for the journal: strings quoted and escaped.
std::string commandText(const std::string& name, const std::vector<Word>& words) {
    auto quoted = [](const std::string& s) {
        return "\"" + escapeCommandString(KString(s)).str() + "\"";
    };
    std::string text = name;
    for (const Word& w : words) {
        text += ' ';
        if (w.flag) {
            text += w.value.asString();
        } else if (w.value.isArray()) {
            std::string items;
            const bool strings = w.value.kind() == lang::ValueKind::StringArray;
            for (const std::string& s : w.value.asStringArray())
                items += (items.empty() ? "" : ", ") + (strings ? quoted(s) : s);
            text += "{" + items + "}";
        } else {
            text += w.value.kind() == lang::ValueKind::String ? quoted(w.value.asString())
                                                              : w.value.toDisplay();
        }
    }
    return text;
}

py::object callCommand(const std::string& name, const py::args& args, const py::kwargs& kwargs) {
    enterHost();
    lang::Interpreter& interp = lang::hostInterpreter();
    const lang::CommandSpec* signature =
        interp.hasProc(name) ? nullptr : interp.registry().find(name);
    if (!signature && !interp.hasProc(name))
        raiseTarnError("Cannot find procedure \"" + name + "\".");

    std::vector<Word> words;
    bool query = false;
    for (auto [k, v] : kwargs) {
        const std::string key = k.cast<std::string>();
        const bool mode = signature && ((signature->queryMode && (key == "q" || key == "query")) ||
                                        (signature->editMode && (key == "e" || key == "edit")));
        if (mode && v.cast<bool>()) {
            query |= key[0] == 'q';
            words.push_back({Value(key[0] == 'q' ? "-q" : "-e"), true});
        }
    }
    for (auto [k, v] : kwargs) {
        const std::string key = k.cast<std::string>();
        const bool mode = signature && ((signature->queryMode && (key == "q" || key == "query")) ||
                                        (signature->editMode && (key == "e" || key == "edit")));
        if (!mode) addFlag(signature, key, v, query, words);
    }
    for (py::handle a : args) words.push_back({toValue(a, name), false});
    // A command that fills a variable (tokenize) answers what it filled.
    const bool fills = signature && signature->outputsLast;
    if (fills) words.push_back({Value(std::vector<std::string>{}), false});

    HostCall call(name);
    std::size_t entry = 0;
    if (call.topLevel()) {
        lang::JournalEntry e;
        e.text = commandText(name, words);
        e.undo = true;
        e.origin = "python";
        entry = lang::journal().begin(std::move(e));
    }
    Value output;
    const lang::CommandResult r =
        interp.callWords(name, std::move(words), fills ? &output : nullptr, false);
    if (call.topLevel())
        lang::journal().finish(entry, r.ok ? r.value.toDisplay() : std::string(), r.ok ? 0 : 1,
                               r.ok ? std::string() : interp.lastError());
    if (!r.ok) raiseTarnError(interp.lastError());
    return toPython(fills ? output : r.value);
}

/// One command as a Python callable.
struct Command {
    std::string name;
};

/// The namespace object tarn.cmds.
struct Commands {};

std::string describe(const std::string& name) {
    const lang::CommandSpec* signature = lang::hostInterpreter().registry().find(name);
    if (!signature) return name + ": a script procedure.";
    std::string doc = signature->usage.empty() ? signature->name : signature->usage;
    if (!signature->summary.empty()) doc += "\n\n" + signature->summary;
    if (!signature->flags.empty()) {
        doc += "\n\nFlags (keyword arguments, long or short name):";
        for (const auto& f : signature->flags) doc += "\n  " + f.longName + " / " + f.shortName;
    }
    return doc;
}

}  // namespace

void bindCommands(py::module_& m) {
    py::class_<Command>(m, "Command", "A host command; call it with arguments and flags.")
        .def("__call__", [](const Command& c, const py::args& args,
                            const py::kwargs& kwargs) { return callCommand(c.name, args, kwargs); })
        .def_readonly("name", &Command::name)
        .def_property_readonly("__doc__", [](const Command& c) { return describe(c.name); })
        .def("__repr__", [](const Command& c) { return "<tarn command " + c.name + ">"; });

    py::class_<Commands>(m, "Commands", "Every registered command of the host, by name.",
                         py::dynamic_attr())
        .def("__getattr__",
             [](py::object self, const std::string& name) -> py::object {
                 lang::Interpreter& interp = lang::hostInterpreter();
                 if (name.empty() || name[0] == '_' ||
                     (!interp.registry().find(name) && !interp.hasProc(name)))
                     throw py::attribute_error("tarn.cmds has no command named '" + name + "'");
                 // Kept on the object, so the next use of the name costs no lookup.
                 py::object command = py::cast(Command{name});
                 py::setattr(self, name.c_str(), command);
                 return command;
             })
        .def("__dir__", [](const Commands&) { return lang::hostInterpreter().registry().names(); });
    m.attr("cmds") = Commands{};
}

}  // namespace tarn::python
