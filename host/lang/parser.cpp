#include "host/lang/parser.h"

#include <cctype>
#include <string>

namespace tarn::lang {

namespace {

constexpr int kMaxNesting = 200;

struct Fail {
    std::string message;
    int line;
    bool incomplete;  ///< ran into the end of the text
};

bool isIdentStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
bool isIdentChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}
bool isDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// Characters that end a bare word of a word-form command.
bool endsWord(char c) {
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
    char peek(std::size_t ahead = 0) const {
        return m_pos + ahead < m_src.size() ? m_src[m_pos + ahead] : '\0';
    }
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

    void skipSpace() {
        for (;;) {
            while (!atEnd() && std::isspace(static_cast<unsigned char>(peek()))) get();
            if (peek() == '/' && peek(1) == '/') {
                while (!atEnd() && peek() != '\n') get();
                continue;
            }
            if (peek() == '/' && peek(1) == '*') {
                int start = m_line;
                get(), get();
                while (!atEnd() && !(peek() == '*' && peek(1) == '/')) get();
                if (atEnd())
                    failAt("Unterminated comment starting on line " + std::to_string(start) + ".",
                           start, true);
                get(), get();
                continue;
            }
            return;
        }
    }

    bool accept(char c) {
        skipSpace();
        if (peek() == c) {
            get();
            return true;
        }
        return false;
    }
    bool acceptOp(std::string_view op) {
        skipSpace();
        if (m_src.substr(m_pos, op.size()) == op) {
            for (std::size_t i = 0; i < op.size(); ++i) get();
            return true;
        }
        return false;
    }
    void expect(char c, const char* what) {
        if (!accept(c)) {
            if (atEnd()) fail(std::string("Unexpected end of text: expected ") + what + ".", true);
            fail(std::string("Syntax error near '") + context() + "': expected " + what + ".");
        }
    }
    std::string context() const {
        std::string s(m_src.substr(m_pos, 20));
        auto nl = s.find('\n');
        if (nl != std::string::npos) s.resize(nl);
        return s;
    }
    std::string readIdent() {
        std::string s;
        while (!atEnd() && isIdentChar(peek())) s += get();
        return s;
    }
    bool peekKeyword(std::string_view kw) const {
        if (m_src.substr(m_pos, kw.size()) != kw) return false;
        return !isIdentChar(peek(kw.size()));
    }

    struct DepthGuard {
        Parser& p;
        explicit DepthGuard(Parser& parser) : p(parser) {
            if (++p.m_depth > kMaxNesting)
                p.fail("Nesting too deep (more than " + std::to_string(kMaxNesting) + " levels).");
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
    void endStatement() {
        skipSpace();
        if (atEnd() || peek() == '}') return;
        if (peek() == ';') {
            get();
            return;
        }
        fail("Syntax error near '" + context() + "': expected ';'.");
    }

    StmtPtr parseStatement() {
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

    static bool isTypeWord(const std::string& w) {
        return w == "string" || w == "int" || w == "float" || w == "vector";
    }
    static VarType typeOf(const std::string& w) {
        if (w == "string") return VarType::String;
        if (w == "int") return VarType::Int;
        return VarType::Float;
    }

    StmtPtr parseBlock() {
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

    ExprPtr parseCondition() {
        expect('(', "'('");
        auto e = parseExpression();
        expect(')', "')'");
        return e;
    }

    StmtPtr parseIf() {
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

    StmtPtr parseWhile() {
        auto s = makeStmt(StmtKind::While);
        s->expr = parseCondition();
        s->body.push_back(parseStatement());
        return s;
    }

    StmtPtr parseDoWhile() {
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

    StmtPtr parseFor() {
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

    StmtPtr parseDecl(const std::string& typeWord, bool global) {
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

    StmtPtr parseProc() {
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

    // Word-form commands -------------------------------------------------------------------------
    ExprPtr parseWordCommand(const std::string& name, int line) {
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

    Arg parseWord() {
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

    // Expressions --------------------------------------------------------------------------------
    ExprPtr parseExpression() {
        DepthGuard guard(*this);
        skipSpace();
        // Assignment: $name [index] op= value
        if (peek() == '$') {
            std::size_t save = m_pos;
            int saveLine = m_line;
            get();
            std::string name = readIdent();
            ExprPtr index;
            if (!name.empty()) {
                skipSpace();
                if (peek() == '[') {
                    get();
                    index = parseExpression();
                    expect(']', "']'");
                }
                skipSpace();
                static const char* kOps[] = {"+=", "-=", "*=", "/=", "="};
                for (const char* op : kOps) {
                    std::string_view sv(op);
                    if (m_src.substr(m_pos, sv.size()) == sv && !(sv == "=" && peek(1) == '=')) {
                        for (std::size_t i = 0; i < sv.size(); ++i) get();
                        auto e = makeExpr(ExprKind::Assign);
                        e->line = saveLine;
                        e->op = op;
                        e->name = name;
                        e->kids.push_back(parseExpression());
                        if (index) {
                            e->indexed = true;
                            e->kids.push_back(std::move(index));
                        }
                        return e;
                    }
                }
            }
            m_pos = save;
            m_line = saveLine;
        }
        return parseTernary();
    }

    ExprPtr parseTernary() {
        auto cond = parseBinary(0);
        if (accept('?')) {
            auto e = makeExpr(ExprKind::Ternary);
            e->kids.push_back(std::move(cond));
            e->kids.push_back(parseExpression());
            expect(':', "':'");
            e->kids.push_back(parseExpression());
            return e;
        }
        return cond;
    }

    // Binary operators by precedence level, lowest first.
    ExprPtr parseBinary(int level) {
        static const std::vector<std::vector<std::string_view>> kLevels = {
            {"||"}, {"&&"}, {"==", "!="}, {"<=", ">=", "<", ">"}, {"+", "-"}, {"*", "/", "%"}};
        if (level == int(kLevels.size())) return parseUnary();
        DepthGuard guard(*this);
        auto lhs = parseBinary(level + 1);
        for (;;) {
            skipSpace();
            std::string_view matched;
            for (auto op : kLevels[std::size_t(level)]) {
                if (m_src.substr(m_pos, op.size()) != op) continue;
                // Keep "+=", "++", "-=", "--" and "==" out of the one-character operators.
                char next = peek(op.size());
                if (op.size() == 1 && (next == '=' || ((op == "+" || op == "-") && next == op[0])))
                    continue;
                matched = op;
                break;
            }
            if (matched.empty()) return lhs;
            int line = m_line;
            for (std::size_t i = 0; i < matched.size(); ++i) get();
            auto e = makeExpr(ExprKind::Binary);
            e->line = line;
            e->op = std::string(matched);
            e->kids.push_back(std::move(lhs));
            e->kids.push_back(parseBinary(level + 1));
            lhs = std::move(e);
        }
    }

    ExprPtr parseUnary() {
        DepthGuard guard(*this);
        skipSpace();
        if ((peek() == '+' && peek(1) == '+') || (peek() == '-' && peek(1) == '-')) {
            std::string op{get(), get()};
            skipSpace();
            if (peek() != '$') fail("Syntax error: '" + op + "' needs a variable.", atEnd());
            get();
            auto e = makeExpr(ExprKind::IncDec);
            e->op = op;
            e->prefix = true;
            e->name = readIdent();
            return e;
        }
        if (peek() == '-' || peek() == '!' || peek() == '+') {
            auto e = makeExpr(ExprKind::Unary);
            e->op = std::string(1, get());
            e->kids.push_back(parseUnary());
            return e;
        }
        auto e = parsePrimary();
        skipSpace();
        if (e->kind == ExprKind::Var &&
            ((peek() == '+' && peek(1) == '+') || (peek() == '-' && peek(1) == '-'))) {
            auto inc = makeExpr(ExprKind::IncDec);
            inc->op = std::string{get(), get()};
            inc->name = e->name;
            return inc;
        }
        return e;
    }

    std::string parseStringBody() {
        int start = m_line;
        get();  // opening quote
        std::string s;
        for (;;) {
            if (atEnd())
                failAt("Unterminated string starting on line " + std::to_string(start) + ".", start,
                       true);
            char c = get();
            if (c == '"') return s;
            if (c == '\\') {
                if (atEnd())
                    failAt("Unterminated string starting on line " + std::to_string(start) + ".",
                           start, true);
                char e = get();
                switch (e) {
                    case 'n':
                        s += '\n';
                        break;
                    case 't':
                        s += '\t';
                        break;
                    case 'r':
                        s += '\r';
                        break;
                    default:
                        s += e;
                        break;  // \" \\ \` and any other character stand for themselves
                }
                continue;
            }
            s += c;
        }
    }

    ExprPtr parseNumber() {
        auto e = makeExpr(ExprKind::Literal);
        std::size_t start = m_pos;
        bool isFloat = false;
        if (peek() == '0' && (peek(1) == 'x' || peek(1) == 'X')) {
            get(), get();
            while (std::isxdigit(static_cast<unsigned char>(peek()))) get();
        } else {
            while (isDigit(peek())) get();
            if (peek() == '.' && isDigit(peek(1))) {
                isFloat = true;
                get();
                while (isDigit(peek())) get();
            } else if (peek() == '.') {
                isFloat = true;
                get();
            }
            if ((peek() == 'e' || peek() == 'E') &&
                (isDigit(peek(1)) || ((peek(1) == '-' || peek(1) == '+') && isDigit(peek(2))))) {
                isFloat = true;
                get(), get();
                while (isDigit(peek())) get();
            }
        }
        std::string_view text = m_src.substr(start, m_pos - start);
        if (isFloat) {
            double d = 0;
            parseFloat(text, d);
            e->value = Value(d);
        } else {
            std::int64_t i = 0;
            if (!parseInt(text, i)) {
                double d = 0;
                parseFloat(text, d);
                e->value = Value(d);
            } else {
                e->value = Value(i);
            }
        }
        return e;
    }

    ExprPtr parseBackquote() {
        int start = m_line;
        get();  // opening back-quote
        std::size_t begin = m_pos;
        // Find the closing back-quote, stepping over string literals inside.
        while (!atEnd() && peek() != '`') {
            if (peek() == '"') {
                std::size_t save = m_pos;
                int saveLine = m_line;
                try {
                    parseStringBody();
                } catch (const Fail&) {
                    m_pos = save;
                    m_line = saveLine;
                    failAt(
                        "Unterminated back-quote starting on line " + std::to_string(start) + ".",
                        start, true);
                }
                continue;
            }
            get();
        }
        if (atEnd())
            failAt("Unterminated back-quote starting on line " + std::to_string(start) + ".", start,
                   true);
        std::string_view inner = m_src.substr(begin, m_pos - begin);
        get();  // closing back-quote
        auto e = makeExpr(ExprKind::Backquote);
        e->line = start;
        Parser sub(inner, start);
        sub.m_depth = m_depth;
        auto script = std::make_shared<Script>();
        script->statements = sub.parseAll();
        e->script = std::move(script);
        return e;
    }

    ExprPtr parsePrimary() {
        skipSpace();
        if (atEnd()) fail("Unexpected end of text: expected a value.", true);
        char c = peek();
        if (c == '"') {
            auto e = makeExpr(ExprKind::Literal);
            e->value = Value(parseStringBody());
            return e;
        }
        if (isDigit(c) || (c == '.' && isDigit(peek(1)))) return parseNumber();
        if (c == '`') return parseBackquote();
        if (c == '(') {
            get();
            auto e = parseExpression();
            expect(')', "')'");
            return e;
        }
        if (c == '{') {
            int start = m_line;
            get();
            auto e = makeExpr(ExprKind::ArrayLit);
            skipSpace();
            if (peek() != '}') {
                do e->kids.push_back(parseExpression());
                while (accept(','));
            }
            skipSpace();
            if (atEnd())
                failAt("Unterminated array: '{' on line " + std::to_string(start) +
                           " has no matching '}'.",
                       start, true);
            expect('}', "'}'");
            return e;
        }
        if (c == '$') {
            get();
            std::string name = readIdent();
            if (name.empty()) fail("Syntax error: '$' must be followed by a variable name.");
            skipSpace();
            if (peek() == '[') {
                get();
                auto e = makeExpr(ExprKind::Index);
                e->name = name;
                e->kids.push_back(parseExpression());
                expect(']', "']'");
                return e;
            }
            auto e = makeExpr(ExprKind::Var);
            e->name = name;
            return e;
        }
        if (isIdentStart(c)) {
            int line = m_line;
            std::string name = readIdent();
            skipSpace();
            if (peek() != '(')
                fail("Syntax error: '" + name +
                     "' in an expression must be called with parentheses, or quoted as a string.");
            get();
            auto call = makeExpr(ExprKind::Call);
            call->line = line;
            call->name = name;
            skipSpace();
            if (peek() != ')') {
                do {
                    skipSpace();
                    // Function-form arguments are values, never flags.
                    call->args.push_back(Arg{parseExpression(), false});
                } while (accept(','));
            }
            expect(')', "')'");
            return call;
        }
        fail("Syntax error near '" + context() + "'.");
    }

    std::string_view m_src;
    std::size_t m_pos = 0;
    int m_line = 1;
    int m_depth = 0;
};

}  // namespace

std::shared_ptr<Script> parseScript(std::string_view text, std::string sourceName,
                                    ParseError* error, int firstLine) {
    Parser parser(text, firstLine);
    try {
        auto script = std::make_shared<Script>();
        script->statements = parser.parseAll();
        script->sourceName = std::move(sourceName);
        script->lineCount = parser.line() - firstLine + 1;
        return script;
    } catch (const Fail& f) {
        if (error) *error = ParseError{f.message, f.line};
        return nullptr;
    }
}

bool needsMoreInput(std::string_view text) {
    Parser parser(text, 1);
    try {
        parser.parseAll();
        return false;
    } catch (const Fail& f) {
        return f.incomplete;
    }
}

}  // namespace tarn::lang
