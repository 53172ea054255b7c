#include "host/mesh/mesh_primitives.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace tarn {
namespace {

struct PrimitiveCase {
    std::string what;
    std::function<PolyMesh()> make;
};

// Sizes from the smallest each primitive allows to uneven ones, at unit, tiny and huge scales.
std::vector<PrimitiveCase> primitiveCases() {
    return {
        {"unit cube", [] { return makeCube(1, 1, 1); }},
        {"cube 3x1x2", [] { return makeCube(2, 0.5, 3, 3, 1, 2); }},
        {"tiny cube 4x5x6", [] { return makeCube(1e-6, 2e-6, 3e-6, 4, 5, 6); }},
        {"plane 1x1", [] { return makePlane(1, 1, 1, 1); }},
        {"plane 7x3", [] { return makePlane(4, 2, 7, 3); }},
        {"smallest sphere", [] { return makeSphere(1, 3, 2); }},
        {"sphere 8x5", [] { return makeSphere(2, 8, 5); }},
        {"huge sphere 20x20", [] { return makeSphere(1e6, 20, 20); }},
        {"cylinder with n-gon caps", [] { return makeCylinder(1, 2, 6, 2, 0); }},
        {"cylinder with fans", [] { return makeCylinder(0.5, 3, 5, 1, 1); }},
        {"cylinder with rings of quads", [] { return makeCylinder(2, 0.1, 7, 3, 3); }},
    };
}

using Position = std::array<double, 3>;

// Checks one kind of id (points or UVs) at every corner against the corner's position: two
// corners share an id exactly when their positions weld (rounded at 1e-7 of `grain` along each
// axis), and ids are numbered in order of first use, face by face (a face may introduce its new
// ids in any order: caps facing down are built reversed). Returns the number of distinct ids.
int expectWeldedIds(const PolyMesh& m, const std::function<int(int, int)>& idAt,
                    const std::function<Position(int, int)>& positionAt, const Position& grain,
                    const std::string& what) {
    std::map<std::tuple<long long, long long, long long>, int> idOfPosition;
    std::map<int, std::tuple<long long, long long, long long>> positionOfId;
    int next = 0;
    for (int f = 0; f < m.numFaces(); ++f) {
        std::vector<int> fresh;
        for (int c = 0; c < m.faceVertexCount(f); ++c) {
            const Position p = positionAt(f, c);
            const auto key = std::make_tuple(std::llround(p[0] / grain[0] * 1e7),
                                             std::llround(p[1] / grain[1] * 1e7),
                                             std::llround(p[2] / grain[2] * 1e7));
            const int id = idAt(f, c);
            const auto [at, newPosition] = idOfPosition.emplace(key, id);
            const auto [was, newId] = positionOfId.emplace(id, key);
            if (at->second != id || was->second != key) {
                ADD_FAILURE() << what << ": face " << f << " corner " << c << " has id " << id
                              << " where welding gives " << at->second;
                return -1;
            }
            if (newId) fresh.push_back(id);
        }
        std::sort(fresh.begin(), fresh.end());
        for (int id : fresh)
            if (id != next++) {
                ADD_FAILURE() << what << ": face " << f << " introduces id " << id << " before "
                              << next - 1;
                return -1;
            }
    }
    return next;
}

TEST(Primitives, IdsAreThoseOfWeldingEveryCorner) {
    // The builders append the points and UVs they know to be unique without welding them; the
    // ids must still be those of welding every corner's point and UV in order of first use.
    for (const PrimitiveCase& c : primitiveCases()) {
        const PolyMesh m = c.make();
        const Box3 box = m.bounds();
        Position grain{};
        for (int a = 0; a < 3; ++a)
            grain[a] = box.max[a] > box.min[a] ? box.max[a] - box.min[a] : 1.0;
        const int points = expectWeldedIds(
            m, [&](int f, int k) { return m.faceVertices(f)[k]; },
            [&](int f, int k) {
                const Vec3& p = m.point(m.faceVertices(f)[k]);
                return Position{p.x, p.y, p.z};
            },
            grain, c.what + " points");
        EXPECT_EQ(points, m.numVertices()) << c.what;
        const int uvs = expectWeldedIds(
            m, [&](int f, int k) { return m.faceVertexUVIndex(f, k); },
            [&](int f, int k) {
                float u = -1, v = -1;
                m.getFaceVertexUV(f, k, u, v);
                return Position{u, v, 0.0};
            },
            {1.0, 1.0, 1.0}, c.what + " UVs");
        EXPECT_EQ(uvs, static_cast<int>(m.uvSet()->u.size())) << c.what;
    }
}

TEST(Primitives, ClosedPrimitivesHaveEveryEdgeBetweenTwoFaces) {
    for (const PrimitiveCase& c : primitiveCases()) {
        if (c.what.find("plane") != std::string::npos) continue;
        const PolyMesh m = c.make();
        EXPECT_EQ(m.numVertices() - m.numEdges() + m.numFaces(), 2) << c.what;
        for (int e = 0; e < m.numEdges(); ++e)
            ASSERT_EQ(m.edgeFaces(e).size(), 2u) << c.what << ", edge " << e;
    }
}

TEST(Primitives, CylinderRimsAloneAreHard) {
    struct Case {
        int sx, sy, caps;
    } cases[] = {{6, 2, 0}, {5, 1, 1}, {7, 3, 3}};
    for (const Case& c : cases) {
        const double r = 2.0, h = 0.5;
        const PolyMesh m = makeCylinder(r, h, c.sx, c.sy, c.caps);
        auto onRim = [&](const Vec3& p, double y) {
            return p.y == y && std::abs(std::hypot(p.x, p.z) - r) < 1e-9;
        };
        int hard = 0;
        for (int e = 0; e < m.numEdges(); ++e) {
            const Vec3 &a = m.point(m.edge(e).v0), &b = m.point(m.edge(e).v1);
            const bool rim =
                (onRim(a, -h / 2) && onRim(b, -h / 2)) || (onRim(a, h / 2) && onRim(b, h / 2));
            EXPECT_EQ(m.isEdgeSmooth(e), !rim)
                << "sx " << c.sx << " caps " << c.caps << " edge " << e;
            hard += rim ? 1 : 0;
        }
        EXPECT_EQ(hard, 2 * c.sx);
    }
}

}  // namespace
}  // namespace tarn
