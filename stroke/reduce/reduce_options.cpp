// thinPen's option variables and the texts of its edit hook, as data.

#include <array>

#include "stroke/reduce/reduce_context.h"

namespace stroke {

namespace {

const std::array<OptionVar, 8> kOptions{{
    {"QT_drawReduceMinSampleSize", false, "25"},
    {"QT_drawReduceReductionType", false, "1"},
    {"QT_drawReduceMergeVerticesAt", false, "1"},
    {"QT_drawReduceEdgeSnappingWhen", false, "1"},
    {"QT_drawReduceEdgeSnappingType", false, "1"},
    {"QT_drawReduceEdgeSnappingOffset", true, "0.5"},
    {"QT_drawReduceEdgeSnappingIntervals", false, "2"},
    {"QT_drawReduceAutoBackfaceCulling", false, "1"},
}};

const ControlRow kControls[] = {
    {"intSliderGrp -ex QT_drawReduceMinSampleSizeIntSliderGrp",
     "intSliderGrp -e -value `optionVar -q QT_drawReduceMinSampleSize` "
     "QT_drawReduceMinSampleSizeIntSliderGrp;"},
    {"radioButtonGrp -ex QT_drawReduceReductionTypeRadioButtonGrp",
     "radioButtonGrp -e -select `optionVar -q QT_drawReduceReductionType` "
     "QT_drawReduceReductionTypeRadioButtonGrp;"},
    {"radioButtonGrp -ex QT_drawReduceMergeVerticesAtRadioButtonGrp",
     "radioButtonGrp -e -select `optionVar -q QT_drawReduceMergeVerticesAt` "
     "QT_drawReduceMergeVerticesAtRadioButtonGrp;"},
    {"radioButtonGrp -ex QT_drawReduceEdgeSnappingWhenRadioButtonGrp",
     "radioButtonGrp -e -select (`optionVar -q QT_drawReduceEdgeSnappingWhen`+1) "
     "QT_drawReduceEdgeSnappingWhenRadioButtonGrp;"},
    {"radioButtonGrp -ex QT_drawReduceEdgeSnappingTypeRadioButtonGrp",
     "radioButtonGrp -e -en `optionVar -q QT_drawReduceEdgeSnappingWhen` -select `optionVar -q "
     "QT_drawReduceEdgeSnappingType` QT_drawReduceEdgeSnappingTypeRadioButtonGrp;"},
    {"floatSlider -ex QT_drawReduceEdgeSnappingOffsetFloatSliderGrp",
     "floatSliderGrp -e -en (`optionVar -q QT_drawReduceEdgeSnappingWhen`&&(`optionVar -q "
     "QT_drawReduceEdgeSnappingType`==1)) -value `optionVar -q QT_drawReduceEdgeSnappingOffset` "
     "QT_drawReduceEdgeSnappingOffsetFloatSliderGrp;"},
    {"intSliderGrp -ex QT_drawReduceEdgeSnappingIntervalsIntSliderGrp",
     "intSliderGrp -e -en (`optionVar -q QT_drawReduceEdgeSnappingWhen`&&(`optionVar -q "
     "QT_drawReduceEdgeSnappingType`==2)) -value `optionVar -q "
     "QT_drawReduceEdgeSnappingIntervals` QT_drawReduceEdgeSnappingIntervalsIntSliderGrp;"},
    {"checkBox -ex QT_drawReduceAutoBackfaceCullingCheckBox",
     "checkBox -e -value `optionVar -q QT_drawReduceAutoBackfaceCulling` "
     "QT_drawReduceAutoBackfaceCullingCheckBox;"},
};

}  // namespace

std::span<const OptionVar> reduceOptionVars() {
    return kOptions;
}

std::vector<std::string> reduceEditHookTexts() {
    return {optionDefaultsText(kOptions), controlUpdatesText(kControls, true)};
}

}  // namespace stroke
