// Tool property sheets through the SDK: a context command's plug-in describes its tools' sheet,
// the host keeps a checked copy that goes with the command, and the context registration
// helper takes the command back when its sheet is refused.

#include <gtest/gtest.h>

#include <memory>

#include "frame/k_plugin.h"
#include "frame/k_tool_property.h"
#include "frame/plugin_entry.h"
#include "host/plugins/plugin_registry.h"
#include "host/sdk/host_output.h"

using tarn::plugins::PluginImpl;
using tarn::plugins::Registry;
using tarn::plugins::ToolProperty;

namespace {

void* makeNothing() {
    return nullptr;
}

const KToolProperty kGood[] = {
    {.optionVar = "sheetCount",
     .control = "sheetCountIntSliderGrp",
     .label = "Count",
     .meaning = "how many",
     .kind = KToolProperty::kIntSlider,
     .minValue = 1,
     .maxValue = 64,
     .sliderMin = 1,
     .sliderMax = 10},
    {.optionVar = "sheetMode",
     .control = "sheetModeRadioButtonGrp",
     .label = "Mode",
     .kind = KToolProperty::kRadioGroup,
     .choices = "Off|Some|All",
     .firstChoice = 0,
     .enabledBy = "sheetCount",
     .enabledWhen = "sheetOther",
     .enabledWhenValue = 2},
};

class ToolProperties : public ::testing::Test {
protected:
    void SetUp() override {
        m_plugin = std::make_shared<PluginImpl>();
        m_plugin->name = "sheetProbe";
        m_other = std::make_shared<PluginImpl>();
        m_other->name = "other";
        KFnPlugin fn(plugin(), "Quill", "1.0");
        ASSERT_TRUE(fn.registerContextCommand("sheetProbeContext", makeNothing));
    }
    void TearDown() override { KFnPlugin(plugin()).deregisterContextCommand("sheetProbeContext"); }
    KObject plugin() const { return KObject(std::static_pointer_cast<tarn::ObjectImpl>(m_plugin)); }
    KObject other() const { return KObject(std::static_pointer_cast<tarn::ObjectImpl>(m_other)); }
    static const std::vector<ToolProperty>* sheet() {
        const auto* entry = Registry::instance().findContextCommand("sheetProbeContext");
        return entry ? &entry->properties : nullptr;
    }

    std::shared_ptr<PluginImpl> m_plugin, m_other;
};

TEST_F(ToolProperties, TheHostKeepsACopyOfEachRow) {
    KFnPlugin fn(plugin());
    ASSERT_TRUE(fn.registerToolProperties("sheetProbeContext", kGood, 2));
    ASSERT_NE(sheet(), nullptr);
    ASSERT_EQ(sheet()->size(), 2u);
    const ToolProperty& count = (*sheet())[0];
    EXPECT_EQ(count.kind, ToolProperty::Kind::IntSlider);
    EXPECT_EQ(count.maxValue, 64.0);
    EXPECT_EQ(count.meaning, "how many");
    const ToolProperty& mode = (*sheet())[1];
    EXPECT_EQ(mode.choices, (std::vector<std::string>{"Off", "Some", "All"}));
    EXPECT_EQ(mode.firstChoice, 0);
    EXPECT_EQ(mode.meaning, "") << "a missing meaning is empty";
    EXPECT_EQ(mode.enabledBy, "sheetCount");
    EXPECT_EQ(mode.enabledWhen, "sheetOther");
    EXPECT_EQ(mode.enabledWhenValue, 2);
    EXPECT_STREQ(tarn::plugins::toolPropertyKindName(mode.kind), "radio group");
    // A second call replaces the sheet; an empty one clears it.
    ASSERT_TRUE(fn.registerToolProperties("sheetProbeContext", kGood, 1));
    EXPECT_EQ(sheet()->size(), 1u);
    ASSERT_TRUE(fn.registerToolProperties("sheetProbeContext", nullptr, 0));
    EXPECT_TRUE(sheet()->empty());
}

TEST_F(ToolProperties, BadRowsAreRefusedWholeAndTheSheetStaysAsItWas) {
    KFnPlugin fn(plugin());
    ASSERT_TRUE(fn.registerToolProperties("sheetProbeContext", kGood, 2));
    KToolProperty noOption = kGood[0];
    noOption.optionVar = nullptr;
    KToolProperty noLabel = kGood[0];
    noLabel.label = nullptr;
    KToolProperty outside = kGood[0];
    outside.sliderMax = 100;  // past maxValue
    KToolProperty empty = kGood[0];
    empty.sliderMin = empty.sliderMax = 5;
    KToolProperty noChoices = kGood[1];
    noChoices.choices = "";
    KToolProperty unknown = kGood[0];
    unknown.kind = static_cast<KToolProperty::Kind>(9);
    const struct {
        const char* what;
        KToolProperty rows[2];
    } cases[] = {
        {"no option variable", {kGood[1], noOption}},
        {"no label", {noLabel, kGood[1]}},
        {"span outside the range", {outside, kGood[1]}},
        {"empty span", {empty, kGood[1]}},
        {"radio group without buttons", {kGood[0], noChoices}},
        {"one control twice", {kGood[0], kGood[0]}},
        {"unknown kind", {unknown, kGood[1]}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fn.registerToolProperties("sheetProbeContext", c.rows, 2),
                  KStatus::kInvalidParameter)
            << c.what;
        ASSERT_EQ(sheet()->size(), 2u) << c.what;
        EXPECT_EQ((*sheet())[1].control, "sheetModeRadioButtonGrp") << c.what;
    }
    EXPECT_EQ(fn.registerToolProperties("sheetProbeContext", nullptr, 1),
              KStatus::kInvalidParameter);
    // Only the plug-in that registered the command describes its sheet.
    EXPECT_EQ(KFnPlugin(other()).registerToolProperties("sheetProbeContext", kGood, 1),
              KStatus::kNotFound);
    EXPECT_EQ(fn.registerToolProperties("noSuchContext", kGood, 1), KStatus::kNotFound);
    EXPECT_FALSE(m_plugin->problems.empty()) << "the reasons are kept for the loader";
}

TEST_F(ToolProperties, TheSheetGoesWithItsCommand) {
    KFnPlugin fn(plugin());
    ASSERT_TRUE(fn.registerToolProperties("sheetProbeContext", kGood, 2));
    ASSERT_TRUE(fn.deregisterContextCommand("sheetProbeContext"));
    EXPECT_EQ(sheet(), nullptr);
    ASSERT_TRUE(fn.registerContextCommand("sheetProbeContext", makeNothing));
    EXPECT_TRUE(sheet()->empty()) << "a command registered again starts without a sheet";
}

TEST_F(ToolProperties, TheRegistrationHelperTakesTheCommandBackWhenItsSheetIsRefused) {
    KFnPlugin(plugin()).deregisterContextCommand("sheetProbeContext");
    const KToolProperty twice[] = {kGood[0], kGood[0]};
    const kframe::ContextPluginRow bad{"Quill", "1.0", "sheetProbeContext", makeNothing, twice, 2};
    tarn::output::Capture capture;
    EXPECT_EQ(kframe::registerContextPlugin(plugin(), bad), KStatus::kInvalidParameter);
    EXPECT_EQ(capture.errors(), "registerToolProperties: Invalid Parameter\n");
    EXPECT_EQ(Registry::instance().findContextCommand("sheetProbeContext"), nullptr);
    const kframe::ContextPluginRow good{"Quill", "1.0", "sheetProbeContext", makeNothing, kGood, 2};
    ASSERT_TRUE(kframe::registerContextPlugin(plugin(), good));
    EXPECT_EQ(sheet()->size(), 2u);
}

}  // namespace
