#include "host/lang/interpreter_impl.h"
#include "host/lang/operators.h"
#include "host/lang/stack_room.h"
#include "host/undo/undo.h"

namespace tarn::lang {

Variable* Interpreter::Impl::lookup(std::string_view name) {
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

Variable& Interpreter::Impl::require(const std::string& name, int line) {
    Variable* v = lookup(name);
    if (!v) error("\"$" + name + "\" is an undeclared variable.", line);
    return *v;
}

void Interpreter::Impl::assignWhole(Variable& var, const std::string& name, const Value& value,
                                    int line) {
    if (var.isArray != value.isArray() && !(var.isArray && value.isNone()))
        error(std::string("Cannot assign ") + (value.isArray() ? "an array" : "a scalar") +
                  " to $" + name + ", declared " + typeName(var.type, var.isArray) + ".",
              line);
    var.value = convertTo(value, var.type, var.isArray);
}

void Interpreter::Impl::assignElement(Variable& var, const std::string& name, std::int64_t index,
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

Value Interpreter::Impl::element(const Variable& var, const std::string& name, std::int64_t index,
                                 int line) {
    if (!var.isArray) error("$" + name + " is not an array.", line);
    // Reading past the end answers the element type's default, as the language does.
    if (index < 0 || std::size_t(index) >= var.value.size()) return defaultValue(var.type, false);
    if (var.type == VarType::Int) return Value(var.value.asIntArray()[std::size_t(index)]);
    if (var.type == VarType::Float) return Value(var.value.asFloatArray()[std::size_t(index)]);
    return Value(var.value.asStringArray()[std::size_t(index)]);
}

Interpreter::Impl::NestingScope::NestingScope(Impl& i, int line) : impl(i) {
    if (impl.evalNesting >= kMaxEvalNesting)
        impl.error("Expressions and statements nested too deep: more than " +
                       std::to_string(kMaxEvalNesting) + " levels, counting every running proc.",
                   line);
    if (stackNearlyFull())
        impl.error("Expressions and statements nested too deep for the stack.", line);
    ++impl.evalNesting;
}

Value Interpreter::Impl::evalBinaryChain(const Expr& e) {
    // A chain "a + b - c ..." is a left-deep tree as tall as it is long: walk its left spine
    // with a loop, not by recursion, so that its length costs no stack.
    std::vector<const Expr*> spine;
    const Expr* left = &e;
    while (left->kind == ExprKind::Binary) {
        spine.push_back(left);
        left = left->kids[0].get();
    }
    Value acc = eval(*left);
    for (auto it = spine.rbegin(); it != spine.rend(); ++it) {
        const Expr& node = **it;
        if (node.op == "&&") {
            acc = Value(std::int64_t(acc.asBool() && eval(*node.kids[1]).asBool()));
        } else if (node.op == "||") {
            acc = Value(std::int64_t(acc.asBool() || eval(*node.kids[1]).asBool()));
        } else {
            Value b = eval(*node.kids[1]);
            acc = binary(node.op, acc, b, node.line);
        }
    }
    return acc;
}

Value Interpreter::Impl::eval(const Expr& e) {
    if (e.kind == ExprKind::Literal) return e.value;
    NestingScope nesting(*this, e.line);
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
        case ExprKind::Binary:
            return evalBinaryChain(e);
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

Value Interpreter::Impl::arrayLiteral(const Expr& e) {
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

Value Interpreter::Impl::unary(const std::string& op, const Value& v, int line) {
    Value out;
    std::string message;
    if (!applyUnary(op, v, out, message)) error(message, line);
    return out;
}

Value Interpreter::Impl::binary(const std::string& op, const Value& a, const Value& b, int line) {
    Value out;
    std::string message;
    if (!applyBinary(op, a, b, out, message)) error(message, line);
    return out;
}

Value Interpreter::Impl::assign(const Expr& e) {
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
            v = binary(std::string(1, e.op[0]), element(*var, e.name, index, e.line), rhs, e.line);
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

Value Interpreter::Impl::backquote(const Expr& e) {
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

Value Interpreter::Impl::call(const Expr& e) {
    checkInterrupt(e.line);
    auto p = procs.find(e.name);
    const CommandSpec* decl = p == procs.end() ? self.m_registry.find(e.name) : nullptr;
    if (decl && decl->guardsArguments) {
        CommandArgs::GuardedFailure failure;
        std::vector<Word> words = guardedWords(e, *decl, failure);
        return invoke(e.name, words, e.line, failure.failed ? &failure : nullptr);
    }
    const bool fills = decl && decl->outputsLast && !e.args.empty();
    if (fills) {
        // The last argument names the variable the command fills (tokenize's buffer); an
        // undeclared one becomes a string array.
        const Expr& target = *e.args.back().expr;
        if (target.kind != ExprKind::Var)
            error(e.name + ": the last argument must be a variable to fill.", e.line);
        if (!lookup(target.name))
            frame().scopes.back().emplace(
                target.name, Variable{VarType::String, true, defaultValue(VarType::String, true)});
    }
    std::vector<Word> words;
    words.reserve(e.args.size());
    for (const auto& a : e.args) words.push_back(Word{eval(*a.expr), a.flagCandidate});
    if (p != procs.end()) {
        Proc proc = p->second;  // keeps the definition alive even if redefined inside
        return callProc(proc, words, e.line);
    }
    if (fills) {
        const Expr& target = *e.args.back().expr;
        Value output;
        Value result = invoke(e.name, words, e.line, nullptr, &output);
        assignWhole(require(target.name, e.line), target.name, output, e.line);
        return result;
    }
    return invoke(e.name, words, e.line);
}

std::vector<Word> Interpreter::Impl::guardedWords(const Expr& e, const CommandSpec& decl,
                                                  CommandArgs::GuardedFailure& failure) {
    // A quiet guard (catchQuiet) prints nothing of what fails inside it.
    const bool quiet = decl.name == "catchQuiet";
    quietErrors += quiet;
    std::vector<Word> words;
    try {
        for (const auto& a : e.args) words.push_back(Word{eval(*a.expr), a.flagCandidate});
    } catch (const ScriptError& err) {
        quietErrors -= quiet;
        if (err.interrupted || interrupting) throw;
        failure.failed = true;
        failure.reported = err.reported || quiet;
        failure.message = err.reported ? lastReported
                                       : locate(err.message, err.line,
                                                running.empty() ? nullptr : running.back().get());
        if (!err.reported) lastReported = failure.message;
        return {};
    }
    quietErrors -= quiet;
    return words;
}

Value Interpreter::Impl::invoke(const std::string& name, const std::vector<Word>& words, int line,
                                const CommandArgs::GuardedFailure* guarded, Value* output) {
    const CommandSpec* decl = self.m_registry.find(name);
    if (!decl) error("Cannot find procedure \"" + name + "\".", line);
    CommandArgs args;
    std::string message;
    if (guarded) {
        args.setName(name);
        args.setGuardedFailure(*guarded);
    } else if (!bindArguments(*decl, words, args, message)) {
        error(message, line);
    }
    // Copy the body: a command may remove itself (unloading its plug-in) while running.
    CommandBody body = decl->body;
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
    // With undo off, what the command kept for a rollback is no longer needed.
    if (!queue.isEnabled()) queue.forgetSince(mark, quietFrom <= 1);
    if (output && decl->outputsLast)
        *output = ctx.hasOutput() ? ctx.output() : args[args.count() - 1];
    return r.value;
}

Value Interpreter::Impl::callProc(const Proc& proc, const std::vector<Word>& words, int line) {
    const Stmt& def = *proc.def;
    if (words.size() != def.params.size())
        error("Wrong number of arguments on call to " + def.name + ": expected " +
                  std::to_string(def.params.size()) + ", got " + std::to_string(words.size()) + ".",
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

}  // namespace tarn::lang
