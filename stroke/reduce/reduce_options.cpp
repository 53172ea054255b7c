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

// The tool-property sheet: one row per control above, in the same order.
constexpr const char* kSnappingWhen = "QT_drawReduceEdgeSnappingWhen";
constexpr const char* kSnappingType = "QT_drawReduceEdgeSnappingType";
const KToolProperty kSheet[] = {
    {.optionVar = "QT_drawReduceMinSampleSize",
     .control = "QT_drawReduceMinSampleSizeIntSliderGrp",
     .label = "Min sample size",
     .meaning = "minimum drag distance in pixels between stroke samples",
     .kind = KToolProperty::kIntSlider,
     .minValue = 1,
     .maxValue = kMaxMinSampleSize,
     .sliderMin = 1,
     .sliderMax = 100},
    {.optionVar = "QT_drawReduceReductionType",
     .control = "QT_drawReduceReductionTypeRadioButtonGrp",
     .label = "Reduction",
     .meaning = "1: collapse the crossed edges (left button) or merge their vertices (middle "
                "button); 2: delete the crossed edges, or their vertices with Ctrl",
     .kind = KToolProperty::kRadioGroup,
     .choices = "Collapse or merge|Delete",
     .firstChoice = 1},
    {.optionVar = "QT_drawReduceMergeVerticesAt",
     .control = "QT_drawReduceMergeVerticesAtRadioButtonGrp",
     .label = "Merge vertices at",
     .meaning = "1: a middle-button merge moves the vertices to the point under the release "
                "first; 2: they merge where the merge puts them",
     .kind = KToolProperty::kRadioGroup,
     .choices = "Release point|Their centre",
     .firstChoice = 1},
    {.optionVar = kSnappingWhen,
     .control = "QT_drawReduceEdgeSnappingWhenRadioButtonGrp",
     .label = "Edge snapping",
     .meaning = "0: never snap crossings along their edges; 1: snap segments drawn while Ctrl "
                "is held; 2: always snap",
     .kind = KToolProperty::kRadioGroup,
     .choices = "Never|While Ctrl is held|Always",
     .firstChoice = 0},
    {.optionVar = kSnappingType,
     .control = "QT_drawReduceEdgeSnappingTypeRadioButtonGrp",
     .label = "Snapping type",
     .meaning = "1: a fixed offset from the nearer end of the edge; 2: equal intervals along it",
     .kind = KToolProperty::kRadioGroup,
     .choices = "Offset from nearer end|Equal intervals",
     .firstChoice = 1,
     .enabledBy = kSnappingWhen},
    {.optionVar = "QT_drawReduceEdgeSnappingOffset",
     .control = "QT_drawReduceEdgeSnappingOffsetFloatSliderGrp",
     .label = "Snapping offset",
     .meaning = "offset from the nearer end of the edge, as a fraction of the edge (snapping "
                "type 1)",
     .kind = KToolProperty::kFloatSlider,
     .minValue = 0,
     .maxValue = 1,
     .sliderMin = 0,
     .sliderMax = 0.5,
     .enabledBy = kSnappingWhen,
     .enabledWhen = kSnappingType,
     .enabledWhenValue = 1},
    {.optionVar = "QT_drawReduceEdgeSnappingIntervals",
     .control = "QT_drawReduceEdgeSnappingIntervalsIntSliderGrp",
     .label = "Snapping intervals",
     .meaning = "number of equal intervals along the edge (snapping type 2)",
     .kind = KToolProperty::kIntSlider,
     .minValue = 1,
     .maxValue = 1000,
     .sliderMin = 1,
     .sliderMax = 10,
     .enabledBy = kSnappingWhen,
     .enabledWhen = kSnappingType,
     .enabledWhenValue = 2},
    {.optionVar = "QT_drawReduceAutoBackfaceCulling",
     .control = "QT_drawReduceAutoBackfaceCullingCheckBox",
     .label = "Auto back-face culling",
     .meaning = "turn the global back-face display on while the tool is active, off when it is "
                "left",
     .kind = KToolProperty::kCheckBox},
};

}  // namespace

std::span<const KToolProperty> reduceToolProperties() {
    return kSheet;
}

std::span<const OptionVar> reduceOptionVars() {
    return kOptions;
}

std::vector<std::string> reduceEditHookTexts() {
    return {optionDefaultsText(kOptions), controlUpdatesText(kControls, true)};
}

}  // namespace stroke
