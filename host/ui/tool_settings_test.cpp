// Tool settings with the stroke tools loaded: their property sheets as rows, the windowless UI
// commands against the tool-property window while a panel shows it (and exactly as before
// while none does), the optionVar texts of changes, the next stroke using them, and help.

#include "host/ui/tool_settings.h"

#include <algorithm>

#include "host/lang/journal.h"
#include "host/sdk/host_output.h"
#include "host/ui/ui_test_support.h"

namespace tarn::ui {
namespace {

using Kind = plugins::ToolProperty::Kind;
using lang::journal;

class ToolSettingsTest : public testing::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        load("slicePen");
        run("slicePenContext; setToolTo slicePenContext1");
    }
    void TearDown() override {
        settings.close();
        UiTest::TearDown();
    }

    // A copy: views are often temporaries (settings.view()), gone after the full expression.
    static ToolSettingRow rowOf(const ToolSettingsView& v, const std::string& option) {
        for (const ToolSettingRow& r : v.rows)
            if (r.optionVar == option) return r;
        ADD_FAILURE() << "no row " << option;
        return {};
    }
    // Runs a text and answers the warnings it wrote.
    std::string warningsOf(const std::string& text) {
        output::Capture capture;
        run(text);
        return capture.warnings();
    }

    ToolSettings settings;
};

TEST_F(ToolSettingsTest, WithoutAPanelTheCommandsAnswerAsAHostWithoutWindows) {
    ASSERT_FALSE(settings.isOpen());
    EXPECT_EQ(integer("intSliderGrp -ex QT_drawSplitMultiSlicesIntSliderGrp"), 0);
    EXPECT_EQ(integer("window -ex toolProperties"), 0);
    EXPECT_EQ(warningsOf("deleteUI toolProperties"),
              "deleteUI: object 'toolProperties' not found.\n");
    EXPECT_NE(runFailing("intSliderGrp -e -value 3 QT_drawSplitMultiSlicesIntSliderGrp")
                  .find("object 'QT_drawSplitMultiSlicesIntSliderGrp' not found"),
              std::string::npos);
    EXPECT_NE(runFailing("checkBox -l Snap mySnap").find("no windows to hold a control"),
              std::string::npos);
    // The edit hook's own texts run with its deleteUI warning, as before.
    EXPECT_NE(warningsOf("slicePenContext -e slicePenContext1")
                  .find("deleteUI: object 'toolProperties' not found."),
              std::string::npos);
    EXPECT_TRUE(settings.view().rows.empty());
}

TEST_F(ToolSettingsTest, SlicePensSheetIsListedWithMeaningsRangesAndKinds) {
    run("slicePenContext -e slicePenContext1");  // the tool's defaults
    settings.open();
    const ToolSettingsView v = settings.view();
    EXPECT_EQ(v.context, "slicePenContext1");
    EXPECT_EQ(v.command, "slicePenContext");
    EXPECT_EQ(v.title, "Draw Split Tool");
    ASSERT_EQ(v.rows.size(), 10u);
    EXPECT_EQ(v.rows.front().optionVar, "QT_drawSplitMinSampleSize");
    EXPECT_EQ(v.rows.back().optionVar, "QT_drawSplitAutoBackfaceCulling");
    const ToolSettingRow& slices = rowOf(v, "QT_drawSplitMultiSlices");
    EXPECT_EQ(slices.control, "QT_drawSplitMultiSlicesIntSliderGrp");
    EXPECT_EQ(slices.kind, Kind::IntSlider);
    EXPECT_EQ(slices.value, 1.0);
    EXPECT_EQ(slices.minValue, 1.0);
    EXPECT_EQ(slices.maxValue, 64.0);
    EXPECT_TRUE(slices.isSet);
    EXPECT_NE(slices.meaning.find("parallel slices"), std::string::npos);
    const ToolSettingRow& power = rowOf(v, "QT_drawSplitMultiSliceDropoffPower");
    EXPECT_EQ(power.kind, Kind::FloatSlider);
    EXPECT_EQ(power.value, 1.0);
    const ToolSettingRow& exit = rowOf(v, "QT_drawSplitSelectNewVertsUponExit");
    EXPECT_EQ(exit.kind, Kind::RadioGroup);
    ASSERT_EQ(exit.choices.size(), 3u);
    EXPECT_EQ(exit.value, 1.0);
    EXPECT_EQ(exit.selected, 1) << "value 1 is the second button (the first is 0)";
    // Snapping is off by default: what it enables is disabled.
    EXPECT_EQ(rowOf(v, "QT_drawSplitEdgeSnapping").kind, Kind::CheckBox);
    EXPECT_FALSE(rowOf(v, "QT_drawSplitEdgeSnappingType").enabled);
    EXPECT_FALSE(rowOf(v, "QT_drawSplitEdgeSnappingOffset").enabled);
    EXPECT_TRUE(rowOf(v, "QT_drawSplitMultiSlices").enabled);
}

TEST_F(ToolSettingsTest, TheEditHookFindsTheWindowAndRefreshesItsControls) {
    settings.open();
    EXPECT_EQ(integer("window -ex toolProperties"), 1);
    EXPECT_EQ(integer("intSliderGrp -ex QT_drawSplitMultiSlicesIntSliderGrp"), 1);
    // The hook's existence test for the float slider names the family without "Grp".
    EXPECT_EQ(integer("floatSlider -ex QT_drawSplitMultiSliceDropoffPowerFloatSliderGrp"), 1);
    EXPECT_EQ(integer("checkBox -ex QT_drawSplitMultiSlicesIntSliderGrp"), 0)
        << "another kind of control";
    // No warning: the window exists, is deleted and built again.
    journal().clear();
    EXPECT_EQ(warningsOf("slicePenContext -e slicePenContext1"), "");
    EXPECT_EQ(integer("window -ex toolProperties"), 1);
    const std::vector<std::string> texts = journal().texts();
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [](const std::string& t) {
        return t.find("deleteUI toolProperties;") != std::string::npos;
    })) << "the hook ran its control texts";
    // An edit shows until the option it follows changes.
    run("intSliderGrp -e -value 7 QT_drawSplitMultiSlicesIntSliderGrp");
    EXPECT_EQ(integer("intSliderGrp -q -value QT_drawSplitMultiSlicesIntSliderGrp"), 7);
    EXPECT_EQ(rowOf(settings.view(), "QT_drawSplitMultiSlices").value, 7.0);
    run("optionVar -iv QT_drawSplitMultiSlices 3");
    EXPECT_EQ(rowOf(settings.view(), "QT_drawSplitMultiSlices").value, 3.0);
    run("radioButtonGrp -e -en 1 -select 2 QT_drawSplitEdgeSnappingTypeRadioButtonGrp");
    const ToolSettingRow type = rowOf(settings.view(), "QT_drawSplitEdgeSnappingType");
    EXPECT_TRUE(type.enabled);
    EXPECT_EQ(type.selected, 1);
    EXPECT_EQ(type.value, 2.0);
    EXPECT_NE(runFailing("intSliderGrp -e -value many QT_drawSplitMultiSlicesIntSliderGrp")
                  .find("-value takes a number"),
              std::string::npos);
    // deleteUI takes the window away; toolPropertyWindow builds it again.
    EXPECT_EQ(warningsOf("deleteUI toolProperties"), "");
    EXPECT_EQ(integer("intSliderGrp -ex QT_drawSplitMultiSlicesIntSliderGrp"), 0);
    run("toolPropertyWindow");
    EXPECT_EQ(integer("intSliderGrp -ex QT_drawSplitMultiSlicesIntSliderGrp"), 1);
    // Closing the panel: nothing exists any more.
    settings.close();
    EXPECT_EQ(integer("window -ex toolProperties"), 0);
    run("toolPropertyWindow");
    EXPECT_EQ(integer("window -ex toolProperties"), 0);
}

TEST_F(ToolSettingsTest, ChangesAreOptionVarTextsThatEnableWhatDependsOnThem) {
    run("slicePenContext -e slicePenContext1");
    settings.open();
    ToolSettingsView v = settings.view();
    EXPECT_EQ(ToolSettings::setText(rowOf(v, "QT_drawSplitEdgeSnapping"), 1),
              "optionVar -iv QT_drawSplitEdgeSnapping 1");
    send(ToolSettings::setText(rowOf(v, "QT_drawSplitEdgeSnapping"), 1));
    v = settings.view();
    EXPECT_EQ(rowOf(v, "QT_drawSplitEdgeSnapping").value, 1.0);
    EXPECT_TRUE(rowOf(v, "QT_drawSplitEdgeSnappingType").enabled);
    EXPECT_TRUE(rowOf(v, "QT_drawSplitEdgeSnappingOffset").enabled) << "type 1";
    EXPECT_FALSE(rowOf(v, "QT_drawSplitEdgeSnappingIntervals").enabled);
    const std::string choose =
        ToolSettings::chooseText(rowOf(v, "QT_drawSplitEdgeSnappingType"), 1);
    EXPECT_EQ(choose, "optionVar -iv QT_drawSplitEdgeSnappingType 2");
    send(choose);
    v = settings.view();
    EXPECT_FALSE(rowOf(v, "QT_drawSplitEdgeSnappingOffset").enabled);
    EXPECT_TRUE(rowOf(v, "QT_drawSplitEdgeSnappingIntervals").enabled);
    EXPECT_EQ(integer("intSliderGrp -q -en QT_drawSplitEdgeSnappingIntervalsIntSliderGrp"), 1);
    // Values are kept to what the tool accepts; floats go as floats.
    EXPECT_EQ(ToolSettings::setText(rowOf(v, "QT_drawSplitMultiSlices"), 500),
              "optionVar -iv QT_drawSplitMultiSlices 64");
    EXPECT_EQ(ToolSettings::setText(rowOf(v, "QT_drawSplitMultiSlices"), 2.6),
              "optionVar -iv QT_drawSplitMultiSlices 3");
    EXPECT_EQ(ToolSettings::setText(rowOf(v, "QT_drawSplitMultiSliceDropoffPower"), 2.5),
              "optionVar -fv QT_drawSplitMultiSliceDropoffPower 2.5");
    EXPECT_EQ(ToolSettings::setText(rowOf(v, "QT_drawSplitMultiSliceDropoffPower"), -1),
              "optionVar -fv QT_drawSplitMultiSliceDropoffPower 0.01");
    EXPECT_EQ(ToolSettings::setText(rowOf(v, "QT_drawSplitMultiSlices"), std::nan("")), "");
    EXPECT_EQ(ToolSettings::chooseText(rowOf(v, "QT_drawSplitEdgeSnappingType"), 2), "");
    EXPECT_EQ(ToolSettings::chooseText(rowOf(v, "QT_drawSplitMultiSlices"), 0), "");
    // Reset runs the tool's own edit hook.
    EXPECT_EQ(ToolSettings::resetText(v), "slicePenContext -e slicePenContext1");
    send(ToolSettings::resetText(v));
    EXPECT_EQ(rowOf(settings.view(), "QT_drawSplitEdgeSnapping").value, 0.0);
}

TEST_F(ToolSettingsTest, AnUnsetOptionShowsWhatTheToolReads) {
    run("optionVar -remove QT_drawSplitSubdivisions");
    settings.open();
    const ToolSettingRow r = rowOf(settings.view(), "QT_drawSplitSubdivisions");
    EXPECT_FALSE(r.isSet);
    EXPECT_EQ(r.value, 0.0);
}

TEST_F(ToolSettingsTest, TwoMultiSlicesSetHereCutTwoSlicesWithTheNextStroke) {
    run("slicePenContext -e slicePenContext1");
    settings.open();
    run("polyPlane -w 4 -h 4 -sx 4 -sy 4 -n grid; setAttr grid.rx 90;"
        "camera -p 0 0 10; viewCamera camera1; viewPort 240 240; viewFit;"
        "select -r grid; setToolTo slicePenContext1");
    send(ToolSettings::setText(rowOf(settings.view(), "QT_drawSplitMultiSlices"), 2));
    // Across the row between y = 0 and y = 1, over the edges at x = -1 and x = 0.
    const auto from = run("viewProject -1.5 0.25 0").asIntArray();
    const auto to = run("viewProject 0.5 0.25 0").asIntArray();
    ASSERT_EQ(from.size(), 2u);
    ASSERT_EQ(to.size(), 2u);
    journal().clear();
    run("viewStroke {" + std::to_string(from[0]) + ", " + std::to_string(from[1]) + ", " +
        std::to_string(to[0]) + ", " + std::to_string(to[1]) + "}");
    const std::vector<std::string> texts = journal().texts();
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [](const std::string& t) {
        return t.rfind("multiSliceSplit(\"gridShape\", 2, ", 0) == 0;
    }));
    // Two parallel cuts through the two crossed edges: four new vertices.
    EXPECT_EQ(integer("polyEvaluate -v grid"), 25 + 4);
}

TEST_F(ToolSettingsTest, AnotherToolBringsItsOwnSheet) {
    load("thinPen");
    settings.open();
    run("thinPenContext; setToolTo thinPenContext1");
    ToolSettingsView v = settings.view();
    EXPECT_EQ(v.command, "thinPenContext");
    ASSERT_EQ(v.rows.size(), 8u);
    EXPECT_EQ(integer("radioButtonGrp -ex QT_drawReduceReductionTypeRadioButtonGrp"), 1);
    EXPECT_EQ(integer("intSliderGrp -ex QT_drawSplitMultiSlicesIntSliderGrp"), 0);
    const ToolSettingRow& when = rowOf(v, "QT_drawReduceEdgeSnappingWhen");
    ASSERT_EQ(when.choices.size(), 3u);
    EXPECT_EQ(ToolSettings::chooseText(when, 2), "optionVar -iv QT_drawReduceEdgeSnappingWhen 2");
    // Its edit hook runs clean against the window, with snapping "Always" enabling the type.
    send(ToolSettings::chooseText(when, 2));
    {
        output::Capture capture;
        run("thinPenContext -e thinPenContext1");
        EXPECT_EQ(capture.warnings() + capture.errors(), "");
    }
    EXPECT_EQ(rowOf(settings.view(), "QT_drawReduceEdgeSnappingWhen").value, 1.0) << "default";
    EXPECT_TRUE(rowOf(settings.view(), "QT_drawReduceEdgeSnappingType").enabled);
    // The host's own selection tool has no sheet.
    run("setToolTo $gSelect");
    v = settings.view();
    EXPECT_TRUE(v.rows.empty());
    EXPECT_EQ(v.command, "");
    EXPECT_EQ(ToolSettings::resetText(v), "");
}

TEST_F(ToolSettingsTest, HelpListsTheOptionVariablesWithTheirMeanings) {
    load("thinPen");
    for (const auto& [command, options] :
         {std::pair<std::string, std::vector<std::string>>{
              "slicePenContext",
              {"QT_drawSplitMultiSlices (int 1..64): number of parallel",
               "QT_drawSplitEdgeSnappingOffset (float 0..1)",
               "[used while QT_drawSplitEdgeSnapping is non-zero and "
               "QT_drawSplitEdgeSnappingType is 1]"}},
          {"thinPenContext",
           {"QT_drawReduceEdgeSnappingWhen (int 0 Never, 1 While Ctrl is held, 2 Always)",
            "QT_drawReduceAutoBackfaceCulling (int 0 off, 1 on)"}}}) {
        output::Capture capture;
        run("help " + command);
        for (const std::string& o : options)
            EXPECT_NE(capture.infos().find(o), std::string::npos) << command << ": " << o << "\n"
                                                                  << capture.infos();
    }
    // The control commands say what they do while the panel is open.
    output::Capture capture;
    run("help intSliderGrp; help button");
    EXPECT_EQ(capture.infos().find("tool-settings panel is open"),
              capture.infos().rfind("tool-settings panel is open"))
        << "intSliderGrp says it, button does not";
    EXPECT_NE(capture.infos().find("tool-settings panel is open"), std::string::npos);
}

}  // namespace
}  // namespace tarn::ui
