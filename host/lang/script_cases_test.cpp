// Script cases: each row is a script and the result of its last statement as the shell shows it
// (arrays space-separated), or "ERROR: <part of the message>" for a script that must fail.

#include "host/lang/test_support.h"

#include <gtest/gtest.h>

using tarn::lang::testing::Session;

namespace {

struct Case {
    const char* id;
    const char* script;
    const char* expected;
};

const Case kCases[] = {
    // Literals and arithmetic
    {"int-literal", "5", "5"},
    {"float-literal", "2.50", "2.5"},
    {"hex", "0x105349", "1069897"},
    {"precedence", "1 + 2 * 3", "7"},
    {"parentheses", "(1 + 2) * 3", "9"},
    {"int-division", "7 / 2", "3"},
    {"float-division", "7 / 2.0", "3.5"},
    {"modulo", "-7 % 3", "-1"},
    {"unary-minus", "-(2 - 5)", "3"},
    {"float-format", "0.1 + 0.2", "0.3"},
    {"big-wraps-not-crashes", "9223372036854775807 + 1", "-9223372036854775808"},
    {"float-literal-overflow", "print(1e999)", "ERROR: The number 1e999 is out of range"},
    {"negative-literal-overflow", "-1.5e400", "ERROR: The number 1.5e400 is out of range"},
    {"hex-literal-overflow", "print(0x10000000000000000)",
     "ERROR: The number 0x10000000000000000 is out of range"},
    {"hex-just-past-int64", "0x8000000000000000", "ERROR: is out of range"},
    {"hex-largest", "0x7fffffffffffffff", "9223372036854775807"},
    {"hex-without-digits", "0x", "ERROR: Malformed number '0x'."},
    {"literal-underflow-is-zero", "1e-999 == 0", "1"},
    {"largest-double-literal", "1.7976931348623157e308 > 1e308", "1"},
    {"division-by-zero", "1 / 0", "ERROR: Division by zero."},
    {"modulo-by-zero", "int $z = 0; 5 % $z", "ERROR: Division by zero."},
    // Strings
    {"concat", "\"a\" + \"b\" + 1", "ab1"},
    {"concat-float", "\"v=\" + 0.5", "v=0.5"},
    {"number-then-string", "1 + 2 + \"x\"", "3x"},
    {"escapes", "\"tab\\tq\\\"\\\\\"", "tab\tq\"\\"},
    {"hex-escapes", "\"\\x41\\x4a\\x6B\\x7e\"", "AJk~"},
    {"hex-escape-one-digit", "\"\\x9z\"", "\tz"},
    {"hex-escape-without-digits-is-x", "\"\\xz\\x\"", "xzx"},
    {"string-compare", "\"abc\" < \"abd\"", "1"},
    {"string-equal", "\"a\" == \"a\"", "1"},
    {"numeric-string-compare", "\"10\" == 10", "1"},
    // Logic
    {"and", "1 && 0", "0"},
    {"or", "0 || 3", "1"},
    {"not", "!0", "1"},
    {"compare-chain", "(2 > 1) + (1 >= 1) + (1 <= 0) + (1 != 1)", "2"},
    {"short-circuit", "0 && `getValue missing`", "0"},
    {"ternary", "1 > 2 ? \"yes\" : \"no\"", "no"},
    // Variables
    {"string-var", "string $s = \"hi\"; $s + \"!\"", "hi!"},
    {"int-var-converts", "int $i = 3.9; $i", "3"},
    {"float-var", "float $f = 1; $f / 4", "0.25"},
    {"implicit-declaration", "$n = 4; $n * $n", "16"},
    {"compound-assign", "int $i = 5; $i += 2; $i *= 3; $i", "21"},
    {"increment", "int $i = 1; $i++; ++$i; $i", "3"},
    {"post-increment-value", "int $i = 1; $i++", "1"},
    {"multi-declare", "int $a = 1, $b = 2; $a + $b", "3"},
    {"undeclared", "$nothing + 1", "ERROR: \"$nothing\" is an undeclared variable."},
    {"redeclare-other-type", "int $x; string $x;", "ERROR: already declared as int"},
    {"redeclare-same-type", "int $x = 1; int $x = 2; $x", "2"},
    // Arrays
    {"array-literal", "int $a[] = {3, 1, 2}; $a", "3 1 2"},
    {"array-index", "string $a[] = {\"x\", \"y\"}; $a[1]", "y"},
    {"array-grow", "int $a[]; $a[3] = 7; $a", "0 0 0 7"},
    {"array-size", "float $a[] = {1, 2.5}; size($a)", "2"},
    {"array-past-end", "int $a[] = {1}; $a[5]", "0"},
    {"array-negative-index", "int $a[]; $a[-1] = 2;", "ERROR: is negative"},
    {"array-huge-index", "int $a[]; $a[2000000000] = 2;", "ERROR: is too large"},
    {"mixed-literal-is-string", "string $m[] = {1, \"b\", 2.5}; $m", "1 b 2.5"},
    {"brace-at-statement-start-is-block", "{1, 2}", "ERROR: expected ';'"},
    {"scalar-into-array", "int $a[] = {1}; $a = 3;", "ERROR: Cannot assign a scalar"},
    {"string-size", "size(\"hello\")", "5"},
    // Control flow
    {"if-else", "int $r; if (2 > 1) $r = 1; else $r = 2; $r", "1"},
    {"else-branch", "int $r; if (0) { $r = 1; } else { $r = 2; } $r", "2"},
    {"else-if", "int $r; if (0) $r = 1; else if (1) $r = 2; else $r = 3; $r", "2"},
    {"while", "int $i = 0; while ($i < 5) $i++; $i", "5"},
    {"for", "int $s = 0; for ($i = 1; $i <= 4; $i++) $s += $i; $s", "10"},
    {"for-in", "string $o; for ($w in {\"a\", \"b\"}) $o += $w; $o", "ab"},
    {"break-continue",
     "int $s = 0; for ($i = 0; $i < 10; $i++) { if ($i == 2) continue; if ($i == 5) break; $s += "
     "$i; } $s",
     "8"},
    {"do-while", "int $i = 10; do { $i++; } while ($i < 3); $i", "11"},
    {"block-scope", "int $o = 1; { int $o2 = 5; $o = $o2; } $o", "5"},
    {"block-local-gone", "{ int $inner = 1; } $inner", "ERROR: undeclared"},
    // Procs
    {"proc", "global proc int twice(int $x) { return $x * 2; } twice(21)", "42"},
    {"proc-word-form", "proc string greet(string $n) { return \"hi \" + $n; } greet bob", "hi bob"},
    {"proc-recursion",
     "proc int fact(int $n) { if ($n <= 1) return 1; return $n * fact($n - 1); } fact(10)",
     "3628800"},
    {"proc-array-param",
     "proc int total(int $a[]) { int $s; for ($v in $a) $s += $v; return $s; } total({1, 2, 3})",
     "6"},
    {"proc-arg-count", "proc p(int $a) {} p(1, 2)", "ERROR: Wrong number of arguments"},
    {"proc-locals-hidden", "int $outer = 1; proc int peek() { return $outer; } peek()",
     "ERROR: undeclared"},
    {"proc-sees-declared-global",
     "global int $gCount = 7; proc int peek() { global int $gCount; return $gCount; } peek()", "7"},
    {"runaway-recursion", "proc int down(int $n) { return down($n + 1); } down(0)",
     "ERROR: Recursion too deep"},
    // Commands: word form, function form, flags, back-quotes
    {"word-form", "words a b c", "a|b|c"},
    {"function-form", "words(\"a\", 2, 1.5)", "a|2|1.5"},
    {"function-form-with-blank", "words (\"a\", \"b\")", "a|b"},
    {"paren-word", "string $p = \"n\"; words ($p + \".x\") 2", "n.x|2"},
    {"flags-converted", "words -n 3 -f 2 -s x -s y -b on z",
     "z -number int:3 -fraction float:2 -string string:x -string string:y -bool int:1"},
    {"negative-number-is-not-flag", "words -f -0.5 -1", "-1 -fraction float:-0.5"},
    {"two-arg-flag", "words -p 4 0.25 -p 5 1", " -pair int:4 float:0.25 -pair int:5 float:1"},
    {"backquote", "string $r = `words a b`; $r", "a|b"},
    {"backquote-in-word", "words `words x`", "x"},
    {"backquote-in-expression", "(`getValue k` + 1)", "ERROR: No value named k."},
    {"component-words", "words plane1.e[4] m.vtx[0:3] |g|mesh texture/2d",
     "plane1.e[4]|m.vtx[0:3]||g|mesh|texture/2d"},
    {"array-argument", "words {1, 2}", "1 2"},
    {"global-without-declaration", "words $gSelect", "selectSuperContext"},
    {"eval", "eval \"1 + 1\"", "2"},
    {"eval-joins-words", "eval words a b", "a|b"},
    {"eval-loop-is-stopped", "proc loop() { eval \"loop\"; } loop", "ERROR: Recursion too deep"},
    {"comments", "// line comment\n/* block\n comment */ 3 // trailing", "3"},
    {"missing-final-semicolon", "words a; words b", "b"},
    {"exists", "exists(\"print\") + exists(\"noSuchThing\")", "1"},
    {"whatIs", "whatIs words", "Command"},
    // Errors the interpreter reports
    {"unknown-command", "noSuchCommand 1", "ERROR: Cannot find procedure \"noSuchCommand\"."},
    {"unknown-flag", "words -zz", "ERROR: words: invalid flag '-zz'."},
    {"bad-int", "words -n abc", "ERROR: invalid value 'abc' for flag '-n': expected an int"},
    {"fractional-int", "words -n 1.5", "ERROR: expected an int"},
    {"bad-bool", "words -b maybe", "ERROR: expected a boolean"},
    {"missing-flag-argument", "words -n", "ERROR: flag '-n' needs 1 argument."},
    {"flag-twice", "words -n 1 -n 2", "ERROR: may be given only once"},
    {"too-few", "setValue k", "ERROR: setValue: expected 2 arguments, got 1."},
    {"too-many", "getValue a b", "ERROR: getValue: expected 1 argument, got 2."},
    {"bad-positional", "setValue k x", "ERROR: invalid argument 'x' (argument 2): expected an int"},
    {"unterminated-string", "print \"abc", "ERROR: Unterminated string"},
    {"unterminated-backquote", "string $s = `words a;", "ERROR: Unterminated back-quote"},
    {"unterminated-block", "if (1) { words a;", "ERROR: Unterminated block"},
    {"unterminated-comment", "1 /* never closed", "ERROR: Unterminated comment"},
    {"unbalanced-paren", "words (1 + 2", "ERROR: expected ')'"},
    {"stray-brace", "}", "ERROR: Unexpected '}'"},
    {"else-alone", "else words a;", "ERROR: 'else' without 'if'"},
    {"bare-word-in-expression", "1 + abc", "ERROR: must be called with parentheses"},
    {"deep-nesting",
     "((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((("
     "((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((("
     "((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((1",
     "ERROR: Nesting too deep"},
};

// Texts too long for the table: operator chains, deep unary runs and deep recursion. Each must
// give its value or a "too deep" error, never overflow the stack, and leave the session usable.
std::string repeated(const std::string& unit, int n) {
    std::string out;
    out.reserve(unit.size() * std::size_t(n));
    for (int i = 0; i < n; ++i) out += unit;
    return out;
}

TEST(DeepTexts, ChainsAndRecursionGiveValuesOrTooDeep) {
    struct Deep {
        const char* id;
        std::string script;
        const char* expected;
    };
    const std::string bangs = repeated("!", 150);
    const Deep cases[] = {
        {"sum of 30000 terms", "1" + repeated(" + 1", 29999), "30000"},
        {"print of 30000 terms", "print(1" + repeated(" + 1", 29999) + ")", ""},
        {"left-associative difference", "100000" + repeated(" - 1", 30000), "70000"},
        {"and chain short-circuits once false",
         "1" + repeated(" && 1", 20000) + " && 0" + repeated(" && `noSuchCommand`", 100), "0"},
        {"or chain", "0" + repeated(" || 0", 20000) + " || 5", "1"},
        {"mixed precedence chain", "1" + repeated(" + 2 * 3", 10000) + " - 1 * 4 % 3", "60000"},
        {"chains inside a recursive proc",
         "proc int f(int $n) { if ($n <= 0) return 0; return f($n - 1)" + repeated(" + 1", 300) +
             "; } f(95)",
         "28500"},
        {"unary runs inside a shallow recursion",
         "proc int g(int $n) { if ($n <= 0) return 1; return " + bangs + "g($n - 1); } g(10)", "1"},
        {"unary runs inside a deep recursion",
         "proc int g(int $n) { if ($n <= 0) return 1; return " + bangs + "g($n - 1); } g(99)",
         "ERROR: nested too deep"},
        {"unary run past the parse limit", repeated("!", 300) + "1", "ERROR: Nesting too deep"},
        {"parentheses within the parse limit", repeated("(", 90) + "7" + repeated(")", 90), "7"},
    };
    for (const Deep& c : cases) {
        Session s;
        auto r = s.run(c.script);
        const std::string expected = c.expected;
        if (expected.rfind("ERROR", 0) == 0) {
            EXPECT_FALSE(r.ok) << c.id;
            if (expected.size() > 7) {
                EXPECT_NE(r.error.find(expected.substr(7)), std::string::npos)
                    << c.id << ": " << r.error;
            }
        } else if (!expected.empty()) {
            ASSERT_TRUE(r.ok) << c.id << ": " << r.error;
            EXPECT_EQ(r.value.toDisplay(), expected) << c.id;
        } else {
            EXPECT_TRUE(r.ok) << c.id << ": " << r.error;
        }
        // The session goes on after a refusal.
        auto next = s.run("1 + 1");
        ASSERT_TRUE(next.ok) << c.id;
        EXPECT_EQ(next.value.toDisplay(), "2") << c.id;
    }
}

class ScriptCases : public ::testing::TestWithParam<Case> {};

TEST_P(ScriptCases, ResultMatches) {
    const Case& c = GetParam();
    Session s;
    auto r = s.run(c.script);
    std::string expected = c.expected;
    const std::string kError = "ERROR: ";
    if (expected.rfind(kError, 0) == 0) {
        EXPECT_FALSE(r.ok) << c.script << " gave " << r.value.toDisplay();
        EXPECT_NE(r.error.find(expected.substr(kError.size())), std::string::npos)
            << "error was: " << r.error;
        // Reported exactly once on the error channel.
        EXPECT_EQ(s.output.of(tarn::lang::OutputKind::Error).size(), 1u) << s.output.text();
    } else {
        ASSERT_TRUE(r.ok) << c.script << "\nerror: " << r.error;
        EXPECT_EQ(r.value.toDisplay(), expected) << c.script;
    }
}

INSTANTIATE_TEST_SUITE_P(Language, ScriptCases, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             std::string name = info.param.id;
                             for (auto& ch : name)
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return name;
                         });

}  // namespace
