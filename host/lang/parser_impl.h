#pragma once
// Internal to the parser: the recursive-descent parser over one text, shared by parser.cpp
// (input, comments, entry points), parser_statements.cpp and parser_expressions.cpp.

#include "host/lang/parser.h"
#include "host/lang/stack_room.h"

#include <string>
#include <string_view>
#include <vector>

namespace tarn::lang::detail {

constexpr int kMaxNesting = 200;

struct Fail {
    std::string message;
    int line;
    bool incomplete;  ///< ran into the end of the text
};

inline bool isIdentStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
inline bool isIdentChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}
inline bool isDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// Characters that end a bare word of a word-form command.
inline bool endsWord(char c) {
    return std::isspace(static_cast<unsigned char>(c)) || c == ';' || c == '"' || c == '`' ||
           c == '(' || c == ')' || c == '{' || c == '}';
}

class Parser {
public:
    Parser(std::string_view src, int firstLine) : m_src(src), m_line(firstLine) {}

    std::vector<StmtPtr> parseAll() {
        std::vector<StmtPtr> out;
        for (;;) {
            skipSpace();
            if (atEnd()) break;
            if (peek() == '}') fail("Unexpected '}'.");
            out.push_back(parseStatement());
        }
        return out;
    }

    int line() const { return m_line; }

private:
    // Input ------------------------------------------------------------------------------------
    bool atEnd() const { return m_pos >= m_src.size(); }
    char peek(std::size_t ahead = 0) const;
    char get() {
        char c = m_src[m_pos++];
        if (c == '\n') ++m_line;
        return c;
    }
    [[noreturn]] void fail(std::string message, bool incomplete = false) const {
        throw Fail{std::move(message), m_line, incomplete};
    }
    [[noreturn]] void failAt(std::string message, int line, bool incomplete) const {
        throw Fail{std::move(message), line, incomplete};
    }

    void skipSpace();

    bool accept(char c);
    bool acceptOp(std::string_view op);
    void expect(char c, const char* what);
    std::string context() const;
    std::string readIdent();
    bool peekKeyword(std::string_view kw) const;

    struct DepthGuard {
        Parser& p;
        explicit DepthGuard(Parser& parser) : p(parser) {
            if (++p.m_depth > kMaxNesting)
                p.fail("Nesting too deep (more than " + std::to_string(kMaxNesting) + " levels).");
            if (stackNearlyFull()) p.fail("Nesting too deep for the stack.");
        }
        ~DepthGuard() { --p.m_depth; }
    };

    ExprPtr makeExpr(ExprKind kind) {
        auto e = std::make_unique<Expr>();
        e->kind = kind;
        e->line = m_line;
        return e;
    }
    StmtPtr makeStmt(StmtKind kind) {
        auto s = std::make_unique<Stmt>();
        s->kind = kind;
        s->line = m_line;
        return s;
    }

    // Statements ---------------------------------------------------------------------------------
    void endStatement();

    StmtPtr parseStatement();

    static bool isTypeWord(const std::string& w);
    static VarType typeOf(const std::string& w);

    StmtPtr parseBlock();

    ExprPtr parseCondition();

    StmtPtr parseIf();

    StmtPtr parseWhile();

    StmtPtr parseDoWhile();

    StmtPtr parseFor();

    StmtPtr parseDecl(const std::string& typeWord, bool global);

    StmtPtr parseProc();

    // Word-form commands -------------------------------------------------------------------------
    ExprPtr parseWordCommand(const std::string& name, int line);

    Arg parseWord();

    // Expressions --------------------------------------------------------------------------------
    ExprPtr parseExpression();

    ExprPtr parseTernary();

    // Binary operators binding at least as tightly as `minLevel` (0 = all).
    ExprPtr parseBinary(int minLevel);

    ExprPtr parseUnary();

    std::string parseStringBody();

    ExprPtr parseNumber();

    ExprPtr parseBackquote();

    ExprPtr parsePrimary();

    std::string_view m_src;
    std::size_t m_pos = 0;
    int m_line = 1;
    int m_depth = 0;
};

}  // namespace tarn::lang::detail
