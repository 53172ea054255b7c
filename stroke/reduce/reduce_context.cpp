#include "stroke/reduce/reduce_context.h"

#include <array>

#include "stroke/common/stroke_sampling.h"
#include "stroke/reduce/reduce_action.h"

namespace stroke {

namespace {

const ToolProfile kProfile{"Draw Reduce Tool",
                           "drawReduceIcon.xpm",
                           "drawReduce",
                           "draw over a selected mesh to reduce it with the drawn line.",
                           "Line Mode",
                           "reduced",
                           "QT_drawReduceAutoBackfaceCulling"};

// Positions in reduceOptionVars().
enum ReduceOption {
    kMinSampleSize,
    kReductionType,
    kMergeVerticesAt,
    kSnappingWhen,
    kSnappingType,
    kSnappingOffset,
    kSnappingIntervals,
    kAutoBackface,
};

}  // namespace

KStatus drawReduceContextCmd::doEditFlags() {
    const std::vector<std::string> texts = reduceEditHookTexts();
    runEditHook("contextInfo -ex thinPenContext1", texts);
    return KStatus();
}

drawReduceContext::drawReduceContext() : StrokeContext(kProfile) {}

void drawReduceContext::readOptions() {
    const std::vector<double> v = readOptionVars(reduceOptionVars());
    m_minSampleSize = clampCount(v[kMinSampleSize], kMaxMinSampleSize);
    m_reductionType = int(v[kReductionType]);
    m_mergeVerticesAt = int(v[kMergeVerticesAt]);
    m_snappingWhen = int(v[kSnappingWhen]);
    m_snap.type = int(v[kSnappingType]);
    m_snap.offset = v[kSnappingOffset];
    m_snap.intervals = int(v[kSnappingIntervals]);
}

void drawReduceContext::afterOptions(KEvent& event) {
    m_segmentSnaps.clear();
    m_snapping = event.mouseButton() == KEvent::kLeftMouse && event.isModifierControl() &&
                 m_snappingWhen == 1;
    if (m_snapping) KGlobal::displayInfo(kSnapOnText);
}

void drawReduceContext::beforeDragSample(KEvent& event) {
    if (m_reductionType != 1 || m_snappingWhen != 1) {
        m_snapping = false;
        return;
    }
    const bool ctrl = event.isModifierControl();
    if (ctrl != m_snapping) KGlobal::displayInfo(ctrl ? kSnapOnText : kSnapOffText);
    m_snapping = ctrl;
}

void drawReduceContext::onSegment(int segment, bool) {
    m_segmentSnaps.resize(std::size_t(segment) + 1);
    m_segmentSnaps[std::size_t(segment)] = m_snapping;
}

void drawReduceContext::releaseStroke(KEvent& event) {
    ReduceRequest request;
    request.mesh = mesh().name;
    request.reductionType = m_reductionType;
    request.middle = event.mouseButton() == KEvent::kMiddleMouse;
    request.ctrl = event.isModifierControl();

    // Crossings, snapped per segment (or t negated for a merge at the nearer vertex).
    std::vector<StrokeSegment> segs = segments();
    for (std::size_t i = 0; i < segs.size(); ++i)
        segs[i].snap = m_snappingWhen == 2 ||
                       (m_snappingWhen == 1 && i < m_segmentSnaps.size() && m_segmentSnaps[i]);
    SamplingRules rules;
    rules.snap = m_snap;
    rules.negateParameter = m_reductionType == 1 && request.middle && request.ctrl;
    Crossings crossings;
    const bool queried = collectCrossings(mesh().path, view(), segs, rules, crossings);
    reselectMesh();
    if (!queried) {
        KGlobal::displayError(kReduceFailedText);
        return;
    }
    if (crossings.empty()) return;
    if (m_reductionType != 1 && m_reductionType != 2) {
        KGlobal::displayError(KString("Unknown reduction type " + std::to_string(m_reductionType) +
                                      ": QT_drawReduceReductionType must be 1 or 2."));
        return;
    }
    if (m_reductionType == 1 && request.middle && m_mergeVerticesAt == 1) {
        ScreenPoint at;
        event.getPosition(at.x, at.y);
        KPoint hit;
        if (faceUnderPixel(mesh().path, view(), at, &hit) >= 0) request.mergePoint = hit;
    }
    runReduceText(reduceCommandText(request, crossings));
}

}  // namespace stroke
