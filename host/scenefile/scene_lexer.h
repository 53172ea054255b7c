#pragma once
// The scene parser's reading of text: statements, words, numbers and arrays, with the counts of
// arrays bounded by the bytes left before anything is allocated. Internal to scene_parser.cpp
// and block_parser.cpp. Pure; any thread.

#include <climits>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "host/scenefile/scene_document.h"
#include "host/scenefile/scene_parser.h"
#include "host/scenefile/text_codec.h"

namespace tarn::scenefile::parsing {

// Thrown inside the parser only; parseScene turns it into a ParseError.
struct Failure {
    int line;
    std::string message;
};

inline bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

inline bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// A word as a message shows it: cut short, control characters as '?'.
inline std::string shown(std::string_view word) {
    if (word.empty()) return "the end of the line";
    std::string out = "\"";
    for (char c : word.substr(0, 40))
        out += static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? '?' : c;
    if (word.size() > 40) out += "...";
    return out + "\"";
}

// Reads the file statement by statement. A statement is one line, except that an inline array
// ("[...]") may run over several; blocks open with a "{" ending a line and close with a line
// holding "}". Lines whose first character after blanks is '#' are comments.
class Lexer {
public:
    explicit Lexer(std::string_view text) : m_text(text) {}

    int line() const { return m_line; }
    std::size_t position() const { return m_pos; }
    std::size_t remaining() const { return m_text.size() - m_pos; }

    [[noreturn]] void fail(const std::string& message) const { throw Failure{m_line, message}; }
    [[noreturn]] void expected(const std::string& what, std::string_view found) const {
        fail("expected " + what + ", found " + shown(found));
    }

    // Moves to the first word of the next statement, over blank and comment lines. False at
    // the end of the text.
    bool nextStatement() {
        while (m_pos < m_text.size()) {
            skipBlanks();
            if (m_pos >= m_text.size()) return false;
            const char c = m_text[m_pos];
            if (c == '#') {
                while (m_pos < m_text.size() && m_text[m_pos] != '\n') ++m_pos;
                continue;
            }
            if (c == '\r' || c == '\n') {
                newLine();
                continue;
            }
            return true;
        }
        return false;
    }

    // The next word of this line (empty at its end): a run of characters up to a blank or the
    // line's end. A quoted string is read whole, quotes included.
    std::string_view word() {
        skipBlanks();
        const std::size_t start = m_pos;
        if (m_pos < m_text.size() && m_text[m_pos] == '"') {
            std::string unused;
            std::size_t end = 0;
            if (!parseQuoted(m_text, m_pos, &unused, &end)) {
                m_pos = end;
                fail("a string that is not closed on its line, or an unknown escape");
            }
            m_pos = end;
            return m_text.substr(start, m_pos - start);
        }
        while (m_pos < m_text.size() && !isSpace(m_text[m_pos])) ++m_pos;
        return m_text.substr(start, m_pos - start);
    }

    std::string_view requireWord(const std::string& what) {
        const std::string_view w = word();
        if (w.empty()) expected(what, w);
        return w;
    }

    // The next word must be `keyword`.
    void keyword(std::string_view keyword) {
        const std::string_view w = word();
        if (w != keyword) expected("\"" + std::string(keyword) + "\"", w);
    }

    // The next word as a quoted string's contents.
    std::string quoted(const std::string& what) {
        const std::string_view w = word();
        if (w.empty() || w[0] != '"') expected(what + " in double quotes", w);
        std::string out;
        std::size_t end = 0;
        parseQuoted(w, 0, &out, &end);
        return out;
    }

    std::string identifier(const std::string& what) {
        const std::string_view w = word();
        if (!isIdentifier(w)) expected(what, w);
        return std::string(w);
    }

    long long integer(const std::string& what, long long low, long long high) {
        const std::string_view w = word();
        long long v = 0;
        if (!parseInt(w, low, high, &v))
            expected(what + " (a whole number from " + std::to_string(low) + " to " +
                         std::to_string(high) + ")",
                     w);
        return v;
    }

    double number(const std::string& what) {
        const std::string_view w = word();
        double v = 0;
        if (!parseDouble(w, &v)) expected(what, w);
        return v;
    }

    // Only blanks are left on the line; moves past its end.
    void endOfLine() {
        skipBlanks();
        if (m_pos < m_text.size() && m_text[m_pos] != '\n' && m_text[m_pos] != '\r')
            expected("the end of the line", peekRest());
        if (m_pos < m_text.size()) newLine();
    }

    bool atLineEnd() {
        skipBlanks();
        return m_pos >= m_text.size() || m_text[m_pos] == '\n' || m_text[m_pos] == '\r';
    }

    // The start of an array: "[" (inline numbers) or "base64" (a block). True for inline.
    bool arrayStart() {
        skipBlanks();
        if (m_pos < m_text.size() && m_text[m_pos] == '[') {
            ++m_pos;
            return true;
        }
        const std::string_view w = word();
        if (w != "base64") expected("\"[\" or \"base64\"", w);
        skipBlanks();
        return false;
    }

    // The next number of an inline array, over line ends; false at its closing "]".
    std::string_view arrayNumber() {
        while (m_pos < m_text.size() && isSpace(m_text[m_pos])) {
            if (m_text[m_pos] == '\n' || m_text[m_pos] == '\r')
                newLine();
            else
                ++m_pos;
        }
        if (m_pos >= m_text.size()) fail("an array that is not closed with \"]\"");
        if (m_text[m_pos] == ']') {
            ++m_pos;
            return {};
        }
        const std::size_t start = m_pos;
        while (m_pos < m_text.size() && !isSpace(m_text[m_pos]) && m_text[m_pos] != ']') ++m_pos;
        return m_text.substr(start, m_pos - start);
    }

    // Exactly `length` characters of base64 text, which must end the word.
    std::string_view base64Text(std::size_t length) {
        if (remaining() < length)
            fail("a base64 block of " + std::to_string(length) + " characters, but the file ends");
        const std::string_view text = m_text.substr(m_pos, length);
        m_pos += length;
        if (m_pos < m_text.size() && !isSpace(m_text[m_pos]))
            fail("a base64 block of " + std::to_string(length) + " characters, but it is longer");
        return text;
    }

    std::string_view text() const { return m_text; }

private:
    void skipBlanks() {
        while (m_pos < m_text.size() && isBlank(m_text[m_pos])) ++m_pos;
    }
    void newLine() {
        if (m_text[m_pos] == '\r' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == '\n')
            ++m_pos;
        ++m_pos;
        ++m_line;
    }
    std::string_view peekRest() const {
        std::size_t end = m_pos;
        while (end < m_text.size() && m_text[end] != '\n' && m_text[end] != '\r') ++end;
        return m_text.substr(m_pos, end - m_pos);
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
    int m_line = 1;
};

// Reads `values` numbers of type `T` into `out` (room for them made by the caller, after the
// count was checked with arrayRoom): inline, or a base64 block.
template <typename T>
void fillArray(Lexer& lex, bool inlineArray, long long values, const std::string& what, T* out) {
    if (inlineArray) {
        for (long long i = 0; i < values; ++i) {
            const std::string_view w = lex.arrayNumber();
            if (w.empty())
                lex.fail(what + ": " + std::to_string(values) + " numbers expected, " +
                         std::to_string(i) + " given");
            bool ok = false;
            if constexpr (std::is_same_v<T, double>) {
                ok = parseDouble(w, &out[i]);
            } else if constexpr (std::is_same_v<T, float>) {
                ok = parseFloat(w, &out[i]);
            } else {
                long long v = 0;
                ok = parseInt(w, INT_MIN, INT_MAX, &v);
                out[i] = static_cast<T>(v);
            }
            if (!ok) lex.expected("a number in " + what, w);
        }
        if (!lex.arrayNumber().empty())
            lex.fail(what + ": more than " + std::to_string(values) + " numbers given");
        return;
    }
    const std::size_t bytes = static_cast<std::size_t>(values) * sizeof(T);
    const std::string_view text = lex.base64Text(base64Length(bytes));
    if (!decodeBase64(text, out, bytes))
        lex.fail(what + ": the base64 block holds a character outside its alphabet");
}

// Starts an array of `values` numbers of type T: true for inline. A count the rest of the file
// cannot hold is refused before anything is allocated for it (an inline number takes a
// character and a separator).
template <typename T>
bool arrayRoom(Lexer& lex, long long values, const std::string& what) {
    const bool inlineArray = lex.arrayStart();
    const std::size_t room =
        inlineArray ? lex.remaining() / 2 + 1 : lex.remaining() / 4 * 3 / sizeof(T) + 1;
    if (values > static_cast<long long>(room))
        lex.fail(what + ": " + std::to_string(values) + " numbers given, more than the file holds");
    return inlineArray;
}

// Arrays of `count` elements of `width` values each, inline or as a base64 block of `T`.
template <typename T>
std::vector<T> readArray(Lexer& lex, long long count, int width, const std::string& what) {
    const long long values = count * width;
    const bool inlineArray = arrayRoom<T>(lex, values, what);
    std::vector<T> out(static_cast<std::size_t>(values));
    fillArray(lex, inlineArray, values, what, out.data());
    return out;
}

inline long long readCount(Lexer& lex, const std::string& what) {
    return lex.integer("the number of " + what, 0, kMaxArrayCount);
}

// "{" ends the line that opens a block.
inline void openBlock(Lexer& lex) {
    lex.keyword("{");
    lex.endOfLine();
}

}  // namespace tarn::scenefile::parsing
