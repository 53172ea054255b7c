// Texts put into command strings through escapeCommandString read back byte for byte, whatever
// they hold, and can never end the literal to run a command of their own; numbers written by
// numberText read back as the same double.

#include "frame/k_string.h"
#include "host/lang/execute.h"
#include "host/lang/parser.h"
#include "host/lang/value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

using namespace tarn::lang;

namespace {

// The value the parser reads from `"` + escapeCommandString(text) + `"`.
std::string readBack(const std::string& text) {
    const std::string source = "\"" + escapeCommandString(KString(text)).str() + "\"";
    ParseError err;
    auto script = parseScript(source, "", &err);
    if (!script || script->statements.size() != 1 || !script->statements[0]->expr)
        return "<parse failed: " + err.message + ">";
    return script->statements[0]->expr->value.asString();
}

}  // namespace

TEST(CommandQuoting, EveryByteReadsBack) {
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(readBack(one), one) << "byte " << b;
        // Next to the characters an escape may swallow (hex digits, a backslash, a quote).
        const std::string mixed = "a" + one + "f0\\" + one + "\"x";
        EXPECT_EQ(readBack(mixed), mixed) << "byte " << b;
    }
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(readBack(all), all);
}

TEST(CommandQuoting, EscapedFormsStayPrintableAndOnOneLine) {
    const struct {
        std::string text;
        const char* escaped;
    } cases[] = {
        {"plain name.jpg", "plain name.jpg"},
        {"C:\\scenes\\my maps\\wood grain.jpg", "C:\\\\scenes\\\\my maps\\\\wood grain.jpg"},
        {"x.jpg\"; exportObj \"injected.obj", "x.jpg\\\"; exportObj \\\"injected.obj"},
        {"a\nb\rc\td", "a\\nb\\rc\\td"},
        {std::string("nul\0bell\a del\x7f", 14), "nul\\x00bell\\x07 del\\x7f"},
        {"caf\xc3\xa9 `ls` $v", "caf\xc3\xa9 `ls` $v"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(escapeCommandString(KString(c.text)).str(), c.escaped);
        EXPECT_EQ(readBack(c.text), c.text);
    }
}

TEST(CommandQuoting, QuotedTextIsOneArgumentOfACommand) {
    // The interpreter sees one string argument whatever the text holds; a quote or a semicolon
    // in it runs nothing more.
    for (const std::string& text :
         {std::string("x\"; print \"ran"), std::string("a;b\\"), std::string("two\nlines\\n")}) {
        ExecuteOptions o;
        RunResult r = executeText("size(\"" + escapeCommandString(KString(text)).str() + "\")", o);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.value.asInt(), static_cast<std::int64_t>(text.size())) << text;
    }
}

TEST(CommandNumbers, NumberTextReadsBackAsLiteralAndAsWord) {
    // Values whose text needs 17 digits, an exponent, or lies at the ends of the double range.
    const double values[] = {0.40208333333333335,
                             1234.5678,
                             1.015625,
                             -1.0 / 3.0,
                             1e-300,
                             -2.5e300,
                             5e-324,
                             2.2250738585072009e-308,
                             std::numeric_limits<double>::max(),
                             std::nextafter(1.0, 2.0),
                             42.0,
                             -0.0};
    for (double v : values) {
        const std::string text = numberText(v);
        // As an expression (a literal, negated by the unary minus where it has a sign).
        ExecuteOptions o;
        RunResult r = executeText(text, o);
        ASSERT_TRUE(r.ok) << text << ": " << r.error;
        EXPECT_EQ(r.value.asFloat(), v) << text;
        // As a word of a command in word form, which commands convert with parseFloat.
        double word = 1.0;
        ASSERT_TRUE(parseFloat(text, word)) << text;
        EXPECT_EQ(word, v) << text;
    }
}
