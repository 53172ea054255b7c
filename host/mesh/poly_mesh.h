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
/// Thread safety: const queries may run on many threads once `prepareQueries()` has been called
/// after the last edit; the normal and triangle caches are otherwise filled lazily on first use.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

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
struct UVSet {
    std::string name;
    std::vector<float> u, v;
    std::vector<int> faceVertexUV;  // empty until UVs are assigned; else one per face-vertex
};

/// A named colour set: a colour table plus, per face-vertex, an index into it (-1: no colour).
struct ColorSet {
    std::string name;
    std::vector<Rgba> colors;
    std::vector<int> faceVertexColor;  // empty until colours are assigned
};

class PolyMesh {
public:
    PolyMesh() = default;

    /// Builds a mesh from points, per-face vertex counts and the concatenated vertex indices.
    /// Fails (returns false, `error` says why, `out` untouched) when a face has fewer than
    /// 3 vertices, an index is out of range, a face repeats a vertex, or the counts and index
    /// list disagree. All edges start soft; no UV or colour sets.
    static bool create(std::vector<Vec3> points, const std::vector<int>& counts,
                       const std::vector<int>& indices, PolyMesh& out, std::string* error);

    // Counts.
    int numVertices() const { return static_cast<int>(m_points.size()); }
    int numFaces() const { return static_cast<int>(m_faceOffsets.size()) - 1; }
    int numEdges() const { return static_cast<int>(m_edges.size()); }
    int numFaceVertices() const { return static_cast<int>(m_faceVerts.size()); }

    // Faces. f in [0, numFaces()); corner i in [0, faceVertexCount(f)).
    int faceVertexCount(int f) const { return m_faceOffsets[f + 1] - m_faceOffsets[f]; }
    /// Index of the first face-vertex of f in the concatenated face-vertex list.
    int faceOffset(int f) const { return m_faceOffsets[f]; }
    std::span<const int> faceVertices(int f) const {
        return {m_faceVerts.data() + m_faceOffsets[f], static_cast<size_t>(faceVertexCount(f))};
    }
    /// Edge k of f joins corner k and corner k+1 (mod n).
    std::span<const int> faceEdges(int f) const {
        return {m_faceEdges.data() + m_faceOffsets[f], static_cast<size_t>(faceVertexCount(f))};
    }
    const std::vector<int>& faceVertexList() const { return m_faceVerts; }
    std::vector<int> faceCounts() const;

    // Edges.
    const MeshEdge& edge(int e) const { return m_edges[e]; }
    /// Faces using edge e, ascending (one on a border, two inside, more where non-manifold).
    std::span<const int> edgeFaces(int e) const {
        return {m_edgeFaces.data() + m_edgeFaceOffsets[e],
                static_cast<size_t>(m_edgeFaceOffsets[e + 1] - m_edgeFaceOffsets[e])};
    }
    bool isBorderEdge(int e) const { return edgeFaces(e).size() == 1; }
    /// The edge joining a and b in either order, or -1.
    int findEdge(int a, int b) const;
    bool isEdgeSmooth(int e) const { return m_edgeSmooth[e] != 0; }
    /// Marks an edge soft (true) or hard (false); normals follow on the next query.
    void setEdgeSmooth(int e, bool smooth);
    void setAllEdgesSmooth(bool smooth);

    // Vertices.
    const Vec3& point(int v) const { return m_points[v]; }
    const std::vector<Vec3>& points() const { return m_points; }
    /// Moves one vertex; normals and the box follow on the next query.
    void setPoint(int v, const Vec3& p);
    /// Replaces all points; the count must stay the same (returns false otherwise).
    bool setPoints(const std::vector<Vec3>& points);
    /// Faces using vertex v, ascending.
    std::span<const int> vertexFaces(int v) const {
        return {m_vertexFaces.data() + m_vertexFaceOffsets[v],
                static_cast<size_t>(m_vertexFaceOffsets[v + 1] - m_vertexFaceOffsets[v])};
    }
    /// Edges using vertex v, ascending.
    std::span<const int> vertexEdges(int v) const {
        return {m_vertexEdges.data() + m_vertexEdgeOffsets[v],
                static_cast<size_t>(m_vertexEdgeOffsets[v + 1] - m_vertexEdgeOffsets[v])};
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
    /// Assigns UV indices per face-vertex: counts must match the faces, ids index the table
    /// (or -1). Nothing changes on failure.
    bool assignUVs(const std::vector<int>& counts, const std::vector<int>& ids,
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
    /// Fills the lazy caches so that const queries are safe from many threads.
    void prepareQueries() const;

private:
    void buildTopology();
    void invalidateGeometry();
    void ensureNormals() const;
    void ensureTriangles() const;
    int setIndexOf(const std::string& name, bool uv) const;

    std::vector<Vec3> m_points;
    std::vector<int> m_faceOffsets{0};
    std::vector<int> m_faceVerts;
    std::vector<int> m_faceEdges;
    std::vector<MeshEdge> m_edges;
    std::vector<uint8_t> m_edgeSmooth;
    std::vector<int> m_edgeFaceOffsets{0}, m_edgeFaces;
    std::vector<int> m_vertexFaceOffsets{0}, m_vertexFaces;
    std::vector<int> m_vertexEdgeOffsets{0}, m_vertexEdges;

    std::vector<UVSet> m_uvSets;
    std::string m_currentUVSet;
    std::vector<ColorSet> m_colorSets;
    std::string m_currentColorSet;

    // Lazy caches (see the thread-safety note above).
    mutable bool m_normalsValid = false;
    mutable std::vector<Vec3> m_faceNormals;
    mutable std::vector<Vec3> m_faceVertexNormals;
    mutable bool m_trianglesValid = false;
    mutable std::vector<int> m_triangleCorners;  // 3 per triangle, face-relative
    mutable std::vector<int> m_triangleOffsets;  // per face, first triangle
};

}  // namespace tarn
