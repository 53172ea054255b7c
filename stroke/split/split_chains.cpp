#include "stroke/split/split_chains.h"

#include <algorithm>

namespace stroke {

SplitMeshQuery::SplitMeshQuery(const KDagPath& shape)
    : m_path(shape), m_mesh(shape), m_edgeIt(shape), m_vertexIt(shape) {
    KStatus status;
    m_vertexCount = m_mesh.numVertices(&status);
    if (!status) return;
    m_edgeCount = m_mesh.numEdges(&status);
    if (!status) return;
    m_faceCount = m_mesh.numPolygons(&status);
    m_valid = static_cast<bool>(status);
}

int SplitMeshQuery::vertexCount() const {
    return m_vertexCount;
}

void SplitMeshQuery::edgeFaces(int edge, std::vector<int>& faces) const {
    faces.clear();
    int previous = 0;
    if (edge < 0 || edge >= m_edgeCount || !m_edgeIt.setIndex(edge, previous)) return;
    KIntArray found;
    if (!m_edgeIt.getConnectedFaces(found)) return;
    for (unsigned i = 0; i < found.length(); ++i) faces.push_back(found[i]);
}

void SplitMeshQuery::faceEdges(int face, std::vector<int>& edges) const {
    edges.clear();
    KIntArray found;
    if (face < 0 || face >= m_faceCount || !m_mesh.getPolygonEdges(face, found)) return;
    for (unsigned i = 0; i < found.length(); ++i) edges.push_back(found[i]);
}

void SplitMeshQuery::faceVertices(int face, std::vector<int>& vertices) const {
    vertices.clear();
    KIntArray found;
    if (face < 0 || face >= m_faceCount || !m_mesh.getPolygonVertices(face, found)) return;
    for (unsigned i = 0; i < found.length(); ++i) vertices.push_back(found[i]);
}

void SplitMeshQuery::vertexNeighbours(int vertex, std::vector<int>& vertices) const {
    vertices.clear();
    int previous = 0;
    if (vertex < 0 || vertex >= m_vertexCount || !m_vertexIt.setIndex(vertex, previous)) return;
    KIntArray found;
    if (!m_vertexIt.getConnectedVertices(found)) return;
    for (unsigned i = 0; i < found.length(); ++i) vertices.push_back(found[i]);
}

std::pair<int, int> SplitMeshQuery::edgeVertices(int edge) const {
    int2 ends = {-1, -1};
    if (edge < 0 || edge >= m_edgeCount || !m_mesh.getEdgeVertices(edge, ends)) return {-1, -1};
    return {ends[0], ends[1]};
}

KPoint SplitMeshQuery::point(int vertex) const {
    KPoint p;
    if (vertex >= 0 && vertex < m_vertexCount) m_mesh.getPoint(vertex, p, KSpace::kObject);
    return p;
}

namespace {

// The crossings not yet taken into a chain, as indices into the record's arrays in the order
// they were found.
class RemainingCrossings {
public:
    explicit RemainingCrossings(const Crossings& crossings) : m_crossings(crossings) {
        for (int i = 0; i < crossings.size(); ++i) m_left.push_back(i);
    }
    bool empty() const { return m_left.empty(); }
    int takeMostRecent() {
        const int c = m_left.back();
        m_left.pop_back();
        return c;
    }
    // The first edge of the face (in face order) that still carries a crossing: the most recent
    // crossing on it is answered and every crossing on that edge leaves the list. -1: none.
    int takeInFace(const std::vector<int>& faceEdges) {
        for (int edge : faceEdges) {
            for (auto it = m_left.rbegin(); it != m_left.rend(); ++it) {
                if (m_crossings.edges[*it] != edge) continue;
                const int found = *it;
                std::erase_if(m_left, [&](int c) { return m_crossings.edges[c] == edge; });
                return found;
            }
        }
        return -1;
    }

private:
    const Crossings& m_crossings;
    std::vector<int> m_left;
};

bool isSnapEdge(const StrokeRecord& record, int edge) {
    return (record.startedAtVertex && record.startSnap.isSet() && edge == record.startSnap.edge) ||
           (record.endedAtVertex && record.endSnap.isSet() && edge == record.endSnap.edge);
}

// The face across `edge` from `face`; -1 on a border.
int faceAcross(const std::vector<int>& edgeFaces, int face) {
    for (int f : edgeFaces)
        if (f != face) return f;
    return -1;
}

}  // namespace

std::vector<SplitChain> buildSplitChains(const StrokeRecord& record, const SplitMeshQuery& mesh) {
    const Crossings& crossings = record.crossings;
    std::vector<SplitChain> chains;
    RemainingCrossings remaining(crossings);
    std::vector<int> faces, edges;
    while (!remaining.empty()) {
        SplitChain chain;
        // Seed the chain with the most recent crossing.
        const int seed = remaining.takeMostRecent();
        const int seedEdge = crossings.edges[seed];
        std::vector<int> seedFaces;
        mesh.edgeFaces(seedEdge, seedFaces);
        chain.edges.push_back(seedEdge);
        chain.faces.push_back(seedFaces.size() > 1 ? seedFaces[1] : -1);
        chain.t.push_back(crossings.t[seed]);
        chain.positions.push_back(crossings.strokePos[seed]);
        chain.touchesVertex = isSnapEdge(record, seedEdge);
        // The last edge either walk took, and the face it was found from.
        int lastExamined = -1, lastFoundIn = -1;

        // Walk forward from the seed's first face.
        int face = seedFaces.empty() ? -1 : seedFaces[0];
        while (face >= 0 && !remaining.empty()) {
            mesh.faceEdges(face, edges);
            const int c = remaining.takeInFace(edges);
            if (c < 0) break;
            const int edge = crossings.edges[c];
            chain.edges.push_back(edge);
            chain.faces.push_back(face);
            chain.t.push_back(crossings.t[c]);
            chain.positions.push_back(crossings.strokePos[c]);
            chain.touchesVertex = chain.touchesVertex || isSnapEdge(record, edge);
            lastExamined = edge;
            lastFoundIn = face;
            if (edge == seedEdge) break;
            mesh.edgeFaces(edge, faces);
            face = faceAcross(faces, face);
        }

        // Walk backward from the seed's second face, inserting at the front.
        face = seedFaces.size() > 1 ? seedFaces[1] : -1;
        while (face >= 0 && !remaining.empty()) {
            mesh.faceEdges(face, edges);
            const int c = remaining.takeInFace(edges);
            if (c < 0) break;
            const int edge = crossings.edges[c];
            mesh.edgeFaces(edge, faces);
            const int across = faceAcross(faces, face);
            chain.edges.insert(chain.edges.begin(), edge);
            chain.faces.insert(chain.faces.begin(), across);
            chain.t.insert(chain.t.begin(), crossings.t[c]);
            chain.positions.insert(chain.positions.begin(), crossings.strokePos[c]);
            chain.touchesVertex = chain.touchesVertex || isSnapEdge(record, edge);
            lastExamined = edge;
            lastFoundIn = face;
            if (edge == seedEdge) break;
            face = across;
        }

        // Close a loop whose last edge leads back into a face of the seed (not the face the
        // walk found it from, which the first edge of a backward walk always shares).
        if (chain.size() >= 3 && !chain.touchesVertex && lastExamined >= 0 &&
            lastExamined != seedEdge) {
            mesh.edgeFaces(lastExamined, faces);
            const auto shared = std::find_if(faces.begin(), faces.end(), [&](int f) {
                return f != lastFoundIn &&
                       std::find(seedFaces.begin(), seedFaces.end(), f) != seedFaces.end();
            });
            if (shared != faces.end()) {
                chain.edges.push_back(chain.edges.front());
                chain.faces.push_back(*shared);
                chain.t.push_back(chain.t.front());
                chain.positions.push_back(chain.positions.front());
                chain.closed = true;
            }
        }
        chains.push_back(std::move(chain));
    }
    return chains;
}

}  // namespace stroke
