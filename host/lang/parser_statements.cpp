#include "host/lang/parser_impl.h"

#include <cctype>

namespace tarn::lang::detail {

void Parser::endStatement() {
    skipSpace();
    if (atEnd() || peek() == '}') return;
    if (peek() == ';') {
        get();
        return;
    }
    fail("Syntax error near '" + context() + "': expected ';'.");
}

StmtPtr Parser::parseStatement() {
    DepthGuard guard(*this);
    skipSpace();
    if (atEnd()) fail("Unexpected end of text: expected a statement.", true);
    char c = peek();
    if (c == ';') {
        get();
        return makeStmt(StmtKind::Empty);
    }
    if (c == '{') return parseBlock();
    if (isIdentStart(c)) {
        std::size_t save = m_pos;
        int saveLine = m_line;
        std::string word = readIdent();
        if (word == "if") return parseIf();
        if (word == "while") return parseWhile();
        if (word == "do") return parseDoWhile();
        if (word == "for") return parseFor();
        if (word == "break" || word == "continue") {
            auto s = makeStmt(word == "break" ? StmtKind::Break : StmtKind::Continue);
            endStatement();
            return s;
        }
        if (word == "return") {
            auto s = makeStmt(StmtKind::Return);
            skipSpace();
            if (!atEnd() && peek() != ';' && peek() != '}') s->expr = parseExpression();
            endStatement();
            return s;
        }
        if (word == "else") fail("'else' without 'if'.");
        if (word == "global") {
            skipSpace();
            if (peekKeyword("proc")) {
                readIdent();
                return parseProc();
            }
            std::string type = readIdent();
            return parseDecl(type, true);
        }
        if (word == "proc") return parseProc();
        if (isTypeWord(word)) {
            skipSpace();
            if (peek() == '$') return parseDecl(word, false);
        }
        // A command: function form when '(' follows the name directly, word form otherwise.
        if (peek() == '(') {
            m_pos = save;
            m_line = saveLine;
            auto s = makeStmt(StmtKind::Expr);
            s->expr = parseExpression();
            endStatement();
            return s;
        }
        auto s = makeStmt(StmtKind::Expr);
        s->line = saveLine;
        s->expr = parseWordCommand(word, saveLine);
        endStatement();
        return s;
    }
    auto s = makeStmt(StmtKind::Expr);
    s->expr = parseExpression();
    endStatement();
    return s;
}

bool Parser::isTypeWord(const std::string& w) {
    return w == "string" || w == "int" || w == "float" || w == "vector";
}

VarType Parser::typeOf(const std::string& w) {
    if (w == "string") return VarType::String;
    if (w == "int") return VarType::Int;
    return VarType::Float;
}

StmtPtr Parser::parseBlock() {
    int start = m_line;
    auto s = makeStmt(StmtKind::Block);
    get();  // '{'
    for (;;) {
        skipSpace();
        if (atEnd())
            failAt("Unterminated block: '{' on line " + std::to_string(start) +
                       " has no matching '}'.",
                   start, true);
        if (peek() == '}') {
            get();
            break;
        }
        s->body.push_back(parseStatement());
    }
    return s;
}

ExprPtr Parser::parseCondition() {
    expect('(', "'('");
    auto e = parseExpression();
    expect(')', "')'");
    return e;
}

StmtPtr Parser::parseIf() {
    auto s = makeStmt(StmtKind::If);
    s->expr = parseCondition();
    s->body.push_back(parseStatement());
    skipSpace();
    if (peekKeyword("else")) {
        readIdent();
        s->body.push_back(parseStatement());
    }
    return s;
}

StmtPtr Parser::parseWhile() {
    auto s = makeStmt(StmtKind::While);
    s->expr = parseCondition();
    s->body.push_back(parseStatement());
    return s;
}

StmtPtr Parser::parseDoWhile() {
    auto s = makeStmt(StmtKind::DoWhile);
    s->body.push_back(parseStatement());
    skipSpace();
    if (!peekKeyword("while"))
        fail("Syntax error: 'do' block must be followed by 'while'.", atEnd());
    readIdent();
    s->expr = parseCondition();
    endStatement();
    return s;
}

StmtPtr Parser::parseFor() {
    expect('(', "'('");
    skipSpace();
    // for ($x in $array)
    std::size_t save = m_pos;
    int saveLine = m_line;
    if (peek() == '$') {
        get();
        std::string name = readIdent();
        skipSpace();
        if (peekKeyword("in")) {
            readIdent();
            auto s = makeStmt(StmtKind::ForIn);
            s->var = name;
            s->expr = parseExpression();
            expect(')', "')'");
            s->body.push_back(parseStatement());
            return s;
        }
    }
    m_pos = save;
    m_line = saveLine;
    auto s = makeStmt(StmtKind::For);
    if (!accept(';')) {
        s->init = parseExpression();
        expect(';', "';'");
    }
    if (!accept(';')) {
        s->expr = parseExpression();
        expect(';', "';'");
    }
    skipSpace();
    if (peek() != ')') s->step = parseExpression();
    expect(')', "')'");
    s->body.push_back(parseStatement());
    return s;
}

StmtPtr Parser::parseDecl(const std::string& typeWord, bool global) {
    if (!isTypeWord(typeWord))
        fail("Syntax error: expected a type (string, int, float) after 'global'.");
    auto s = makeStmt(StmtKind::Decl);
    s->global = global;
    s->type = typeOf(typeWord);
    do {
        skipSpace();
        if (peek() != '$')
            fail("Syntax error near '" + context() + "': expected a variable name.", atEnd());
        get();
        Declarator d;
        d.name = readIdent();
        if (d.name.empty()) fail("Syntax error: '$' must be followed by a variable name.");
        if (typeWord == "vector") d.isArray = true;
        if (accept('[')) {
            d.isArray = true;
            skipSpace();
            if (peek() != ']') d.size = parseExpression();
            expect(']', "']'");
        }
        if (accept('=')) d.init = parseExpression();
        s->decls.push_back(std::move(d));
    } while (accept(','));
    endStatement();
    return s;
}

StmtPtr Parser::parseProc() {
    auto s = makeStmt(StmtKind::Proc);
    skipSpace();
    std::string first = readIdent();
    skipSpace();
    if (isTypeWord(first) && (isIdentStart(peek()) || peek() == '[')) {
        s->returnType = typeOf(first);
        if (accept('[')) {
            expect(']', "']'");
            s->returnsArray = true;
        }
        skipSpace();
        first = readIdent();
    }
    if (first.empty()) fail("Syntax error: 'proc' needs a name.", atEnd());
    s->name = first;
    expect('(', "'('");
    if (!accept(')')) {
        do {
            skipSpace();
            Param p;
            std::string type = readIdent();
            if (!isTypeWord(type))
                fail("Syntax error: proc parameters need a type (string, int, float).");
            p.type = typeOf(type);
            p.isArray = type == "vector";
            skipSpace();
            if (peek() != '$') fail("Syntax error: expected a parameter name.", atEnd());
            get();
            p.name = readIdent();
            if (accept('[')) {
                expect(']', "']'");
                p.isArray = true;
            }
            s->params.push_back(std::move(p));
        } while (accept(','));
        expect(')', "')'");
    }
    skipSpace();
    if (peek() != '{') fail("Syntax error: a proc body must be a block.", atEnd());
    auto block = parseBlock();
    s->body = std::move(block->body);
    return s;
}

ExprPtr Parser::parseWordCommand(const std::string& name, int line) {
    auto call = makeExpr(ExprKind::Call);
    call->line = line;
    call->name = name;
    call->wordForm = true;
    bool first = true;
    for (;;) {
        // Words are separated by blanks; a line feed is a blank too.
        skipSpace();
        if (atEnd() || peek() == ';' || peek() == '}') break;
        char c = peek();
        if (c == ')') fail("Syntax error: unexpected ')'.");
        if (c == '(' && first) {
            // "name (a, b)" is a function call written with a blank; "name (expr) ..." is a
            // word whose value is the expression.
            get();
            std::vector<ExprPtr> list;
            skipSpace();
            if (peek() != ')') {
                do list.push_back(parseExpression());
                while (accept(','));
            }
            expect(')', "')'");
            if (list.size() != 1) {
                call->wordForm = false;
                for (auto& e : list) call->args.push_back(Arg{std::move(e), false});
                return call;
            }
            call->args.push_back(Arg{std::move(list[0]), false});
            first = false;
            continue;
        }
        first = false;
        call->args.push_back(parseWord());
    }
    return call;
}

Arg Parser::parseWord() {
    char c = peek();
    if (c == '"' || c == '`' || c == '$' || c == '(' || c == '{') {
        DepthGuard guard(*this);
        return Arg{parsePrimary(), false};
    }
    auto lit = makeExpr(ExprKind::Literal);
    std::string word;
    while (!atEnd() && !endsWord(peek())) word += get();
    bool flag = word.size() > 1 && word[0] == '-' && isIdentStart(word[1]);
    lit->value = Value(std::move(word));
    return Arg{std::move(lit), flag};
}

}  // namespace tarn::lang::detail
