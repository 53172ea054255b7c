// The parser on its own: statement shapes, line numbers, where word form ends, and the
// "needs more input" answer of the interactive shell.

#include "host/lang/parser.h"

#include <gtest/gtest.h>

using namespace tarn::lang;

TEST(Parser, StatementShapes) {
    struct Row {
        const char* text;
        std::size_t statements;
        StmtKind first;
    } rows[] = {
        {"", 0, StmtKind::Empty},
        {";;", 2, StmtKind::Empty},
        {"a b c;", 1, StmtKind::Expr},
        {"{ a; b; }", 1, StmtKind::Block},
        {"if (1) a; else b;", 1, StmtKind::If},
        {"while (0) a;", 1, StmtKind::While},
        {"do a; while (0);", 1, StmtKind::DoWhile},
        {"for ($i = 0; $i < 3; $i++) a;", 1, StmtKind::For},
        {"for ($x in $list) a;", 1, StmtKind::ForIn},
        {"global string $g = \"x\";", 1, StmtKind::Decl},
        {"global proc string[] f(int $a, string $b[]) { return {}; }", 1, StmtKind::Proc},
        {"$x = 1; $y = 2", 2, StmtKind::Expr},
    };
    for (const auto& r : rows) {
        ParseError err;
        auto s = parseScript(r.text, "", &err);
        ASSERT_TRUE(s) << r.text << ": " << err.message;
        ASSERT_EQ(s->statements.size(), r.statements) << r.text;
        if (r.statements) {
            EXPECT_EQ(s->statements[0]->kind, r.first) << r.text;
        }
    }
}

TEST(Parser, WordFormArguments) {
    auto s =
        parseScript("setAttr -lock 1 cam.translate -0.5 \"q\" `ls` ($a + 1) {1, 2}", "", nullptr);
    ASSERT_TRUE(s);
    const Expr& call = *s->statements[0]->expr;
    ASSERT_EQ(call.kind, ExprKind::Call);
    EXPECT_EQ(call.name, "setAttr");
    ASSERT_EQ(call.args.size(), 8u);
    struct Row {
        ExprKind kind;
        bool flag;
        const char* literal;
    } rows[] = {
        {ExprKind::Literal, true, "-lock"},
        {ExprKind::Literal, false, "1"},
        {ExprKind::Literal, false, "cam.translate"},
        {ExprKind::Literal, false, "-0.5"},
        {ExprKind::Literal, false, "q"},
        {ExprKind::Backquote, false, nullptr},
        {ExprKind::Binary, false, nullptr},
        {ExprKind::ArrayLit, false, nullptr},
    };
    for (std::size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(call.args[i].expr->kind, rows[i].kind) << i;
        EXPECT_EQ(call.args[i].flagCandidate, rows[i].flag) << i;
        if (rows[i].literal) {
            EXPECT_EQ(call.args[i].expr->value.asString(), rows[i].literal) << i;
        }
    }
}

TEST(Parser, FunctionFormAndBlankBeforeParenthesis) {
    auto f = parseScript("multiSliceSplit(\"m\", 2, 1.0, 1, {1, 2})", "", nullptr);
    ASSERT_TRUE(f);
    EXPECT_FALSE(f->statements[0]->expr->wordForm);
    EXPECT_EQ(f->statements[0]->expr->args.size(), 5u);
    auto g = parseScript("getAttr ($n + \".a\")", "", nullptr);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->statements[0]->expr->args.size(), 1u);
    auto h = parseScript("words (\"a\", \"b\")", "", nullptr);
    ASSERT_TRUE(h);
    EXPECT_FALSE(h->statements[0]->expr->wordForm);
}

TEST(Parser, ErrorsCarryTheirLine) {
    struct Row {
        const char* text;
        int line;
        const char* message;
    } rows[] = {
        {"a;\nb \"open\n\nmore", 2, "Unterminated string starting on line 2."},
        {"a;\n\n`ls", 3, "Unterminated back-quote starting on line 3."},
        {"if (1) {\n a;\n", 1, "Unterminated block: '{' on line 1 has no matching '}'."},
        {"a;\n/* x\n", 2, "Unterminated comment starting on line 2."},
        {"int $a = {1, 2;", 1, "expected '}'"},
        {"$ = 3;", 1, "'$' must be followed by a variable name."},
        {"proc (int $a) {}", 1, "'proc' needs a name."},
    };
    for (const auto& r : rows) {
        ParseError err;
        EXPECT_FALSE(parseScript(r.text, "", &err)) << r.text;
        EXPECT_EQ(err.line, r.line) << r.text;
        EXPECT_NE(err.message.find(r.message), std::string::npos)
            << r.text << " -> " << err.message;
    }
}

TEST(Parser, FirstLineOffsetsNumbers) {
    ParseError err;
    EXPECT_FALSE(parseScript("a;\n\"open", "f.tcs", &err, 10));
    EXPECT_EQ(err.line, 11);
}

TEST(Parser, NeedsMoreInputOnlyForOpenConstructs) {
    struct Row {
        const char* text;
        bool more;
    } rows[] = {
        {"print 1;", false},
        {"if (1) {", true},
        {"print \"abc", true},
        {"string $s = `ls", true},
        {"(1 + ", true},
        {"/* note", true},
        {"}", false},
        {"print )", false},
        {"proc f() {\n a;\n}", false},
        {"for ($i = 0; $i < 3;", true},
    };
    for (const auto& r : rows) EXPECT_EQ(needsMoreInput(r.text), r.more) << r.text;
}

TEST(Parser, HostileInputsFailCleanly) {
    std::string deepBlocks(5000, '{');
    std::string deepBackquotes;
    for (int i = 0; i < 3000; ++i) deepBackquotes += "(";
    std::string binary("a\0b\xff\xfe;", 7);
    for (const std::string& text : {deepBlocks, deepBackquotes, binary, std::string(10000, '-')}) {
        ParseError err;
        parseScript(text, "", &err);  // must return, whatever it decides
        needsMoreInput(text);
    }
    SUCCEED();
}
