#include "host/lang/parser_impl.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

namespace tarn::lang::detail {

ExprPtr Parser::parseExpression() {
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

ExprPtr Parser::parseTernary() {
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

namespace {

struct BinaryOp {
    std::string_view text;
    int level;  ///< precedence, lowest binding first
};

// Two-character operators come first so that "<=" is not read as "<".
constexpr BinaryOp kBinaryOps[] = {
    {"||", 0}, {"&&", 1}, {"==", 2}, {"!=", 2}, {"<=", 3}, {">=", 3}, {"<", 3},
    {">", 3},  {"+", 4},  {"-", 4},  {"*", 5},  {"/", 5},  {"%", 5},
};
constexpr int kTopLevel = 5;

}  // namespace

ExprPtr Parser::parseBinary(int minLevel) {
    // Precedence climbing: operators of one level are taken by this loop, so a long chain such
    // as "1 + 1 + ... + 1" costs no recursion; only a tighter-binding operand recurses, at most
    // once per level.
    auto lhs = parseUnary();
    for (;;) {
        skipSpace();
        const BinaryOp* matched = nullptr;
        for (const BinaryOp& op : kBinaryOps) {
            if (m_src.substr(m_pos, op.text.size()) != op.text) continue;
            // Keep "+=", "++", "-=", "--" and "==" out of the one-character operators.
            char next = peek(op.text.size());
            if (op.text.size() == 1 &&
                (next == '=' || ((op.text == "+" || op.text == "-") && next == op.text[0])))
                continue;
            matched = &op;
            break;
        }
        if (!matched || matched->level < minLevel) return lhs;
        int line = m_line;
        for (std::size_t i = 0; i < matched->text.size(); ++i) get();
        auto e = makeExpr(ExprKind::Binary);
        e->line = line;
        e->op = std::string(matched->text);
        e->kids.push_back(std::move(lhs));
        e->kids.push_back(matched->level == kTopLevel ? parseUnary()
                                                      : parseBinary(matched->level + 1));
        lhs = std::move(e);
    }
}

ExprPtr Parser::parseUnary() {
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

std::string Parser::parseStringBody() {
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
                failAt("Unterminated string starting on line " + std::to_string(start) + ".", start,
                       true);
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
                case 'x': {
                    // \xH or \xHH: one byte by its hex code (any byte, NUL included). Without a
                    // hex digit after it, \x is a plain x as before.
                    int digits = 0, code = 0;
                    while (digits < 2 && !atEnd() &&
                           std::isxdigit(static_cast<unsigned char>(peek()))) {
                        const char h = get();
                        code = code * 16 + (h <= '9' ? h - '0' : (h | 0x20) - 'a' + 10);
                        ++digits;
                    }
                    s += digits ? static_cast<char>(code) : 'x';
                    break;
                }
                default:
                    s += e;
                    break;  // \" \\ \` and any other character stand for themselves
            }
            continue;
        }
        s += c;
    }
}

ExprPtr Parser::parseNumber() {
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
    std::int64_t i = 0;
    if (!isFloat && parseInt(text, i)) {
        e->value = Value(i);
        return e;
    }
    // Hexadecimal literals are 64-bit integers; a decimal integer too large for one is a float.
    const bool hex = text.size() > 1 && (text[1] == 'x' || text[1] == 'X');
    if (hex) {
        if (text.size() == 2) fail("Malformed number '" + std::string(text) + "'.");
        fail("The number " + std::string(text) + " is out of range (at most 0x7fffffffffffffff).");
    }
    // Note: strtod rounds a literal below the smallest double to 0 and one above the largest to
    // infinity, which is refused rather than silently used.
    const std::string digits(text);
    const double d = std::strtod(digits.c_str(), nullptr);
    if (!std::isfinite(d))
        fail("The number " + digits + " is out of range (at most about 1.8e308).");
    e->value = Value(d);
    return e;
}

ExprPtr Parser::parseBackquote() {
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
                failAt("Unterminated back-quote starting on line " + std::to_string(start) + ".",
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

ExprPtr Parser::parsePrimary() {
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

}  // namespace tarn::lang::detail
