#pragma once
/// The syntax tree the parser builds and the interpreter walks. Plain records: a script is a list
/// of statements, each owning its children.

#include "host/lang/value.h"

#include <memory>
#include <string>
#include <vector>

namespace tarn::lang {

struct Expr;
struct Stmt;
using ExprPtr = std::unique_ptr<Expr>;
using StmtPtr = std::unique_ptr<Stmt>;

/// Declared variable types. Vector is stored as a float array of three.
enum class VarType { Infer, String, Int, Float };

/// One argument of a command invocation.
struct Arg {
    ExprPtr expr;                ///< the value (a literal for bare words)
    bool flagCandidate = false;  ///< a bare word (or string literal in function form) "-name"
};

enum class ExprKind {
    Literal,    ///< value
    Var,        ///< name
    Index,      ///< kids[0] = index; name = array variable
    Unary,      ///< op: "-", "!", "+"; kids[0]
    Binary,     ///< op; kids[0], kids[1]
    Assign,     ///< op: "=", "+=", "-=", "*=", "/="; name (and kids[1] index when indexed); kids[0]
                ///< value
    IncDec,     ///< op: "++"/"--"; prefix flag; name
    Call,       ///< name; args
    Backquote,  ///< script: the parsed text between back-quotes
    ArrayLit,   ///< kids
    Ternary,    ///< kids[0] ? kids[1] : kids[2]
};

struct Script;

struct Expr {
    Expr() = default;
    Expr(const Expr&) = delete;
    Expr& operator=(const Expr&) = delete;
    /// Takes the subtree apart with a loop: a long operator chain is as deep as it is long.
    ~Expr();

    ExprKind kind = ExprKind::Literal;
    int line = 1;
    Value value;
    std::string name;
    std::string op;
    bool prefix = false;
    bool indexed = false;   ///< Assign/IncDec on $a[i]
    bool wordForm = false;  ///< Call written as words (flags possible)
    std::vector<ExprPtr> kids;
    std::vector<Arg> args;
    std::shared_ptr<Script> script;  ///< Backquote
};

enum class StmtKind {
    Empty,
    Expr,
    Block,
    If,
    While,
    DoWhile,
    For,
    ForIn,
    Break,
    Continue,
    Return,
    Decl,
    Proc,
};

struct Declarator {
    std::string name;
    bool isArray = false;
    ExprPtr size;  ///< optional fixed size
    ExprPtr init;  ///< optional initial value
};

struct Param {
    VarType type = VarType::String;
    std::string name;
    bool isArray = false;
};

struct Stmt {
    StmtKind kind = StmtKind::Empty;
    int line = 1;
    ExprPtr expr;               ///< Expr, If/While/DoWhile condition, For condition, Return value
    ExprPtr init, step;         ///< For
    std::string var;            ///< ForIn loop variable
    std::vector<StmtPtr> body;  ///< Block statements; If: body[0] then, body[1] else (optional)
    // Decl
    bool global = false;
    VarType type = VarType::Infer;
    std::vector<Declarator> decls;
    // Proc
    std::string name;
    VarType returnType = VarType::Infer;  ///< Infer = no return type
    bool returnsArray = false;
    std::vector<Param> params;
};

/// A parsed text: its statements and the source it came from (for messages).
struct Script {
    std::vector<StmtPtr> statements;
    std::string sourceName;  ///< file name or empty for a command text
    int lineCount = 1;
};

}  // namespace tarn::lang
