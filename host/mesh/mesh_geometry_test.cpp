// Normals, triangulation and ray hits of the mesh kernel.

#include <gtest/gtest.h>

#include <cmath>

#include "host/mesh/mesh_primitives.h"
#include "host/mesh/mesh_raycast.h"
#include "host/mesh/mesh_triangulation.h"
#include "host/mesh/poly_mesh.h"

namespace tarn {
namespace {

void expectNear(const Vec3& a, const Vec3& b, double eps = 1e-9) {
    EXPECT_NEAR(a.x, b.x, eps);
    EXPECT_NEAR(a.y, b.y, eps);
    EXPECT_NEAR(a.z, b.z, eps);
}

// A roof: two quads meeting at 90 degrees along the ridge 1-4.
//   faces: 0 = (0,1,4,3) slope towards -x, 1 = (1,2,5,4) slope towards +x.
PolyMesh roof() {
    PolyMesh m;
    PolyMesh::create({{-1, 0, 0}, {0, 1, 0}, {1, 0, 0}, {-1, 0, -1}, {0, 1, -1}, {1, 0, -1}},
                     {4, 4}, {0, 1, 4, 3, 1, 2, 5, 4}, m, nullptr);
    return m;
}

TEST(MeshNormals, SoftAndHardEdges) {
    PolyMesh m = roof();
    const double s = std::sqrt(0.5);
    expectNear(m.faceNormal(0), {-s, s, 0});
    expectNear(m.faceNormal(1), {s, s, 0});
    // Soft ridge: both faces' corners on the ridge share the averaged normal.
    const int ridge = m.findEdge(1, 4);
    ASSERT_GE(ridge, 0);
    expectNear(m.faceVertexNormal(0, 1), {0, 1, 0});
    expectNear(m.faceVertexNormal(1, 0), {0, 1, 0});
    // Corners off the ridge keep their face normal.
    expectNear(m.faceVertexNormal(0, 0), {-s, s, 0});
    // Hard ridge: every corner takes its own face normal.
    m.setEdgeSmooth(ridge, false);
    expectNear(m.faceVertexNormal(0, 1), {-s, s, 0});
    expectNear(m.faceVertexNormal(1, 0), {s, s, 0});
    expectNear(m.vertexNormal(1), {0, 1, 0});
}

TEST(MeshNormals, CubeIsFacetedSphereIsSmooth) {
    const PolyMesh cube = makeCube(1, 1, 1);
    for (int f = 0; f < cube.numFaces(); ++f)
        for (int c = 0; c < 4; ++c) expectNear(cube.faceVertexNormal(f, c), cube.faceNormal(f));
    const PolyMesh sphere = makeSphere(2.0, 12, 8);
    for (int f = 0; f < sphere.numFaces(); ++f)
        for (int c = 0; c < sphere.faceVertexCount(f); ++c) {
            const Vec3 radial = normalize(sphere.point(sphere.faceVertices(f)[c]));
            const Vec3 n = sphere.faceVertexNormal(f, c);
            EXPECT_GT(dot(n, radial), 0.97) << "face " << f;
            // Outward faces: the face normal points away from the centre.
            EXPECT_GT(dot(sphere.faceNormal(f), radial), 0.0);
        }
}

TEST(MeshTriangulation, PentagonAndConcavePolygons) {
    struct Case {
        const char* name;
        std::vector<Vec3> loop;
    } cases[] = {
        {"regular pentagon",
         {{1, 0, 0},
          {0.309, 0.951, 0},
          {-0.809, 0.588, 0},
          {-0.809, -0.588, 0},
          {0.309, -0.951, 0}}},
        {"L shape", {{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}, {1, 2, 0}, {0, 2, 0}}},
        {"arrow (reflex vertex first)", {{1, 1, 0}, {0, 2, 0}, {0, 0, 0}, {2, 0, 0}, {2, 2, 0}}},
        {"clockwise seen from +z, in the XZ plane",
         {{0, 0, 0}, {0, 0, -2}, {1, 0, -1}, {2, 0, -2}, {2, 0, 0}}},
    };
    auto signedArea = [](const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& n) {
        return dot(cross(b - a, c - a), n) / 2.0;
    };
    for (const Case& c : cases) {
        // Normal by Newell's method, as the mesh computes it.
        Vec3 n;
        for (size_t i = 0; i < c.loop.size(); ++i) {
            const Vec3& a = c.loop[i];
            const Vec3& b = c.loop[(i + 1) % c.loop.size()];
            n += Vec3{(a.y - b.y) * (a.z + b.z), (a.z - b.z) * (a.x + b.x),
                      (a.x - b.x) * (a.y + b.y)};
        }
        const double polygonArea = length(n) / 2.0;
        n = normalize(n);
        std::vector<int> tris;
        triangulatePolygon(c.loop, n, tris);
        ASSERT_EQ(tris.size(), 3 * (c.loop.size() - 2)) << c.name;
        double total = 0.0;
        for (size_t t = 0; t < tris.size(); t += 3) {
            const double area =
                signedArea(c.loop[tris[t]], c.loop[tris[t + 1]], c.loop[tris[t + 2]], n);
            EXPECT_GT(area, 0.0) << c.name << ": triangle " << t / 3 << " flipped or empty";
            total += area;
        }
        // Same winding and no overlap: the triangles tile the polygon exactly.
        EXPECT_NEAR(total, polygonArea, 1e-9) << c.name;
    }
}

TEST(MeshTriangulation, MeshFacesReportTriangles) {
    PolyMesh m;
    ASSERT_TRUE(PolyMesh::create({{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {1, 0.5, 0}, {0, 2, 0}}, {5},
                                 {0, 1, 2, 3, 4}, m, nullptr));
    ASSERT_EQ(m.numTriangles(0), 3);
    for (int t = 0; t < 3; ++t) {
        const auto v = m.triangleVertices(0, t);
        const auto c = m.triangleCorners(0, t);
        for (int k = 0; k < 3; ++k) EXPECT_EQ(v[k], m.faceVertices(0)[c[k]]);
        // No triangle may use the notch diagonal 2-4, which lies outside the polygon.
        const bool has2 = v[0] == 2 || v[1] == 2 || v[2] == 2;
        const bool has4 = v[0] == 4 || v[1] == 4 || v[2] == 4;
        EXPECT_FALSE(has2 && has4) << "triangle " << t;
    }
}

TEST(MeshRaycast, FirstHitFaceAndPoint) {
    const PolyMesh cube = makeCube(2, 2, 2);
    struct Case {
        Vec3 origin, direction;
        bool hits;
        Vec3 point;
        Vec3 faceNormal;
    } cases[] = {
        {{0.2, 0.3, 10}, {0, 0, -1}, true, {0.2, 0.3, 1}, {0, 0, 1}},
        {{0.2, 0.3, -10}, {0, 0, 2}, true, {0.2, 0.3, -1}, {0, 0, -1}},
        {{10, 0.5, 0.5}, {-1, 0, 0}, true, {1, 0.5, 0.5}, {1, 0, 0}},
        {{0, 0, 0}, {0, 1, 0}, true, {0, 1, 0}, {0, 1, 0}},  // from inside: back side counts
        {{5, 5, 10}, {0, 0, -1}, false, {}, {}},             // passes beside
        {{0, 0, 10}, {0, 0, 1}, false, {}, {}},              // points away
    };
    for (const Case& c : cases) {
        MeshHit hit;
        ASSERT_EQ(intersectMeshFirst(cube, c.origin, c.direction, hit), c.hits);
        if (!c.hits) continue;
        expectNear(hit.point, c.point);
        expectNear(cube.faceNormal(hit.face), c.faceNormal);
    }
    const auto all = intersectMesh(cube, {0.2, 0.3, 10}, {0, 0, -1});
    ASSERT_EQ(all.size(), 2u);
    EXPECT_LT(all[0].distance, all[1].distance);
    EXPECT_NEAR(all[0].distance, 9.0, 1e-12);
    // Pinned: a ray along a quad's diagonal touches both of its triangles but hits the face once.
    const auto diagonal = intersectMesh(cube, {0.5, 0.5, 10}, {0, 0, -1});
    EXPECT_EQ(diagonal.size(), 2u);
}

}  // namespace
}  // namespace tarn
