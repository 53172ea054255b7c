#pragma once
// Internal to the interpreter: its error and control-flow records, variables and scopes, and the
// implementation object shared by interpreter.cpp (statements, runs) and interpreter_eval.cpp
// (expressions, variables, commands and procs).

#include "host/lang/arg_binding.h"
#include "host/lang/interpreter.h"
#include "host/lang/script_output.h"

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace tarn::lang {

/// Largest array an index assignment may grow to; keeps "$a[2000000000] = 1" from eating memory.
constexpr std::int64_t kMaxArraySize = 10'000'000;

/// Deepest evaluation: expression levels plus statement levels, summed over every running proc,
/// eval, source and back-quote. Keeps the evaluator's recursion well inside the stack.
constexpr int kMaxEvalNesting = 10'000;

struct ScriptError {
    std::string message;
    int line = 0;
    bool reported = false;     ///< already printed by a nested run
    bool interrupted = false;  ///< a stop asked for by the user: no guard catches it
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

inline VarType typeOfValue(const Value& v) {
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

inline const char* typeName(VarType t, bool array) {
    switch (t) {
        case VarType::Int:
            return array ? "int[]" : "int";
        case VarType::Float:
            return array ? "float[]" : "float";
        default:
            return array ? "string[]" : "string";
    }
}

inline Value defaultValue(VarType t, bool array) {
    if (array) {
        if (t == VarType::Int) return Value(std::vector<std::int64_t>{});
        if (t == VarType::Float) return Value(std::vector<double>{});
        return Value(std::vector<std::string>{});
    }
    if (t == VarType::Int) return Value(std::int64_t(0));
    if (t == VarType::Float) return Value(0.0);
    return Value(std::string());
}

inline Value convertTo(const Value& v, VarType t, bool array) {
    if (array) {
        if (t == VarType::Int) return Value(v.asIntArray());
        if (t == VarType::Float) return Value(v.asFloatArray());
        return Value(v.asStringArray());
    }
    if (t == VarType::Int) return Value(v.asInt());
    if (t == VarType::Float) return Value(v.asFloat());
    return Value(v.asString());
}

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
    int evalNesting = 0;  ///< current depth of eval() and exec() calls, all frames together
    int quietErrors = 0;  ///< guards evaluating whose failures print nothing
    /// An interrupt is unwinding the running texts (also through nested runs, whose failures
    /// reach their callers without the reason): no guard may stop it. Cleared by a new top-level
    /// text.
    bool interrupting = false;
    /// Run depth (1 = top level) of the text whose options turned undo off, 0 when none did (the
    /// queue is on, or the user turned it off). Changes made below a nested one are the
    /// enclosing command's to undo; any others are outside the history.
    int quietFrom = 0;

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
        if (self.m_stop.load() || self.m_interrupt.exchange(false)) {
            interrupting = true;
            throw ScriptError{"Interrupted.", line, false, true};
        }
    }

    /// Prints an error line unless a quiet guard (catchQuiet) is evaluating.
    void report(const std::string& message) {
        if (quietErrors == 0) scriptOutput(OutputKind::Error, message);
    }

    // Variables --------------------------------------------------------------------------------
    Variable* lookup(std::string_view name);

    Variable& require(const std::string& name, int line);

    void assignWhole(Variable& var, const std::string& name, const Value& value, int line);

    void assignElement(Variable& var, const std::string& name, std::int64_t index,
                       const Value& value, int line);

    Value element(const Variable& var, const std::string& name, std::int64_t index, int line);

    // Expressions ------------------------------------------------------------------------------
    Value eval(const Expr& e);

    Value arrayLiteral(const Expr& e);

    Value unary(const std::string& op, const Value& v, int line);

    Value binary(const std::string& op, const Value& a, const Value& b, int line);

    Value assign(const Expr& e);

    Value backquote(const Expr& e);

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

    /// One level of evaluation; refuses to go deeper than kMaxEvalNesting or near the end of
    /// the stack.
    struct NestingScope {
        Impl& impl;
        NestingScope(Impl& i, int line);
        ~NestingScope() { --impl.evalNesting; }
    };

    Value evalBinaryChain(const Expr& e);

    // Commands and procs -----------------------------------------------------------------------
    Value call(const Expr& e);

    /// Runs a registered command. `guarded`: the failure met while evaluating the arguments of
    /// a guarding command (the words are then empty). `output`: receives what a command that
    /// outputs into its last argument put there.
    Value invoke(const std::string& name, const std::vector<Word>& words, int line,
                 const CommandArgs::GuardedFailure* guarded = nullptr, Value* output = nullptr);

    /// Evaluates the arguments of a guarding command; a failure (not an interrupt) is kept in
    /// `failure` instead of thrown.
    std::vector<Word> guardedWords(const Expr& e, const CommandSpec& decl,
                                   CommandArgs::GuardedFailure& failure);

    Value callProc(const Proc& proc, const std::vector<Word>& words, int line);

    // Statements -------------------------------------------------------------------------------
    Flow execBlock(const std::vector<StmtPtr>& body);

    Flow execBody(const Stmt& s);

    Flow exec(const Stmt& s);

    Flow execForIn(const Stmt& s);

    void declare(const Stmt& s);

    std::string locate(const std::string& message, int line, const Script* script) const;
};

}  // namespace tarn::lang
