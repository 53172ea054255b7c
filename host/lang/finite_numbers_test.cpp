// Numbers given to commands are finite: the interpreter's conversion of number arguments and
// flag values, the readers of plug-in command words, and the check of plug-in command words
// before the plug-in runs all refuse NaN and the infinities, naming the command, the flag or
// argument and the value.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "frame/k_command.h"
#include "frame/k_global.h"
#include "host/lang/arg_binding.h"
#include "host/lang/plugin_commands.h"
#include "host/lang/script_output.h"
#include "host/undo/undo.h"

using namespace tarn::lang;

namespace {

const double kNan = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

CommandSpec numberSpec() {
    return {.name = "nums",
            .maxArgs = kUnlimited,
            .argTypes = {ArgType::Float, ArgType::Int, ArgType::FloatArray, ArgType::Any},
            .flags = {{.longName = "translate",
                       .shortName = "t",
                       .args = {ArgType::Float, ArgType::Float, ArgType::Float}},
                      {.longName = "count", .shortName = "c", .args = {ArgType::Int}},
                      {.longName = "list", .shortName = "l", .args = {ArgType::IntArray}},
                      {.longName = "name", .shortName = "n", .args = {ArgType::String}}},
            .body = [](const CommandArgs&, CommandContext&) -> CommandResult { return {}; }};
}

Word word(Value v) {
    const std::string* s = v.stringIf();
    const bool flag = s && s->size() > 1 && (*s)[0] == '-' && std::isalpha((*s)[1]);
    return Word{std::move(v), flag};
}

// Binds `words` to numberSpec(); the error, or "" when they bind.
std::string bindError(std::vector<Value> values) {
    std::vector<Word> words;
    for (Value& v : values) words.push_back(word(std::move(v)));
    CommandArgs args;
    std::string error;
    bindArguments(numberSpec(), words, args, error);
    return error;
}

}  // namespace

TEST(FiniteNumbers, ConversionRefusesNanAndInfinityForEveryNumberType) {
    struct Row {
        Value in;
        ArgType type;
    } rows[] = {
        {Value("nan"), ArgType::Float},
        {Value("-inf"), ArgType::Float},
        {Value("Infinity"), ArgType::Float},
        {Value(kNan), ArgType::Float},
        {Value(kInf), ArgType::Float},
        {Value("nan"), ArgType::Int},
        {Value(-kInf), ArgType::Int},
        {Value("inf"), ArgType::IntArray},
        {Value(std::vector<double>{1.0, kNan}), ArgType::IntArray},
        {Value(std::vector<std::string>{"1", "nan"}), ArgType::FloatArray},
        {Value(std::vector<double>{kInf}), ArgType::FloatArray},
    };
    for (const Row& r : rows) {
        Value out;
        EXPECT_FALSE(convertArgument(r.in, r.type, out))
            << r.in.toDisplay() << " as " << describeArgType(r.type);
    }
    // Finite extremes still convert.
    Value out;
    EXPECT_TRUE(convertArgument(Value("1.7e308"), ArgType::Float, out));
    EXPECT_TRUE(convertArgument(Value(std::vector<double>{-1e300, 0.0}), ArgType::FloatArray, out));
    // Words that are no number are not "non-finite" and keep their own message.
    EXPECT_NE(bindError({Value("nan-ish")}).find("expected a number"), std::string::npos);
}

TEST(FiniteNumbers, MessagesNameTheCommandTheFlagOrArgumentAndTheValue) {
    struct Row {
        std::vector<Value> words;
        std::string message;
    } rows[] = {
        {{Value("-t"), Value("nan"), Value(0), Value(0)},
         "nums: flag '-t' takes finite numbers, not 'nan'."},
        {{Value("-t"), Value(1), Value(2), Value(-kInf)},
         "nums: flag '-t' takes finite numbers, not '-inf'."},
        {{Value("-c"), Value("inf")}, "nums: flag '-c' takes finite numbers, not 'inf'."},
        {{Value("-l"), Value(std::vector<std::string>{"1", "-nan"})},
         "nums: flag '-l' takes finite numbers, not '-nan'."},
        {{Value("nan")}, "nums: argument 1 takes finite numbers, not 'nan'."},
        // Written like a flag, but the command has none of that name: the number it spells.
        {{Value("-inf")}, "nums: argument 1 takes finite numbers, not '-inf'."},
        {{Value(1.5), Value(kInf)}, "nums: argument 2 takes finite numbers, not 'inf'."},
        {{Value(1.5), Value(2), Value(std::vector<double>{0.0, kNan})},
         "nums: argument 3 takes finite numbers, not 'nan'."},
    };
    for (const Row& r : rows) EXPECT_EQ(bindError(r.words), r.message);
    // A string flag and an Any argument are words, not numbers: "nan" may be a name.
    EXPECT_EQ(bindError({Value("-n"), Value("nan")}), "");
    EXPECT_EQ(bindError({Value(1), Value(2), Value(std::vector<double>{1.0}), Value("nan")}), "");
}

TEST(FiniteNumbers, PlugInArgumentReadersRefuseNanAndInfinity) {
    KArgList list;
    for (const char* w : {"nan", "-inf", "2.5", "1e999", "inf"}) list.addArg(KString(w));
    KStatus st;
    for (unsigned i : {0u, 1u, 3u, 4u}) {
        EXPECT_EQ(list.asDouble(i, &st), 0.0) << i;
        EXPECT_EQ(st.statusCode(), KStatus::kInvalidParameter) << i;
        list.asInt(i, &st);
        EXPECT_TRUE(st.error()) << i;
    }
    EXPECT_DOUBLE_EQ(list.asDouble(2, &st), 2.5);
    EXPECT_FALSE(st.error());

    KSyntax syntax;
    syntax.addFlag("s", "size", KSyntax::kDouble);
    syntax.addArg(KSyntax::kDouble);
    KArgList words;
    for (const char* w : {"-s", "nan", "inf"}) words.addArg(KString(w));
    KArgDatabase db(syntax, words, &st);
    ASSERT_FALSE(st.error());
    double d = 7.0;
    EXPECT_TRUE(db.getFlagArgument("size", 0, d).error());
    EXPECT_TRUE(db.getCommandArgument(0, d).error());
    EXPECT_EQ(d, 7.0);
}

namespace {

int g_runs = 0;

class RecordingCmd : public KPxCommand {
public:
    static void* creator() { return new RecordingCmd; }
    KStatus doIt(const KArgList&) override {
        ++g_runs;
        return KStatus();
    }
};

KSyntax typedSyntax() {
    KSyntax s;
    s.addFlag("o", "offset", KSyntax::kDistance, KSyntax::kDistance);
    s.addFlag("n", "name", KSyntax::kString);
    s.addArg(KSyntax::kLong);
    s.addArg(KSyntax::kString);
    return s;
}

class PlugInCommands : public ::testing::Test {
protected:
    void SetUp() override {
        g_runs = 0;
        ASSERT_TRUE(registerPluginCommand("typedProbe", RecordingCmd::creator, typedSyntax, "t"));
        ASSERT_TRUE(registerPluginCommand("wordProbe", RecordingCmd::creator, nullptr, "t"));
    }
    void TearDown() override {
        deregisterPluginCommand("typedProbe");
        deregisterPluginCommand("wordProbe");
        tarn::undo::undoQueue().clear();
    }
    OutputCapture output;
};

}  // namespace

TEST_F(PlugInCommands, NonFiniteWordsAreRefusedBeforeThePlugInRuns) {
    struct Row {
        const char* text;
        const char* error;  // "" when the command runs
    } rows[] = {
        {"typedProbe -o 1 nan 3 box", "typedProbe: flag '-o' takes finite numbers, not 'nan'."},
        {"typedProbe inf box", "typedProbe: argument 1 takes finite numbers, not 'inf'."},
        {"typedProbe -inf box", "typedProbe: argument 1 takes finite numbers, not '-inf'."},
        {"wordProbe -dac 1 0 -inf 1", "wordProbe: flag '-dac' takes finite numbers, not '-inf'."},
        {"wordProbe nan", "wordProbe: argument 1 takes finite numbers, not 'nan'."},
        // Words of string type may be anything, a name "nan" included.
        {"typedProbe -n nan 3 nan", ""},
        {"typedProbe -o 1 2 3 box", ""},
        {"wordProbe -dac 1 0 0.5 1", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        output.clear();
        const int before = g_runs;
        const bool ok = static_cast<bool>(KGlobal::executeCommand(r.text, false, false));
        if (*r.error) {
            EXPECT_FALSE(ok);
            EXPECT_EQ(g_runs, before);
            EXPECT_EQ(output.of(OutputKind::Error),
                      std::vector<std::string>{std::string("// Error: ") + r.error + "\n"});
        } else {
            EXPECT_TRUE(ok);
            EXPECT_EQ(g_runs, before + 1);
        }
    }
}
