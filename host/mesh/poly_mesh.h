#pragma once
/// The host's polygon mesh: points, faces as vertex loops, a derived edge table, per-face-vertex
/// UV and colour sets, soft/hard edge flags, and the derived queries (normals, triangles, box).
///
/// Edge numbering (stable and relied upon by component names such as `mesh.e[4]`):
///   edges are numbered in the order they are first met when the faces are walked in order and,
///   within a face, its corners in order; edge k of face f joins corner k to corner k+1 (mod n).
///   An edge's vertex 0 and vertex 1 are its end points in the order of the face that met it
///   first. Appending faces never renumbers existing edges.
///
/// Creating a mesh only stores its arrays. Everything derived from them (the edge table,
/// adjacency, face and face-vertex normals, the triangulation) is built on first use and kept
/// until an edit makes it stale; copies of a mesh share what was already built.
///
/// Topology edits (host/mesh/mesh_edit.h) switch a mesh to an editable layout on the first
/// edit: the edge table becomes a stored table that edits update, adjacency lists changed by an
/// edit are kept beside the ones built before it, and a face that grows moves to fresh
/// face-vertex slots at the end of the face-vertex arrays (faceOffset(f) stays the index of its
/// first face-vertex; the arrays may then hold unused slots). Meshes never edited keep the
/// compact layout and its costs.
///
/// Thread safety: const queries may run on many threads at once (a derived table missing on
/// first use is built once, under a lock; reads of a built table take no lock). Edits and
/// copies are main-thread only, with no queries running.

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/mesh/list_overlay.h"
#include "host/mesh/mesh_math.h"

namespace tarn {

struct MeshEdge {
    int v0 = -1;
    int v1 = -1;
};

/// Colour with single-precision channels; a negative channel means "not set".
struct Rgba {
    float r = -1.0f, g = -1.0f, b = -1.0f, a = -1.0f;
    bool operator==(const Rgba&) const = default;
};

/// A named UV set: a UV table plus, per face-vertex, an index into it (-1: no UV).
/// Read the indices through PolyMesh (faceVertexUVIndex): a set whose face-vertices use the UV
/// numbered like their vertex keeps no list of its own.
struct UVSet {
    std::string name;
    std::vector<float> u, v;
    std::vector<int> faceVertexUV;  // empty until UVs are assigned; else one per face-vertex
    bool idsAreVertices = false;    // set: each face-vertex's UV index is its vertex index
};

/// A named colour set: a colour table plus, per face-vertex, an index into it (-1: no colour).
struct ColorSet {
    std::string name;
    std::vector<Rgba> colors;
    std::vector<int> faceVertexColor;  // empty until colours are assigned
};

namespace detail {

/// A derived table of a mesh, built on first use and then shared (immutable) by every copy of
/// the mesh. `get()` is lock-free; `publish` runs under the caller's build lock.
template <typename T>
class LazyTable {
public:
    LazyTable() = default;
    LazyTable(const LazyTable& o) : m_owner(o.m_owner), m_ptr(m_owner.get()) {}
    LazyTable(LazyTable&& o) noexcept : m_owner(std::move(o.m_owner)), m_ptr(m_owner.get()) {
        o.m_ptr.store(nullptr, std::memory_order_relaxed);
    }
    LazyTable& operator=(const LazyTable& o) {
        if (this != &o) {
            m_owner = o.m_owner;
            m_ptr.store(m_owner.get(), std::memory_order_release);
        }
        return *this;
    }
    LazyTable& operator=(LazyTable&& o) noexcept {
        if (this != &o) {
            m_owner = std::move(o.m_owner);
            m_ptr.store(m_owner.get(), std::memory_order_release);
            o.m_ptr.store(nullptr, std::memory_order_relaxed);
        }
        return *this;
    }
    /// The built table, or null when it has not been built (or was dropped).
    const T* get() const { return m_ptr.load(std::memory_order_acquire); }
    /// Installs a finished table (const: tables are caches of a const mesh).
    const T& publish(std::shared_ptr<const T> table) const {
        m_owner = std::move(table);
        m_ptr.store(m_owner.get(), std::memory_order_release);
        return *m_owner;
    }
    /// Drops the table under the caller's build lock (const, like publish); copies holding it
    /// keep theirs.
    void drop() const {
        m_ptr.store(nullptr, std::memory_order_release);
        m_owner.reset();
    }
    /// The built table as shared ownership (null when not built).
    std::shared_ptr<const T> shared() const { return m_owner; }
    /// Drops the table (it is rebuilt on next use); copies holding it keep theirs.
    void reset() {
        m_ptr.store(nullptr, std::memory_order_relaxed);
        m_owner.reset();
    }

private:
    mutable std::shared_ptr<const T> m_owner;
    mutable std::atomic<const T*> m_ptr{nullptr};
};

/// Owning pointer whose copies copy the pointee (null stays null).
template <typename T>
class ClonePtr {
public:
    ClonePtr() = default;
    ClonePtr(const ClonePtr& o) : m_p(o.m_p ? std::make_unique<T>(*o.m_p) : nullptr) {}
    ClonePtr(ClonePtr&&) noexcept = default;
    ClonePtr& operator=(const ClonePtr& o) {
        if (this != &o) m_p = o.m_p ? std::make_unique<T>(*o.m_p) : nullptr;
        return *this;
    }
    ClonePtr& operator=(ClonePtr&&) noexcept = default;
    T* get() const { return m_p.get(); }
    T* operator->() const { return m_p.get(); }
    explicit operator bool() const { return m_p != nullptr; }
    void reset(T* p = nullptr) { m_p.reset(p); }

private:
    std::unique_ptr<T> m_p;
};

}  // namespace detail

class MeshEditor;

/// One face as an edit reads and writes it: its vertex loop, the edge leaving each corner, and
/// per UV and colour set the table index of each corner (an empty list for a set that keeps no
/// per-corner indices).
struct FaceRecord {
    std::vector<int> verts, edges;
    std::vector<std::vector<int>> uvs, colors;
};

class PolyMesh {
public:
    PolyMesh() = default;

    /// Builds a mesh from points, per-face vertex counts and the concatenated vertex indices.
    /// Fails (returns false, `error` says why, `out` untouched) when a face has fewer than
    /// 3 vertices, an index is out of range, a face repeats a vertex, or the counts and index
    /// list disagree. All edges start soft; no UV or colour sets.
    /// Costs one pass over the arrays: derived tables are built when first needed.
    static bool create(std::vector<Vec3> points, const std::vector<int>& counts,
                       std::vector<int> indices, PolyMesh& out, std::string* error);
    /// Appends, for every face-vertex in order, the name of the edge from that corner to the
    /// next corner of its face (see the create() that takes one).
    using CornerEdgeNamer = std::function<void(std::vector<int>& names)>;
    /// Like create(), with the edges named by the mesh's builder: `namer` appends one name in
    /// [0, numNames) per face-vertex. When the edge table is first needed it is made from the
    /// names, numbered by the same rule, instead of by looking every corner's vertex pair up;
    /// names already equal to the table's numbers (first met, first numbered) cost least. When
    /// `distinctPairs` is false the table also checks that no two names join the same two
    /// vertices. Names that do not name edges consistently, or a wrong number of them, make the
    /// table fall back to the look-up, so it is the same either way. The namer runs here, once:
    /// the mesh keeps its names (shared by copies) until the table is built, never the namer,
    /// whose code may belong to a plug-in that is unloaded while the mesh lives on.
    static bool create(std::vector<Vec3> points, const std::vector<int>& counts,
                       std::vector<int> indices, CornerEdgeNamer namer, int numNames,
                       bool distinctPairs, PolyMesh& out, std::string* error);

    // Counts.
    int numVertices() const { return static_cast<int>(m_points.size()); }
    int numFaces() const { return static_cast<int>(m_faceOffsets.size()) - 1; }
    /// Counts the edges on first use (without keeping the edge table).
    int numEdges() const {
        if (m_edit) return static_cast<int>(m_edit->table.edges.size());
        if (const EdgeTable* t = m_edgeTable.get()) return static_cast<int>(t->edges.size());
        const int* n = m_edgeCount.get();
        return n ? *n : countEdges();
    }
    int numFaceVertices() const { return static_cast<int>(m_faceVerts.size()) - m_deadSlots; }

    // Faces. f in [0, numFaces()); corner i in [0, faceVertexCount(f)).
    int faceVertexCount(int f) const {
        return (m_faceEnds.empty() ? m_faceOffsets[f + 1] : m_faceEnds[f]) - m_faceOffsets[f];
    }
    /// Index of the first face-vertex of f in the face-vertex arrays (per-face-vertex tables
    /// such as UV indices are indexed from here).
    int faceOffset(int f) const { return m_faceOffsets[f]; }
    std::span<const int> faceVertices(int f) const {
        return {m_faceVerts.data() + m_faceOffsets[f], static_cast<size_t>(faceVertexCount(f))};
    }
    /// Edge k of f joins corner k and corner k+1 (mod n).
    std::span<const int> faceEdges(int f) const {
        return {edgeTable().faceEdges.data() + m_faceOffsets[f],
                static_cast<size_t>(faceVertexCount(f))};
    }
    /// The vertex loops of all faces in face order, concatenated.
    std::vector<int> faceVertexList() const;
    /// True once the mesh has been edited in place (see the file comment).
    bool isEditable() const { return m_edit.get() != nullptr; }
    std::vector<int> faceCounts() const;

    // Edges.
    const MeshEdge& edge(int e) const { return edgeTable().edges[e]; }
    /// Faces using edge e, ascending (one on a border, two inside, more where non-manifold).
    std::span<const int> edgeFaces(int e) const {
        if (m_edit) return editedList(m_edit->edgeFaces, e, 0);
        const Adjacency& a = adjacency();
        return {a.edgeFaces.data() + a.edgeFaceOffsets[e],
                static_cast<size_t>(a.edgeFaceOffsets[e + 1] - a.edgeFaceOffsets[e])};
    }
    bool isBorderEdge(int e) const { return edgeFaces(e).size() == 1; }
    /// The edge joining a and b in either order, or -1.
    int findEdge(int a, int b) const;
    bool isEdgeSmooth(int e) const {
        return m_edgeSmooth.empty() ? m_allSmooth : m_edgeSmooth[e] != 0;
    }
    /// Marks an edge soft (true) or hard (false); normals follow on the next query.
    void setEdgeSmooth(int e, bool smooth);
    /// Marks every edge at once without building the edge table.
    void setAllEdgesSmooth(bool smooth);
    /// 1 (0) when every edge is known to be soft (hard) without looking at each edge, -1 when
    /// the flags are kept per edge.
    int uniformEdgeSmoothing() const { return m_edgeSmooth.empty() ? (m_allSmooth ? 1 : 0) : -1; }

    // Vertices.
    const Vec3& point(int v) const { return m_points[v]; }
    const std::vector<Vec3>& points() const { return m_points; }
    /// Moves one vertex; normals and the box follow on the next query.
    void setPoint(int v, const Vec3& p);
    /// Replaces all points; the count must stay the same (returns false otherwise).
    bool setPoints(const std::vector<Vec3>& points);
    /// Faces using vertex v, ascending.
    std::span<const int> vertexFaces(int v) const {
        if (m_edit) return editedList(m_edit->vertexFaces, v, 1);
        const Adjacency& a = adjacency();
        return {a.vertexFaces.data() + a.vertexFaceOffsets[v],
                static_cast<size_t>(a.vertexFaceOffsets[v + 1] - a.vertexFaceOffsets[v])};
    }
    /// Edges using vertex v, ascending.
    std::span<const int> vertexEdges(int v) const {
        if (m_edit) return editedList(m_edit->vertexEdges, v, 2);
        const Adjacency& a = adjacency();
        return {a.vertexEdges.data() + a.vertexEdgeOffsets[v],
                static_cast<size_t>(a.vertexEdgeOffsets[v + 1] - a.vertexEdgeOffsets[v])};
    }

    // UV sets. An empty set name means the current set.
    const std::vector<std::string> uvSetNames() const;
    const std::string& currentUVSetName() const { return m_currentUVSet; }
    /// Makes an existing set current; false if there is none of that name.
    bool setCurrentUVSet(const std::string& name);
    /// Adds an empty set (a set of that name already existing is kept); the first set created
    /// becomes current. Returns the set.
    UVSet& createUVSet(const std::string& name);
    bool deleteUVSet(const std::string& name);
    const UVSet* uvSet(const std::string& name = {}) const;
    UVSet* uvSet(const std::string& name = {});
    /// Replaces the UV table of a set (created when missing). u and v must have equal length.
    bool setUVs(const std::vector<float>& u, const std::vector<float>& v,
                const std::string& set = {}, std::string* error = nullptr);
    /// The same, taking the arrays over (they are left empty on success).
    bool setUVs(std::vector<float>&& u, std::vector<float>&& v, const std::string& set = {},
                std::string* error = nullptr);
    /// Assigns UV indices per face-vertex: counts must match the faces, ids index the table
    /// (or -1). Nothing changes on failure.
    bool assignUVs(const std::vector<int>& counts, const std::vector<int>& ids,
                   const std::string& set = {}, std::string* error = nullptr);
    /// The same, taking `ids` over where they can be kept as they are (a mesh never edited,
    /// every face given its UVs); `ids` is unspecified afterwards.
    bool assignUVs(const std::vector<int>& counts, std::vector<int>&& ids,
                   const std::string& set = {}, std::string* error = nullptr);
    /// UV index of a face-vertex, -1 when it has none.
    int faceVertexUVIndex(int f, int corner, const std::string& set = {}) const;
    bool getFaceVertexUV(int f, int corner, float& u, float& v, const std::string& set = {}) const;
    /// Sets one face-vertex's UV, appending a new table entry (so shared UVs are not moved).
    bool setFaceVertexUV(int f, int corner, float u, float v, const std::string& set = {});
    /// True when every corner of f has a UV in the set.
    bool faceHasUVs(int f, const std::string& set = {}) const;

    // Colour sets (same conventions as UV sets; unset channels read back negative).
    std::vector<std::string> colorSetNames() const;
    const std::string& currentColorSetName() const { return m_currentColorSet; }
    ColorSet& createColorSet(const std::string& name);
    const ColorSet* colorSet(const std::string& name = {}) const;
    /// Gives one face-vertex a colour of its own.
    bool setFaceVertexColor(int f, int corner, const Rgba& c, const std::string& set = {});
    /// The face-vertex colour, all channels -1 where none is set.
    Rgba faceVertexColor(int f, int corner, const std::string& set = {}) const;
    bool faceHasColors(int f, const std::string& set = {}) const;

    // Derived geometry.
    /// Unit face normal (Newell's method, so concave and slightly non-planar faces work);
    /// the zero vector for a degenerate face.
    Vec3 faceNormal(int f) const;
    /// Unit normal of a face-vertex: the average of the normals of the faces met around the
    /// vertex without crossing a hard edge or a border.
    Vec3 faceVertexNormal(int f, int corner) const;
    /// Unit vertex normal: the average of all its faces' normals.
    Vec3 vertexNormal(int v) const;
    /// n - 2 for an n-gon.
    int numTriangles(int f) const { return faceVertexCount(f) - 2; }
    /// Corners (face-relative) of triangle t of face f, counter-clockwise like the face.
    std::array<int, 3> triangleCorners(int f, int t) const;
    /// Vertex indices of triangle t of face f.
    std::array<int, 3> triangleVertices(int f, int t) const;
    Box3 bounds() const;
    /// Builds every derived table now (so that later queries find them ready).
    void prepareQueries() const;
    /// Which derived tables are built (for tests and diagnostics).
    struct DerivedState {
        bool edgeCount, edges, adjacency, faceNormals, faceVertexNormals, triangles;
    };
    DerivedState derivedState() const;
    /// True when the edge table was made from the edge names given at creation rather than by
    /// looking the corners' vertex pairs up (for tests and diagnostics; builds the table).
    bool edgesCameFromNames() const { return edgeTable().fromNames; }

    /// Object groups: numbered sets of faces (ascending, unique ids) that travel with the mesh
    /// through copies and construction history. Topology edits keep them in step (see
    /// MeshEditor::finish); moving points leaves them alone.
    using ObjectGroups = std::map<int, std::vector<int>>;
    const ObjectGroups& objectGroups() const { return m_objectGroups; }
    ObjectGroups& objectGroups() { return m_objectGroups; }

private:
    friend class MeshEditor;
    friend class MeshDraft;
    struct EdgeTable {
        std::vector<MeshEdge> edges;
        std::vector<int> faceEdges;  // per face-vertex: the edge from it to the next corner
        bool fromNames = false;      // made from the names given at creation
    };
    struct Adjacency {
        std::vector<int> edgeFaceOffsets, edgeFaces;
        std::vector<int> vertexFaceOffsets, vertexFaces;
        std::vector<int> vertexEdgeOffsets, vertexEdges;
    };
    struct Normals {
        std::vector<Vec3> values;  // per face, or per face-vertex
    };
    struct Triangulation {
        std::vector<int> corners;  // 3 per triangle, face-relative
        std::vector<int> offsets;  // per face, first triangle
    };

    // State of an edited mesh: the stored edge table and the adjacency lists changed since the
    // first edit (keys not listed read from `base`).
    struct EditState {
        EdgeTable table;
        std::shared_ptr<const Adjacency> base;
        detail::ListOverlay edgeFaces, vertexFaces, vertexEdges;
    };
    // List `key` of an edited mesh: the changed one, else the base list (kind 0 edge faces,
    // 1 vertex faces, 2 vertex edges), else empty (keys added since).
    std::span<const int> editedList(const detail::ListOverlay& changed, int key, int kind) const {
        std::span<const int> list;
        return changed.find(key, list) ? list : baseList(key, kind);
    }
    std::span<const int> baseList(int key, int kind) const;

    const EdgeTable& edgeTable() const {
        if (m_edit) return m_edit->table;
        const EdgeTable* t = m_edgeTable.get();
        return t ? *t : buildEdgeTable();
    }
    const Adjacency& adjacency() const {
        const Adjacency* a = m_adjacency.get();
        return a ? *a : buildAdjacency();
    }
    const Normals& faceNormals() const {
        const Normals* n = m_faceNormals.get();
        return n ? *n : buildFaceNormals();
    }
    const Normals& faceVertexNormals() const {
        const Normals* n = m_faceVertexNormals.get();
        return n ? *n : buildFaceVertexNormals();
    }
    const Triangulation& triangulation() const {
        const Triangulation* t = m_triangulation.get();
        return t ? *t : buildTriangulation();
    }
    const EdgeTable& buildEdgeTable() const;
    int countEdges() const;
    // Edge names given at creation (see create), kept until the edge table is built from them.
    struct CornerEdges {
        std::vector<int> names;
        int numNames = 0;
        bool distinctPairs = false;
    };
    // Numbers the edges from the names that `table.faceEdges` holds (turning them into edge
    // numbers in place) and fills `table.edges`; false when the names do not name edges
    // consistently. Under the build lock.
    bool edgesFromNames(int numNames, bool distinctPairs, EdgeTable& table) const;
    // Numbers the edges by first appearance; fills `edges` and `faceEdges` (sized to the
    // face-vertices) when not null. Returns the edge count. Under the build lock.
    int walkEdges(std::vector<MeshEdge>* edges, std::vector<int>* faceEdges) const;
    const Adjacency& buildAdjacency() const;
    const Normals& buildFaceNormals() const;
    const Normals& buildFaceVertexNormals() const;
    const Triangulation& buildTriangulation() const;
    // Held while a derived table is built: shared by every mesh (tables are built once each, so
    // contention is rare) and recursive, since a build may need another table of the same mesh.
    static std::recursive_mutex& buildMutex();
    // Points moved: normals and triangles are stale (edges and adjacency never are).
    void pointsChanged();
    int setIndexOf(const std::string& name, bool uv) const;
    // The set whose UV table setUVs replaces by one of uSize entries (made when missing), or
    // null (error set) when the sizes differ or assigned indices would pass the table.
    UVSet* uvTableTarget(size_t uSize, size_t vSize, const std::string& set, std::string* error);
    // UV index of face-vertex `at` (in the concatenated list) in set s, -1 when none.
    int uvIdAt(const UVSet& s, int at) const {
        if (s.idsAreVertices) return m_faceVerts[at];
        return s.faceVertexUV.empty() ? -1 : s.faceVertexUV[at];
    }

    std::vector<Vec3> m_points;
    std::vector<int> m_faceOffsets{0};
    std::vector<int> m_faceVerts;
    // Edited meshes: the end slot of each face (empty in the compact layout, where face f ends
    // where f + 1 starts) and the number of unused slots (holding -1 in m_faceVerts).
    std::vector<int> m_faceEnds;
    int m_deadSlots = 0;
    detail::ClonePtr<EditState> m_edit;
    // Soft-edge flags per edge; empty while every edge has the flag m_allSmooth.
    std::vector<uint8_t> m_edgeSmooth;
    bool m_allSmooth = true;

    std::vector<UVSet> m_uvSets;
    std::string m_currentUVSet;
    std::vector<ColorSet> m_colorSets;
    std::string m_currentColorSet;
    ObjectGroups m_objectGroups;

    detail::LazyTable<CornerEdges> m_cornerEdges;  // dropped once the edge table is built
    detail::LazyTable<EdgeTable> m_edgeTable;
    detail::LazyTable<int> m_edgeCount;  // known before the table when only counted
    detail::LazyTable<Adjacency> m_adjacency;
    detail::LazyTable<Normals> m_faceNormals;
    detail::LazyTable<Normals> m_faceVertexNormals;
    detail::LazyTable<Triangulation> m_triangulation;
};

}  // namespace tarn
