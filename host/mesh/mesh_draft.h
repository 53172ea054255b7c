#pragma once
/// A working copy of the part of a mesh that a batch of topology edits changes, with faces as
/// circular lists of corners: joining two faces, folding a spur, dropping a corner or cutting a
/// face in two costs what changes, never the size of the faces involved. The edits that change
/// many faces at once (deleting edges and vertices, collapsing edges, merging vertices) work
/// here and write each changed face to the mesh once, in commit(), so a whole-mesh edit costs
/// about what it touches even as one face grows to hold most of the mesh.
///
/// A draft reads the mesh as it stood when the draft began and takes in a face the first time
/// an edit reaches it (through a vertex, an edge or the face itself); the mesh does not change
/// until commit(). Corners keep the face-vertex slot they came from, so their UVs and colours
/// travel with them. Vertices are never added; edges and faces may be (see addEdge and
/// cutFace), with ids after the mesh's own in the order they are made. Main thread only.

#include <array>
#include <cstddef>
#include <memory_resource>
#include <unordered_map>
#include <vector>

#include "host/mesh/mesh_edit.h"

namespace tarn {

class MeshDraft {
public:
    /// One corner of a face: its vertex, the edge to the next corner, and its neighbours in the
    /// face's loop. `slot` is the face-vertex slot its UVs and colours are read from.
    struct Corner {
        int vertex = -1, edge = -1, next = -1, prev = -1;
        int label = -1;  // the face holding it, through faceOfLabel
        int slot = -1;
        bool alive = true;
    };

    explicit MeshDraft(MeshEditor& editor);

    const PolyMesh& mesh() const { return m_mesh; }

    // Faces. Ids below the mesh's face count name its faces; later ones were cut off here.
    /// The first corner of face f (its corner 0), -1 when the face is gone.
    int head(int f);
    int size(int f);
    bool faceAlive(int f);
    /// The face holding corner c.
    int faceOf(int c) const {
        return m_labelFace[static_cast<size_t>(rootLabel(m_corners[static_cast<size_t>(c)].label))];
    }
    const Corner& corner(int c) const { return m_corners[static_cast<size_t>(c)]; }
    /// The vertices of face f from its first corner.
    std::vector<int> loopVertices(int f);
    /// The corners of face f from its first corner.
    std::vector<int> loopCorners(int f);

    // Incidence, as the draft stands.
    /// Live corners at vertex v, ascending.
    std::vector<int> cornersAt(int v);
    /// Live corners whose edge (to the next corner) is e, ascending.
    std::vector<int> cornersOnEdge(int e);
    /// Faces using edge e, ascending, each once.
    std::vector<int> facesOnEdge(int e);
    /// Faces using vertex v, ascending, each once.
    std::vector<int> facesAt(int v);
    /// Live edges at vertex v, ascending.
    std::vector<int> edgesAt(int v);
    /// The lowest edge joining a and b, or -1.
    int findEdge(int a, int b);
    MeshEdge edge(int e) const;
    bool edgeAlive(int e) const;
    int numEdges() const { return m_edgeCount; }
    Vec3 point(int v) const;

    // Changes. The callers keep every face a valid loop (each corner's edge joins it to the
    // next corner) by the time commit() runs.
    /// Joins the faces on either side of the edge of corner p (its face runs x -> y there)
    /// and corner r (the other face, running y -> x): r's face goes into p's, whose loop now
    /// runs from x into r's face and back to y; the corners of r and of the one after it go.
    void spliceAcross(int p, int r);
    /// Folds the spur after corner k (k, m, n with n at k's vertex): m and n go, k takes n's
    /// edge.
    void foldAfter(int k);
    /// Takes corner c out of its loop; the corner before it takes the edge `edgeForPrev`.
    void dropCorner(int c, int edgeForPrev);
    /// Makes `to` follow `from`, `from` leading along `edge` (the corners between them must be
    /// taken away with removeCorner).
    void bridge(int from, int to, int edge);
    /// Takes corner c away without mending the loop around it (the caller relinks).
    void removeCorner(int c);
    /// The number of corners in the loop starting at `first`.
    int loopSize(int first) const;
    /// Points corner c at another edge.
    void setCornerEdge(int c, int e);
    /// Moves corner c to vertex v.
    void setCornerVertex(int c, int v);
    /// Makes corner c the first of its face.
    void setHead(int c);
    /// Cuts the loop holding corners a and b (a != b) into [a, b) and [b, a): the first stays in
    /// the face (its first corner is moved into it when it was in the other piece), the second
    /// is left as a free loop whose first corner is returned, to be handed to addFace or
    /// removeLoop.
    int cutLoop(int a, int b);
    /// Makes the free loop starting at `first` a new face appended after the others, split off
    /// face `origin`; returns its id.
    int addFace(int first, int origin);
    /// Makes the free loop starting at `first` the loop of face f (whose own corners must all
    /// be gone), `first` its first corner.
    void adoptLoop(int f, int first);
    /// Removes the corners of the loop starting at `first` (a face's or a free one).
    void removeLoop(int first);
    /// Removes face f with its corners.
    void removeFace(int f);
    /// Puts face `gone`'s corners into face `keep` (a join whose loop the caller has built).
    void joinFaces(int keep, int gone);
    /// Makes `corners` (in order) the loop of face f, each leading along the edge beside it in
    /// `edges`, the first one first; corners of f left out must be gone already.
    void setLoop(int f, const std::vector<int>& corners, const std::vector<int>& edges);
    /// Removes each edge that lost its last corner since the last call, then each vertex that
    /// lost a corner or an edge since then and is left with neither.
    void dropOrphans();
    void setEdge(int e, int a, int b);
    void removeEdge(int e);
    /// Appends an edge a -> b with the flag new edges get; returns its id.
    int addEdge(int a, int b);
    void removeVertex(int v);
    bool vertexAlive(int v) const;
    void setPoint(int v, const Vec3& p);

    /// Writes every change to the mesh through the editor: edges, faces (each changed face
    /// once), then removals.
    void commit();

private:
    struct FaceState {
        int head = -1, size = 0, label = -1, origin = -1;
        bool alive = true, changed = false, read = false;
    };
    // Vertex and edge states keep their lists in the draft's arena (see m_arena).
    using Alloc = std::pmr::polymorphic_allocator<int>;
    struct VertexState {
        using allocator_type = Alloc;
        std::pmr::vector<int> corners, edges;
        bool facesRead = false, edgesRead = false, alive = true, moved = false;
        Vec3 point;
        VertexState() = default;
        explicit VertexState(const Alloc& a) : corners(a), edges(a) {}
        VertexState(const VertexState& o, const Alloc& a)
            : corners(o.corners, a),
              edges(o.edges, a),
              facesRead(o.facesRead),
              edgesRead(o.edgesRead),
              alive(o.alive),
              moved(o.moved),
              point(o.point) {}
        VertexState(VertexState&& o, const Alloc& a) : VertexState(o, a) {}
    };
    struct EdgeState {
        using allocator_type = Alloc;
        MeshEdge ends;
        std::pmr::vector<int> corners;
        bool facesRead = false, alive = true, endsChanged = false;
        EdgeState() = default;
        explicit EdgeState(const Alloc& a) : corners(a) {}
        EdgeState(const EdgeState& o, const Alloc& a)
            : ends(o.ends),
              corners(o.corners, a),
              facesRead(o.facesRead),
              alive(o.alive),
              endsChanged(o.endsChanged) {}
        EdgeState(EdgeState&& o, const Alloc& a) : EdgeState(o, a) {}
    };

    FaceState& face(int f);
    VertexState& vertex(int v);
    EdgeState& edgeState(int e);
    void readFace(int f);
    // True when a face not read yet uses edge (isEdge) or vertex `id` of the mesh.
    bool usedByUnreadFace(int id, bool isEdge);
    void markChanged(int c);
    void kill(int c);
    void link(int a, int b);
    // A new label standing for face f (-1: a free loop).
    int newLabel(int f);
    int rootLabel(int label) const;
    // The record of face f as it stands, UVs and colours read from each corner's slot.
    FaceRecord recordOf(int f);

    MeshEditor& m_editor;
    const PolyMesh& m_mesh;
    const int m_faces0, m_edges0, m_vertices0;
    int m_faceCount, m_edgeCount;
    // Every table below allocates from this arena: a draft is short-lived and an edit at one
    // place fits the first block, so it costs no heap allocation; memory a table lets go is
    // reclaimed when the draft ends (larger drafts take further blocks from the heap).
    std::array<std::byte, 16384> m_firstBlock;
    std::pmr::monotonic_buffer_resource m_arena;
    std::pmr::vector<Corner> m_corners;
    // Labels group corners into faces: a label's root names the face (-1: a free loop), so
    // joining two faces is one link between their labels, not a pass over their corners.
    mutable std::pmr::vector<int> m_labelParent;
    std::pmr::vector<int> m_labelFace;
    std::pmr::unordered_map<int, FaceState> m_faceStates;
    std::pmr::unordered_map<int, VertexState> m_vertexStates;
    std::pmr::unordered_map<int, EdgeState> m_edgeStates;
    // Edges and vertices that lost a user since the last dropOrphans.
    std::pmr::vector<int> m_lostEdges, m_lostVertices;
};

}  // namespace tarn
