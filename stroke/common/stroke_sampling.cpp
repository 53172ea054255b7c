#include "stroke/common/stroke_sampling.h"

#include <cmath>

namespace stroke {

SegmentCrossing crossSegment(ScreenPoint a, ScreenPoint b, ScreenPoint p, ScreenPoint q) {
    SegmentCrossing c;
    const double x0 = a.x, y0 = a.y, x1 = b.x, y1 = b.y;
    const double px = p.x, py = p.y, qx = q.x, qy = q.y;
    const double denominator = (qx - px) * (y1 - y0) - (qy - py) * (x1 - x0);
    if (denominator == 0.0) return c;
    c.parallel = false;
    const double length = std::hypot(qx - px, qy - py);
    c.t = ((py - y0) * (x1 - x0) - (px - x0) * (y1 - y0)) / denominator;
    c.s = ((py - y0) * (qx - px) - (px - x0) * (qy - py)) / denominator;
    // Note: the tolerance widens the segment, not the edge, and grows as the edge shrinks.
    const double tolerance = 1.4142 / length;
    c.crosses = c.s >= -tolerance && c.s <= 1.0 + tolerance && c.t >= 0.0 && c.t <= 1.0;
    return c;
}

double snapEdgeParameter(double t, int type, double offset, int intervals, bool& invalid) {
    if (type == 1) return t < 0.5 ? offset : 1.0 - offset;
    if (type == 2 && intervals >= 1) return std::floor(t * intervals + 0.5) / intervals;
    invalid = true;
    return 0.0;
}

namespace {

ScreenPoint project(const K3dView& view, const KPoint& world) {
    ScreenPoint p;
    view.worldToView(world, p.x, p.y);
    return p;
}

}  // namespace

bool collectCrossings(const KDagPath& mesh, const K3dView& view,
                      const std::vector<StrokeSegment>& segments, const SamplingRules& rules,
                      Crossings& out) {
    for (std::size_t i = 0; i < segments.size(); ++i) {
        const StrokeSegment& seg = segments[i];
        if (seg.edges.isNull()) continue;
        KStatus status;
        KItMeshEdge it(mesh, seg.edges, &status);
        if (!status) return false;
        for (; !it.isDone(); it.next()) {
            const int edge = it.index();
            const KPoint p0 = it.point(0, KSpace::kWorld, &status);
            if (!status) return false;
            const KPoint p1 = it.point(1, KSpace::kWorld, &status);
            if (!status) return false;
            const SegmentCrossing c =
                crossSegment(seg.a, seg.b, project(view, p0), project(view, p1));
            if (c.parallel) continue;
            if (rules.skipRepeatedEdge && !out.empty() && out.edges.back() == edge) continue;
            if (!c.crosses) continue;
            double t = c.t;
            if (rules.negateParameter)
                t = -t;
            else if (seg.snap) {
                bool invalid = false;
                t = snapEdgeParameter(t, rules.snap.type, rules.snap.offset, rules.snap.intervals,
                                      invalid);
                if (invalid) KGlobal::displayError(kInvalidSnappingType);
            }
            const KPoint o0 = it.point(0, KSpace::kObject, &status);
            const KPoint o1 = it.point(1, KSpace::kObject, &status);
            if (!status) return false;
            out.edges.push_back(edge);
            out.vertex0.push_back(it.index(0));
            out.vertex1.push_back(it.index(1));
            out.t.push_back(t);
            out.strokePos.push_back(rules.recordStrokePosition ? double(i) + c.s : 0.0);
            out.edgeVector.push_back(o1 - o0);
        }
    }
    return true;
}

bool nearestFaceVertex(const KDagPath& mesh, const K3dView& view, int face, ScreenPoint at,
                       VertexSnap& snap, ScreenPoint& snapped) {
    KStatus status;
    KFnMesh fn(mesh, &status);
    if (!status) return false;
    KIntArray vertices, edges;
    if (!fn.getPolygonVertices(face, vertices) || !fn.getPolygonEdges(face, edges)) return false;
    if (vertices.length() == 0) return false;
    // Note: the first vertex wins outright, so a face whose corners all project far away (or
    // behind the eye) still gives a vertex.
    int best = -1;
    double bestDistance = 1000000.0;
    for (unsigned k = 0; k < vertices.length(); ++k) {
        KPoint world;
        if (!fn.getPoint(vertices[k], world, KSpace::kWorld)) return false;
        const ScreenPoint p = project(view, world);
        const double d = std::hypot(double(p.x) - at.x, double(p.y) - at.y);
        if (best < 0 || d < bestDistance) {
            best = int(k);
            bestDistance = d;
            snapped = p;
        }
    }
    snap = VertexSnap();
    snap.face = face;
    snap.vertex = vertices[unsigned(best)];
    for (unsigned k = 0; k < edges.length(); ++k) {
        int2 ends;
        if (!fn.getEdgeVertices(edges[k], ends)) return false;
        if (ends[0] == snap.vertex || ends[1] == snap.vertex) {
            snap.edge = edges[k];
            snap.param = ends[0] == snap.vertex ? 0.0 : 1.0;
            break;
        }
    }
    return true;
}

int faceUnderPixel(const KDagPath& mesh, const K3dView& view, ScreenPoint at, KPoint* hit) {
    KPoint nearPoint;
    KVector direction;
    if (!view.viewToWorld(at.x, at.y, nearPoint, direction)) return -1;
    KStatus status;
    KFnMesh fn(mesh, &status);
    if (!status) return -1;
    KPointArray points;
    KIntArray faces;
    if (!fn.intersect(nearPoint, direction, points, 1e-10, KSpace::kWorld, &faces) ||
        faces.length() == 0)
        return -1;
    if (hit) *hit = points[0];
    return faces[0];
}

}  // namespace stroke
