// Argument binding: conversion of words to declared types, and query/edit modes.

#include "host/lang/arg_binding.h"

#include <gtest/gtest.h>

using namespace tarn::lang;

TEST(ArgBinding, ConversionsByType) {
    struct Row {
        Value in;
        ArgType type;
        bool ok;
        const char* display;
        ValueKind kind;
    } rows[] = {
        {Value("12"), ArgType::Int, true, "12", ValueKind::Int},
        {Value("-3"), ArgType::Int, true, "-3", ValueKind::Int},
        {Value("2.0"), ArgType::Int, true, "2", ValueKind::Int},
        {Value("2.5"), ArgType::Int, false, "", ValueKind::None},
        {Value("1e30"), ArgType::Int, false, "", ValueKind::None},
        {Value("x"), ArgType::Int, false, "", ValueKind::None},
        {Value(4.0), ArgType::Int, true, "4", ValueKind::Int},
        {Value("0.25"), ArgType::Float, true, "0.25", ValueKind::Float},
        {Value("1e-3"), ArgType::Float, true, "0.001", ValueKind::Float},
        {Value("nan-ish"), ArgType::Float, false, "", ValueKind::None},
        {Value("on"), ArgType::Bool, true, "1", ValueKind::Int},
        {Value("FALSE"), ArgType::Bool, true, "0", ValueKind::Int},
        {Value(2.0), ArgType::Bool, true, "1", ValueKind::Int},
        {Value("2"), ArgType::Bool, false, "", ValueKind::None},
        {Value(3), ArgType::String, true, "3", ValueKind::String},
        {Value(std::vector<std::string>{"a"}), ArgType::String, false, "", ValueKind::None},
        {Value("7"), ArgType::IntArray, true, "7", ValueKind::IntArray},
        {Value(std::vector<std::string>{"1", "x"}), ArgType::IntArray, false, "", ValueKind::None},
        {Value(std::vector<std::int64_t>{1, 2}), ArgType::FloatArray, true, "1 2",
         ValueKind::FloatArray},
        {Value("w"), ArgType::StringArray, true, "w", ValueKind::StringArray},
        {Value("any"), ArgType::Any, true, "any", ValueKind::String},
    };
    for (const auto& r : rows) {
        Value out;
        bool ok = convertArgument(r.in, r.type, out);
        EXPECT_EQ(ok, r.ok) << r.in.toDisplay() << " as " << describeArgType(r.type);
        if (ok && r.ok) {
            EXPECT_EQ(out.toDisplay(), r.display);
            EXPECT_EQ(out.kind(), r.kind);
        }
    }
}

namespace {

CommandSpec controlSpec() {
    return {.name = "slider",
            .maxArgs = 1,
            .flags = {{.longName = "value",
                       .shortName = "v",
                       .args = {ArgType::Float},
                       .query = true,
                       .edit = true},
                      {.longName = "label", .shortName = "l", .args = {ArgType::String}},
                      {.longName = "exists", .shortName = "ex"}},
            .queryMode = true,
            .editMode = true,
            .body = [](const CommandArgs&, CommandContext&) -> CommandResult { return {}; }};
}

std::vector<Word> words(std::initializer_list<const char*> list) {
    std::vector<Word> out;
    for (const char* w : list) {
        std::string s = w;
        out.push_back(Word{Value(s), s.size() > 1 && s[0] == '-' && std::isalpha(s[1])});
    }
    return out;
}

}  // namespace

TEST(ArgBinding, QueryAndEditModes) {
    CommandSpec decl = controlSpec();
    struct Row {
        std::initializer_list<const char*> words;
        bool ok;
        const char* error;
    } rows[] = {
        {{"-q", "-value", "s1"}, true, ""},
        {{"-value", "-q", "s1"}, true, ""},  // -q anywhere switches to query mode
        {{"-e", "-value", "0.5", "s1"}, true, ""},
        {{"-e", "-label", "x", "s1"}, false, "cannot be used in edit mode"},
        {{"-q", "-label", "s1"}, false, "cannot be queried"},
        {{"-q", "-e", "-value", "s1"}, false, "-query and -edit cannot be used together"},
        {{"-value", "0.5", "s1", "s2"}, false, "expected 0 to 1 argument"},
        {{"-label"}, false, "needs 1 argument"},
    };
    for (const auto& r : rows) {
        CommandArgs args;
        std::string error;
        bool ok = bindArguments(decl, words(r.words), args, error);
        EXPECT_EQ(ok, r.ok) << error;
        if (!r.ok) {
            EXPECT_NE(error.find(r.error), std::string::npos) << error;
        }
    }
    CommandArgs q;
    std::string error;
    ASSERT_TRUE(bindArguments(decl, words({"-q", "-v", "s1"}), q, error));
    EXPECT_TRUE(q.isQuery());
    EXPECT_TRUE(q.has("value"));
    EXPECT_TRUE(q.flag("value").isNone());  // query flags carry no argument
    EXPECT_EQ(q[0].asString(), "s1");
}

TEST(ArgBinding, RawCommandsSeeEveryWord) {
    CommandSpec decl{
        .name = "raw",
        .rawArgs = true,
        .body = [](const CommandArgs&, CommandContext&) -> CommandResult { return {}; }};
    CommandArgs args;
    std::string error;
    ASSERT_TRUE(bindArguments(decl, words({"-anything", "1", "-x"}), args, error));
    ASSERT_EQ(args.count(), 3u);
    EXPECT_EQ(args[0].asString(), "-anything");
    EXPECT_TRUE(args[7].isNone());
}
