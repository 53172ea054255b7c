#pragma once
// Fixture of the split tests: a fresh scene, meshes made by the host's commands, and stroke
// records built by hand from real edge ids (found by vertex positions, independently of the
// code under test).

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "frame/host_sdk.h"
#include "host/lang/journal.h"
#include "host/scene/scene_test_support.h"
#include "stroke/common/stroke_record.h"

namespace stroke::testing {

class SplitTest : public tarn::scene::testing::SceneTest {
protected:
    static KDagPath shapePath(const std::string& shape) {
        KSelectionList list;
        KDagPath path;
        EXPECT_TRUE(list.add(KString(shape.c_str())));
        EXPECT_TRUE(list.getDagPath(0, path));
        return path;
    }

    static KPoint point(const std::string& shape, int vertex) {
        KPoint p;
        KFnMesh(shapePath(shape)).getPoint(vertex, p);
        return p;
    }

    /// The vertex at object-space (x, y, z); -1 when none.
    static int vertexAt(const std::string& shape, double x, double y, double z) {
        KFnMesh mesh(shapePath(shape));
        for (int v = 0; v < mesh.numVertices(); ++v) {
            KPoint p;
            mesh.getPoint(v, p);
            if (std::abs(p.x - x) < 1e-6 && std::abs(p.y - y) < 1e-6 && std::abs(p.z - z) < 1e-6)
                return v;
        }
        return -1;
    }

    /// The edge joining two vertices; -1 when none.
    static int edgeBetween(const std::string& shape, int a, int b) {
        KFnMesh mesh(shapePath(shape));
        for (int e = 0; e < mesh.numEdges(); ++e) {
            int2 ends;
            mesh.getEdgeVertices(e, ends);
            if ((ends[0] == a && ends[1] == b) || (ends[0] == b && ends[1] == a)) return e;
        }
        return -1;
    }

    /// A record over `shape` with no crossings yet.
    static StrokeRecord recordFor(const std::string& shape) {
        StrokeRecord r;
        r.mesh.path = shapePath(shape);
        r.mesh.name = shape;
        r.mesh.inclusiveMatrix = r.mesh.path.inclusiveMatrix();
        return r;
    }

    /// Adds a crossing of `edge` at t (from its vertex 0) at stroke position `position`.
    static void addCrossing(StrokeRecord& r, int edge, double t, double position) {
        KFnMesh mesh(r.mesh.path);
        int2 ends;
        ASSERT_TRUE(mesh.getEdgeVertices(edge, ends)) << edge;
        KPoint a, b;
        mesh.getPoint(ends[0], a);
        mesh.getPoint(ends[1], b);
        Crossings& c = r.crossings;
        c.edges.push_back(edge);
        c.vertex0.push_back(ends[0]);
        c.vertex1.push_back(ends[1]);
        c.t.push_back(t);
        c.strokePos.push_back(position);
        c.edgeVector.push_back(b - a);
    }

    /// The edge between the grid points (x0, z0) and (x1, z1) of a plane lying at y = 0.
    static int gridEdge(const std::string& shape, double x0, double z0, double x1, double z1) {
        return edgeBetween(shape, vertexAt(shape, x0, 0, z0), vertexAt(shape, x1, 0, z1));
    }

    /// The texts the host journalled since `from`.
    static std::vector<std::string> journalSince(std::size_t from) {
        const auto texts = tarn::lang::journal().texts();
        return {texts.begin() + static_cast<long>(std::min(from, texts.size())), texts.end()};
    }
    static std::size_t journalSize() { return tarn::lang::journal().texts().size(); }

    /// The action's own texts among journalled ones: those that split or subdivide.
    static std::vector<std::string> wholeTexts(const std::vector<std::string>& texts) {
        std::vector<std::string> out;
        for (const std::string& t : texts) {
            for (const char* head : {"polySplit ", "multiSliceSplit(", "polySubdivideEdge "}) {
                if (t.rfind(head, 0) == 0) {
                    out.push_back(t);
                    break;
                }
            }
        }
        return out;
    }
};

}  // namespace stroke::testing
