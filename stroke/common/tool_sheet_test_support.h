#pragma once
// Checks a tool's property sheet against its option table and its edit hook: one row per
// option variable in the table's order, of a kind that holds the option's type and default,
// and every control named by the hook's existence tests.

#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <string>
#include <vector>

#include "frame/k_tool_property.h"
#include "stroke/common/stroke_options.h"

namespace stroke::testing {

inline void expectSheetMatches(std::span<const OptionVar> options,
                               std::span<const KToolProperty> sheet,
                               const std::vector<std::string>& hookTexts) {
    ASSERT_EQ(sheet.size(), options.size());
    std::string hook;
    for (const std::string& t : hookTexts) hook += t;
    for (std::size_t i = 0; i < options.size(); ++i) {
        const OptionVar& o = options[i];
        const KToolProperty& p = sheet[i];
        SCOPED_TRACE(o.name);
        EXPECT_STREQ(p.optionVar, o.name);
        EXPECT_EQ(o.isFloat, p.kind == KToolProperty::kFloatSlider);
        ASSERT_NE(p.label, nullptr);
        ASSERT_NE(p.meaning, nullptr);
        EXPECT_NE(std::string(p.meaning), "");
        // The hook refreshes this very control.
        EXPECT_NE(hook.find(std::string(" -ex ") + p.control + "`"), std::string::npos)
            << p.control;
        const double value = std::stod(o.defaultText);
        switch (p.kind) {
            case KToolProperty::kIntSlider:
            case KToolProperty::kFloatSlider:
                EXPECT_LE(p.minValue, value);
                EXPECT_GE(p.maxValue, value);
                EXPECT_LT(p.sliderMin, p.sliderMax);
                EXPECT_LE(p.minValue, p.sliderMin);
                EXPECT_GE(p.maxValue, p.sliderMax);
                break;
            case KToolProperty::kCheckBox:
                EXPECT_TRUE(value == 0.0 || value == 1.0);
                break;
            case KToolProperty::kRadioGroup: {
                const std::string choices = p.choices ? p.choices : "";
                const int buttons = 1 + int(std::count(choices.begin(), choices.end(), '|'));
                EXPECT_GE(value, p.firstChoice);
                EXPECT_LT(value, p.firstChoice + buttons);
                break;
            }
        }
        // What enables a row is an option of the same tool.
        for (const char* by : {p.enabledBy, p.enabledWhen}) {
            if (!by) continue;
            bool known = false;
            for (const OptionVar& other : options) known = known || std::string(other.name) == by;
            EXPECT_TRUE(known) << by;
        }
    }
}

}  // namespace stroke::testing
