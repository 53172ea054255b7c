#pragma once
/// The engine's polygon geometry: a thin layer over the host's mesh kernel (tarn::PolyMesh).
///
/// A TpolyGeom is either made from a kernel mesh (queries read the kernel's tables directly) or
/// filled through the append calls and then brought up to date with update(): vertices, edges
/// (appendEdge), faces as edge-use lists (bgnFace, useEdge or the edge-use buffer, endFace) and
/// UV sets. update() hands the faces to the kernel; from then on edges are numbered the kernel's
/// way (first met walking the faces), so edge indices returned by appendEdge are valid only
/// while building. Appending faces to a geom that already holds faces is refused.
///
/// Edge-use lists: one 32-bit word per face corner holding the edge that leaves the corner;
/// bit 31 set means the face walks the edge from its vertex 1 to its vertex 0, bit 30 set marks
/// the last use of a loop. Faces have a single loop.
///
/// Thread safety: const queries may run on many threads once update() has run; building and
/// update() are single-threaded.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/mesh/poly_mesh.h"

/// Edge-use word bits.
constexpr std::uint32_t kEdgeUseReversed = 1u << 31;
constexpr std::uint32_t kEdgeUseLast = 1u << 30;
constexpr std::uint32_t kEdgeUseIndexMask = kEdgeUseLast - 1;

/// Face building: the edges and edge-use lists appended since the geom was made empty.
class TpolyTopo {
public:
    /// Appends an edge from vertex `from` to vertex `to`; `hard` marks it as a hard edge.
    /// Returns the edge's index (valid until update()).
    int appendEdge(int from, int to, bool hard);
    /// Starts a face; the edge uses appended until endFace() form its loop.
    void bgnFace();
    /// Starts the face's loop (faces hold one loop; a second loop makes update() fail).
    void bgnLoop();
    /// Appends the use of edge `e`, reversed when the face walks it from vertex 1 to vertex 0.
    void useEdge(int e, bool reversed) {
        m_uses.push_back(static_cast<std::uint32_t>(e) | (reversed ? kEdgeUseReversed : 0u));
    }
    /// The edge-use list being written, with room reserved for `extra` more words; callers
    /// may push encoded words directly.
    std::vector<std::uint32_t>& edgeUseBuffer(std::size_t extra = 0);
    /// Marks the last use appended as the last of its loop (bit 30).
    void endLoop();
    /// Closes the face whose uses were appended since bgnFace() (marking its last use when
    /// endLoop was not called). Returns the face index, or -1 when the face has no uses.
    int endFace();

    /// Faces closed since the geom was made empty.
    int pendingFaceCount() const { return static_cast<int>(m_faceStarts.size()) - 1; }

protected:
    void clearTopo();
    std::vector<tarn::MeshEdge> m_edges;
    std::vector<std::uint8_t> m_edgeHard;
    std::vector<std::uint32_t> m_uses;
    std::vector<int> m_faceStarts{0};  // use offset of each closed face, plus the end
    int m_openFace = -1;               // use offset of the face being built, -1 when none
    int m_extraLoops = 0;              // faces that asked for a second loop
};

class TpolyGeom : public TpolyTopo {
public:
    /// An empty geom, ready to be filled.
    TpolyGeom() = default;
    /// A geom over a kernel mesh (shares the mesh's built tables; no copy of the topology).
    explicit TpolyGeom(tarn::PolyMesh mesh);

    // Building.
    /// The vertex list, with room reserved for `extra` more vertices.
    std::vector<tarn::Vec3>& vertexBuffer(std::size_t extra);
    /// Appends a vertex; returns its index.
    int appendVertex(const tarn::Vec3& p) {
        m_building = true;
        m_points.push_back(p);
        return static_cast<int>(m_points.size()) - 1;
    }
    /// Adds an empty UV set (the first one added becomes current); returns its index.
    int newEmptyMapSet(const std::string& name);
    /// Makes UV set `set` current.
    void setCurrentMapSet(int set);
    /// Reserves room for `extra` more UVs in set `set`.
    void uvBuffer(std::size_t extra, int set);
    /// Reserves room for `extra` more face-corner UV references in set `set`.
    void mapFaceBuffer(std::size_t extra, int set);
    /// Appends a UV to set `set`; returns its index in the set.
    int appendUV(float u, float v, int set);
    /// Gives the next face corner (in the order corners are closed) UV `uv` of set `set`.
    /// A set's references must cover every corner of every face, or none.
    void refUV(int uv, int set);

    /// Hands the faces built so far to the kernel and builds the tables `what` asks for now
    /// (bit 0 edges, bit 1 adjacency; 7 or -1: all; normals and triangles are built on first
    /// query). Returns false (error() says why, the geom stays empty) when a loop does not
    /// close or connect, an index is out of range or the UV references do not cover the
    /// corners; a face that repeats a vertex also fails, and then the built faces are dropped.
    bool update(int what = 7);
    /// Removes vertices no face uses and renumbers the rest in order (the four arguments are
    /// kept for callers: points, UVs, colours, and an optional old-to-new map that is filled
    /// when not null). Brings the geom up to date first. Returns false when update fails.
    bool remUnusedVertex(bool points, bool uvs, bool colours, std::vector<int>* oldToNew);
    const std::string& error() const { return m_error; }

    // Queries (after update; a geom made from a kernel mesh is up to date).
    int nbVertex() const { return m_mesh.numVertices(); }
    int nbFace() const { return m_mesh.numFaces(); }
    int nbEdge() const { return m_mesh.numEdges(); }
    const tarn::Vec3& vertex(int v) const { return m_mesh.point(v); }
    /// Valence: the number of edges using v.
    int vertexOrder(int v) const { return static_cast<int>(m_mesh.vertexEdges(v).size()); }
    /// True when exactly one face uses edge e.
    bool isBorder(int e) const { return m_mesh.isBorderEdge(e); }
    /// True when the faces around v form one fan (closed or open) in which every edge of v
    /// joins at most two consistently wound faces.
    bool isVertexTwoManifold(int v) const;
    /// Centre of face f; kind 0 (the only kind) is the average of its corner positions.
    tarn::Vec3 getFaceCenterFromOffset(int f, int kind = 0) const;
    /// The vertex at corner 0 of face f.
    int getStartVertex(int f) const { return m_mesh.faceVertices(f)[0]; }
    int faceVertexCount(int f) const { return m_mesh.faceVertexCount(f); }
    /// Number of triangles of face f (n - 2).
    int triangleNumber(int f) const { return m_mesh.numTriangles(f); }
    /// Triangle t of face f: its corners (face-relative) and their vertices, wound like the
    /// face.
    void getTriangle(int f, int t, std::array<int, 3>& corners, std::array<int, 3>& verts) const;
    /// Unit normal of face f at corner c (hard edges and borders respected).
    tarn::Vec3 faceVertexNormal(int f, int c) const { return m_mesh.faceVertexNormal(f, c); }
    /// The edge-use list of face f (kernel edge numbering).
    void faceEdgeUses(int f, std::vector<std::uint32_t>& out) const;

    /// The kernel mesh (after update).
    const tarn::PolyMesh& mesh() const { return m_mesh; }
    /// Gives the kernel mesh away (the geom is left empty).
    tarn::PolyMesh takeMesh();

private:
    struct MapSet {
        std::string name;
        std::vector<float> u, v;
        std::vector<int> refs;  // per face corner, in closing order
    };
    bool flush(bool dropUnused, std::vector<int>* oldToNew);

    tarn::PolyMesh m_mesh;
    std::vector<tarn::Vec3> m_points;  // vertices appended since the geom was made empty
    std::vector<MapSet> m_sets;
    int m_currentSet = -1;
    bool m_building = false;  // something was appended since the last update
    std::string m_error;
};

/// Edges around a vertex in rotational order: counter-clockwise seen from the side the faces
/// face (each edge is followed by the face that leaves the vertex along it). On a border the
/// rotation starts at the border edge the faces start from and ends at the other one. Reuse
/// one iterator across vertices to avoid allocation.
class TvertexEdgeIterator {
public:
    explicit TvertexEdgeIterator(const TpolyGeom& geom) : m_geom(&geom) {}
    TvertexEdgeIterator(const TpolyGeom& geom, int v) : m_geom(&geom) { reset(v); }
    /// Builds the rotation around v and moves to its first edge.
    void reset(int v);
    bool isDone() const { return m_at >= m_edges.size(); }
    void next() { ++m_at; }
    int edge() const { return m_edges[m_at]; }
    /// The face between this edge and the next (-1 after the last edge of an open fan).
    int faceAfter() const { return m_faces[m_at]; }
    /// The face between the previous edge and this one (-1 before the first edge of an open
    /// fan).
    int faceBefore() const {
        if (m_at > 0) return m_faces[m_at - 1];
        return m_closed ? m_faces.back() : -1;
    }
    std::size_t count() const { return m_edges.size(); }
    /// True when the rotation closes on itself (v is interior).
    bool isClosed() const { return m_closed; }
    /// True when the rotation covers every face and edge of v as one consistently wound fan.
    bool isSingleFan() const { return m_singleFan; }

private:
    struct Corner {
        int out, in, face;
    };
    const TpolyGeom* m_geom;
    std::vector<Corner> m_corners;
    std::vector<int> m_edges, m_faces;
    std::vector<std::uint8_t> m_seen;
    std::size_t m_at = 0;
    bool m_closed = false, m_singleFan = false;
};

/// Faces of an edge, ascending.
class TedgeFaceIterator {
public:
    TedgeFaceIterator(const TpolyGeom& geom, int e) : m_faces(geom.mesh().edgeFaces(e)) {}
    bool isDone() const { return m_at >= m_faces.size(); }
    void next() { ++m_at; }
    int face() const { return m_faces[m_at]; }
    std::size_t count() const { return m_faces.size(); }

private:
    std::span<const int> m_faces;
    std::size_t m_at = 0;
};
