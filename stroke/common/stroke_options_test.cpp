// The option-variable texts and count clamping of the stroke tools.

#include "stroke/common/stroke_options.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace stroke {
namespace {

TEST(ClampCount, AtLeastOneAtMostTheMaximum) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Row {
        double value;
        int expected;
    };
    const Row rows[] = {{1, 1},   {3, 3},   {3.9, 3},   {0, 1},   {-5, 1},
                        {64, 64}, {65, 64}, {1e12, 64}, {nan, 1}, {inf, 1}};
    for (const Row& r : rows) EXPECT_EQ(clampCount(r.value, 64), r.expected) << r.value;
}

TEST(OptionTexts, BlanksAndStatementsAreExact) {
    const OptionVar options[] = {{"QT_a", false, "25"}, {"QT_b", true, "0.5"}};
    EXPECT_EQ(optionDefaultsText(options), std::string(13, ' ') + "optionVar -iv QT_a 25;" +
                                               std::string(13, ' ') + "optionVar -fv QT_b 0.5;" +
                                               std::string(11, ' '));
    const ControlRow rows[] = {{"checkBox -ex c", "checkBox -e -value 1 c;"}};
    const std::string row = std::string(13, ' ') + "if(`checkBox -ex c`)" + std::string(16, ' ') +
                            "checkBox -e -value 1 c;";
    EXPECT_EQ(controlUpdatesText(rows, false), row + std::string(11, ' '));
    EXPECT_EQ(controlUpdatesText(rows, true),
              row + std::string(13, ' ') + "deleteUI toolProperties;" + std::string(13, ' ') +
                  "toolPropertyWindow;" + std::string(13, ' ') + "polyOptions -global -fullBack;" +
                  std::string(11, ' '));
}

}  // namespace
}  // namespace stroke
