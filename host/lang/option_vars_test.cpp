// Option variables: kinds, persistence through the preferences file, damaged files, and the
// optionVar command.

#include "host/lang/option_vars.h"
#include "host/lang/test_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

using namespace tarn::lang;
namespace fs = std::filesystem;

namespace {

// Tests never touch the user's own preferences, even when run outside CTest.
const bool kPrefsRedirected = [] {
    if (!std::getenv("TARN_PREFS"))
        setenv("TARN_PREFS", (::testing::TempDir() + "lang_test_prefs").c_str(), 1);
    return true;
}();

std::string freshPath(const std::string& name) {
    std::string dir = ::testing::TempDir() + "optvars_" + name;
    fs::remove_all(dir);
    return dir + "/sub/prefs";
}

std::string slurp(const std::string& path) {
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

}  // namespace

TEST(OptionVars, EveryKindSurvivesAReload) {
    std::string path = freshPath("kinds");
    {
        OptionVars vars(path);
        vars.set("i", Value(std::int64_t(25)));
        vars.set("f", Value(0.5));
        vars.set("s", Value("two words \"quoted\""));
        vars.append("ia", Value(std::int64_t(1)));
        vars.append("ia", Value(std::int64_t(2)));
        vars.append("fa", Value(1.5));
        vars.append("sa", Value("x"));
        vars.append("sa", Value("y"));
    }
    ASSERT_TRUE(fs::exists(path));  // parent folders were created
    OptionVars again(path);
    struct Row {
        const char* name;
        ValueKind kind;
        const char* display;
    } rows[] = {
        {"i", ValueKind::Int, "25"},
        {"f", ValueKind::Float, "0.5"},
        {"s", ValueKind::String, "two words \"quoted\""},
        {"ia", ValueKind::IntArray, "1 2"},
        {"fa", ValueKind::FloatArray, "1.5"},
        {"sa", ValueKind::StringArray, "x y"},
    };
    for (const auto& r : rows) {
        auto v = again.get(r.name);
        ASSERT_TRUE(v) << r.name;
        EXPECT_EQ(v->kind(), r.kind) << r.name;
        EXPECT_EQ(v->toDisplay(), r.display) << r.name;
    }
    EXPECT_EQ(again.names(), (std::vector<std::string>{"f", "fa", "i", "ia", "s", "sa"}));
}

TEST(OptionVars, RemoveAndAppendOfOtherKindRestarts) {
    OptionVars vars(freshPath("remove"));
    vars.set("x", Value("text"));
    vars.append("x", Value(std::int64_t(3)));  // a string is not an int array: starts afresh
    EXPECT_EQ(vars.get("x")->toDisplay(), "3");
    EXPECT_TRUE(vars.remove("x"));
    EXPECT_FALSE(vars.remove("x"));
    EXPECT_FALSE(vars.exists("x"));
    EXPECT_FALSE(vars.get("x"));
}

TEST(OptionVars, DamagedFilesWarnAreIgnoredAndKeptAside) {
    const char* damaged[] = {
        "not json at all",
        "{\"vars\": {\"a\": {\"type\": \"int\", \"value\": \"nine\"}}}",
        "{\"vars\": [1, 2]}",
        "{\"vars\": {\"a\": {\"type\": \"int[]\", \"value\": [1, \"b\"]}}}",
        "",
        "{\"vars\": {\"a\": {\"type\": \"colour\", \"value\": 1}}}",
    };
    int i = 0;
    for (const char* content : damaged) {
        std::string path = freshPath("damaged" + std::to_string(i++));
        fs::create_directories(fs::path(path).parent_path());
        {
            std::ofstream out(path);
            out << content;
        }
        OutputCapture output;
        OptionVars vars(path);
        EXPECT_FALSE(vars.exists("a")) << content;
        EXPECT_EQ(output.of(OutputKind::Warning).size(), 1u) << content;
        // The first change keeps the damaged file as ".bad" and writes a good one.
        vars.set("b", Value(std::int64_t(1)));
        EXPECT_EQ(slurp(path + ".bad"), content);
        OptionVars reread(path);
        EXPECT_TRUE(reread.exists("b"));
    }
}

TEST(OptionVars, NonFiniteFloatsReadBack) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::string path = freshPath("nonfinite");
    {
        OptionVars vars(path);
        vars.set("pos", Value(inf));
        vars.set("neg", Value(-inf));
        vars.set("nan", Value(nan));
        vars.set("big", Value(1e308));
        vars.set("word", Value("inf"));  // a string that looks like one stays a string
        vars.append("arr", Value(1.5));
        vars.append("arr", Value(-inf));
        vars.append("arr", Value(nan));
    }
    EXPECT_EQ(slurp(path).find("null"), std::string::npos) << slurp(path);
    OutputCapture output;
    OptionVars again(path);
    ASSERT_TRUE(again.exists("pos"));  // the file was not taken for damaged
    EXPECT_TRUE(output.of(OutputKind::Warning).empty());
    EXPECT_EQ(again.get("pos")->kind(), ValueKind::Float);
    EXPECT_EQ(again.get("pos")->asFloat(), inf);
    EXPECT_EQ(again.get("neg")->asFloat(), -inf);
    EXPECT_TRUE(std::isnan(again.get("nan")->asFloat()));
    EXPECT_EQ(again.get("big")->asFloat(), 1e308);
    EXPECT_EQ(again.get("word")->kind(), ValueKind::String);
    const auto arr = again.get("arr")->asFloatArray();
    ASSERT_EQ(arr.size(), 3u);
    EXPECT_EQ(arr[0], 1.5);
    EXPECT_EQ(arr[1], -inf);
    EXPECT_TRUE(std::isnan(arr[2]));
}

TEST(OptionVars, EveryDamagedFileGetsItsOwnBackup) {
    const std::string path = freshPath("backups");
    fs::create_directories(fs::path(path).parent_path());
    auto damage = [&](const std::string& content) {
        std::ofstream out(path);
        out << content;
    };
    // An unrelated earlier backup already holds the first name.
    {
        std::ofstream out(path + ".bad");
        out << "oldest";
    }
    const char* contents[] = {"first damage", "second damage", "third damage"};
    for (const char* content : contents) {
        damage(content);
        OutputCapture output;
        OptionVars vars(path);
        EXPECT_FALSE(vars.exists("v")) << content;  // read on first use
        EXPECT_EQ(output.of(OutputKind::Warning).size(), 1u) << content;
        vars.set("v", Value(std::int64_t(1)));
        OptionVars reread(path);
        EXPECT_TRUE(reread.exists("v")) << content;
    }
    EXPECT_EQ(slurp(path + ".bad"), "oldest");
    EXPECT_EQ(slurp(path + ".bad.1"), "first damage");
    EXPECT_EQ(slurp(path + ".bad.2"), "second damage");
    EXPECT_EQ(slurp(path + ".bad.3"), "third damage");
    EXPECT_FALSE(fs::exists(path + ".bad.4"));
}

TEST(OptionVars, AFileThatCannotBeReadIsNeverWrittenOver) {
    const std::string path = freshPath("unreadable");
    fs::create_directories(fs::path(path).parent_path());
    // A FIFO would block a reader forever; it is reported instead of opened.
    ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
    {
        OutputCapture output;
        OptionVars vars(path);
        EXPECT_FALSE(vars.exists("a"));
        ASSERT_EQ(output.of(OutputKind::Warning).size(), 1u);
        EXPECT_NE(output.of(OutputKind::Warning)[0].find("not a regular file"), std::string::npos);
        vars.set("kept", Value(std::int64_t(6)));
        EXPECT_EQ(vars.get("kept")->asInt(), 6);
    }
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_FALSE(fs::exists(path + ".bad"));
    fs::remove(path);

    // A file without read permission (root reads it anyway, so only checked for other users).
    if (::geteuid() != 0) {
        {
            std::ofstream out(path);
            out << "{\"version\": 1, \"vars\": {}}";
        }
        ASSERT_EQ(::chmod(path.c_str(), 0200), 0);
        OutputCapture output;
        OptionVars vars(path);
        EXPECT_EQ(output.of(OutputKind::Warning).size(), 1u);
        vars.set("kept", Value(std::int64_t(7)));
        ::chmod(path.c_str(), 0600);
        EXPECT_EQ(slurp(path), "{\"version\": 1, \"vars\": {}}");
    }
}

TEST(OptionVars, AFolderInPlaceOfTheFileWarnsAndIsLeftAlone) {
    const std::string path = freshPath("folder");
    fs::create_directories(path);
    OutputCapture output;
    OptionVars vars(path);
    EXPECT_FALSE(vars.exists("a"));
    ASSERT_EQ(output.of(OutputKind::Warning).size(), 1u);
    EXPECT_NE(output.of(OutputKind::Warning)[0].find("it is a folder"), std::string::npos);
    vars.set("kept", Value(std::int64_t(3)));  // cannot be saved there, but is kept
    EXPECT_EQ(vars.get("kept")->asInt(), 3);
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_FALSE(fs::exists(path + ".bad"));
}

TEST(OptionVars, UnwritableLocationWarnsButKeepsValues) {
    OutputCapture output;
    OptionVars vars("/proc/no/such/place/prefs");
    vars.set("kept", Value(std::int64_t(4)));
    EXPECT_EQ(vars.get("kept")->asInt(), 4);
    EXPECT_EQ(output.of(OutputKind::Warning).size(), 1u);
    vars.set("kept", Value(std::int64_t(5)));  // the same problem is not repeated
    EXPECT_EQ(output.of(OutputKind::Warning).size(), 1u);
}

TEST(OptionVars, PathFollowsTheEnvironment) {
    struct Row {
        const char* prefs;
        const char* xdg;
        const char* home;
        const char* expected;
    } rows[] = {
        {"/p/prefs", "/x", "/h", "/p/prefs"},
        {nullptr, "/x", "/h", "/x/tarn/prefs"},
        {nullptr, nullptr, "/h", "/h/.config/tarn/prefs"},
        {"", "", "/h", "/h/.config/tarn/prefs"},
    };
    auto save = [](const char* n) {
        const char* v = std::getenv(n);
        return v ? std::optional<std::string>(v) : std::nullopt;
    };
    auto restore = [](const char* n, const std::optional<std::string>& v) {
        if (v)
            setenv(n, v->c_str(), 1);
        else
            unsetenv(n);
    };
    auto p = save("TARN_PREFS"), x = save("XDG_CONFIG_HOME"), h = save("HOME");
    for (const auto& r : rows) {
        restore("TARN_PREFS", r.prefs ? std::optional<std::string>(r.prefs) : std::nullopt);
        restore("XDG_CONFIG_HOME", r.xdg ? std::optional<std::string>(r.xdg) : std::nullopt);
        restore("HOME", r.home ? std::optional<std::string>(r.home) : std::nullopt);
        EXPECT_EQ(defaultPrefsPath(), r.expected);
    }
    restore("TARN_PREFS", p);
    restore("XDG_CONFIG_HOME", x);
    restore("HOME", h);
}

TEST(OptionVarCommand, SetQueryExistsRemoveList) {
    tarn::lang::testing::Session s;
    s.run("optionVar -remove lt_i -remove lt_f -remove lt_s -remove lt_a");
    struct Row {
        const char* script;
        const char* expected;
    } rows[] = {
        {"optionVar -iv lt_i 25 -fv lt_f 0.5 -sv lt_s \"a b\"; optionVar -q lt_i", "25"},
        {"optionVar -q lt_f", "0.5"},
        {"optionVar -q lt_s", "a b"},
        {"optionVar -exists lt_s", "1"},
        // A variable that does not exist answers 0.
        {"optionVar -q lt_missing", "0"},
        {"optionVar -exists lt_missing", "0"},
        {"optionVar -sva lt_a x -sva lt_a y; optionVar -q lt_a", "x y"},
        {"optionVar -arraySize lt_a", "2"},
        {"optionVar -ca lt_a; optionVar -arraySize lt_a", "0"},
        {"optionVar -remove lt_s; optionVar -exists lt_s", "0"},
        {"`optionVar -q lt_i` + 1", "26"},
    };
    for (const auto& r : rows) {
        auto res = s.run(r.script);
        ASSERT_TRUE(res.ok) << r.script << ": " << res.error;
        EXPECT_EQ(res.value.toDisplay(), r.expected) << r.script;
    }
    auto list = s.run("optionVar -list");
    ASSERT_TRUE(list.ok);
    auto names = list.value.asStringArray();
    EXPECT_NE(std::find(names.begin(), names.end(), "lt_i"), names.end());
    // Bad values change nothing.
    EXPECT_FALSE(s.run("optionVar -iv lt_i many").ok);
    EXPECT_EQ(s.run("optionVar -q lt_i").value.asInt(), 25);
}
