#include "stroke/split/split_action.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "stroke/split/split_chains.h"
#include "stroke/split/split_text.h"

namespace stroke {

namespace {

constexpr const char* kSplitFailed = "Split failed to compute!  Please try again.";
constexpr const char* kSubdivideFailed = "Subdivide failed to compute!  Please try again.";

int clampCount(int value) {
    return std::clamp(value, 1, kMaxSplitCount);
}

// Runs a text as one undoable step. With undo on, the host runs a plug-in's text whole or not
// at all: a text failing part-way is taken back, also inside a gesture's open undo chunk.
bool executeWhole(const KString& text) {
    return static_cast<bool>(KGlobal::executeCommand(text, false, true));
}

// Selects the mesh's transform alone (replacing the selection).
void selectMesh(const KDagPath& shape) {
    KSelectionList list;
    if (list.add(shape.transform())) KGlobal::setActiveSelectionList(list);
}

int vertexCount(const KDagPath& shape) {
    KStatus status;
    const int count = KFnMesh(shape).numVertices(&status);
    return status ? count : -1;
}

// After an operation: the mesh is the first selected item again (the edit selects it); its new
// vertices are the ones past the count before.
void recordNewVertices(NewVertexBookkeeping& vertices, int countBefore,
                       const StrokeRecord& record) {
    KDagPath path = record.mesh.path;
    KSelectionList selection;
    KDagPath selected;
    if (KGlobal::getActiveSelectionList(selection) && selection.length() > 0 &&
        selection.getDagPath(0, selected) && selected.extendToShape() && selected.hasFn(KFn::kMesh))
        path = selected;
    const KString name = path.partialPathName();
    vertices.meshName = name.length() > 0 ? name.asChar() : record.mesh.name;
    const int countAfter = vertexCount(path);
    if (countBefore < 0 || countAfter <= countBefore) return;
    vertices.lastFirst = countBefore;
    vertices.lastLast = countAfter - 1;
    if (vertices.firstSinceActivation < 0) vertices.firstSinceActivation = countBefore;
}

// The stroke as a degree-1 curve in the scene (knot i at sample i), and the face points of a
// single cut taken where the view ray through the curve meets the mesh.
class StrokeCurve : public FacePointSource {
public:
    StrokeCurve(const StrokeRecord& record, K3dView& view)
        : m_record(record), m_view(view), m_mesh(record.mesh.path) {
        KDagPath camera;
        if (view.getCamera(camera)) {
            KFnCamera fn(camera);
            m_orthographic = fn.isOrtho();
            m_eye = fn.eyePoint(KSpace::kWorld);
            m_hasCamera = true;
        }
        m_worldToObject = record.mesh.inclusiveMatrix.inverse();
    }
    ~StrokeCurve() override { remove(); }

    /// Makes the curve through the samples' near points; false when there are fewer than two.
    bool create() {
        const auto& samples = m_record.worldSamples;
        if (samples.size() < 2) return false;
        KPointArray cvs;
        KDoubleArray knots;
        for (std::size_t i = 0; i < samples.size(); ++i) {
            cvs.append(samples[i]);
            knots.append(static_cast<double>(i));
        }
        KFnNurbsCurve fn;
        KStatus status;
        m_curve = fn.create(cvs, knots, 1, KFnNurbsCurve::kOpen, false, false, KObject::kNullObj,
                            &status);
        if (!status || m_curve.isNull()) {
            m_curve = KObject();
            return false;
        }
        m_name = KFnDependencyNode(m_curve).name();
        // World-space evaluation goes through a path to the shape.
        if (!KDagPath::getAPathTo(m_curve, m_curvePath) || !m_curvePath.extendToShape()) {
            remove();
            return false;
        }
        return true;
    }
    bool exists() const { return !m_curve.isNull(); }

    /// Closes the curve back to its first sample (once).
    void close() {
        if (!exists() || m_closed) return;
        m_closed = static_cast<bool>(KGlobal::executeCommand(
            "closeCurve -ch 0 -ps 1 -rpo 1 -bb 0.5 -bki 0 -p 0.1 " + m_name, false, true));
    }

    /// Deletes the curve (undoable, so a gesture's chunk that made it also takes it back whole).
    void remove() {
        if (!exists()) return;
        KGlobal::executeCommand("delete " + m_name, false, true);
        m_curve = KObject();
    }

    bool facePoint(double param, int face, KPoint& objectPoint) override {
        if (!exists()) return false;
        KFnNurbsCurve curve(m_curvePath);
        KPoint onCurve;
        if (!curve.getPointAtParam(param, onCurve, KSpace::kWorld)) return false;
        // Orthographic views (and the automatic camera) cast along the view line of the point's
        // pixel; perspective ones from the eye through the point.
        KPoint source;
        KVector direction;
        if (m_hasCamera && !m_orthographic) {
            source = m_eye;
            direction = onCurve - m_eye;
        } else {
            short x = 0, y = 0;
            KPoint nearPt, farPt;
            if (!m_view.worldToView(onCurve, x, y) || !m_view.viewToWorld(x, y, nearPt, farPt))
                return false;
            source = nearPt;
            direction = farPt - nearPt;
        }
        return hitOnFace(source * m_worldToObject, direction * m_worldToObject, face, objectPoint);
    }

private:
    // The point at or ahead of `source` where the ray meets `face` (object space), tested
    // against that face alone: the ray meets the face's plane (Newell normal, through its
    // centroid) inside the polygon (even-odd test, concave faces included). Note: the mesh's
    // own triangulation is not asked for; building it for a large mesh after every edit would
    // cost more than the whole split.
    bool hitOnFace(const KPoint& source, const KVector& direction, int face, KPoint& hit) const {
        KIntArray corners;
        if (!m_mesh.getPolygonVertices(face, corners) || corners.length() < 3) return false;
        std::vector<KPoint> p(corners.length());
        KVector normal;
        KVector centroid;
        for (unsigned i = 0; i < corners.length(); ++i) {
            m_mesh.getPoint(corners[i], p[i], KSpace::kObject);
            centroid += KVector(p[i].x, p[i].y, p[i].z);
        }
        centroid = centroid / static_cast<double>(p.size());
        for (std::size_t i = 0; i < p.size(); ++i) {
            const KPoint& a = p[i];
            const KPoint& b = p[(i + 1) % p.size()];
            normal += KVector((a.y - b.y) * (a.z + b.z), (a.z - b.z) * (a.x + b.x),
                              (a.x - b.x) * (a.y + b.y));
        }
        const double facing = normal * direction;
        if (std::abs(facing) < 1e-300) return false;
        const KVector toPlane = centroid - KVector(source.x, source.y, source.z);
        const double t = (normal * toPlane) / facing;
        if (!(t >= 0)) return false;
        const KPoint q = source + direction * t;
        // Even-odd test in the plane of the two axes the normal leans on least.
        const double ax = std::abs(normal.x), ay = std::abs(normal.y), az = std::abs(normal.z);
        const int drop = ax >= ay && ax >= az ? 0 : (ay >= az ? 1 : 2);
        const int u = drop == 0 ? 1 : 0, v = drop == 2 ? 1 : 2;
        auto coord = [](const KPoint& pt, int axis) {
            return axis == 0 ? pt.x : (axis == 1 ? pt.y : pt.z);
        };
        const double qu = coord(q, u), qv = coord(q, v);
        bool inside = false;
        for (std::size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
            const double iu = coord(p[i], u), iv = coord(p[i], v);
            const double ju = coord(p[j], u), jv = coord(p[j], v);
            if ((iv > qv) != (jv > qv) && qu < (ju - iu) * (qv - iv) / (jv - iv) + iu)
                inside = !inside;
        }
        if (!inside) return false;
        hit = q;
        return true;
    }

    const StrokeRecord& m_record;
    K3dView& m_view;
    KFnMesh m_mesh;
    KObject m_curve;
    KDagPath m_curvePath;
    KString m_name;
    KMatrix m_worldToObject;
    KPoint m_eye;
    bool m_orthographic = false, m_hasCamera = false, m_closed = false;
};

void runSubdivision(const StrokeRecord& record, const SplitOptions& options, bool singleCut,
                    NewVertexBookkeeping& vertices) {
    if (record.queryError) {
        KGlobal::displayError(kSubdivideFailed);
        return;
    }
    selectMesh(record.mesh.path);
    const KString text = subdivideEdgeText(record, clampCount(options.multiSlices), singleCut);
    const int before = vertexCount(record.mesh.path);
    const bool done = executeWhole(text);
    if (done) KGlobal::displayInfo("Result: Performed a \"polySubdivideEdge\".");
    recordNewVertices(vertices, before, record);
    if (done) vertices.lastStartedAtVertex = vertices.lastEndedAtVertex = false;
}

void runCut(const StrokeRecord& record, const SplitOptions& options, bool singleCut, K3dView& view,
            NewVertexBookkeeping& vertices) {
    if (record.startedAtVertex && record.crossings.size() == 1) return;
    if (record.queryError) {
        KGlobal::displayError(kSplitFailed);
        return;
    }
    selectMesh(record.mesh.path);
    const SplitMeshQuery mesh(record.mesh.path);
    if (!mesh.valid()) {
        KGlobal::displayError(kSplitFailed);
        return;
    }
    SplitTextSettings settings;
    settings.singleCut = singleCut;
    settings.slices = clampCount(options.multiSlices);
    settings.dropoffPower = options.dropoffPower;
    settings.subdivisions = clampCount(options.subdivisions);
    settings.edgeSnapping = options.edgeSnapping != 0;
    settings.worldSampleCount = static_cast<int>(record.worldSamples.size());

    const std::vector<SplitChain> chains = buildSplitChains(record, mesh);
    StrokeCurve curve(record, view);
    if (!settings.edgeSnapping && settings.subdivisions > 1) curve.create();
    // A closed chain closes the curve too, so face points run round the loop.
    const bool anyClosed =
        std::any_of(chains.begin(), chains.end(), [](const SplitChain& c) { return c.closed; });
    if (anyClosed && curve.exists()) {
        curve.close();
        selectMesh(record.mesh.path);
    }

    KString text;
    for (const SplitChain& chain : chains) {
        if (singleCut) {
            appendSingleCutChain(text, chain, settings, mesh, curve.exists() ? &curve : nullptr);
        } else if (!appendMultiSliceChain(text, chain, settings, record, mesh)) {
            KGlobal::displayError(kSplitFailed);
            return;
        }
    }

    if (text.length() == 0) return;
    const int before = mesh.vertexCount();
    const bool done = executeWhole(text);
    if (done && !singleCut) KGlobal::displayInfo("Result: Performed a \"multiSliceSplit\".");
    recordNewVertices(vertices, before, record);
    if (!done) return;
    vertices.lastStartedAtVertex = record.startedAtVertex && record.startSnap.vertex >= 0;
    vertices.lastEndedAtVertex = record.endedAtVertex && record.endSnap.vertex >= 0;
    if (vertices.lastStartedAtVertex) vertices.endPointVertices.push_back(record.startSnap.vertex);
    if (vertices.lastEndedAtVertex) vertices.endPointVertices.push_back(record.endSnap.vertex);
}

}  // namespace

void runSplit(const StrokeRecord& record, const SplitOptions& options, K3dView& view,
              NewVertexBookkeeping& vertices) {
    if (record.crossings.empty()) return;
    try {
        const bool singleCut =
            options.multiSlices <= 1 ||
            (record.startedAtVertex && record.endedAtVertex && record.crossings.size() == 2);
        if (record.middleButton)
            runSubdivision(record, options, singleCut, vertices);
        else
            runCut(record, options, singleCut, view, vertices);
    } catch (const std::exception&) {
        KGlobal::displayError(record.middleButton ? kSubdivideFailed : kSplitFailed);
    }
}

void selectNewVerticesOnExit(NewVertexBookkeeping& vertices, int mode) {
    const std::vector<int> endPoints = std::move(vertices.endPointVertices);
    vertices.endPointVertices.clear();
    if (mode <= 0 || vertices.meshName.empty()) return;
    const bool sinceActivation = mode == 2;

    // Only vertices the mesh still has (an undo may have taken the new ones back).
    KSelectionList meshList;
    KDagPath shape;
    KObject component;
    if (!meshList.add(KString(vertices.meshName.c_str())) ||
        !meshList.getDagPath(0, shape, component))
        return;
    const int count = vertexCount(shape);
    const KString mesh(vertices.meshName.c_str());

    KString items;
    const int first = sinceActivation ? vertices.firstSinceActivation : vertices.lastFirst;
    const int last = std::min(vertices.lastLast, count - 1);
    if (first >= 0 && last >= first) {
        items += " " + mesh + ".vtx[";
        items += first;
        items += ":";
        items += last;
        items += "]";
    }
    std::size_t taken = endPoints.size();
    if (!sinceActivation) {
        const std::size_t wanted = vertices.lastStartedAtVertex && vertices.lastEndedAtVertex   ? 2
                                   : vertices.lastStartedAtVertex || vertices.lastEndedAtVertex ? 1
                                                                                                : 0;
        taken = std::min(wanted, endPoints.size());
    }
    for (std::size_t i = endPoints.size() - taken; i < endPoints.size(); ++i) {
        if (endPoints[i] < 0 || endPoints[i] >= count) continue;
        items += " " + mesh + ".vtx[";
        items += endPoints[i];
        items += "]";
    }
    if (items.length() == 0) return;
    KGlobal::executeCommand("select -r" + items, false, true);
}

}  // namespace stroke
