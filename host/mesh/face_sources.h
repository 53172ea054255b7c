#pragma once
/// Which face of one mesh each face of another comes from, when the second was made from the
/// first by any operation (a split, a patch, a node of construction history): faces laid out as
/// in the first mesh (the same loops) are their own source; any other face comes from the face
/// of the first mesh nearest to a point inside it (the centre of its first triangle), the lowest
/// id where several are equally near. Costs O(F log F) over both meshes; a mesh laid out like the
/// first costs one comparison of the face lists. Thread-safe as any const query.

#include <vector>

#include "host/mesh/poly_mesh.h"

namespace tarn {

/// For each face of `to`, its source face in `from` (-1 when `from` has no faces or the face
/// has no finite point).
std::vector<int> faceSources(const PolyMesh& from, const PolyMesh& to);

/// True when both meshes have the same faces, corner for corner.
bool sameFaceLayout(const PolyMesh& a, const PolyMesh& b);

/// Nearest-face queries on a fixed mesh: a uniform grid of its triangles.
class FaceLocator {
public:
    explicit FaceLocator(const PolyMesh& mesh);
    /// The face whose triangles come nearest `p` (lowest id on ties), -1 for an empty mesh or a
    /// point that is not finite.
    int nearestFace(const Vec3& p) const;

private:
    struct Triangle {
        Vec3 a, b, c;
        int face;
    };
    int cellIndex(int x, int y, int z) const { return (z * m_dims[1] + y) * m_dims[0] + x; }
    void cellOf(const Vec3& p, int out[3]) const;

    std::vector<Triangle> m_triangles;
    Box3 m_box;
    double m_cell = 1.0;
    int m_dims[3] = {1, 1, 1};
    std::vector<int> m_cellStart, m_cellItems;  // triangles of each cell (CSR)
};

}  // namespace tarn
