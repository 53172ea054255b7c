#pragma once
/// In-place topology edits of a PolyMesh, with ids callers can predict and an undo record that
/// holds only what changed.
///
/// Id rules (see host/scene/README.md "Editing meshes"):
///   - adds append: a new vertex, edge, face or UV takes the next free id, in the order the
///     operation creates them; no existing id changes;
///   - splitting edge e (v0 -> v1) at a new vertex n: e becomes v0 -> n and the new edge n -> v1;
///   - splitting face f between two of its corners: f keeps the piece holding its first corner
///     (its corner 0 stays first), the other piece is appended; new edges run along the cut in
///     the cut's direction;
///   - removals compact at the end of the operation: removed faces, then edges, then vertices,
///     each kind in descending id order, and each hole is filled by the element that is then
///     last (so ids below every removed one never move). UV table entries are never removed.
///
/// A MeshEditor is one edit session on one mesh: the operations of mesh_edit_ops.h call its
/// primitives, then finish() returns the MeshDelta that undoes or redoes the whole session in
/// time proportional to the edit. Main thread only; no queries may run during a session.

#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "host/mesh/poly_mesh.h"

namespace tarn {

/// The faces of a MeshImage, kept flat so that recording a face allocates nothing once the
/// storage has grown: per face its id and where its slice of one pool of ints starts. A slice
/// holds the face's loop, the edge leaving each corner, then for each UV set and then each
/// colour set the number of ids it keeps (0 when the face keeps none for that set, else the
/// corner count) followed by the ids.
class FaceImages {
public:
    struct Face {
        int id = -1;
        int start = 0;  // the slice's first int in the pool
        int corners = 0;
        int uvSets = 0, colorSets = 0;
    };

    size_t size() const { return m_faces.size(); }
    bool empty() const { return m_faces.empty(); }
    const Face& operator[](size_t k) const { return m_faces[k]; }
    std::vector<Face>::const_iterator begin() const { return m_faces.begin(); }
    std::vector<Face>::const_iterator end() const { return m_faces.end(); }

    std::span<const int> verts(const Face& f) const {
        return {m_pool.data() + f.start, static_cast<size_t>(f.corners)};
    }
    std::span<const int> edges(const Face& f) const {
        return {m_pool.data() + f.start + f.corners, static_cast<size_t>(f.corners)};
    }
    /// The ids of UV set s (colour set s) at each corner; empty when the face keeps none.
    std::span<const int> uvs(const Face& f, int s) const { return setIds(f, s); }
    std::span<const int> colors(const Face& f, int s) const { return setIds(f, f.uvSets + s); }

    /// Appends a face whose slice takes `ints` ints (laid out as above) and returns where the
    /// slice starts, for the caller to fill.
    int* append(int id, int corners, int uvSets, int colorSets, size_t ints);
    /// Orders the faces by id (their slices stay where they are).
    void sortById();
    /// Gives back the room grown beyond what the faces use, when it is more than a little (a
    /// record kept for undo holds what it needs).
    void trim();

private:
    std::span<const int> setIds(const Face& f, int set) const;

    std::vector<Face> m_faces;
    std::vector<int> m_pool;  // slices in [0, m_used)
    size_t m_used = 0;
};

/// The state of the elements one session touched, as before or after it.
struct MeshImage {
    struct EdgeRec {
        int id;
        MeshEdge edge;
        bool smooth;
    };
    int numVertices = 0, numEdges = 0, numFaces = 0;
    std::vector<int> uvSizes, colorSizes;  // per set, table length
    std::vector<std::pair<int, Vec3>> points;
    std::vector<EdgeRec> edges;
    FaceImages faces;
    // Table entries past the other image's length, per set (to grow the table back).
    std::vector<std::vector<std::pair<float, float>>> uvTails;
    std::vector<std::vector<Rgba>> colorTails;
};

/// What one edit session changed: apply `before` to undo, `after` to redo.
struct MeshDelta {
    MeshImage before, after;
    // The mesh's object groups before and after; null when it had none.
    std::shared_ptr<const PolyMesh::ObjectGroups> groupsBefore, groupsAfter;
    bool empty() const {
        return before.points.empty() && before.edges.empty() && before.faces.empty() &&
               after.faces.empty() && after.edges.empty() && after.points.empty();
    }
};

class MeshEditor {
public:
    /// Starts a session; the mesh switches to the editable layout (once per mesh).
    explicit MeshEditor(PolyMesh& mesh);

    PolyMesh& mesh() { return m_mesh; }

    // Reading (current state).
    FaceRecord readFace(int f) const;
    /// The same into `out`, reusing its lists' storage.
    void readFace(int f, FaceRecord& out) const;
    /// The mesh's UV sets, by index (as addUV numbers them).
    int numUVSets() const { return static_cast<int>(m_mesh.m_uvSets.size()); }
    const UVSet& uvSetAt(int set) const { return m_mesh.m_uvSets[static_cast<size_t>(set)]; }
    /// Corner of vertex v in face f, or -1.
    int cornerOf(int f, int v) const;

    // Primitives. Each keeps adjacency and the edge table up to date.
    /// Appends a vertex; returns its id.
    int addVertex(const Vec3& p);
    void setPoint(int v, const Vec3& p);
    /// The edge joining a and b, created (a -> b) when there is none. A new edge is soft,
    /// or has the mesh-wide flag while every edge shares one, unless `smooth` is given.
    int edgeBetween(int a, int b, std::optional<bool> smooth = std::nullopt);
    /// Appends an edge a -> b (whether or not one joins them already), flagged as edgeBetween
    /// flags a new edge; returns its id.
    int addEdge(int a, int b, std::optional<bool> smooth = std::nullopt);
    /// Appends the edges verts[0] -> verts[1], verts[1] -> verts[2], ..., flagged as addEdge
    /// flags them, in one pass; returns the id of the first (-1 for fewer than two vertices).
    int addEdgeChain(const std::vector<int>& verts, std::optional<bool> smooth = std::nullopt);
    /// Rewrites edge e's end points.
    void setEdge(int e, int a, int b);
    /// Writes face f (f == numFaces() appends) from its loop and per-set corner UV/colour ids;
    /// the corner edges are found or created.
    void writeFace(int f, const std::vector<int>& verts, const std::vector<std::vector<int>>& uvs,
                   const std::vector<std::vector<int>>& colors);
    /// The same with the corner edges given (`rec.edges[i]` must join corner i to the next).
    void writeFaceRecord(int f, const FaceRecord& rec);
    /// Appends a UV to set `set` (an index into the mesh's UV sets); returns its id.
    int addUV(int set, float u, float v);

    /// Marks a face, edge or vertex for removal at finish(); a marked face is emptied now and an
    /// edge or vertex must have lost every face by finish().
    void removeFace(int f);
    void removeEdge(int e);
    void removeVertex(int v);
    /// The face a face came from: appended faces name the face they were split off, faces that
    /// moved in compaction the id they had. Faces never split or moved are absent.
    const std::unordered_map<int, int>& faceOrigins() const { return m_origins; }
    void setOrigin(int face, int from);
    /// The same, taken out once the session is finished.
    std::unordered_map<int, int> takeFaceOrigins() { return std::move(m_origins); }

    /// An edge that now has more than two faces and had fewer before the session (ids as they
    /// stand before finish()), or -1; `faces` receives its face count. Only edges of faces the
    /// session wrote are looked at.
    int overloadedEdge(int& faces) const;
    /// Counts before the session.
    int verticesBefore() const { return m_before.numVertices; }
    int edgesBefore() const { return m_before.numEdges; }

    /// Compacts removed elements and returns the record of the session. Object groups follow
    /// the faces: removed faces leave their groups, a face split off joins the groups of the
    /// face it came from, and a face moved by compaction keeps its groups under its new id.
    MeshDelta finish();

    /// Puts the elements a delta touched in the state of `undo ? before : after`. The mesh must
    /// be in the other state (as the delta's session left it, or as an earlier undo restored
    /// it): a mesh whose counts are not those of that state is left alone and false returned.
    /// Costs time proportional to the delta.
    static bool applyDelta(PolyMesh& mesh, const MeshDelta& delta, bool undo);
    /// Numbers the edges of a mesh that was never edited as `edges` lists them (edge i joins
    /// edges[i].v0 to edges[i].v1, in that direction), instead of in the order its faces meet
    /// them: how a mesh written after edits gets its edge ids back. The list must hold every
    /// edge of the mesh exactly once. The mesh takes the editable layout. False with `*error`
    /// (the mesh unchanged) when the list does not fit.
    static bool adoptEdgeOrder(PolyMesh& mesh, const std::vector<MeshEdge>& edges,
                               std::string* error);

private:
    static void beginEditing(PolyMesh& mesh);
    static void writeRecord(PolyMesh& mesh, int f, const FaceRecord& rec);
    static void writeRecord(PolyMesh& mesh, const FaceImages& images, const FaceImages::Face& face);
    // Writes a face's slots from any record whose lists the Lists type reads.
    template <typename Lists>
    static void writeSlots(PolyMesh& mesh, int f, const Lists& lists);
    // Appends face f as it stands to `images`.
    void recordFace(FaceImages& images, int f) const;
    static void truncateFaces(PolyMesh& mesh, int count);
    static void writeEdgeRecord(PolyMesh& mesh, int e, const MeshEdge& edge, bool smooth);
    static void refreshLists(PolyMesh& mesh, std::span<const int> verts, std::span<const int> edges,
                             std::span<const int> faces);
    void touchVertex(int v);
    void touchEdge(int e);
    void touchFace(int f);
    void moveFace(int from, int to);
    // Where compaction takes each element that changes id, as (old id, new id): removed ids in
    // descending order, each hole filled by the element then last; `kept` is the count left.
    static std::vector<std::pair<int, int>> compactionMoves(const std::vector<int>& deadDescending,
                                                            int count, int& kept);
    // Renames the ids in the given faces' corner slots (vertices or edges).
    template <typename Rename>
    void renameCorners(std::vector<int>& slots, const std::vector<int>& faces,
                       const Rename& renamed);
    void compactEdges();
    void compactVertices();
    void remapGroupsBeforeCompaction();

    // Ids a session touched, in the order it touched them. An edit at one place touches a
    // few dozen, kept in the object itself and found by a scan; past kScanned they move to a
    // list and are hashed too.
    class TouchedIds {
    public:
        /// Adds id; false when it was there already.
        bool insert(int id);
        bool contains(int id) const;
        const int* begin() const { return m_spilled ? m_ids.data() : m_small; }
        const int* end() const { return begin() + size(); }
        size_t size() const { return m_spilled ? m_ids.size() : m_count; }

    private:
        static constexpr size_t kScanned = 32;
        int m_small[kScanned];
        size_t m_count = 0;
        bool m_spilled = false;
        std::vector<int> m_ids;            // every id, once there are more than kScanned
        std::unordered_set<int> m_hashed;  // the same
    };

    PolyMesh& m_mesh;
    MeshImage m_before;
    TouchedIds m_vertsTouched, m_edgesTouched, m_facesTouched;
    std::vector<int> m_deadFaces, m_deadEdges, m_deadVerts;
    std::unordered_map<int, int> m_origins;
    bool m_mayOverload = false;  // a face write gave some edge a third face
};

}  // namespace tarn
