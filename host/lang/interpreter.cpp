#include "host/lang/interpreter.h"

#include "host/lang/arg_binding.h"
#include "host/lang/idle_queue.h"
#include "host/lang/operators.h"
#include "host/lang/parser.h"
#include "host/lang/script_output.h"
#include "host/undo/undo.h"

#include <cmath>
#include <fstream>
#include <limits>
#include <set>
#include <sstream>

namespace tarn::lang {

namespace {

/// Largest array an index assignment may grow to; keeps "$a[2000000000] = 1" from eating memory.
constexpr std::int64_t kMaxArraySize = 10'000'000;

struct ScriptError {
    std::string message;
    int line = 0;
    bool reported = false;  ///< already printed by a nested run
};

struct Variable {
    VarType type = VarType::String;
    bool isArray = false;
    Value value;
};

using Scope = std::map<std::string, Variable, std::less<>>;

struct Frame {
    std::vector<Scope> scopes;
    std::set<std::string, std::less<>> imported;  ///< globals declared inside this frame
    bool top = false;                             ///< the session frame sees every global
};

enum class Flow { Normal, Break, Continue, Return };

VarType typeOfValue(const Value& v) {
    switch (v.kind()) {
        case ValueKind::Int:
        case ValueKind::IntArray:
            return VarType::Int;
        case ValueKind::Float:
        case ValueKind::FloatArray:
            return VarType::Float;
        default:
            return VarType::String;
    }
}

const char* typeName(VarType t, bool array) {
    switch (t) {
        case VarType::Int:
            return array ? "int[]" : "int";
        case VarType::Float:
            return array ? "float[]" : "float";
        default:
            return array ? "string[]" : "string";
    }
}

Value defaultValue(VarType t, bool array) {
    if (array) {
        if (t == VarType::Int) return Value(std::vector<std::int64_t>{});
        if (t == VarType::Float) return Value(std::vector<double>{});
        return Value(std::vector<std::string>{});
    }
    if (t == VarType::Int) return Value(std::int64_t(0));
    if (t == VarType::Float) return Value(0.0);
    return Value(std::string());
}

Value convertTo(const Value& v, VarType t, bool array) {
    if (array) {
        if (t == VarType::Int) return Value(v.asIntArray());
        if (t == VarType::Float) return Value(v.asFloatArray());
        return Value(v.asStringArray());
    }
    if (t == VarType::Int) return Value(v.asInt());
    if (t == VarType::Float) return Value(v.asFloat());
    return Value(v.asString());
}

}  // namespace

struct Interpreter::Impl {
    Interpreter& self;
    std::map<std::string, Variable, std::less<>> globals;
    Frame session;
    std::vector<Frame*> frames;
    struct Proc {
        std::shared_ptr<Script> owner;
        const Stmt* def = nullptr;
    };
    std::map<std::string, Proc, std::less<>> procs;
    Value returnValue;
    Value lastValue;
    std::string lastReported;  ///< the last error message printed, for callers of outer runs
    std::vector<std::shared_ptr<Script>> running;  ///< keeps scripts alive while they run

    explicit Impl(Interpreter& s) : self(s) {
        session.scopes.emplace_back();
        session.top = true;
        frames.push_back(&session);
    }

    Frame& frame() { return *frames.back(); }

    [[noreturn]] void error(std::string message, int line) {
        throw ScriptError{std::move(message), line, false};
    }

    void checkInterrupt(int line) {
        if (self.m_interrupt.exchange(false)) error("Interrupted.", line);
    }

    // Variables --------------------------------------------------------------------------------
    Variable* lookup(std::string_view name) {
        Frame& f = frame();
        for (auto it = f.scopes.rbegin(); it != f.scopes.rend(); ++it) {
            auto v = it->find(name);
            if (v != it->end()) return &v->second;
        }
        if (f.top || f.imported.count(name)) {
            auto g = globals.find(name);
            if (g != globals.end()) return &g->second;
        }
        return nullptr;
    }

    Variable& require(const std::string& name, int line) {
        Variable* v = lookup(name);
        if (!v) error("\"$" + name + "\" is an undeclared variable.", line);
        return *v;
    }

    void assignWhole(Variable& var, const std::string& name, const Value& value, int line) {
        if (var.isArray != value.isArray() && !(var.isArray && value.isNone()))
            error(std::string("Cannot assign ") + (value.isArray() ? "an array" : "a scalar") +
                      " to $" + name + ", declared " + typeName(var.type, var.isArray) + ".",
                  line);
        var.value = convertTo(value, var.type, var.isArray);
    }

    void assignElement(Variable& var, const std::string& name, std::int64_t index,
                       const Value& value, int line) {
        if (!var.isArray) error("$" + name + " is not an array.", line);
        if (index < 0)
            error("Array index " + std::to_string(index) + " of $" + name + " is negative.", line);
        if (index >= kMaxArraySize)
            error("Array index " + std::to_string(index) + " of $" + name + " is too large.", line);
        auto grow = [&](auto vec, auto element) {
            if (std::size_t(index) >= vec.size()) vec.resize(std::size_t(index) + 1);
            vec[std::size_t(index)] = element;
            var.value = Value(std::move(vec));
        };
        if (value.isArray()) error("Cannot store an array in an element of $" + name + ".", line);
        if (var.type == VarType::Int)
            grow(var.value.asIntArray(), value.asInt());
        else if (var.type == VarType::Float)
            grow(var.value.asFloatArray(), value.asFloat());
        else
            grow(var.value.asStringArray(), value.asString());
    }

    Value element(const Variable& var, const std::string& name, std::int64_t index, int line) {
        if (!var.isArray) error("$" + name + " is not an array.", line);
        // Reading past the end answers the element type's default, as the language does.
        if (index < 0 || std::size_t(index) >= var.value.size())
            return defaultValue(var.type, false);
        if (var.type == VarType::Int) return Value(var.value.asIntArray()[std::size_t(index)]);
        if (var.type == VarType::Float) return Value(var.value.asFloatArray()[std::size_t(index)]);
        return Value(var.value.asStringArray()[std::size_t(index)]);
    }

    // Expressions ------------------------------------------------------------------------------
    Value eval(const Expr& e) {
        switch (e.kind) {
            case ExprKind::Literal:
                return e.value;
            case ExprKind::Var:
                return require(e.name, e.line).value;
            case ExprKind::Index: {
                Variable& v = require(e.name, e.line);
                Value idx = eval(*e.kids[0]);
                return element(v, e.name, idx.asInt(), e.line);
            }
            case ExprKind::Unary:
                return unary(e.op, eval(*e.kids[0]), e.line);
            case ExprKind::Binary: {
                if (e.op == "&&") {
                    if (!eval(*e.kids[0]).asBool()) return Value(std::int64_t(0));
                    return Value(std::int64_t(eval(*e.kids[1]).asBool()));
                }
                if (e.op == "||") {
                    if (eval(*e.kids[0]).asBool()) return Value(std::int64_t(1));
                    return Value(std::int64_t(eval(*e.kids[1]).asBool()));
                }
                Value a = eval(*e.kids[0]);
                Value b = eval(*e.kids[1]);
                return binary(e.op, a, b, e.line);
            }
            case ExprKind::Ternary:
                return eval(*e.kids[0]).asBool() ? eval(*e.kids[1]) : eval(*e.kids[2]);
            case ExprKind::Assign:
                return assign(e);
            case ExprKind::IncDec: {
                Variable& v = require(e.name, e.line);
                if (v.isArray || v.type == VarType::String)
                    error("'" + e.op + "' needs an int or float variable; $" + e.name + " is " +
                              typeName(v.type, v.isArray) + ".",
                          e.line);
                Value before = v.value;
                Value one(std::int64_t(1));
                v.value =
                    convertTo(binary(e.op == "++" ? "+" : "-", before, one, e.line), v.type, false);
                return e.prefix ? v.value : before;
            }
            case ExprKind::ArrayLit:
                return arrayLiteral(e);
            case ExprKind::Backquote:
                return backquote(e);
            case ExprKind::Call:
                return call(e);
        }
        return {};
    }

    Value arrayLiteral(const Expr& e) {
        std::vector<Value> items;
        items.reserve(e.kids.size());
        bool anyString = false, anyFloat = false;
        for (const auto& k : e.kids) {
            items.push_back(eval(*k));
            if (items.back().isArray()) error("An array literal cannot hold arrays.", e.line);
            anyString |= items.back().kind() == ValueKind::String;
            anyFloat |= items.back().kind() == ValueKind::Float;
        }
        // The element type is the widest of the items: string, then float, then int.
        if (anyString) {
            std::vector<std::string> out;
            for (auto& v : items) out.push_back(v.asString());
            return Value(std::move(out));
        }
        if (anyFloat) {
            std::vector<double> out;
            for (auto& v : items) out.push_back(v.asFloat());
            return Value(std::move(out));
        }
        std::vector<std::int64_t> out;
        for (auto& v : items) out.push_back(v.asInt());
        return Value(std::move(out));
    }

    Value unary(const std::string& op, const Value& v, int line) {
        Value out;
        std::string message;
        if (!applyUnary(op, v, out, message)) error(message, line);
        return out;
    }

    Value binary(const std::string& op, const Value& a, const Value& b, int line) {
        Value out;
        std::string message;
        if (!applyBinary(op, a, b, out, message)) error(message, line);
        return out;
    }

    Value assign(const Expr& e) {
        Value rhs = eval(*e.kids[0]);
        Variable* var = lookup(e.name);
        if (e.indexed) {
            std::int64_t index = eval(*e.kids[1]).asInt();
            if (!var) {
                // A new array takes its element type from the first value stored.
                Variable nv;
                nv.type = typeOfValue(rhs);
                nv.isArray = true;
                nv.value = defaultValue(nv.type, true);
                var = &frame().scopes.back().emplace(e.name, std::move(nv)).first->second;
            }
            Value v = rhs;
            if (e.op != "=")
                v = binary(std::string(1, e.op[0]), element(*var, e.name, index, e.line), rhs,
                           e.line);
            assignElement(*var, e.name, index, v, e.line);
            return v;
        }
        if (!var) {
            if (e.op != "=") error("\"$" + e.name + "\" is an undeclared variable.", e.line);
            Variable nv;
            nv.type = typeOfValue(rhs);
            nv.isArray = rhs.isArray();
            if (rhs.isNone()) nv.type = VarType::String;
            nv.value = convertTo(rhs, nv.type, nv.isArray);
            return frame().scopes.back().emplace(e.name, std::move(nv)).first->second.value;
        }
        Value v = rhs;
        if (e.op != "=") v = binary(std::string(1, e.op[0]), var->value, rhs, e.line);
        assignWhole(*var, e.name, v, e.line);
        return var->value;
    }

    Value backquote(const Expr& e) {
        DepthScope depth(*this, e.line);
        frame().scopes.emplace_back();
        Value result;
        try {
            for (const auto& s : e.script->statements) {
                Flow f = exec(*s);
                if (f != Flow::Normal) break;
            }
            result = lastValue;
        } catch (...) {
            frame().scopes.pop_back();
            throw;
        }
        frame().scopes.pop_back();
        return result;
    }

    struct DepthScope {
        Impl& impl;
        DepthScope(Impl& i, int line) : impl(i) {
            if (impl.self.m_depth >= Interpreter::kMaxDepth)
                impl.error("Recursion too deep: more than " +
                               std::to_string(Interpreter::kMaxDepth) +
                               " nested procs, evals, sources or back-quotes.",
                           line);
            ++impl.self.m_depth;
        }
        ~DepthScope() { --impl.self.m_depth; }
    };

    // Commands and procs -----------------------------------------------------------------------
    Value call(const Expr& e) {
        checkInterrupt(e.line);
        std::vector<Word> words;
        words.reserve(e.args.size());
        for (const auto& a : e.args) words.push_back(Word{eval(*a.expr), a.flagCandidate});
        auto p = procs.find(e.name);
        if (p != procs.end()) {
            Proc proc = p->second;  // keeps the definition alive even if redefined inside
            return callProc(proc, words, e.line);
        }
        return invoke(e.name, words, e.line);
    }

    Value invoke(const std::string& name, const std::vector<Word>& words, int line) {
        const CommandSpec* spec = self.m_registry.find(name);
        if (!spec) error("Cannot find procedure \"" + name + "\".", line);
        CommandArgs args;
        std::string message;
        if (!bindArguments(*spec, words, args, message)) error(message, line);
        // Copy the body: a command may remove itself (unloading its plug-in) while running.
        CommandBody body = spec->body;
        auto& queue = undo::undoQueue();
        std::size_t mark = queue.mark();
        CommandContext ctx(self);
        CommandResult r;
        try {
            r = body(args, ctx);
        } catch (const std::exception& ex) {
            r = CommandResult::failure(name + ": internal error: " + ex.what());
        } catch (const ScriptError&) {
            throw;
        } catch (...) {
            r = CommandResult::failure(name + ": internal error.");
        }
        if (!r.ok) {
            // A failing command changes nothing: take back what it recorded.
            queue.rollbackTo(mark);
            throw ScriptError{r.error, line, r.error.empty()};
        }
        return r.value;
    }

    Value callProc(const Proc& proc, const std::vector<Word>& words, int line) {
        const Stmt& def = *proc.def;
        if (words.size() != def.params.size())
            error("Wrong number of arguments on call to " + def.name + ": expected " +
                      std::to_string(def.params.size()) + ", got " + std::to_string(words.size()) +
                      ".",
                  line);
        DepthScope depth(*this, line);
        Frame f;
        f.scopes.emplace_back();
        for (std::size_t i = 0; i < words.size(); ++i) {
            const Param& p = def.params[i];
            const Value& v = words[i].value;
            if (p.isArray != v.isArray())
                error("Argument " + std::to_string(i + 1) + " of " + def.name + " must be " +
                          (p.isArray ? "an array." : "a scalar."),
                      line);
            f.scopes.back()[p.name] = Variable{p.type, p.isArray, convertTo(v, p.type, p.isArray)};
        }
        frames.push_back(&f);
        Value result;
        try {
            returnValue = Value();
            for (const auto& s : def.body) {
                Flow flow = exec(*s);
                if (flow == Flow::Return) break;
                if (flow != Flow::Normal) error("'break' or 'continue' outside a loop.", s->line);
            }
            result = returnValue;
        } catch (...) {
            frames.pop_back();
            throw;
        }
        frames.pop_back();
        returnValue = Value();
        if (def.returnType == VarType::Infer) return Value();
        return convertTo(result, def.returnType, def.returnsArray);
    }

    // Statements -------------------------------------------------------------------------------
    Flow execBlock(const std::vector<StmtPtr>& body) {
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

    Flow execBody(const Stmt& s) {
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

    Flow exec(const Stmt& s) {
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

    Flow execForIn(const Stmt& s) {
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

    void declare(const Stmt& s) {
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
                    error(
                        "Array size " + std::to_string(n) + " of $" + d.name + " is out of range.",
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

    std::string locate(const std::string& message, int line, const Script* script) const {
        if (script && !script->sourceName.empty() && line > 0)
            return script->sourceName + ":" + std::to_string(line) + ": " + message;
        if (script && script->lineCount > 1 && line > 0)
            return "line " + std::to_string(line) + ": " + message;
        return message;
    }
};

Interpreter::Interpreter(CommandRegistry& registry)
    : m_registry(registry), m_impl(std::make_unique<Impl>(*this)) {}

Interpreter::~Interpreter() = default;

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
        scriptOutput(OutputKind::Error, result.error);
        return result;
    }
    if (m_depth >= kMaxDepth) {
        result.ok = false;
        result.error = "Recursion too deep: more than " + std::to_string(kMaxDepth) +
                       " nested procs, evals, sources or back-quotes.";
        impl.lastReported = result.error;
        scriptOutput(OutputKind::Error, result.error);
        return result;
    }

    if (options.display) scriptOutput(OutputKind::Echo, text);

    auto& queue = undo::undoQueue();
    bool top = m_depth == 0;
    // An interrupt asked for while nothing ran (Ctrl-C at the prompt) does not stop this text.
    if (top) m_interrupt.store(false);
    bool wasEnabled = queue.isEnabled();
    if (!options.undo) queue.setEnabled(false);
    ++m_depth;
    impl.running.push_back(script);
    // Nested texts run in the session frame, like a text typed at the prompt.
    impl.frames.push_back(&impl.session);
    std::size_t sessionScopes = impl.session.scopes.size();
    bool perStatement = top && options.flushIdleEachStatement;
    std::string label(text.substr(0, 200));
    if (!perStatement) queue.openChunk(label);
    impl.lastValue = Value();
    try {
        for (const auto& s : script->statements) {
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
            scriptOutput(OutputKind::Error, result.error);
        }
    }
    if (!perStatement) queue.closeChunk();
    impl.session.scopes.resize(std::max<std::size_t>(1, sessionScopes));
    impl.frames.pop_back();
    impl.running.pop_back();
    --m_depth;
    if (!options.undo) queue.setEnabled(wasEnabled);
    if (top) m_interrupt.store(false);
    if (options.display && result.ok && !result.value.isNone())
        scriptOutput(OutputKind::Result, result.value.toDisplay());
    return result;
}

RunResult Interpreter::runFile(const std::string& path, const RunOptions& options) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        RunResult r;
        r.ok = false;
        r.error = "Cannot open file \"" + path + "\".";
        m_impl->lastReported = r.error;
        scriptOutput(OutputKind::Error, r.error);
        return r;
    }
    std::ostringstream ss;
    ss << in.rdbuf();
    RunOptions o = options;
    if (o.sourceName.empty()) o.sourceName = path;
    return run(ss.str(), o);
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
    try {
        auto p = m_impl->procs.find(name);
        if (p != m_impl->procs.end()) {
            auto proc = p->second;
            return CommandResult(m_impl->callProc(proc, ws, 0));
        }
        return CommandResult(m_impl->invoke(std::string(name), ws, 0));
    } catch (const ScriptError& e) {
        if (!e.reported) {
            m_impl->lastReported = e.message;
            scriptOutput(OutputKind::Error, e.message);
        }
        return CommandResult::failure("");
    }
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

bool Interpreter::hasProc(std::string_view name) const {
    return m_impl->procs.find(name) != m_impl->procs.end();
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
