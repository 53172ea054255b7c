#include "host/lang/plugin_commands.h"

#include "host/lang/command_registry.h"
#include "host/lang/plugin_result.h"
#include "host/undo/undo.h"

#include <cctype>
#include <map>
#include <memory>
#include <utility>

namespace tarn::lang {

namespace {

Value g_result;
int g_errors = 0;

/// Per registered plug-in command: how many of its instances the undo queue holds.
struct LiveCount {
    int held = 0;
};
std::map<std::string, std::shared_ptr<LiveCount>>& liveCounts() {
    // Never destroyed: plug-ins may deregister their commands while the program exits.
    static auto* m = new std::map<std::string, std::shared_ptr<LiveCount>>;
    return *m;
}

/// An undoable plug-in command kept in the undo queue; undo/redo call into the instance.
class PluginCommandItem final : public undo::UndoItem {
public:
    PluginCommandItem(std::unique_ptr<KPxCommand> cmd, std::shared_ptr<LiveCount> live,
                      std::string name)
        : m_cmd(std::move(cmd)), m_live(std::move(live)), m_name(std::move(name)) {
        ++m_live->held;
    }
    ~PluginCommandItem() override { --m_live->held; }
    void undo() override {
        guarded([this] { return m_cmd->undoIt(); });
    }
    void redo() override {
        guarded([this] { return m_cmd->redoIt(); });
    }
    std::string describe() const override { return m_name; }

private:
    template <class F>
    void guarded(F f) {
        Value saved = std::exchange(pluginResult(), Value());
        try {
            f();
        } catch (...) {
            // Nothing may escape a plug-in; a failing undo leaves the scene as the plug-in left it.
        }
        pluginResult() = std::move(saved);
    }

    std::unique_ptr<KPxCommand> m_cmd;
    std::shared_ptr<LiveCount> m_live;
    std::string m_name;
};

// A value as the plug-in's words. Numbers keep every digit: a float becomes the shortest text
// that reads back as the same double (the language's own float-to-string keeps six digits).
void flattenInto(const Value& v, KArgList& list) {
    if (v.kind() == ValueKind::Float) {
        list.addArg(KString(numberText(v.asFloat())));
    } else if (v.kind() == ValueKind::FloatArray) {
        for (double d : v.asFloatArray()) list.addArg(KString(numberText(d)));
    } else if (v.isArray()) {
        for (const auto& s : v.asStringArray()) list.addArg(KString(s));
    } else {
        list.addArg(KString(v.asString()));
    }
}

bool isFlagWord(const std::string& w) {
    return w.size() > 1 && w[0] == '-' &&
           (std::isalpha(static_cast<unsigned char>(w[1])) || w[1] == '_');
}

bool isNumberType(KSyntax::ArgType t) {
    switch (t) {
        case KSyntax::kLong:
        case KSyntax::kDouble:
        case KSyntax::kUnsigned:
        case KSyntax::kDistance:
        case KSyntax::kAngle:
        case KSyntax::kTime:
            return true;
        default:
            return false;
    }
}

// The message for the first word that reads as NaN or an infinity where a number is expected,
// or "". With a syntax only the words of number-typed flag arguments and positional arguments
// are looked at; without one every word is (the plug-in parses them itself), named after the
// flag before it.
std::string nonFiniteWord(const std::string& name, const KSyntax* syntax, const KArgList& list) {
    std::string flag;
    std::vector<KSyntax::ArgType> pending;  // types of the flag arguments still to come
    std::size_t next = 0;
    int positional = 0;
    for (unsigned i = 0; i < list.length(); ++i) {
        const std::string w = list.asString(i).str();
        double d = 0;
        if (next >= pending.size() && isFlagWord(w) && !parseFloat(w, d)) {
            flag = w;
            pending.clear();
            next = 0;
            if (syntax)
                for (const KSyntax::Flag& f : syntax->flags())
                    if ("-" + f.shortName == w || "-" + f.longName == w) pending = f.args;
            continue;
        }
        std::string where;
        bool numeric = true;
        if (next < pending.size()) {
            numeric = isNumberType(pending[next++]);
            where = "flag '" + flag + "'";
        } else if (syntax) {
            const auto& args = syntax->args();
            numeric = std::size_t(positional) < args.size() && isNumberType(args[positional]);
            where = "argument " + std::to_string(++positional);
        } else {
            where = flag.empty() ? "argument " + std::to_string(i + 1) : "flag '" + flag + "'";
        }
        if (numeric && parseFloat(w, d) && !isFiniteNumber(d))
            return nonFiniteMessage(name, where, w);
    }
    return {};
}

}  // namespace

Value& pluginResult() {
    return g_result;
}

void appendPluginResult(const Value& element) {
    Value& r = g_result;
    auto k = r.kind();
    if (r.isNone()) {
        if (element.kind() == ValueKind::Int)
            r = Value(std::vector<std::int64_t>{element.asInt()});
        else if (element.kind() == ValueKind::Float)
            r = Value(std::vector<double>{element.asFloat()});
        else
            r = Value(std::vector<std::string>{element.asString()});
        return;
    }
    if (element.kind() == ValueKind::Int && (k == ValueKind::Int || k == ValueKind::IntArray)) {
        auto a = r.asIntArray();
        a.push_back(element.asInt());
        r = Value(std::move(a));
    } else if (element.kind() == ValueKind::Float &&
               (k == ValueKind::Float || k == ValueKind::FloatArray)) {
        auto a = r.asFloatArray();
        a.push_back(element.asFloat());
        r = Value(std::move(a));
    } else {
        auto a = r.asStringArray();
        a.push_back(element.asString());
        r = Value(std::move(a));
    }
}

void noteDisplayedError() {
    ++g_errors;
}
int displayedErrorCount() {
    return g_errors;
}

bool registerPluginCommand(const std::string& name, KCreatorFunction creator,
                           KCreateSyntaxFunction syntaxFn, const std::string& owner,
                           std::string* error) {
    if (!creator) {
        if (error) *error = "Command \"" + name + "\" has no creator.";
        return false;
    }
    std::shared_ptr<KSyntax> syntax;
    if (syntaxFn) {
        try {
            syntax = std::make_shared<KSyntax>(syntaxFn());
        } catch (...) {
            if (error) *error = "The syntax of command \"" + name + "\" could not be built.";
            return false;
        }
    }
    auto live = std::make_shared<LiveCount>();
    CommandSpec decl;
    decl.name = name;
    decl.usage = name + " (plug-in command of " + owner + ")";
    decl.rawArgs = true;
    decl.undoable = true;
    decl.owner = owner;
    decl.body = [name, creator, syntax, live](const CommandArgs& args,
                                              CommandContext&) -> CommandResult {
        KArgList list;
        for (const auto& v : args.positional()) flattenInto(v, list);
        if (syntax) {
            KStatus st;
            KArgDatabase db(*syntax, list, &st);
            if (st.error())
                return CommandResult::failure(name + ": invalid flag or missing flag argument.");
        }
        if (std::string why = nonFiniteWord(name, syntax.get(), list); !why.empty())
            return CommandResult::failure(why);
        std::unique_ptr<KPxCommand> cmd;
        try {
            cmd.reset(static_cast<KPxCommand*>(creator()));
        } catch (...) {
        }
        if (!cmd)
            return CommandResult::failure(name + ": the plug-in could not create the command.");
        cmd->setCommandString(KString(name));

        Value saved = std::exchange(pluginResult(), Value());
        int errorsBefore = displayedErrorCount();
        KStatus status(KStatus::kFailure);
        std::string crash;
        try {
            status = cmd->doIt(list);
        } catch (const std::exception& ex) {
            crash = ex.what();
        } catch (...) {
            crash = "unknown exception";
        }
        Value result = std::exchange(pluginResult(), std::move(saved));
        if (!crash.empty())
            return CommandResult::failure(name + ": the command failed (" + crash + ").");
        if (status.error()) {
            if (displayedErrorCount() != errorsBefore)
                return CommandResult::failure("");  // the plug-in has said why
            std::string text = result.toDisplay();
            while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
            if (!text.empty()) return CommandResult::failure(name + ": " + text);
            return CommandResult::failure(name + ": the command failed (status " +
                                          std::to_string(int(status.statusCode())) + ").");
        }
        bool undoable = false;
        try {
            undoable = cmd->isUndoable();
        } catch (...) {
        }
        auto& queue = undo::undoQueue();
        if (undoable && queue.isRecording())
            queue.record(std::make_unique<PluginCommandItem>(std::move(cmd), live, name));
        return CommandResult(std::move(result));
    };
    std::string why;
    if (!commandRegistry().add(std::move(decl), &why)) {
        if (error) *error = why;
        return false;
    }
    liveCounts()[name] = live;
    return true;
}

bool deregisterPluginCommand(const std::string& name) {
    auto it = liveCounts().find(name);
    if (it == liveCounts().end()) return false;
    // Instances in the undo queue belong to the library being unloaded: release them now.
    if (it->second->held > 0) undo::undoQueue().clear();
    liveCounts().erase(it);
    commandRegistry().remove(name);
    return true;
}

}  // namespace tarn::lang
