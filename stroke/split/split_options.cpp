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

}  // namespace

std::span<const OptionVar> splitOptionVars() {
    return kOptions;
}

std::vector<std::string> splitEditHookTexts() {
    return {optionDefaultsText(kOptions), controlUpdatesText(kSliceControls, false),
            controlUpdatesText(kSnapControls, true)};
}

}  // namespace stroke
