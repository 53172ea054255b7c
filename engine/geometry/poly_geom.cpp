#include "engine/geometry/poly_geom.h"

#include <algorithm>
#include <utility>

using tarn::MeshEdge;
using tarn::PolyMesh;
using tarn::Vec3;

int TpolyTopo::appendEdge(int from, int to, bool hard) {
    m_edges.push_back({from, to});
    m_edgeHard.push_back(hard ? 1 : 0);
    return static_cast<int>(m_edges.size()) - 1;
}

void TpolyTopo::bgnFace() {
    m_openFace = static_cast<int>(m_uses.size());
}

void TpolyTopo::bgnLoop() {
    // A loop begun after uses were appended to the open face would be a second loop (a hole).
    if (m_openFace >= 0 && static_cast<int>(m_uses.size()) > m_openFace) ++m_extraLoops;
}

std::vector<std::uint32_t>& TpolyTopo::edgeUseBuffer(std::size_t extra) {
    m_uses.reserve(m_uses.size() + extra);
    return m_uses;
}

void TpolyTopo::endLoop() {
    if (!m_uses.empty()) m_uses.back() |= kEdgeUseLast;
}

int TpolyTopo::endFace() {
    if (m_openFace < 0 || static_cast<int>(m_uses.size()) == m_openFace) {
        m_openFace = -1;
        return -1;
    }
    m_uses.back() |= kEdgeUseLast;
    m_faceStarts.push_back(static_cast<int>(m_uses.size()));
    m_openFace = -1;
    return pendingFaceCount() - 1;
}

void TpolyTopo::clearTopo() {
    m_edges.clear();
    m_edgeHard.clear();
    m_uses.clear();
    m_faceStarts.assign(1, 0);
    m_openFace = -1;
    m_extraLoops = 0;
}

TpolyGeom::TpolyGeom(PolyMesh mesh) : m_mesh(std::move(mesh)) {}

std::vector<Vec3>& TpolyGeom::vertexBuffer(std::size_t extra) {
    m_building = true;
    m_points.reserve(m_points.size() + extra);
    return m_points;
}

int TpolyGeom::newEmptyMapSet(const std::string& name) {
    m_building = true;
    for (std::size_t i = 0; i < m_sets.size(); ++i)
        if (m_sets[i].name == name) return static_cast<int>(i);
    m_sets.push_back({name, {}, {}, {}});
    if (m_currentSet < 0) m_currentSet = 0;
    return static_cast<int>(m_sets.size()) - 1;
}

void TpolyGeom::setCurrentMapSet(int set) {
    if (set >= 0 && set < static_cast<int>(m_sets.size())) m_currentSet = set;
}

void TpolyGeom::uvBuffer(std::size_t extra, int set) {
    MapSet& s = m_sets.at(set);
    s.u.reserve(s.u.size() + extra);
    s.v.reserve(s.v.size() + extra);
}

void TpolyGeom::mapFaceBuffer(std::size_t extra, int set) {
    MapSet& s = m_sets.at(set);
    s.refs.reserve(s.refs.size() + extra);
}

int TpolyGeom::appendUV(float u, float v, int set) {
    MapSet& s = m_sets.at(set);
    s.u.push_back(u);
    s.v.push_back(v);
    return static_cast<int>(s.u.size()) - 1;
}

void TpolyGeom::refUV(int uv, int set) {
    m_sets.at(set).refs.push_back(uv);
}

bool TpolyGeom::update(int what) {
    if (!flush(false, nullptr)) return false;
    if ((what & 1) && m_mesh.numFaces() > 0) (void)m_mesh.faceEdges(0);
    if ((what & 2) && m_mesh.numVertices() > 0) (void)m_mesh.vertexFaces(0);
    return true;
}

bool TpolyGeom::remUnusedVertex(bool, bool, bool, std::vector<int>* oldToNew) {
    return flush(true, oldToNew);
}

namespace {

// Old-to-new vertex numbers keeping only the vertices `indices` uses; returns the kept count.
int compactVertices(int nbVertex, std::vector<int>& indices, std::vector<int>& remap) {
    remap.assign(nbVertex, -1);
    for (int v : indices) remap[v] = 0;
    int kept = 0;
    for (int& r : remap)
        if (r == 0) r = kept++;
    for (int& v : indices) v = remap[v];
    return kept;
}

}  // namespace

bool TpolyGeom::flush(bool dropUnused, std::vector<int>* oldToNew) {
    m_error.clear();
    if (!m_building && pendingFaceCount() == 0 && m_edges.empty()) {
        // The kernel mesh is current: only unused vertices may have to go.
        if (!dropUnused) return true;
        std::vector<int> counts = m_mesh.faceCounts();
        std::vector<int> indices = m_mesh.faceVertexList();
        std::vector<int> remap;
        const int kept = compactVertices(m_mesh.numVertices(), indices, remap);
        if (oldToNew) *oldToNew = remap;
        if (kept == m_mesh.numVertices()) return true;
        std::vector<Vec3> points(kept);
        for (int v = 0; v < m_mesh.numVertices(); ++v)
            if (remap[v] >= 0) points[remap[v]] = m_mesh.point(v);
        PolyMesh out;
        if (!PolyMesh::create(std::move(points), counts, std::move(indices), out, &m_error))
            return false;
        // Faces, corners and therefore edge numbers are unchanged: copy UVs and edge flags.
        for (const std::string& name : m_mesh.uvSetNames()) {
            const tarn::UVSet* s = m_mesh.uvSet(name);
            out.setUVs(s->u, s->v, name);
            std::vector<int> ids;
            ids.reserve(out.numFaceVertices());
            for (int f = 0; f < m_mesh.numFaces(); ++f)
                for (int c = 0; c < m_mesh.faceVertexCount(f); ++c)
                    ids.push_back(m_mesh.faceVertexUVIndex(f, c, name));
            out.assignUVs(counts, ids, name);
        }
        if (!m_mesh.currentUVSetName().empty()) out.setCurrentUVSet(m_mesh.currentUVSetName());
        if (m_mesh.uniformEdgeSmoothing() >= 0) {
            out.setAllEdgesSmooth(m_mesh.uniformEdgeSmoothing() == 1);
        } else {
            for (int e = 0; e < m_mesh.numEdges(); ++e)
                out.setEdgeSmooth(e, m_mesh.isEdgeSmooth(e));
        }
        m_mesh = std::move(out);
        return true;
    }

    if (m_mesh.numFaces() > 0 || m_mesh.numVertices() > 0) {
        m_error = "faces can only be built into an empty geometry";
        return false;
    }
    if (m_openFace >= 0) {
        m_error = "a face was begun but not closed";
        return false;
    }
    if (m_extraLoops > 0) {
        m_error = "faces with more than one loop are not supported";
        return false;
    }

    // Decode the edge-use lists into vertex loops, checking that each loop closes.
    const int nbFaces = pendingFaceCount();
    const int nbPoints = static_cast<int>(m_points.size());
    const int nbEdges = static_cast<int>(m_edges.size());
    std::vector<int> counts(nbFaces);
    std::vector<int> indices(m_uses.size());
    for (int f = 0; f < nbFaces; ++f) {
        const int b = m_faceStarts[f], e = m_faceStarts[f + 1];
        counts[f] = e - b;
        int prevEnd = -1;
        for (int i = b; i < e; ++i) {
            const std::uint32_t w = m_uses[i];
            const int edge = static_cast<int>(w & kEdgeUseIndexMask);
            if (edge >= nbEdges) {
                m_error = "face " + std::to_string(f) + " uses an edge that does not exist";
                return false;
            }
            const MeshEdge& me = m_edges[edge];
            const bool rev = (w & kEdgeUseReversed) != 0;
            const int from = rev ? me.v1 : me.v0, to = rev ? me.v0 : me.v1;
            if (from < 0 || from >= nbPoints || to < 0 || to >= nbPoints) {
                m_error = "face " + std::to_string(f) + " uses a vertex that does not exist";
                return false;
            }
            if (i > b && from != prevEnd) {
                m_error = "the loop of face " + std::to_string(f) + " is not connected";
                return false;
            }
            indices[i] = from;
            prevEnd = to;
        }
        if (prevEnd != indices[b]) {
            m_error = "the loop of face " + std::to_string(f) + " does not close";
            return false;
        }
    }
    for (const MapSet& s : m_sets) {
        if (!s.refs.empty() && s.refs.size() != indices.size()) {
            m_error = "UV set \"" + s.name + "\" does not give every face corner a UV";
            return false;
        }
        for (int r : s.refs)
            if (r < -1 || r >= static_cast<int>(s.u.size())) {
                m_error = "UV set \"" + s.name + "\" refers to a UV that does not exist";
                return false;
            }
    }

    // Kept vertices keep their order, so they can move down in place.
    std::vector<Vec3> points = std::move(m_points);
    m_points.clear();
    if (dropUnused) {
        std::vector<int> remap;
        const int kept = compactVertices(nbPoints, indices, remap);
        for (int v = 0; v < nbPoints; ++v)
            if (remap[v] >= 0) points[remap[v]] = points[v];
        points.resize(kept);
        if (oldToNew) *oldToNew = std::move(remap);
    }

    // The edge uses name each corner's edge, so the kernel makes its edge table from them when
    // first needed (checking that no two edges appended join the same two vertices) instead of
    // looking the corners up.
    auto uses = std::make_shared<const std::vector<std::uint32_t>>(std::move(m_uses));
    auto nameEdges = [uses](std::vector<int>& names) {
        for (std::uint32_t w : *uses) names.push_back(static_cast<int>(w & kEdgeUseIndexMask));
    };
    PolyMesh out;
    if (!PolyMesh::create(std::move(points), counts, std::move(indices), nameEdges, nbEdges, false,
                          out, &m_error)) {
        m_sets.clear();
        m_currentSet = -1;
        clearTopo();
        m_building = false;
        return false;
    }
    for (MapSet& s : m_sets) {
        out.setUVs(std::move(s.u), std::move(s.v), s.name);
        if (!s.refs.empty()) out.assignUVs(counts, std::move(s.refs), s.name);
    }
    if (m_currentSet >= 0) out.setCurrentUVSet(m_sets[m_currentSet].name);
    if (std::find(m_edgeHard.begin(), m_edgeHard.end(), 1) != m_edgeHard.end()) {
        for (int f = 0; f < nbFaces; ++f) {
            const std::span<const int> fe = out.faceEdges(f);
            for (int k = 0; k < counts[f]; ++k)
                if (m_edgeHard[(*uses)[m_faceStarts[f] + k] & kEdgeUseIndexMask])
                    out.setEdgeSmooth(fe[k], false);
        }
    }

    m_mesh = std::move(out);
    m_points.clear();
    m_points.shrink_to_fit();
    m_sets.clear();
    m_currentSet = -1;
    clearTopo();
    m_building = false;
    return true;
}

bool TpolyGeom::isVertexTwoManifold(int v) const {
    TvertexEdgeIterator it(*this, v);
    return it.isSingleFan();
}

Vec3 TpolyGeom::getFaceCenterFromOffset(int f, int) const {
    Vec3 sum;
    const std::span<const int> verts = m_mesh.faceVertices(f);
    for (int v : verts) sum += m_mesh.point(v);
    return sum / static_cast<double>(verts.size());
}

void TpolyGeom::getTriangle(int f, int t, std::array<int, 3>& corners,
                            std::array<int, 3>& verts) const {
    corners = m_mesh.triangleCorners(f, t);
    const std::span<const int> fv = m_mesh.faceVertices(f);
    for (int i = 0; i < 3; ++i) verts[i] = fv[corners[i]];
}

void TpolyGeom::faceEdgeUses(int f, std::vector<std::uint32_t>& out) const {
    out.clear();
    const std::span<const int> fv = m_mesh.faceVertices(f);
    const std::span<const int> fe = m_mesh.faceEdges(f);
    for (std::size_t k = 0; k < fv.size(); ++k) {
        std::uint32_t w = static_cast<std::uint32_t>(fe[k]);
        if (m_mesh.edge(fe[k]).v0 != fv[k]) w |= kEdgeUseReversed;
        if (k + 1 == fv.size()) w |= kEdgeUseLast;
        out.push_back(w);
    }
}

PolyMesh TpolyGeom::takeMesh() {
    PolyMesh out = std::move(m_mesh);
    m_mesh = PolyMesh();
    return out;
}

void TvertexEdgeIterator::reset(int v) {
    m_corners.clear();
    m_edges.clear();
    m_faces.clear();
    m_at = 0;
    m_closed = false;
    m_singleFan = false;
    const PolyMesh& mesh = m_geom->mesh();

    // Each face around v enters v along one edge and leaves it along the next.
    for (int f : mesh.vertexFaces(v)) {
        const std::span<const int> fv = mesh.faceVertices(f);
        const std::span<const int> fe = mesh.faceEdges(f);
        const int n = static_cast<int>(fv.size());
        const int k = static_cast<int>(std::find(fv.begin(), fv.end(), v) - fv.begin());
        m_corners.push_back({fe[k], fe[(k + n - 1) % n], f});
    }
    const std::size_t m = m_corners.size();
    if (m == 0) return;

    // Start where the fan opens: an edge some face leaves along that no face enters along.
    std::size_t start = 0;
    for (std::size_t i = 0; i < m; ++i) {
        bool entered = false;
        for (const Corner& c : m_corners)
            if (c.in == m_corners[i].out) {
                entered = true;
                break;
            }
        if (!entered) {
            start = i;
            break;
        }
    }

    // Walk the fan: the face after an edge leaves v along it and enters along the next edge.
    m_seen.assign(m, 0);
    std::size_t cur = start;
    bool consistent = true;
    for (;;) {
        m_seen[cur] = 1;
        m_edges.push_back(m_corners[cur].out);
        m_faces.push_back(m_corners[cur].face);
        std::size_t next = m;
        int matches = 0;
        for (std::size_t j = 0; j < m; ++j)
            if (m_corners[j].out == m_corners[cur].in) {
                if (next == m) next = j;
                ++matches;
            }
        if (matches > 1) consistent = false;
        if (next == m) {
            m_edges.push_back(m_corners[cur].in);
            m_faces.push_back(-1);
            break;
        }
        if (next == start) {
            m_closed = true;
            break;
        }
        if (m_seen[next]) {
            consistent = false;
            break;
        }
        cur = next;
    }

    bool allSeen = std::all_of(m_seen.begin(), m_seen.end(), [](std::uint8_t s) { return s; });
    m_singleFan = consistent && allSeen && m_edges.size() == mesh.vertexEdges(v).size();
    if (m_singleFan)
        for (int e : m_edges)
            if (mesh.edgeFaces(e).size() > 2) m_singleFan = false;
}
