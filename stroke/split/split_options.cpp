// slicePen's option variables and the texts of its edit hook, as data.

#include <array>

#include "stroke/split/split_context.h"

namespace stroke {

namespace {

const std::array<OptionVar, 10> kOptions{{
    {"QT_drawSplitMinSampleSize", false, "25"},
    {"QT_drawSplitMultiSlices", false, "1"},
    {"QT_drawSplitMultiSliceDropoffPower", true, "1"},
    {"QT_drawSplitSubdivisions", false, "1"},
    {"QT_drawSplitEdgeSnapping", false, "0"},
    {"QT_drawSplitEdgeSnappingType", false, "1"},
    {"QT_drawSplitEdgeSnappingOffset", true, "0.5"},
    {"QT_drawSplitEdgeSnappingIntervals", false, "2"},
    {"QT_drawSplitSelectNewVertsUponExit", false, "1"},
    {"QT_drawSplitAutoBackfaceCulling", false, "1"},
}};

const ControlRow kSliceControls[] = {
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

const ControlRow kSnapControls[] = {
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
     "QT_drawSplitEdgeSnappingType`==2)) -value `optionVar -q QT_drawSplitEdgeSnappingIntervals` "
     "QT_drawSplitEdgeSnappingIntervalsIntSliderGrp;"},
    {"radioButtonGrp -ex QT_drawSplitSelectNewVertsUponExitRadioButtonGrp",
     "radioButtonGrp -e -select (`optionVar -q QT_drawSplitSelectNewVertsUponExit`+1) "
     "QT_drawSplitSelectNewVertsUponExitRadioButtonGrp;"},
    {"checkBox -ex QT_drawSplitAutoBackfaceCullingCheckBox",
     "checkBox -e -value `optionVar -q QT_drawSplitAutoBackfaceCulling` "
     "QT_drawSplitAutoBackfaceCullingCheckBox;"},
};

// The tool-property sheet: one row per control above, in the same order.
constexpr const char* kSnapping = "QT_drawSplitEdgeSnapping";
constexpr const char* kSnappingType = "QT_drawSplitEdgeSnappingType";
const KToolProperty kSheet[] = {
    {.optionVar = "QT_drawSplitMinSampleSize",
     .control = "QT_drawSplitMinSampleSizeIntSliderGrp",
     .label = "Min sample size",
     .meaning = "minimum drag distance in pixels between stroke samples",
     .kind = KToolProperty::kIntSlider,
     .minValue = 1,
     .maxValue = kMaxMinSampleSize,
     .sliderMin = 1,
     .sliderMax = 100},
    {.optionVar = "QT_drawSplitMultiSlices",
     .control = "QT_drawSplitMultiSlicesIntSliderGrp",
     .label = "Multi-slices",
     .meaning = "number of parallel slices a stroke cuts; also the number of new vertices per "
                "edge of a middle-button stroke",
     .kind = KToolProperty::kIntSlider,
     .minValue = 1,
     .maxValue = kMaxSlices,
     .sliderMin = 1,
     .sliderMax = 10},
    {.optionVar = "QT_drawSplitMultiSliceDropoffPower",
     .control = "QT_drawSplitMultiSliceDropoffPowerFloatSliderGrp",
     .label = "Dropoff power",
     .meaning = "spacing of parallel slices across the cut strip: 1 even, above 1 gathered near "
                "the stroke, below 1 pushed to the strip's sides",
     .kind = KToolProperty::kFloatSlider,
     .minValue = 0.01,
     .maxValue = 100,
     .sliderMin = 0.1,
     .sliderMax = 5},
    {.optionVar = "QT_drawSplitSubdivisions",
     .control = "QT_drawSplitSubdivisionsIntSliderGrp",
     .label = "Subdivisions",
     .meaning = "pieces each new split segment is cut into, their points placed under the stroke",
     .kind = KToolProperty::kIntSlider,
     .minValue = 1,
     .maxValue = kMaxSubdivisions,
     .sliderMin = 1,
     .sliderMax = 10},
    {.optionVar = kSnapping,
     .control = "QT_drawSplitEdgeSnappingCheckBox",
     .label = "Edge snapping",
     .meaning = "snap each crossing along its edge, as the snapping type says",
     .kind = KToolProperty::kCheckBox},
    {.optionVar = kSnappingType,
     .control = "QT_drawSplitEdgeSnappingTypeRadioButtonGrp",
     .label = "Snapping type",
     .meaning = "1: a fixed offset from the nearer end of the edge; 2: equal intervals along it",
     .kind = KToolProperty::kRadioGroup,
     .choices = "Offset from nearer end|Equal intervals",
     .firstChoice = 1,
     .enabledBy = kSnapping},
    {.optionVar = "QT_drawSplitEdgeSnappingOffset",
     .control = "QT_drawSplitEdgeSnappingOffsetFloatSliderGrp",
     .label = "Snapping offset",
     .meaning = "offset from the nearer end of the edge, as a fraction of the edge (snapping "
                "type 1)",
     .kind = KToolProperty::kFloatSlider,
     .minValue = 0,
     .maxValue = 1,
     .sliderMin = 0,
     .sliderMax = 0.5,
     .enabledBy = kSnapping,
     .enabledWhen = kSnappingType,
     .enabledWhenValue = 1},
    {.optionVar = "QT_drawSplitEdgeSnappingIntervals",
     .control = "QT_drawSplitEdgeSnappingIntervalsIntSliderGrp",
     .label = "Snapping intervals",
     .meaning = "number of equal intervals along the edge (snapping type 2)",
     .kind = KToolProperty::kIntSlider,
     .minValue = 1,
     .maxValue = 1000,
     .sliderMin = 1,
     .sliderMax = 10,
     .enabledBy = kSnapping,
     .enabledWhen = kSnappingType,
     .enabledWhenValue = 2},
    {.optionVar = "QT_drawSplitSelectNewVertsUponExit",
     .control = "QT_drawSplitSelectNewVertsUponExitRadioButtonGrp",
     .label = "Select on exit",
     .meaning = "what is selected when the tool is left: nothing, the new vertices of the last "
                "operation, or all new vertices since the tool was activated",
     .kind = KToolProperty::kRadioGroup,
     .choices = "Nothing|Last operation's vertices|All new vertices",
     .firstChoice = 0},
    {.optionVar = "QT_drawSplitAutoBackfaceCulling",
     .control = "QT_drawSplitAutoBackfaceCullingCheckBox",
     .label = "Auto back-face culling",
     .meaning = "turn the global back-face display on while the tool is active, off when it is "
                "left",
     .kind = KToolProperty::kCheckBox},
};

}  // namespace

std::span<const KToolProperty> splitToolProperties() {
    return kSheet;
}

std::span<const OptionVar> splitOptionVars() {
    return kOptions;
}

std::vector<std::string> splitEditHookTexts() {
    return {optionDefaultsText(kOptions), controlUpdatesText(kSliceControls, false),
            controlUpdatesText(kSnapControls, true)};
}

}  // namespace stroke
