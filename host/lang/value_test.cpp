// Values: conversions between kinds, number formatting and parsing, the concatenation limit,
// reading and atomically writing files.

#include "host/lang/value.h"
#include "host/lang/atomic_file.h"
#include "host/lang/operators.h"
#include "host/lang/text_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

using namespace tarn::lang;

TEST(Value, ScalarConversions) {
    struct Row {
        Value v;
        const char* asString;
        std::int64_t asInt;
        double asFloat;
        bool asBool;
    } rows[] = {
        {Value(), "", 0, 0.0, false},
        {Value("3.75abc"), "3.75abc", 3, 3.75, true},
        {Value("abc"), "abc", 0, 0.0, false},  // a string counts by its number
        {Value("off"), "off", 0, 0.0, false},
        {Value("-12"), "-12", -12, -12.0, true},
        {Value(2.5), "2.5", 2, 2.5, true},
        {Value(-2.5), "-2.5", -2, -2.5, true},
        {Value(1e300), "1e+300", std::numeric_limits<std::int64_t>::max(), 1e300, true},
        {Value(std::int64_t(7)), "7", 7, 7.0, true},
        {Value(std::vector<std::string>{"4", "5"}), "4", 4, 4.0, true},
        {Value(std::vector<double>{}), "", 0, 0.0, false},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(r.v.asString(), r.asString) << r.v.toDisplay();
        EXPECT_EQ(r.v.asInt(), r.asInt) << r.v.toDisplay();
        EXPECT_DOUBLE_EQ(r.v.asFloat(), r.asFloat) << r.v.toDisplay();
        EXPECT_EQ(r.v.asBool(), r.asBool) << r.v.toDisplay();
    }
}

TEST(Value, ArrayConversionsAndSizes) {
    Value ints(std::vector<std::int64_t>{1, -2});
    EXPECT_EQ(ints.asStringArray(), (std::vector<std::string>{"1", "-2"}));
    EXPECT_EQ(ints.asFloatArray(), (std::vector<double>{1.0, -2.0}));
    EXPECT_EQ(Value("x").asStringArray(), std::vector<std::string>{"x"});
    EXPECT_EQ(Value(std::vector<std::string>{"2", "b"}).asIntArray(),
              (std::vector<std::int64_t>{2, 0}));
    EXPECT_TRUE(Value().asIntArray().empty());
    EXPECT_EQ(Value().size(), 0u);
    EXPECT_EQ(Value("word").size(), 1u);
    EXPECT_EQ(ints.size(), 2u);
    EXPECT_EQ(Value(std::vector<double>{0.5, 2}).toDisplay(), "0.5 2");
    EXPECT_TRUE(ints.isArray());
    EXPECT_STREQ(kindName(ints.kind()), "int[]");
}

TEST(Value, FloatFormatting) {
    struct Row {
        double d;
        const char* text;
    } rows[] = {
        {1.0, "1"},
        {0.5, "0.5"},
        {-0.0, "0"},
        {1.0 / 3.0, "0.333333"},
        {123456789.0, "1.23457e+08"},
        {1e-7, "1e-07"},
        {std::nan(""), "nan"},
        {-std::numeric_limits<double>::infinity(), "-inf"},
    };
    for (const auto& r : rows) EXPECT_EQ(formatFloat(r.d), r.text) << r.d;
}

TEST(Value, WholeTextNumberParsing) {
    struct Row {
        const char* text;
        bool isInt;
        std::int64_t i;
        bool isFloat;
        double f;
    } rows[] = {
        {"42", true, 42, true, 42.0},      {"+7", true, 7, true, 7.0},
        {"-0x10", true, -16, true, -16.0}, {"0x105349", true, 1069897, true, 1069897.0},
        {"2.5", false, 0, true, 2.5},      {"1e3", false, 0, true, 1000.0},
        {"", false, 0, false, 0.0},        {"-", false, 0, false, 0.0},
        {"12abc", false, 0, false, 0.0},   {"99999999999999999999", false, 0, true, 1e20},
    };
    for (const auto& r : rows) {
        std::int64_t i = -1;
        double f = -1;
        EXPECT_EQ(parseInt(r.text, i), r.isInt) << r.text;
        if (r.isInt) {
            EXPECT_EQ(i, r.i) << r.text;
        }
        EXPECT_EQ(parseFloat(r.text, f), r.isFloat) << r.text;
        if (r.isFloat) {
            EXPECT_DOUBLE_EQ(f, r.f) << r.text;
        }
    }
}

TEST(Operators, ConcatenationStopsAtTheLongestString) {
    Value out;
    std::string error;
    ASSERT_TRUE(applyBinary("+", Value("x"), Value(std::int64_t(7)), out, error));
    EXPECT_EQ(out.asString(), "x7");
    ASSERT_TRUE(applyBinary("+", Value(2.5), Value("y"), out, error));
    EXPECT_EQ(out.asString(), "2.5y");

    Value longest(std::string(kMaxStringLength, 'a'));
    EXPECT_FALSE(applyBinary("+", longest, Value("b"), longest, error));
    EXPECT_NE(error.find("String too long: the result would have 268435457 characters"),
              std::string::npos)
        << error;
    EXPECT_EQ(longest.size(), 1u);
    EXPECT_EQ(longest.stringIf()->size(), kMaxStringLength);  // a refused join changes nothing
}

TEST(AtomicFile, WritesCreatesFoldersAndReplaces) {
    namespace fs = std::filesystem;
    std::string dir = ::testing::TempDir() + "atomic_file_test";
    fs::remove_all(dir);
    std::string path = dir + "/a/b/file.txt";
    std::string error;
    ASSERT_TRUE(writeFileAtomically(path, "first", &error)) << error;
    ASSERT_TRUE(writeFileAtomically(path, "second", &error)) << error;
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    EXPECT_EQ(ss.str(), "second");
    // No temporary file is left behind.
    int files = 0;
    for (const auto& e : fs::directory_iterator(dir + "/a/b")) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 1);
    // A path under a file cannot be written; nothing is created and the reason is given.
    EXPECT_FALSE(writeFileAtomically(path + "/inside", "x", &error));
    EXPECT_FALSE(error.empty());
}

TEST(TextFile, ReadsWholeFilesAndRefusesWhatIsNoTextFile) {
    namespace fs = std::filesystem;
    const std::string dir = ::testing::TempDir() + "text_file_test";
    fs::remove_all(dir);
    std::string error;
    ASSERT_TRUE(writeFileAtomically(dir + "/script.txt", std::string("a\0b\nline 2", 10), &error));
    std::string text = "unchanged";
    ASSERT_TRUE(readTextFile(dir + "/script.txt", text, &error)) << error;
    EXPECT_EQ(text, std::string("a\0b\nline 2", 10));

    // A FIFO with no writer would block an open for reading forever; a sparse file one byte
    // past the limit is refused after reading up to the limit.
    const std::string fifo = dir + "/pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string big = dir + "/big.txt";
    { std::ofstream(big) << ""; }
    fs::resize_file(big, kMaxTextFileBytes + 1);
    struct Case {
        std::string path;
        const char* reason;
    } cases[] = {
        {dir, "it is a folder"},
        {dir + "/missing.txt", "Cannot open file"},
        {fifo, "it is a FIFO"},
        {"/dev/zero", "it is a device"},
        {big, "larger than 268435456 bytes"},
        {std::string("script\0.txt", 11), "contains a NUL character"},
    };
    for (const Case& c : cases) {
        if (c.path == "/dev/zero" && !fs::exists(c.path)) continue;
        text = "unchanged";
        EXPECT_FALSE(readTextFile(c.path, text, &error)) << c.path;
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
        EXPECT_EQ(text, "unchanged") << c.path;
    }
    fs::remove(big);
}
