// How the jobs read their words: numbers in one word with commas or in words of their own, and
// the one rule for what a refused command line shows.

#include "host/render/job_args.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarn::jobs {
namespace {

using Words = std::vector<std::string>;

TEST(JobArgs, NumberListsTakeCommasAndRefuseWhatIsNoFiniteNumber) {
    struct Case {
        const char* text;
        std::vector<double> numbers;  // empty: refused
        const char* bad;              // the part named when refused
    } cases[] = {
        {"1", {1}, ""},
        {"-0.6,0.5,+4", {-0.6, 0.5, 4}, ""},
        {"1e3,2.5e-1", {1000, 0.25}, ""},
        {"1,,2", {}, ""},
        {"1,2,", {}, ""},
        {",1", {}, ""},
        {"1,two,3", {}, "two"},
        {"nan", {}, "nan"},
        {"1,inf", {}, "inf"},
        {"1 2", {}, "1 2"},
        {"", {}, ""},
    };
    for (const Case& c : cases) {
        std::vector<double> got;
        std::string bad = "untouched";
        const bool ok = parseNumberList(c.text, &got, &bad);
        EXPECT_EQ(ok, !c.numbers.empty()) << c.text;
        if (ok) {
            EXPECT_EQ(got, c.numbers) << c.text;
        } else {
            EXPECT_EQ(bad, c.bad) << c.text;
        }
    }
}

TEST(JobArgs, NumbersComeInOneWordOrInWordsOfTheirOwn) {
    struct Case {
        Words args;  // args[0] is the option
        int count;
        std::vector<double> numbers;  // empty: refused
        bool usage;                   // refused as a usage error
        std::size_t next;             // where reading stopped
    } cases[] = {
        {{"--ambient", "0.1,0.2,0.3"}, 3, {0.1, 0.2, 0.3}, false, 1},
        {{"--ambient", "0.1", "0.2", "0.3", "-o"}, 3, {0.1, 0.2, 0.3}, false, 3},
        {{"--size", "64", "-o"}, 1, {64}, false, 1},
        {{"--size", "-1.5"}, 1, {-1.5}, false, 1},
        {{"--ambient", "0.1,0.2"}, 3, {}, false, 0},
        {{"--ambient", "0.1", "0.2"}, 3, {}, true, 0},
        {{"--ambient", "0.1", "-o", "x.png"}, 3, {}, false, 0},
        {{"--ambient"}, 3, {}, true, 0},
        {{"--size", "1,2"}, 1, {}, false, 0},
    };
    for (const Case& c : cases) {
        const std::string words = ::testing::PrintToString(c.args);
        std::size_t at = 0;
        std::vector<double> got;
        ArgumentError error;
        const bool ok = takeNumbers(c.args, at, c.count, &got, &error);
        EXPECT_EQ(ok, !c.numbers.empty()) << words << ": " << error.text;
        if (ok) {
            EXPECT_EQ(got, c.numbers) << words;
            EXPECT_EQ(at, c.next) << words;
        } else {
            EXPECT_EQ(error.usage, c.usage) << words << ": " << error.text;
            EXPECT_EQ(error.text.rfind(c.args[0], 0), 0u) << "names the option: " << error.text;
        }
    }
}

TEST(JobArgs, ARefusalShowsTheUsageOnlyForWordsThatAreNoCommandLine) {
    const char* usage = "usage: tarn probe [--size N]\n";
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(refuseArguments("probe", {"unknown option '--x'", true}, usage), 2);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              std::string("tarn probe: unknown option '--x'\n") + usage);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(refuseArguments("probe", {"--size: expected 1 to 8, got '9'"}, usage), 2);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "tarn probe: --size: expected 1 to 8, got '9'\n"
              "Run 'tarn probe --help' for the options.\n");
}

TEST(JobArgs, AValueIsTheNextWord) {
    const Words args = {"-o", "out.png", "--out"};
    std::size_t at = 0;
    std::string value;
    ArgumentError error;
    ASSERT_TRUE(takeValue(args, at, "a file name", &value, &error));
    EXPECT_EQ(value, "out.png");
    EXPECT_EQ(at, 1u);
    at = 2;
    EXPECT_FALSE(takeValue(args, at, "a folder", &value, &error));
    EXPECT_EQ(error.text, "--out needs a folder");
    EXPECT_TRUE(error.usage);
}

TEST(JobArgs, PixelSizesAreOneSideOrWidthByHeight) {
    int w = 7, h = 9;
    ASSERT_TRUE(parsePixelSize("64", 8192, &w, &h));
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 64);
    ASSERT_TRUE(parsePixelSize("1280x1024", 8192, &w, &h));
    EXPECT_EQ(w, 1280);
    EXPECT_EQ(h, 1024);
    ASSERT_TRUE(parsePixelSize("8192x1", 8192, &w, &h));
    // Anything else leaves the sizes as they were.
    for (const char* bad : {"", "0", "8193", "-5", "3x", "x3", "3x4x5", "2.5", "12px", "1e3",
                            "99999999999"}) {
        w = 7, h = 9;
        EXPECT_FALSE(parsePixelSize(bad, 8192, &w, &h)) << bad;
        EXPECT_EQ(w, 7) << bad;
        EXPECT_EQ(h, 9) << bad;
    }
    int side = 3;
    EXPECT_TRUE(parsePixelSide("100", 100, &side));
    EXPECT_EQ(side, 100);
    EXPECT_FALSE(parsePixelSide("101", 100, &side));
    EXPECT_EQ(side, 100);
}

}  // namespace
}  // namespace tarn::jobs
