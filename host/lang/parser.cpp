#include "host/lang/parser.h"

#include "host/lang/parser_impl.h"

#include <cctype>
#include <string>

namespace tarn::lang {

namespace detail {

char Parser::peek(std::size_t ahead) const {
    return m_pos + ahead < m_src.size() ? m_src[m_pos + ahead] : '\0';
}

void Parser::skipSpace() {
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

bool Parser::accept(char c) {
    skipSpace();
    if (peek() == c) {
        get();
        return true;
    }
    return false;
}

bool Parser::acceptOp(std::string_view op) {
    skipSpace();
    if (m_src.substr(m_pos, op.size()) == op) {
        for (std::size_t i = 0; i < op.size(); ++i) get();
        return true;
    }
    return false;
}

void Parser::expect(char c, const char* what) {
    if (!accept(c)) {
        if (atEnd()) fail(std::string("Unexpected end of text: expected ") + what + ".", true);
        fail(std::string("Syntax error near '") + context() + "': expected " + what + ".");
    }
}

std::string Parser::context() const {
    std::string s(m_src.substr(m_pos, 20));
    auto nl = s.find('\n');
    if (nl != std::string::npos) s.resize(nl);
    return s;
}

std::string Parser::readIdent() {
    std::string s;
    while (!atEnd() && isIdentChar(peek())) s += get();
    return s;
}

bool Parser::peekKeyword(std::string_view kw) const {
    if (m_src.substr(m_pos, kw.size()) != kw) return false;
    return !isIdentChar(peek(kw.size()));
}

}  // namespace detail

using detail::Fail;
using detail::Parser;

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
