#include "host/lang/interpreter.h"

#include "host/lang/idle_queue.h"
#include "host/lang/interpreter_impl.h"
#include "host/lang/journal.h"
#include "host/lang/parser.h"
#include "host/lang/script_output.h"
#include "host/lang/statement_watcher.h"
#include "host/lang/text_file.h"
#include "host/undo/undo.h"

#include <set>

namespace tarn::lang {

Flow Interpreter::Impl::execBlock(const std::vector<StmtPtr>& body) {
    frame().scopes.emplace_back();
    Flow flow = Flow::Normal;
    try {
        for (const auto& s : body) {
            flow = exec(*s);
            if (flow != Flow::Normal) break;
        }
    } catch (...) {
        frame().scopes.pop_back();
        throw;
    }
    frame().scopes.pop_back();
    return flow;
}

Flow Interpreter::Impl::execBody(const Stmt& s) {
    // A single statement body gets its own scope like a block.
    if (s.kind == StmtKind::Block) return execBlock(s.body);
    frame().scopes.emplace_back();
    Flow f;
    try {
        f = exec(s);
    } catch (...) {
        frame().scopes.pop_back();
        throw;
    }
    frame().scopes.pop_back();
    return f;
}

Flow Interpreter::Impl::exec(const Stmt& s) {
    NestingScope nesting(*this, s.line);
    switch (s.kind) {
        case StmtKind::Empty:
            return Flow::Normal;
        case StmtKind::Expr:
            lastValue = eval(*s.expr);
            return Flow::Normal;
        case StmtKind::Block:
            return execBlock(s.body);
        case StmtKind::If:
            if (eval(*s.expr).asBool()) return execBody(*s.body[0]);
            if (s.body.size() > 1) return execBody(*s.body[1]);
            return Flow::Normal;
        case StmtKind::While:
            while (eval(*s.expr).asBool()) {
                checkInterrupt(s.line);
                Flow f = execBody(*s.body[0]);
                if (f == Flow::Break) break;
                if (f == Flow::Return) return f;
            }
            return Flow::Normal;
        case StmtKind::DoWhile:
            do {
                checkInterrupt(s.line);
                Flow f = execBody(*s.body[0]);
                if (f == Flow::Break) break;
                if (f == Flow::Return) return f;
            } while (eval(*s.expr).asBool());
            return Flow::Normal;
        case StmtKind::For:
            if (s.init) eval(*s.init);
            while (!s.expr || eval(*s.expr).asBool()) {
                checkInterrupt(s.line);
                Flow f = execBody(*s.body[0]);
                if (f == Flow::Break) break;
                if (f == Flow::Return) return f;
                if (s.step) eval(*s.step);
            }
            return Flow::Normal;
        case StmtKind::ForIn:
            return execForIn(s);
        case StmtKind::Break:
            return Flow::Break;
        case StmtKind::Continue:
            return Flow::Continue;
        case StmtKind::Return:
            returnValue = s.expr ? eval(*s.expr) : Value();
            return Flow::Return;
        case StmtKind::Decl:
            declare(s);
            return Flow::Normal;
        case StmtKind::Proc: {
            procs[s.name] = Proc{running.empty() ? nullptr : running.back(), &s};
            return Flow::Normal;
        }
    }
    return Flow::Normal;
}

Flow Interpreter::Impl::execForIn(const Stmt& s) {
    Value list = eval(*s.expr);
    if (!list.isArray()) error("'for ... in' needs an array.", s.line);
    std::size_t n = list.size();
    for (std::size_t i = 0; i < n; ++i) {
        checkInterrupt(s.line);
        Value item = list.kind() == ValueKind::IntArray     ? Value(list.asIntArray()[i])
                     : list.kind() == ValueKind::FloatArray ? Value(list.asFloatArray()[i])
                                                            : Value(list.asStringArray()[i]);
        Variable* var = lookup(s.var);
        if (!var) {
            Variable nv{typeOfValue(item), false, item};
            var = &frame().scopes.back().emplace(s.var, std::move(nv)).first->second;
        } else {
            assignWhole(*var, s.var, item, s.line);
        }
        Flow f = execBody(*s.body[0]);
        if (f == Flow::Break) break;
        if (f == Flow::Return) return f;
    }
    return Flow::Normal;
}

void Interpreter::Impl::declare(const Stmt& s) {
    for (const auto& d : s.decls) {
        Value init;
        bool hasInit = d.init != nullptr;
        if (hasInit) {
            init = eval(*d.init);
            if (init.isArray() != d.isArray && !init.isNone())
                error(std::string("Cannot initialise ") + typeName(s.type, d.isArray) + " $" +
                          d.name + " with " + (init.isArray() ? "an array." : "a scalar."),
                      s.line);
        }
        Value value =
            hasInit ? convertTo(init, s.type, d.isArray) : defaultValue(s.type, d.isArray);
        if (d.isArray && d.size && !hasInit) {
            std::int64_t n = eval(*d.size).asInt();
            if (n < 0 || n > kMaxArraySize)
                error("Array size " + std::to_string(n) + " of $" + d.name + " is out of range.",
                      s.line);
            Variable tmp{s.type, true, defaultValue(s.type, true)};
            if (n > 0) assignElement(tmp, d.name, n - 1, defaultValue(s.type, false), s.line);
            value = tmp.value;
        }
        std::map<std::string, Variable, std::less<>>* table =
            s.global ? &globals : &frame().scopes.back();
        auto it = table->find(d.name);
        if (it != table->end()) {
            Variable& v = it->second;
            if (v.type != s.type || v.isArray != d.isArray)
                error("$" + d.name + " is already declared as " + typeName(v.type, v.isArray) +
                          "; it cannot be redeclared as " + typeName(s.type, d.isArray) + ".",
                      s.line);
            // Redeclaring a global keeps its value unless a new one is given.
            if (hasInit || !s.global) v.value = value;
        } else {
            table->emplace(d.name, Variable{s.type, d.isArray, value});
        }
        if (s.global) frame().imported.insert(d.name);
    }
}

std::string Interpreter::Impl::locate(const std::string& message, int line,
                                      const Script* script) const {
    if (script && !script->sourceName.empty() && line > 0)
        return script->sourceName + ":" + std::to_string(line) + ": " + message;
    if (script && script->lineCount > 1 && line > 0)
        return "line " + std::to_string(line) + ": " + message;
    return message;
}

Interpreter::Interpreter(CommandRegistry& registry)
    : m_registry(registry), m_impl(std::make_unique<Impl>(*this)) {}

Interpreter::~Interpreter() = default;

namespace {

StatementWatcher& statementWatcher() {
    static StatementWatcher* watcher = new StatementWatcher;
    return *watcher;
}

}  // namespace

void setStatementWatcher(StatementWatcher watcher) {
    statementWatcher() = std::move(watcher);
}

RunResult Interpreter::run(std::string_view text, const RunOptions& options) {
    RunResult result;
    ParseError perr;
    auto script = parseScript(text, options.sourceName, &perr, options.firstLine);
    Impl& impl = *m_impl;
    if (!script) {
        result.ok = false;
        result.line = perr.line;
        Script where;
        where.sourceName = options.sourceName;
        where.lineCount = text.find('\n') == std::string_view::npos ? 1 : 2;
        result.error = impl.locate(perr.message, perr.line, &where);
        impl.lastReported = result.error;
        if (options.reportErrors) impl.report(result.error);
        return result;
    }
    if (m_depth >= kMaxDepth) {
        result.ok = false;
        result.error = "Recursion too deep: more than " + std::to_string(kMaxDepth) +
                       " nested procs, evals, sources or back-quotes.";
        impl.lastReported = result.error;
        if (options.reportErrors) impl.report(result.error);
        return result;
    }

    if (options.display) scriptOutput(OutputKind::Echo, text);

    auto& queue = undo::undoQueue();
    bool top = m_depth == 0;
    // An interrupt asked for while nothing ran (Ctrl-C at the prompt) does not stop this text.
    if (top) {
        m_interrupt.store(false);
        impl.interrupting = false;
    }
    bool wasEnabled = queue.isEnabled();
    if (!options.undo) queue.setEnabled(false);
    ++m_depth;
    const bool quietHere = !options.undo && wasEnabled && impl.quietFrom == 0;
    if (quietHere) impl.quietFrom = m_depth;
    impl.running.push_back(script);
    // Nested texts run in the session frame, like a text typed at the prompt.
    impl.frames.push_back(&impl.session);
    std::size_t sessionScopes = impl.session.scopes.size();
    bool perStatement = top && options.flushIdleEachStatement;
    std::string label(text.substr(0, 200));
    if (!perStatement) queue.openChunk(label);
    const std::size_t textMark = queue.mark();
    impl.lastValue = Value();
    impl.quietErrors += !options.reportErrors;
    try {
        const StatementWatcher& watcher = statementWatcher();
        for (const auto& s : script->statements) {
            if (top && watcher) watcher(options.sourceName, s->line);
            impl.checkInterrupt(s->line);
            if (perStatement) queue.openChunk(label);
            Flow flow;
            try {
                flow = impl.exec(*s);
            } catch (...) {
                if (perStatement) queue.closeChunk();
                throw;
            }
            if (perStatement) {
                queue.closeChunk();
                idleQueue().flush();
            }
            if (flow == Flow::Return) break;
            if (flow != Flow::Normal) impl.error("'break' or 'continue' outside a loop.", s->line);
        }
        result.value = impl.lastValue;
    } catch (const ScriptError& e) {
        result.ok = false;
        result.line = e.line;
        if (e.reported) {
            result.error = impl.lastReported;
        } else {
            result.error = impl.locate(e.message, e.line, script.get());
            impl.lastReported = result.error;
            impl.report(result.error);
        }
        // Take back the statements that ran before the failure too.
        if (options.allOrNothing && options.undo && !perStatement) queue.rollbackTo(textMark);
    }
    impl.quietErrors -= !options.reportErrors;
    if (!perStatement) queue.closeChunk();
    impl.session.scopes.resize(std::max<std::size_t>(1, sessionScopes));
    impl.frames.pop_back();
    impl.running.pop_back();
    if (quietHere) impl.quietFrom = 0;
    --m_depth;
    if (!options.undo) queue.setEnabled(wasEnabled);
    if (top) m_interrupt.store(false);
    if (options.display && result.ok && !result.value.isNone())
        scriptOutput(OutputKind::Result, result.value.toDisplay());
    return result;
}

RunResult Interpreter::runFile(const std::string& path, const RunOptions& options) {
    std::string text, error;
    // The journal's file holds this session's own record, emptied when it opened: never a script.
    const bool isJournal = journal().streamsTo(path);
    if (isJournal) error = "Cannot read file \"" + path + "\": it is this session's journal.";
    if (isJournal || !readTextFile(path, text, &error)) {
        RunResult r;
        r.ok = false;
        r.error = error;
        m_impl->lastReported = r.error;
        m_impl->report(r.error);
        return r;
    }
    RunOptions o = options;
    if (o.sourceName.empty()) o.sourceName = path;
    return run(text, o);
}

CommandResult Interpreter::call(std::string_view name, std::vector<Value> words) {
    std::vector<Word> ws;
    ws.reserve(words.size());
    for (auto& v : words) {
        bool flag = false;
        if (v.kind() == ValueKind::String) {
            std::string s = v.asString();
            flag = s.size() > 1 && s[0] == '-' &&
                   (std::isalpha(static_cast<unsigned char>(s[1])) || s[1] == '_');
        }
        ws.push_back(Word{std::move(v), flag});
    }
    return callWords(name, std::move(ws));
}

CommandResult Interpreter::callWords(std::string_view name, std::vector<Word> words, Value* output,
                                     bool reportErrors) {
    m_impl->quietErrors += !reportErrors;
    struct Restore {
        int& quiet;
        bool on;
        ~Restore() { quiet -= on; }
    } restore{m_impl->quietErrors, !reportErrors};
    try {
        // A stopped session runs no more commands, whoever calls them.
        if (m_stop.load()) throw ScriptError{"Interrupted.", 0, false, true};
        auto p = m_impl->procs.find(name);
        if (p != m_impl->procs.end()) {
            auto proc = p->second;
            return CommandResult(m_impl->callProc(proc, words, 0));
        }
        return CommandResult(m_impl->invoke(std::string(name), words, 0, nullptr, output));
    } catch (const ScriptError& e) {
        if (!e.reported) {
            m_impl->lastReported = e.message;
            m_impl->report(e.message);
        }
        return CommandResult::failure("");
    }
}

const std::string& Interpreter::lastError() const {
    return m_impl->lastReported;
}

void Interpreter::setGlobal(const std::string& name, Value value) {
    Variable v{typeOfValue(value), value.isArray(), std::move(value)};
    m_impl->globals[name] = std::move(v);
}

const Value* Interpreter::global(const std::string& name) const {
    auto it = m_impl->globals.find(name);
    return it == m_impl->globals.end() ? nullptr : &it->second.value;
}

const Value* Interpreter::variable(const std::string& name) const {
    for (auto it = m_impl->session.scopes.rbegin(); it != m_impl->session.scopes.rend(); ++it) {
        auto v = it->find(name);
        if (v != it->end()) return &v->second.value;
    }
    return global(name);
}

std::string Interpreter::currentSourceName() const {
    for (auto it = m_impl->running.rbegin(); it != m_impl->running.rend(); ++it)
        if (!(*it)->sourceName.empty()) return (*it)->sourceName;
    return {};
}

bool Interpreter::hasProc(std::string_view name) const {
    return m_impl->procs.find(name) != m_impl->procs.end();
}

std::vector<std::string> Interpreter::procNames() const {
    std::vector<std::string> names;
    names.reserve(m_impl->procs.size());
    for (const auto& entry : m_impl->procs) names.push_back(entry.first);
    return names;
}

Interpreter& hostInterpreter() {
    static Interpreter* interp = [] {
        auto* i = new Interpreter(commandRegistry());
        // The select tool's context name, which tools hand back to with "setToolTo $gSelect".
        i->setGlobal("gSelect", Value("selectSuperContext"));
        return i;
    }();
    return *interp;
}

// CommandContext -------------------------------------------------------------------------------

void CommandContext::info(std::string_view text) {
    scriptOutput(OutputKind::Info, text);
}
void CommandContext::warning(std::string_view text) {
    scriptOutput(OutputKind::Warning, text);
}
void CommandContext::error(std::string_view text) {
    scriptOutput(OutputKind::Error, text);
}

CommandResult CommandContext::run(std::string_view text) {
    RunResult r = m_interp.run(text);
    if (!r.ok) return CommandResult::failure("");
    return CommandResult(std::move(r.value));
}

CommandResult CommandContext::call(std::string_view name, std::vector<Value> words) {
    return m_interp.call(name, std::move(words));
}

}  // namespace tarn::lang
