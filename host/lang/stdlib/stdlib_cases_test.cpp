// The standard procedures as script cases: each row is a script and the result of its last
// statement as the shell shows it (arrays space-separated), or "ERROR: <part of the message>"
// for a script that must fail with one error line. Groups: strings, arrays, math, control.

#include "host/lang/stdlib/stdlib.h"
#include "host/lang/test_support.h"

#include <gtest/gtest.h>

namespace tarn::lang {
void installStdlibCommands(CommandRegistry& registry);
}

namespace {

using tarn::lang::OutputKind;
using tarn::lang::testing::Session;

struct Case {
    const char* id;
    const char* script;
    const char* expected;
};

/// A language session whose registry holds the standard procedures too.
struct StdlibSession : Session {
    StdlibSession() { tarn::lang::installStdlibCommands(*registry); }
};

const Case kStrings[] = {
    {"strip-both-ends", "strip(\" \\t a b \\n\")", "a b"},
    {"strip-empty", "size(strip(\"\"))", "0"},
    {"strip-only-blanks", "size(strip(\" \\t\\n \"))", "0"},
    {"match-first", "match(\"[0-9]+\", \"ab123c45\")", "123"},
    {"match-none-is-empty", "size(match(\"x\", \"abc\"))", "0"},
    {"match-empty-text", "size(match(\"a*\", \"\"))", "0"},
    {"match-anchored", "match(\"^a.c$\", \"abc\")", "abc"},
    {"match-escaped-dot", "match(\"\\\\.[a-z]+\", \"file.tcs\")", ".tcs"},
    {"match-dot-is-any", "match(\"a.c\", \"xa+cx\")", "a+c"},
    {"match-brackets-literal", "match(\"\\\\[[0-9]+\\\\]\", \"m.vtx[12]\")", "[12]"},
    {"match-group-and-alternation", "match(\"(ab|cd)+\", \"xxcdabq\")", "cdab"},
    {"match-special-in-class", "match(\"[*+?]+\", \"a*+?b\")", "*+?"},
    {"match-bad-pattern", "match(\"(ab\", \"ab\")", "ERROR: match: invalid regular expression"},
    {"match-unbalanced-bracket", "match(\"[a-\", \"a\")", "ERROR: invalid regular expression"},
    {"match-runaway-backtracking",
     "string $s = \"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa!\"; "
     "match(\"^(a|aa)+$\", $s)",
     "ERROR: the regular expression gave up"},
    {"gmatch-star", "gmatch(\"pCube12\", \"pCube*\")", "1"},
    {"gmatch-question", "gmatch(\"ab\", \"a?\") + gmatch(\"abc\", \"a?\")", "1"},
    {"gmatch-set", "gmatch(\"b2\", \"[abc][0-9]\")", "1"},
    {"gmatch-whole-string", "gmatch(\"xpCube\", \"pCube*\")", "0"},
    {"gmatch-empty", "gmatch(\"\", \"\") + gmatch(\"\", \"*\") + gmatch(\"a\", \"\")", "2"},
    {"substitute-first-only", "substitute(\"o\", \"foo boo\", \"0\")", "f0o boo"},
    {"substitute-regex", "substitute(\"[0-9]+$\", \"pCube12\", \"\")", "pCube"},
    {"substitute-no-match", "substitute(\"z\", \"abc\", \"y\")", "abc"},
    {"substitute-replacement-literal", "substitute(\"b\", \"abc\", \"$1\\\\\")", "a$1\\c"},
    {"substitute-bad-pattern", "substitute(\"*\", \"a\", \"b\")", "ERROR: substitute:"},
    {"substitute-all-literal", "substituteAllString(\"a.b.c\", \".\", \"::\")", "a::b::c"},
    {"substitute-all-empty-find", "substituteAllString(\"abc\", \"\", \"x\")", "abc"},
    {"substitute-all-overlap", "substituteAllString(\"aaaa\", \"aa\", \"b\")", "bb"},
    {"tokenize-blanks", "string $b[]; int $n = tokenize(\"  a b\\tc \", $b); $n + \":\" + $b[2]",
     "3:c"},
    {"tokenize-separators", "string $b[]; tokenize(\"a,,b;c\", \",;\", $b); $b", "a b c"},
    {"tokenize-empty",
     "string $b[] = {\"old\"}; int $n = tokenize(\"\", $b); $n + \":\" + size($b)", "0:0"},
    {"tokenize-word-form", "string $b[]; tokenize \"x y\" $b; $b[1]", "y"},
    {"tokenize-declares-buffer", "tokenize(\"p q\", $fresh); $fresh", "p q"},
    {"tokenize-needs-variable", "tokenize(\"a b\", {\"x\"})",
     "ERROR: tokenize: the last argument must be a variable"},
    {"tokenize-scalar-buffer", "string $s; tokenize(\"a b\", $s)", "ERROR: Cannot assign an array"},
    {"case", "toupper(\"abC1\") + tolower(\"ABc\") + capitalizeString(\"word\")", "ABC1abcWord"},
    {"capitalize-empty", "size(capitalizeString(\"\"))", "0"},
    {"substring", "substring(\"abcdef\", 2, 4)", "bcd"},
    {"substring-clipped", "substring(\"abc\", 0, 99)", "abc"},
    {"substring-reversed", "size(substring(\"abc\", 3, 2))", "0"},
    {"starts-ends",
     "startsWith(\"pCube1\", \"pC\") + endsWith(\"pCube1\", \"1\") + "
     "startsWith(\"a\", \"abc\") + endsWith(\"\", \"\")",
     "3"},
    {"strcmp", "strcmp(\"a\", \"b\") + \" \" + strcmp(\"b\", \"b\") + \" \" + strcmp(\"c\", \"b\")",
     "-1 0 1"},
};

const Case kArrays[] = {
    {"sort-strings", "sort({\"pear\", \"Apple\", \"apple\", \"\"})", " Apple apple pear"},
    {"sort-ints-by-value", "sort({10, 9, -1, 100})", "-1 9 10 100"},
    {"sort-floats", "sort({2.5, -0.5, 1})", "-0.5 1 2.5"},
    {"sort-empty", "string $e[]; size(sort($e))", "0"},
    {"sort-keeps-type", "int $s[] = sort({3, 1}); $s[0] + $s[1]", "4"},
    {"join", "stringArrayToString({\"a\", \"b\", \"c\"}, \", \")", "a, b, c"},
    {"join-empty-array", "string $e[]; size(stringArrayToString($e, \",\"))", "0"},
    {"join-one", "stringArrayToString({\"only\"}, \"-\")", "only"},
    {"split", "stringToStringArray(\"a b,c\", \" ,\")", "a b c"},
    {"split-drops-empty", "size(stringToStringArray(\",,a,,\", \",\"))", "1"},
    {"split-empty-string", "size(stringToStringArray(\"\", \",\"))", "0"},
    {"split-no-separators", "stringToStringArray(\"a b\", \"\")", "a b"},
    {"nested-join-of-split",
     "stringArrayToString(sort(stringToStringArray(\"c;a;b\", \";\")), \"+\")", "a+b+c"},
    {"nested-arrays-refused", "sort({{1, 2}, {3}})", "ERROR: An array literal cannot hold arrays"},
    {"remove-duplicates-keeps-first",
     "stringArrayRemoveDuplicates({\"b\", \"a\", \"b\", \"c\", \"a\"})", "b a c"},
    {"remove-duplicates-empty", "string $e[]; size(stringArrayRemoveDuplicates($e))", "0"},
    {"remove-duplicates-empty-items", "size(stringArrayRemoveDuplicates({\"\", \"\", \"x\"}))",
     "2"},
    {"contains", "stringArrayContains(\"b\", {\"a\", \"b\"}) + stringArrayContains(\"\", {\"a\"})",
     "1"},
    {"find",
     "stringArrayFind(\"b\", 0, {\"b\", \"a\", \"b\"}) + \" \" + "
     "stringArrayFind(\"b\", 1, {\"b\", \"a\", \"b\"}) + \" \" + "
     "stringArrayFind(\"z\", 0, {\"b\"})",
     "0 2 -1"},
    {"count", "stringArrayCount(\"a\", {\"a\", \"b\", \"a\"})", "2"},
    {"catenate", "stringArrayCatenate({\"a\"}, {\"b\", \"c\"})", "a b c"},
    {"remove", "stringArrayRemove({\"a\", \"c\"}, {\"a\", \"b\", \"c\", \"a\"})", "b"},
    {"insert", "stringArrayInsertAtIndex(1, {\"a\", \"c\"}, \"b\")", "a b c"},
    {"insert-past-end", "stringArrayInsertAtIndex(9, {\"a\"}, \"z\")", "a z"},
    {"insert-negative", "stringArrayInsertAtIndex(-1, {\"a\"}, \"z\")", "ERROR: is negative"},
};

const Case kMath[] = {
    {"abs-int-stays-int", "abs(-3)", "3"},
    {"abs-float", "abs(-2.5)", "2.5"},
    {"sign", "sign(-4) + sign(0) + sign(0.1)", "0"},
    {"min-max-ints", "min(3, 7) * 10 + max(3, 7)", "37"},
    {"min-mixed", "min(2, 1.5)", "1.5"},
    {"clamp-inside", "clamp(0, 10, 5)", "5"},
    {"clamp-below-above", "clamp(0, 1, -2) + clamp(0, 1, 9)", "1"},
    {"clamp-reversed-range", "clamp(5, 1, 3)", "ERROR: clamp: the low bound 5 is above"},
    {"deg-rad-round-trip", "rad_to_deg(deg_to_rad(90))", "90"},
    {"deg-to-rad", "deg_to_rad(180)", "3.14159"},
    {"sqrt-pow", "sqrt(16) + pow(2, 10)", "1028"},
    {"floor-ceil-trunc", "floor(-1.5) + \" \" + ceil(-1.5) + \" \" + trunc(-1.5)", "-2 -1 -1"},
    {"trig", "sin(0) + cos(0) + atan2(1, 1) * 4", "4.14159"},
    {"hypot", "hypot(3, 4)", "5"},
    {"fmod", "fmod(7.5, 2)", "1.5"},
    {"fmod-zero", "fmod(1, 0)", "ERROR: fmod: division by zero"},
    {"mag", "mag({3, 4, 0})", "5"},
    {"mag-empty", "float $e[]; mag($e)", "0"},
    {"dot", "dot({1, 2, 3}, {4, 5, 6})", "32"},
    {"dot-sizes-differ", "dot({1, 2}, {1, 2, 3})", "ERROR: dot: the vectors have 2 and 3"},
    {"cross-axes", "cross({1, 0, 0}, {0, 1, 0})", "0 0 1"},
    {"cross-antisymmetric", "cross({0, 1, 0}, {1, 0, 0})", "0 0 -1"},
    {"cross-parallel-is-zero", "mag(cross({2, 2, 2}, {1, 1, 1}))", "0"},
    {"cross-needs-three", "cross({1, 0}, {0, 1})", "ERROR: cross: both vectors need 3"},
    {"cross-of-words", "cross({\"1\", \"0\", \"0\"}, {0, 0, 1})", "0 -1 0"},
    {"cross-not-numbers", "cross({\"a\", \"b\", \"c\"}, {0, 0, 1})",
     "ERROR: expected a float array"},
    {"unit", "unit({0, 3, 4})", "0 0.6 0.8"},
    {"unit-zero-stays-zero", "unit({0, 0, 0})", "0 0 0"},
    {"vector-variable", "vector $v = {1, 2, 2}; mag($v)", "3"},
    {"linstep", "linstep(0, 10, 5) + linstep(0, 10, -1) + linstep(0, 10, 20)", "1.5"},
    {"smoothstep", "smoothstep(0, 1, 0.5) + smoothstep(1, 1, 2)", "1.5"},
    {"rand-repeatable", "seed 7; float $a = rand(10); seed 7; $a == rand(10)", "1"},
    {"rand-in-range",
     "seed 3; int $ok = 1; for ($i = 0; $i < 200; $i++) { float $r = rand(2, 3); "
     "if ($r < 2 || $r >= 3) $ok = 0; } $ok",
     "1"},
    {"sqrt-not-a-number", "sqrt(\"x\")", "ERROR: expected a number"},
};

const Case kControl[] = {
    {"catch-success-is-zero", "catch(setValue(\"k\", 3))", "0"},
    {"catch-failure-is-one", "catch(getValue(\"missing\"))", "1"},
    {"catch-script-goes-on",
     "int $r = catch(getValue(\"missing\")); setValue k 5; $r + getValue(\"k\")", "6"},
    {"catch-error", "catch(error(\"boom\"))", "1"},
    {"catch-eval", "catch(eval(\"noSuchCommand\"))", "1"},
    {"catch-backquote", "catch(`getValue nope`)", "1"},
    {"catch-proc-failing-midway",
     "proc p() { setValue a 1; getValue nope; setValue b 2; } int $r = catch(p()); "
     "$r + \" \" + getValue(\"a\") + \" \" + catch(getValue(\"b\"))",
     "1 1 1"},
    {"catch-takes-back-failing-command", "catch(setThenFail(\"k\", 9)); catch(getValue(\"k\"))",
     "1"},
    {"catch-nested", "catch(catch(error(\"x\")))", "0"},
    {"catch-no-argument", "catch()", "0"},
    {"catch-in-condition", "string $o = \"\"; if (catch(error(\"x\"))) $o = \"caught\"; $o",
     "caught"},
    {"catch-wrong-argument-count", "catch(getValue(\"a\", \"b\"))", "1"},
    {"catch-quiet", "catchQuiet(error(\"x\"))", "1"},
    {"error-stops-script", "setValue k 1; error \"stop here\"; setValue k 2", "ERROR: stop here"},
    {"error-in-proc", "proc check(int $v) { if ($v < 0) error(\"negative: \" + $v); } check(-2)",
     "ERROR: negative: -2"},
    {"warning-goes-on", "warning \"careful\"; 7", "7"},
    {"whatIs-variables",
     "int $n = 1; float $f[]; whatIs(\"$n\") + \", \" + whatIs(\"$f\") + \", \" + "
     "whatIs(\"$gSelect\") + \", \" + whatIs(\"$nope\")",
     "int variable, float[] variable, string variable, Unknown"},
    {"whatIs-procedures",
     "proc p() {} whatIs(\"p\") + \" \" + whatIs(\"strip\") + \" \" + whatIs(\"x\")",
     "Script Command Unknown"},
};

void runCase(const Case& c) {
    StdlibSession s;
    auto r = s.run(c.script);
    const std::string expected = c.expected;
    const std::string kError = "ERROR: ";
    if (expected.rfind(kError, 0) == 0) {
        EXPECT_FALSE(r.ok) << c.id << ": " << c.script << " gave " << r.value.toDisplay();
        EXPECT_NE(r.error.find(expected.substr(kError.size())), std::string::npos)
            << c.id << ": error was: " << r.error;
        EXPECT_EQ(s.output.of(OutputKind::Error).size(), 1u) << c.id << ": " << s.output.text();
    } else {
        ASSERT_TRUE(r.ok) << c.id << ": " << c.script << "\nerror: " << r.error;
        EXPECT_EQ(r.value.toDisplay(), expected) << c.id << ": " << c.script;
    }
}

TEST(StdlibStrings, Cases) {
    for (const Case& c : kStrings) runCase(c);
}
TEST(StdlibArrays, Cases) {
    for (const Case& c : kArrays) runCase(c);
}
TEST(StdlibMath, Cases) {
    for (const Case& c : kMath) runCase(c);
}
TEST(StdlibControl, Cases) {
    for (const Case& c : kControl) runCase(c);
}

// catch prints the failure's message once and the script goes on; catchQuiet prints nothing.
TEST(StdlibControl, CatchReportsTheErrorOnce) {
    struct Row {
        const char* script;
        const char* message;  // "" for no error line
    };
    const Row rows[] = {
        {"catch(getValue(\"gone\")); setValue k 1", "No value named gone."},
        {"catch(eval(\"getValue gone\")); setValue k 1", "No value named gone."},
        {"catch(error(\"my reason\")); setValue k 1", "my reason"},
        {"catchQuiet(getValue(\"gone\")); setValue k 1", ""},
        {"catchQuiet(eval(\"getValue gone\")); setValue k 1", ""},
    };
    for (const Row& row : rows) {
        StdlibSession s;
        auto r = s.run(row.script);
        ASSERT_TRUE(r.ok) << row.script << ": " << r.error;
        EXPECT_EQ(r.value.toDisplay(), "1") << row.script;
        const auto errors = s.output.of(OutputKind::Error);
        if (*row.message) {
            ASSERT_EQ(errors.size(), 1u) << row.script << ": " << s.output.text();
            EXPECT_NE(errors[0].find(row.message), std::string::npos) << errors[0];
        } else {
            EXPECT_TRUE(errors.empty()) << row.script << ": " << s.output.text();
        }
    }
}

// An interrupt is not a failure a script may catch: it ends the whole text.
TEST(StdlibControl, CatchDoesNotStopAnInterrupt) {
    StdlibSession s;
    s.interp.stop();
    auto r = s.run("int $r = catch(getValue(\"k\")); setValue k 1");
    s.interp.clearStop();
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("Interrupted."), std::string::npos) << r.error;
    EXPECT_EQ(tarn::lang::testing::probeScene().count("k"), 0u);
}

// A failing eval is one failing command: all it changed is taken back, while what ran before
// the catch stands.
TEST(StdlibControl, CatchOfAFailingEvalTakesBackAllOfIt) {
    StdlibSession s;
    auto r = s.run("setValue a 1; catch(eval(\"setValue b 2; getValue nope; setValue c 3\"))");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.value.toDisplay(), "1");
    auto& scene = tarn::lang::testing::probeScene();
    EXPECT_EQ(scene.count("a"), 1u);
    EXPECT_EQ(scene.count("b"), 0u);
    EXPECT_EQ(scene.count("c"), 0u);
}

// Every standard procedure says what it does: help shows its usage and a summary.
TEST(StdlibHelp, EveryProcedureHasUsageAndSummary) {
    tarn::lang::CommandRegistry registry;
    tarn::lang::installStdlibCommands(registry);
    const auto names = registry.names();
    EXPECT_GE(names.size(), 60u);
    for (const std::string& name : names) {
        const tarn::lang::CommandSpec* procedure = registry.find(name);
        EXPECT_EQ(procedure->usage.rfind(name, 0), 0u) << name << ": " << procedure->usage;
        EXPECT_FALSE(procedure->summary.empty()) << name;
    }
    StdlibSession s;
    ASSERT_TRUE(s.run("help stringArrayRemoveDuplicates").ok);
    const std::string text = s.output.text();
    EXPECT_NE(text.find("Usage: stringArrayRemoveDuplicates array"), std::string::npos) << text;
    EXPECT_NE(text.find("first of each stays"), std::string::npos) << text;
}

}  // namespace

namespace {

// A command that fills its last argument takes no flags and needs that argument: the registry
// refuses other declarations, so the interpreter never meets a flag where the variable should be.
TEST(StdlibRegistry, OutputCommandsAreDeclaredWithoutFlags) {
    using tarn::lang::CommandResult;
    auto body = [](const tarn::lang::CommandArgs&, tarn::lang::CommandContext&) {
        return CommandResult{};
    };
    tarn::lang::CommandRegistry registry;
    std::string error;
    EXPECT_FALSE(registry.add({.name = "fillA",
                               .minArgs = 1,
                               .maxArgs = 1,
                               .flags = {{.longName = "all", .shortName = "a"}},
                               .outputsLast = true,
                               .body = body},
                              &error));
    EXPECT_NE(error.find("takes no flags"), std::string::npos) << error;
    EXPECT_FALSE(registry.add({.name = "fillB", .outputsLast = true, .body = body}, &error));
    EXPECT_TRUE(registry.add(
        {.name = "fillC", .minArgs = 1, .maxArgs = 1, .outputsLast = true, .body = body}, &error))
        << error;
}

}  // namespace
