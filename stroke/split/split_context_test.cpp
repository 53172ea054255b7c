// slicePen's capture end to end: the plug-in loaded into the host, its identity and edit hook,
// clicks, the overlay line, Line mode's world points, and the record a stroke hands to the
// split action is the split helper's to test.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host/lang/journal.h"
#include "host/plugins/plugin_loader.h"
#include "host/scene/scene_test_support.h"
#include "host/sdk/host_output.h"
#include "host/view/active_view.h"
#include "host/view/view_snapshot.h"
#include "stroke/common/tool_sheet_test_support.h"
#include "stroke/split/split_context.h"

namespace stroke {
namespace {

using tarn::lang::journal;
namespace output = tarn::output;

const std::string kPlugin = std::string(TARN_PLUGIN_DIR) + "/slicePen.so";

class SlicePenTest : public tarn::scene::testing::SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        tarn::view::ActiveView::instance().reset();
        std::string error;
        ASSERT_TRUE(tarn::plugins::PluginLoader::instance().load(kPlugin, &error, &m_plugin))
            << error;
        run("polyPlane -w 4 -h 4 -sx 4 -sy 4 -n grid; setAttr grid.rx 90;"
            "camera -p 0 0 10; viewCamera camera1; viewPort 240 240; viewFit");
        run("slicePenContext; slicePenContext -e slicePenContext1");
        run("select -r grid; setToolTo slicePenContext1");
        journal().clear();
    }
    void TearDown() override {
        run("setToolTo $gSelect");
        std::string error;
        EXPECT_TRUE(tarn::plugins::PluginLoader::instance().unload(m_plugin, true, &error))
            << error;
        tarn::view::ActiveView::instance().reset();
        SceneTest::TearDown();
    }
    std::string at(double x, double y) {
        const auto v =
            run("viewProject " + std::to_string(x) + " " + std::to_string(y) + " 0").asIntArray();
        return std::to_string(v[0]) + " " + std::to_string(v[1]);
    }
    // "X, Y" for a stroke list.
    std::string listed(double x, double y) {
        std::string s = at(x, y);
        return s.replace(s.find(' '), 1, ", ");
    }
    std::vector<std::string> apiTexts() {
        std::vector<std::string> out;
        for (const auto& e : journal().entries())
            if (e.origin == "api") out.push_back(e.text);
        return out;
    }
    bool ran(const std::string& text) {
        const auto texts = apiTexts();
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }

    std::string m_plugin;
};

TEST_F(SlicePenTest, IdentityAndEditHookTexts) {
    struct Row {
        const char* query;
        const char* answer;
    };
    const Row rows[] = {
        {"contextInfo -ex slicePenContext1", "1"},
        {"contextInfo -title slicePenContext1", "Draw Split Tool"},
        {"contextInfo -image1 slicePenContext1", "drawSplitIcon.xpm"},
        {"contextInfo -class slicePenContext1", "drawSplit"},
        {"contextInfo -helpString slicePenContext1",
         "draw over a selected mesh to split it with the drawn line."},
        {"contextInfo -cursor slicePenContext1", "pencil"},
    };
    for (const Row& r : rows) EXPECT_EQ(run(r.query).asString(), r.answer) << r.query;

    run("optionVar -iv QT_drawSplitMultiSlices 7");
    journal().clear();
    run("slicePenContext -e slicePenContext1");
    const std::vector<std::string> hook = splitEditHookTexts();
    ASSERT_EQ(hook.size(), 3u);
    const std::vector<std::string> expected{"contextInfo -ex slicePenContext1", hook[0], hook[1],
                                            hook[2]};
    EXPECT_EQ(apiTexts(), expected);
    EXPECT_EQ(integer("optionVar -q QT_drawSplitMultiSlices"), 1);
    const std::string k13(13, ' '), k16(16, ' '), k11(11, ' ');
    EXPECT_EQ(hook[0].substr(0, 13 + 46),
              k13 + "optionVar -iv QT_drawSplitMinSampleSize 25;" + k13.substr(0, 3));
    // Both control strings whole: the first up to the subdivisions slider, the second from the
    // check box on, closed by the window statements.
    using Control = std::pair<const char*, const char*>;
    const Control first[] = {
        {"intSliderGrp -ex QT_drawSplitMinSampleSizeIntSliderGrp",
         "intSliderGrp -e -value `optionVar -q QT_drawSplitMinSampleSize` "
         "QT_drawSplitMinSampleSizeIntSliderGrp;"},
        {"intSliderGrp -ex QT_drawSplitMultiSlicesIntSliderGrp",
         "intSliderGrp -e -value `optionVar -q QT_drawSplitMultiSlices` "
         "QT_drawSplitMultiSlicesIntSliderGrp;"},
        {"floatSlider -ex QT_drawSplitMultiSliceDropoffPowerFloatSliderGrp",
         "floatSliderGrp -e -value `optionVar -q QT_drawSplitMultiSliceDropoffPower` "
         "QT_drawSplitMultiSliceDropoffPowerFloatSliderGrp;"},
        {"intSliderGrp -ex QT_drawSplitSubdivisionsIntSliderGrp",
         "intSliderGrp -e -value `optionVar -q QT_drawSplitSubdivisions` "
         "QT_drawSplitSubdivisionsIntSliderGrp;"},
    };
    const Control second[] = {
        {"checkBox -ex QT_drawSplitEdgeSnappingCheckBox",
         "checkBox -e -value `optionVar -q QT_drawSplitEdgeSnapping` "
         "QT_drawSplitEdgeSnappingCheckBox;"},
        {"radioButtonGrp -ex QT_drawSplitEdgeSnappingTypeRadioButtonGrp",
         "radioButtonGrp -e -en `optionVar -q QT_drawSplitEdgeSnapping` -select `optionVar -q "
         "QT_drawSplitEdgeSnappingType` QT_drawSplitEdgeSnappingTypeRadioButtonGrp;"},
        {"floatSlider -ex QT_drawSplitEdgeSnappingOffsetFloatSliderGrp",
         "floatSliderGrp -e -en (`optionVar -q QT_drawSplitEdgeSnapping`&&(`optionVar -q "
         "QT_drawSplitEdgeSnappingType`==1)) -value `optionVar -q QT_drawSplitEdgeSnappingOffset` "
         "QT_drawSplitEdgeSnappingOffsetFloatSliderGrp;"},
        {"intSliderGrp -ex QT_drawSplitEdgeSnappingIntervalsIntSliderGrp",
         "intSliderGrp -e -en (`optionVar -q QT_drawSplitEdgeSnapping`&&(`optionVar -q "
         "QT_drawSplitEdgeSnappingType`==2)) -value `optionVar -q "
         "QT_drawSplitEdgeSnappingIntervals` QT_drawSplitEdgeSnappingIntervalsIntSliderGrp;"},
        {"radioButtonGrp -ex QT_drawSplitSelectNewVertsUponExitRadioButtonGrp",
         "radioButtonGrp -e -select (`optionVar -q QT_drawSplitSelectNewVertsUponExit`+1) "
         "QT_drawSplitSelectNewVertsUponExitRadioButtonGrp;"},
        {"checkBox -ex QT_drawSplitAutoBackfaceCullingCheckBox",
         "checkBox -e -value `optionVar -q QT_drawSplitAutoBackfaceCulling` "
         "QT_drawSplitAutoBackfaceCullingCheckBox;"},
    };
    const auto joined = [&](const auto& table) {
        std::string text;
        for (const Control& r : table) text += k13 + "if(`" + r.first + "`)" + k16 + r.second;
        return text;
    };
    EXPECT_EQ(hook[1], joined(first) + k11);
    EXPECT_EQ(hook[2], joined(second) + k13 + "deleteUI toolProperties;" + k13 +
                           "toolPropertyWindow;" + k13 + "polyOptions -global -fullBack;" + k11);
    const char* defaults[] = {
        "-iv QT_drawSplitMinSampleSize 25",         "-iv QT_drawSplitMultiSlices 1",
        "-fv QT_drawSplitMultiSliceDropoffPower 1", "-iv QT_drawSplitSubdivisions 1",
        "-iv QT_drawSplitEdgeSnapping 0",           "-iv QT_drawSplitEdgeSnappingType 1",
        "-fv QT_drawSplitEdgeSnappingOffset 0.5",   "-iv QT_drawSplitEdgeSnappingIntervals 2",
        "-iv QT_drawSplitSelectNewVertsUponExit 1", "-iv QT_drawSplitAutoBackfaceCulling 1"};
    std::string defaultsText;
    for (const char* d : defaults) defaultsText += k13 + "optionVar " + d + ";";
    EXPECT_EQ(hook[0], defaultsText + k11);
    // Ends, as a reader sees them.
    EXPECT_EQ(hook[1].substr(hook[1].size() - 11 - 37),
              "QT_drawSplitSubdivisionsIntSliderGrp;" + k11);
    EXPECT_EQ(hook[2].rfind(k13 + "if(`checkBox -ex QT_drawSplitEdgeSnappingCheckBox`)" + k16, 0),
              0u);
    EXPECT_EQ(hook[2].substr(hook[2].size() - 11 - 30), "polyOptions -global -fullBack;" + k11);
}

TEST_F(SlicePenTest, CtrlLeftClickTogglesCullingAndMiddleShowsVertices) {
    run("setAttr gridShape.bck 3");
    output::Capture capture;
    run("viewStroke -ctrl {" + listed(0.5, 0.5) + "}");
    EXPECT_TRUE(ran("setAttr gridShape.bck 0"));
    EXPECT_NE(capture.infos().find("Backface-culling is *OFF* for current mesh.  *ALL* sides of "
                                   "mesh will be split simultaneously."),
              std::string::npos);
    journal().clear();
    run("viewEvent -button middle -ctrl press " + at(0.5, 0.5));
    run("viewEvent -button middle -ctrl release " + at(0.5, 0.5));
    EXPECT_TRUE(ran("polyOptions -r -dv true"));
}

TEST_F(SlicePenTest, OverlayLineShowsInTheCompositedView) {
    const auto a = run("viewProject -1.5 0.5 0").asIntArray();
    const auto b = run("viewProject 1.5 0.5 0").asIntArray();
    run("viewEvent press " + at(-1.5, 0.5));
    run("viewEvent drag " + at(1.5, 0.5));
    const tarn::view::RgbImage image = tarn::view::renderActiveView();
    int yellow = 0;
    for (int x = int(a[0]) + 2; x < int(b[0]) - 2; ++x) {
        const std::uint8_t* p = image.at(x, image.height - 1 - int(a[1]));
        yellow += p[0] > 240 && p[1] > 200 && p[2] < 80;
    }
    EXPECT_GE(yellow, int(b[0] - a[0]) - 6);
    run("viewEvent release " + at(1.5, 0.5));
}

TEST(SlicePenSheet, OneRowPerOptionNamingTheControlsTheEditHookRefreshes) {
    testing::expectSheetMatches(splitOptionVars(), splitToolProperties(), splitEditHookTexts());
}

}  // namespace
}  // namespace stroke
