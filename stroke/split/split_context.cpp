#include "stroke/split/split_context.h"

#include "stroke/common/stroke_sampling.h"

namespace stroke {

namespace {

const ToolProfile kProfile{"Draw Split Tool",
                           "drawSplitIcon.xpm",
                           "drawSplit",
                           "draw over a selected mesh to split it with the drawn line.",
                           "Line mode",
                           "split",
                           "QT_drawSplitAutoBackfaceCulling"};

// Positions in splitOptionVars().
enum SplitOption {
    kMinSampleSize,
    kMultiSlices,
    kDropoffPower,
    kSubdivisions,
    kSnapping,
    kSnappingType,
    kSnappingOffset,
    kSnappingIntervals,
    kSelectNewVerts,
    kAutoBackface,
};

}  // namespace

KStatus drawSplitContextCmd::doEditFlags() {
    const std::vector<std::string> texts = splitEditHookTexts();
    runEditHook("contextInfo -ex slicePenContext1", texts);
    return KStatus();
}

drawSplitContext::drawSplitContext() : StrokeContext(kProfile) {}

void drawSplitContext::onExit() {
    double mode = 0;
    KGlobal::executeCommand("optionVar -q QT_drawSplitSelectNewVertsUponExit", mode);
    selectNewVerticesOnExit(m_vertices, int(mode));
}

void drawSplitContext::readOptions() {
    // Every option but AutoBackfaceCulling, which set-up and clean-up read.
    const std::vector<double> v = readOptionVars(splitOptionVars().first(kAutoBackface));
    m_minSampleSize = clampCount(v[kMinSampleSize], kMaxMinSampleSize);
    m_options.multiSlices = clampCount(v[kMultiSlices], kMaxSlices);
    m_options.dropoffPower = v[kDropoffPower];
    m_options.subdivisions = clampCount(v[kSubdivisions], kMaxSubdivisions);
    m_options.edgeSnapping = int(v[kSnapping]);
    m_snappingType = int(v[kSnappingType]);
    m_snappingOffset = v[kSnappingOffset];
    m_snappingIntervals = int(v[kSnappingIntervals]);
    m_options.selectNewVertsUponExit = int(v[kSelectNewVerts]);
}

void drawSplitContext::onStrokePress(KEvent& event, ScreenPoint& first) {
    m_record = StrokeRecord();
    m_ctrl = event.isModifierControl();
    ScreenPoint at;
    event.getPosition(at.x, at.y);
    const int face = faceUnderPixel(mesh().path, view(), at);
    if (face < 0) m_ctrl = false;
    if (m_ctrl && event.mouseButton() == KEvent::kLeftMouse) {
        VertexSnap snap;
        ScreenPoint snapped;
        if (nearestFaceVertex(mesh().path, view(), face, at, snap, snapped) && snap.isSet()) {
            m_record.startSnap = snap;
            m_record.startedAtVertex = true;
            first = snapped;
        }
    }
}

void drawSplitContext::afterFirstSample(KEvent& event) {
    if (!m_ctrl) return;
    ScreenPoint at;
    event.getPosition(at.x, at.y);
    const bool wasLineMode = lineMode();
    setLineMode(false);
    addSample(at);
    setLineMode(wasLineMode);
    if (wasLineMode) addSample({short(at.x + 1), short(at.y - 1)});
}

void drawSplitContext::onSample(ScreenPoint at, bool moved) {
    KPoint nearPoint;
    KVector direction;
    view().viewToWorld(at.x, at.y, nearPoint, direction);
    // Note: a sample moved in Line mode moves its world point too, so the stroke curve follows
    // what the user sees.
    if (moved && !m_record.worldSamples.empty())
        m_record.worldSamples.back() = nearPoint;
    else
        m_record.worldSamples.push_back(nearPoint);
}

bool drawSplitContext::segmentTakesSelection(int segment) const {
    if (m_record.startedAtVertex && segment == 0) return false;
    return !m_record.endedAtVertex;
}

int drawSplitContext::releasedSampleCount() const {
    const int n = int(samples().size());
    return m_ctrl && n == 2 ? 1 : n;
}

bool drawSplitContext::snapCrossing(const VertexSnap& snap, double position, Crossings& out) const {
    KStatus status;
    KFnMesh fn(mesh().path, &status);
    int2 ends;
    if (!status || !fn.getEdgeVertices(snap.edge, ends)) return false;
    KPoint p0, p1;
    if (!fn.getPoint(ends[0], p0) || !fn.getPoint(ends[1], p1)) return false;
    out.edges.push_back(snap.edge);
    out.vertex0.push_back(ends[0]);
    out.vertex1.push_back(ends[1]);
    out.t.push_back(snap.param);
    out.strokePos.push_back(position);
    out.edgeVector.push_back(p1 - p0);
    return true;
}

void drawSplitContext::releaseStroke(KEvent& event) {
    ScreenPoint at;
    event.getPosition(at.x, at.y);
    m_record.mesh = mesh();
    m_record.middleButton = event.mouseButton() == KEvent::kMiddleMouse;
    m_record.ctrl = event.isModifierControl();
    m_record.releaseX = at.x;
    m_record.releaseY = at.y;

    // End at a vertex: the last sample goes to the nearest vertex of the face under the release.
    if (m_record.ctrl && !m_record.middleButton) {
        const int face = faceUnderPixel(mesh().path, view(), at);
        VertexSnap snap;
        ScreenPoint snapped;
        if (face >= 0 && nearestFaceVertex(mesh().path, view(), face, at, snap, snapped) &&
            snap.isSet()) {
            m_record.endSnap = snap;
            m_record.endedAtVertex = true;
            addSample(snapped);
        }
    }

    bool ok = true;
    if (m_record.startedAtVertex) ok = snapCrossing(m_record.startSnap, 0.0, m_record.crossings);
    SamplingRules rules;
    rules.skipRepeatedEdge = true;
    rules.recordStrokePosition = true;
    rules.snap = {m_snappingType, m_snappingOffset, m_snappingIntervals};
    std::vector<StrokeSegment> segs = segments();
    for (StrokeSegment& s : segs) s.snap = m_options.edgeSnapping != 0;
    ok = collectCrossings(mesh().path, view(), segs, rules, m_record.crossings) && ok;
    Crossings& c = m_record.crossings;
    if (m_record.endedAtVertex && !c.empty() && c.edges.back() != m_record.endSnap.edge) {
        ok = snapCrossing(m_record.endSnap, double(m_record.worldSamples.size()) - 1.0, c) && ok;
    } else {
        m_record.endSnap = VertexSnap();
        m_record.endedAtVertex = false;
    }
    m_record.queryError = !ok;
    runSplit(m_record, m_options, view(), m_vertices);
}

void drawSplitContext::onCleanup() {
    m_record = StrokeRecord();
    m_ctrl = false;
}

}  // namespace stroke
