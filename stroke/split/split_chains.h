#pragma once
/// The chain walk of slicePen: a stroke's crossings ordered into chains of edges that run face to
/// face across the mesh, each chain one split command. Works on any polygon mesh (borders and
/// non-manifold edges included: an edge with one face ends a walk, with more than two faces the
/// first other face is taken). Main thread only (mesh queries).

#include <utility>
#include <vector>

#include "frame/host_sdk.h"
#include "stroke/common/stroke_record.h"

namespace stroke {

/// The topology queries of the split, over the mesh the stroke was drawn on. Indices out of
/// range answer empty lists (or -1 vertices); nothing throws.
class SplitMeshQuery {
public:
    explicit SplitMeshQuery(const KDagPath& shape);

    bool valid() const { return m_valid; }
    int vertexCount() const;
    /// Faces using the edge, as the mesh lists them.
    void edgeFaces(int edge, std::vector<int>& faces) const;
    /// Edges of a face in corner order (edge k joins corners k and k + 1).
    void faceEdges(int face, std::vector<int>& edges) const;
    void faceVertices(int face, std::vector<int>& vertices) const;
    /// Vertices joined to `vertex` by an edge, in the mesh's edge order around it.
    void vertexNeighbours(int vertex, std::vector<int>& vertices) const;
    /// Vertex 0 and vertex 1 of an edge; (-1, -1) when it does not exist.
    std::pair<int, int> edgeVertices(int edge) const;
    /// Object-space position of a vertex.
    KPoint point(int vertex) const;

private:
    KDagPath m_path;
    KFnMesh m_mesh;
    mutable KItMeshEdge m_edgeIt;
    mutable KItMeshVertex m_vertexIt;
    int m_edgeCount = 0, m_faceCount = 0, m_vertexCount = 0;
    bool m_valid = false;
};

/// One chain: parallel lists in chain order. faces[k] for k >= 1 is the face between edges
/// k - 1 and k; faces[0] is the face before the first edge, or -1.
struct SplitChain {
    std::vector<int> edges;
    std::vector<int> faces;
    std::vector<double> t;          ///< edge parameter from the edge's vertex 0
    std::vector<double> positions;  ///< stroke position (segment index + parameter)
    bool closed = false;            ///< the first edge is listed again at the end
    bool touchesVertex = false;     ///< an edge is the start or end snap edge of a vertex stroke

    int size() const { return static_cast<int>(edges.size()); }
};

/// Orders every crossing of `record` into chains, most recent crossing first as each chain's
/// seed. A crossing taken into a chain takes every other crossing on its edge with it.
std::vector<SplitChain> buildSplitChains(const StrokeRecord& record, const SplitMeshQuery& mesh);

}  // namespace stroke
