// Edits of many components or many new vertices: the shape of a many-vertex edge split, the
// limit on new vertices, stopping on request, whole-mesh deletes and merges (faces that grow to
// hold most of the mesh), and undo restoring edge flags after an edit removed every edge.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

#include "host/mesh/mesh_edit_ops.h"
#include "host/mesh/mesh_primitives.h"
#include "host/mesh/mesh_test_support.h"

namespace tarn {
namespace {

using testing::loop;
using testing::MeshShot;
using testing::shoot;

int euler(const PolyMesh& m) {
    return m.numVertices() - m.numEdges() + m.numFaces();
}

// Edits, undoes and redoes; the edit must go through and leave a valid mesh, or (when
// `mayRefuse`) fail and leave the mesh as it was. True when it went through.
bool expectEditUndoRedo(PolyMesh& m, const std::function<OpStatus(PolyMesh&, EditResult*)>& edit,
                        const std::string& what, bool mayRefuse = false) {
    SCOPED_TRACE(what);
    const MeshShot before = shoot(m);
    EditResult r;
    const OpStatus s = edit(m, &r);
    if (!s.ok && mayRefuse) {
        EXPECT_FALSE(s.message.empty());
        EXPECT_TRUE(shoot(m) == before) << "a refusal changed the mesh";
        return false;
    }
    EXPECT_TRUE(s.ok) << s.message;
    if (!s.ok) return false;
    EXPECT_VALID_MESH(m);
    const MeshShot after = shoot(m);
    MeshEditor::applyDelta(m, r.delta, true);
    EXPECT_TRUE(shoot(m) == before) << "undo";
    EXPECT_VALID_MESH(m);
    MeshEditor::applyDelta(m, r.delta, false);
    EXPECT_TRUE(shoot(m) == after) << "redo";
    return true;
}

TEST(SubdivideEdge, ManyVerticesGoInEvenlyInBothFacesWithTheirOwnUVs) {
    struct Case {
        const char* name;
        std::function<PolyMesh()> make;
        int edge, divisions;
        int newUVs;  // per cut: one per distinct pair of end UVs along the edge
    };
    const Case cases[] = {
        // Cube edge 4 is a UV seam: each side gets UVs of its own.
        {"seam between two faces", [] { return makeCube(1, 1, 1); }, 4, 5, 2},
        {"inside one UV island", [] { return makePlane(1, 1, 3, 3); }, 1, 7, 1},
        {"border edge", [] { return makePlane(1, 1, 3, 3); }, 0, 4, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PolyMesh m = c.make();
        const int nv = m.numVertices(), ne = m.numEdges(), k = c.divisions;
        const MeshEdge edge = m.edge(c.edge);
        const bool smooth = m.isEdgeSmooth(c.edge);
        const Vec3 a = m.point(edge.v0), b = m.point(edge.v1);
        const size_t uvs = m.uvSet()->u.size();
        // Each face's UVs at the edge's ends, to interpolate from.
        std::map<int, std::pair<int, int>> endUVs;
        for (int f : m.edgeFaces(c.edge)) {
            const auto v = m.faceVertices(f);
            const int ca = static_cast<int>(std::find(v.begin(), v.end(), edge.v0) - v.begin());
            const int cb = static_cast<int>(std::find(v.begin(), v.end(), edge.v1) - v.begin());
            endUVs[f] = {m.faceVertexUVIndex(f, ca), m.faceVertexUVIndex(f, cb)};
        }
        expectEditUndoRedo(
            m, [&](PolyMesh& x, EditResult* r) { return subdivideEdges(x, {c.edge}, k, r); },
            c.name);
        ASSERT_EQ(m.numVertices(), nv + k);
        ASSERT_EQ(m.numEdges(), ne + k);
        EXPECT_EQ(m.uvSet()->u.size(), uvs + static_cast<size_t>(k * c.newUVs));
        // The edge keeps the piece from vertex 0; the new pieces follow towards vertex 1.
        EXPECT_EQ(m.edge(c.edge).v0, edge.v0);
        EXPECT_EQ(m.edge(c.edge).v1, nv);
        for (int i = 0; i < k; ++i) {
            EXPECT_NEAR(length(m.point(nv + i) - (a + (b - a) * ((i + 1.0) / (k + 1)))), 0, 1e-12);
            const MeshEdge piece = m.edge(ne + i);
            EXPECT_EQ(piece.v0, nv + i);
            EXPECT_EQ(piece.v1, i + 1 < k ? nv + i + 1 : edge.v1);
            EXPECT_EQ(m.isEdgeSmooth(ne + i), smooth);
        }
        // Each face runs through the new vertices in its own direction, with UVs interpolated
        // between its own end UVs.
        const UVSet* set = m.uvSet();
        for (const auto& [f, ends] : endUVs) {
            const std::vector<int> v = loop(m, f);
            const int n = static_cast<int>(v.size());
            const int ca = static_cast<int>(std::find(v.begin(), v.end(), edge.v0) - v.begin());
            const bool forward = v[(ca + 1) % n] == nv;
            for (int i = 0; i < k; ++i) {
                const int corner = forward ? (ca + 1 + i) % n : (ca - 1 - i + n) % n;
                ASSERT_EQ(v[corner], nv + i) << "face " << f;
                const double t = (i + 1.0) / (k + 1);
                const int id = m.faceVertexUVIndex(f, corner);
                EXPECT_NEAR(set->u[id],
                            set->u[ends.first] + (set->u[ends.second] - set->u[ends.first]) * t,
                            1e-6);
                EXPECT_NEAR(set->v[id],
                            set->v[ends.first] + (set->v[ends.second] - set->v[ends.first]) * t,
                            1e-6);
            }
        }
    }
}

TEST(SubdivideEdge, ManyThousandVerticesInOneEdge) {
    PolyMesh m = makeCube(1, 1, 1);
    expectEditUndoRedo(
        m, [](PolyMesh& x, EditResult* r) { return subdivideEdges(x, {0}, 20000, r); }, "20000");
    EXPECT_EQ(m.numVertices(), 20008);
    EXPECT_EQ(m.faceVertexCount(m.edgeFaces(0)[0]), 20004);
}

TEST(EditLimits, MoreNewVerticesThanTheLimitAreRefusedBeforeAnything) {
    const int half = static_cast<int>(kMaxNewVertices / 2) + 1;
    const std::pair<const char*, std::function<OpStatus(PolyMesh&)>> cases[] = {
        {"one edge",
         [](PolyMesh& m) {
             return subdivideEdges(m, {0}, static_cast<int>(kMaxNewVertices) + 1, nullptr);
         }},
        {"two edges together",
         [half](PolyMesh& m) {
             return subdivideEdges(m, {0, 1}, half, nullptr);
         }},
        {"a subdivided cut",
         [](PolyMesh& m) {
             return splitMesh(m, {{SplitPoint::onEdge(4, 0.5), SplitPoint::onEdge(7, 0.5)}},
                              static_cast<int>(kMaxNewVertices), nullptr);
         }},
    };
    for (const auto& [name, run] : cases) {
        PolyMesh m = makeCube(1, 1, 1);
        const MeshShot before = shoot(m);
        const OpStatus s = run(m);
        EXPECT_FALSE(s.ok) << name;
        EXPECT_NE(s.message.find("at most 1000000"), std::string::npos)
            << name << ": " << s.message;
        EXPECT_TRUE(shoot(m) == before) << name;
    }
}

TEST(EditStop, EveryLongEditStopsWhenAskedAndChangesNothing) {
    struct Op {
        const char* name;
        std::function<OpStatus(PolyMesh&, const StopCheck&)> run;
        int polls;  // the check is asked at least this often in a full run
    };
    auto all = [](int n) {
        std::vector<int> ids(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) ids[static_cast<size_t>(i)] = i;
        return ids;
    };
    const Op ops[] = {
        {"split",
         [](PolyMesh& m, const StopCheck& s) {
             return splitMesh(m, {{SplitPoint::onEdge(0, 0.5), SplitPoint::onEdge(2, 0.5)}}, 5,
                              nullptr, s);
         },
         1},
        {"subdivide",
         [&](PolyMesh& m, const StopCheck& s) { return subdivideEdges(m, all(20), 3, nullptr, s); },
         20},
        {"collapse",
         [&](PolyMesh& m, const StopCheck& s) {
             return collapseEdges(m, {0, 50, 100, 150}, nullptr, s);
         },
         4},
        // Along the first row: 0 with 1, then 2 with 3.
        {"merge",
         [](PolyMesh& m, const StopCheck& s) {
             return mergeVertices(m, {0, 1, 2, 3}, 0.15, nullptr, s);
         },
         2},
        {"delete edges",
         [&](PolyMesh& m, const StopCheck& s) {
             return deleteEdges(m, all(m.numEdges()), true, nullptr, s);
         },
         20},
        {"delete vertices",
         [&](PolyMesh& m, const StopCheck& s) {
             return deleteVertices(m, {12, 13, 14, 15, 16}, false, nullptr, s);
         },
         5},
        {"delete vertices with faces",
         [&](PolyMesh& m, const StopCheck& s) {
             return deleteVertices(m, {12, 13, 14, 15, 16}, true, nullptr, s);
         },
         5},
        {"cut UVs",
         [&](PolyMesh& m, const StopCheck& s) { return cutUVs(m, all(m.numEdges()), nullptr, s); },
         2},
    };
    for (const Op& op : ops) {
        SCOPED_TRACE(op.name);
        // Stopped at the first question, and (where the edit asks often) half-way through.
        for (int stopAt : {1, (op.polls + 1) / 2}) {
            PolyMesh m = makePlane(1, 1, 10, 10);
            const MeshShot before = shoot(m);
            int asked = 0;
            const OpStatus s = op.run(m, [&] { return ++asked >= stopAt; });
            EXPECT_FALSE(s.ok) << "stopped at " << stopAt;
            EXPECT_EQ(s.message, kInterruptedMessage);
            EXPECT_TRUE(shoot(m) == before) << "stopped at " << stopAt;
        }
        PolyMesh m = makePlane(1, 1, 10, 10);
        int asked = 0;
        const OpStatus s = op.run(m, [&] {
            ++asked;
            return false;
        });
        EXPECT_TRUE(s.ok) << s.message;
        EXPECT_GE(asked, op.polls);
        EXPECT_VALID_MESH(m);
    }
}

TEST(WholeMeshEdits, DeletingEveryEdgeOfAGridLeavesItsBorder) {
    // Each join grows one face until it holds the whole border: 4 n corners.
    for (int n : {3, 30}) {
        PolyMesh m = makePlane(1, 1, n, n);
        std::vector<int> edges(static_cast<size_t>(m.numEdges()));
        for (int e = 0; e < m.numEdges(); ++e) edges[static_cast<size_t>(e)] = e;
        expectEditUndoRedo(
            m, [&](PolyMesh& x, EditResult* r) { return deleteEdges(x, edges, false, r); },
            "grid " + std::to_string(n));
        EXPECT_EQ(m.numFaces(), 1);
        EXPECT_EQ(m.numVertices(), 4 * n);
        EXPECT_EQ(m.numEdges(), 4 * n);
        // Face 0 keeps its first vertex first.
        EXPECT_EQ(m.faceVertices(0)[0], 0);
    }
}

TEST(WholeMeshEdits, ManyComponentsAtOnceStayValidAndUndoExactly) {
    // Random picks may include a vertex that cannot go (its faces would join into a face
    // using a vertex twice) or a collapse that would give an edge three faces: such an edit
    // is refused whole, and other seeds go through.
    struct Op {
        const char* name;
        std::function<OpStatus(PolyMesh&, std::mt19937&, EditResult*)> run;
        bool keepsEuler, mayRefuse;
    };
    auto pick = [](int n, std::mt19937& rng, int percent) {
        std::vector<int> ids;
        for (int i = 0; i < n; ++i)
            if (static_cast<int>(rng() % 100) < percent) ids.push_back(i);
        if (ids.empty()) ids.push_back(0);
        return ids;
    };
    auto interior = [](const PolyMesh& m) {
        std::vector<int> ids;
        for (int v = 0; v < m.numVertices(); ++v) {
            bool inside = true;
            for (int e : m.vertexEdges(v)) inside &= !m.isBorderEdge(e);
            if (inside) ids.push_back(v);
        }
        return ids;
    };
    const Op ops[] = {
        {"every edge, cleaning",
         [](PolyMesh& m, std::mt19937&, EditResult* r) {
             std::vector<int> all;
             for (int e = 0; e < m.numEdges(); ++e) all.push_back(e);
             return deleteEdges(m, all, true, r);
         },
         true, false},
        {"random edges",
         [&](PolyMesh& m, std::mt19937& rng, EditResult* r) {
             return deleteEdges(m, pick(m.numEdges(), rng, 60), rng() % 2 == 0, r);
         },
         true, false},
        {"every inner vertex",
         [&](PolyMesh& m, std::mt19937&, EditResult* r) {
             return deleteVertices(m, interior(m), false, r);
         },
         true, false},
        // Every other inner vertex along both directions of the grid, from an odd or even
        // start: their faces join into octagons that share edges.
        {"every other inner vertex",
         [&](PolyMesh& m, std::mt19937& rng, EditResult* r) {
             const int row = static_cast<int>(rng() % 2), column = static_cast<int>(rng() % 2);
             std::vector<int> ids;
             for (int v : interior(m)) {
                 const Vec3& p = m.point(v);
                 const int x = static_cast<int>(std::lround((p.x + 0.5) * 24)),
                           z = static_cast<int>(std::lround((p.z + 0.5) * 20));
                 if (z % 2 == row && x % 2 == column) ids.push_back(v);
             }
             return deleteVertices(m, ids, false, r);
         },
         true, false},
        {"random vertices with their faces",
         [&](PolyMesh& m, std::mt19937& rng, EditResult* r) {
             return deleteVertices(m, pick(m.numVertices(), rng, 20), true, r);
         },
         false, false},
        {"random collapses",
         [&](PolyMesh& m, std::mt19937& rng, EditResult* r) {
             return collapseEdges(m, pick(m.numEdges(), rng, 10), r);
         },
         false, true},
    };
    for (const Op& op : ops) {
        int done = 0;
        for (unsigned seed = 0; seed < 6; ++seed) {
            std::mt19937 rng(seed);
            PolyMesh m = makePlane(1, 1, 24, 20);
            const int chi = euler(m);
            const bool went = expectEditUndoRedo(
                m, [&](PolyMesh& x, EditResult* r) { return op.run(x, rng, r); },
                std::string(op.name) + " seed " + std::to_string(seed), op.mayRefuse);
            done += went ? 1 : 0;
            if (went && op.keepsEuler) {
                EXPECT_EQ(euler(m), chi) << op.name;
            }
        }
        EXPECT_GE(done, 2) << op.name;
    }
}

TEST(WholeMeshEdits, MergingATriangleSoupWeldsItBackIntoAGrid) {
    // Every triangle of a grid with corners of its own; merging all of them at a tiny distance
    // gives the grid's vertices and edges back.
    const PolyMesh grid = makePlane(1, 1, 12, 9);
    std::vector<Vec3> points;
    std::vector<int> counts, ids;
    for (int f = 0; f < grid.numFaces(); ++f)
        for (int t = 0; t < grid.numTriangles(f); ++t) {
            for (int v : grid.triangleVertices(f, t)) {
                ids.push_back(static_cast<int>(points.size()));
                points.push_back(grid.point(v));
            }
            counts.push_back(3);
        }
    PolyMesh soup;
    ASSERT_TRUE(PolyMesh::create(points, counts, ids, soup, nullptr));
    std::vector<int> all(points.size());
    for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<int>(i);
    expectEditUndoRedo(
        soup, [&](PolyMesh& x, EditResult* r) { return mergeVertices(x, all, 1e-9, r); }, "soup");
    EXPECT_EQ(soup.numVertices(), grid.numVertices());
    EXPECT_EQ(soup.numFaces(), 2 * grid.numFaces());
    EXPECT_EQ(soup.numEdges(), grid.numEdges() + grid.numFaces());
}

TEST(EditUndo, EdgeFlagsComeBackAfterAnEditThatRemovedEveryEdge) {
    struct Case {
        const char* name;
        std::function<PolyMesh()> make;
        std::function<OpStatus(PolyMesh&, EditResult*)> edit;
    };
    auto mixed = [](PolyMesh m) {
        m.setAllEdgesSmooth(false);
        for (int e = 0; e < m.numEdges(); e += 2) m.setEdgeSmooth(e, true);
        return m;
    };
    const Case cases[] = {
        {"the only face deleted", [&] { return mixed(makePlane(1, 1, 1, 1)); },
         [](PolyMesh& m, EditResult* r) { return deleteVertices(m, {0}, true, r); }},
        {"every edge of a cube collapsed", [&] { return mixed(makeCube(1, 1, 1)); },
         [](PolyMesh& m, EditResult* r) {
             std::vector<int> all;
             for (int e = 0; e < m.numEdges(); ++e) all.push_back(e);
             return collapseEdges(m, all, r);
         }},
        {"every vertex of a cube merged", [&] { return mixed(makeCube(1, 1, 1)); },
         [](PolyMesh& m, EditResult* r) {
             return mergeVertices(m, {0, 1, 2, 3, 4, 5, 6, 7}, 10, r);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PolyMesh m = c.make();
        const MeshShot before = shoot(m);
        EditResult r;
        ASSERT_TRUE(c.edit(m, &r).ok);
        EXPECT_LT(m.numEdges(), before.edges.size());
        const MeshShot after = shoot(m);
        MeshEditor::applyDelta(m, r.delta, true);
        EXPECT_EQ(shoot(m).smooth, before.smooth);
        EXPECT_TRUE(shoot(m) == before);
        MeshEditor::applyDelta(m, r.delta, false);
        EXPECT_TRUE(shoot(m) == after);
        MeshEditor::applyDelta(m, r.delta, true);
        EXPECT_EQ(shoot(m).smooth, before.smooth) << "second undo";
    }
}

}  // namespace
}  // namespace tarn
