#pragma once
/// Turning a drawn stroke into mesh crossings: where each screen segment of the stroke crosses
/// the projection of a mesh edge, the edge parameter there (optionally snapped), and, for
/// strokes that start or end on a vertex, the face vertex nearest a screen point. Everything is
/// decided in port pixels (origin bottom-left), so what the user sees is what is cut.

#include <vector>

#include "frame/host_sdk.h"
#include "stroke/common/stroke_record.h"

namespace stroke {

/// A point in port pixels.
struct ScreenPoint {
    short x = 0, y = 0;
};

/// Where segment A-B crosses edge P-Q on screen: t along the edge (0 at P), s along the segment
/// (0 at A). `crosses` is false when the two are parallel on screen (zero denominator) or the
/// crossing lies off the edge or beyond the segment's tolerance of 1.4142 pixels scaled by the
/// edge's inverse screen length.
struct SegmentCrossing {
    bool parallel = true;
    bool crosses = false;
    double t = 0.0, s = 0.0;
};
SegmentCrossing crossSegment(ScreenPoint a, ScreenPoint b, ScreenPoint p, ScreenPoint q);

/// Edge snapping of an edge parameter. Type 1: `offset` from the nearer end; type 2: the nearest
/// of `intervals` equal steps. Any other type, and type 2 with fewer than one interval, is
/// invalid: the answer is 0 and `invalid` is set.
double snapEdgeParameter(double t, int type, double offset, int intervals, bool& invalid);

/// The text shown for an invalid snapping type.
inline constexpr const char* kInvalidSnappingType = "INVALID \"EDGE-SNAPPING TYPE\"!";

/// The snapping a stroke's segments get.
struct SnapSettings {
    int type = 1;
    double offset = 0.5;
    int intervals = 2;
};

/// One segment of a stroke: its end samples, the edges picked under it (null: none) and whether
/// its crossings are snapped.
struct StrokeSegment {
    ScreenPoint a, b;
    KObject edges;
    bool snap = false;
};

/// How crossings are collected.
struct SamplingRules {
    bool skipRepeatedEdge = false;  ///< an edge equal to the last recorded one counts once
    bool recordStrokePosition = false;
    bool negateParameter = false;  ///< t is negated instead of snapped (merge at nearer vertex)
    SnapSettings snap;
};

/// Appends the crossings of every segment, in stroke order (edges in iterator order within a
/// segment), to `out`. Answers false when a mesh query failed. Each snapped crossing that meets
/// an invalid snapping type shows `kInvalidSnappingType` as an error and gets t = 0.
bool collectCrossings(const KDagPath& mesh, const K3dView& view,
                      const std::vector<StrokeSegment>& segments, const SamplingRules& rules,
                      Crossings& out);

/// The vertex of `face` whose projection is nearest (x, y), its projection, and the first face
/// edge that starts (parameter 0) or ends (parameter 1) at it. A face always yields a vertex,
/// even when every projection is far off screen. Answers false when the face cannot be read.
bool nearestFaceVertex(const KDagPath& mesh, const K3dView& view, int face, ScreenPoint at,
                       VertexSnap& snap, ScreenPoint& snapped);

/// The first face the view ray through a pixel meets, and the hit point (world space); -1 when
/// the ray misses.
int faceUnderPixel(const KDagPath& mesh, const K3dView& view, ScreenPoint at,
                   KPoint* hit = nullptr);

}  // namespace stroke
