// Geometry blocks alone: a block a file could hold but that does not make a valid mesh, curve
// or surface is refused with its reason and line; what the writer writes reads back the same.

#include <gtest/gtest.h>

#include <cmath>
#include <variant>

#include "host/mesh/mesh_edit.h"
#include "host/scenefile/geometry_blocks.h"
#include "host/scenefile/scene_parser.h"

namespace tarn::scenefile {
namespace {

// The mesh block of a node in `body` (the lines inside "mesh {"), parsed.
MeshBlock parseMeshBlock(const std::string& body) {
    const std::string text = "tscene 1\nnode mesh m {\n    mesh {\n" + body + "    }\n}\n";
    auto parsed = parseScene(text);
    EXPECT_TRUE(std::holds_alternative<SceneDocument>(parsed))
        << std::get<ParseError>(parsed).message << "\n"
        << text;
    if (!std::holds_alternative<SceneDocument>(parsed)) return {};
    return *std::get<SceneDocument>(parsed).nodes[0].mesh;
}

const std::string kSquares =
    "        points 6 [0 0 0 1 0 0 2 0 0 0 1 0 1 1 0 2 1 0]\n"
    "        faces 2 all 4\n"
    "        vertices 8 [0 1 4 3 1 2 5 4]\n";

TEST(MeshBlock, RefusesBlocksThatMakeNoValidMesh) {
    const struct {
        std::string body;
        const char* says;
        int line;
    } cases[] = {
        {"        points 3 [0 0 0 1 0 0 0 1 0]\n        faces 1 [3]\n        vertices 3 [0 1 1]\n",
         "uses vertex 1 twice", 3},
        {"        points 3 [0 0 0 1 0 0 0 1 0]\n        faces 1 [4]\n        vertices 3 [0 1 2]\n",
         "counts add up to 4", 3},
        {kSquares + "        hard 1 [7]\n", "hard edge 7 is not an edge of the mesh (it has 7)", 3},
        {kSquares + "        group 2 2 [1 0]\n", "ascending order", 7},
        {kSquares + "        group 2 1 [5]\n", "ascending order", 7},
        {kSquares + "        uvSet \"map1\" {\n            uvs 1 [0 0]\n            ids 8 [0 0 0 0 "
                    "0 0 0 3]\n        }\n",
         "UV id 3 out of range", 7},
        {kSquares + "        uvSet \"map1\" {\n            uvs 1 [0 0]\n            ids 3 [0 0 "
                    "0]\n        }\n",
         "gives 3 ids for a mesh of 8 face vertices", 7},
        {kSquares + "        uvSet \"map1\" {\n            uvs 2 [0 0 1 1]\n            ids "
                    "vertices\n        }\n",
         "needs a UV for every vertex", 7},
        {kSquares + "        uvSet \"\" {\n        }\n", "a UV set needs a name", 7},
        {kSquares + "        colorSet \"c\" {\n            colors 1 [1 1 1 1]\n            ids 8 "
                    "[0 0 0 0 0 0 0 1]\n        }\n",
         "colour id 1 out of range", 7},
        {kSquares + "        edges 7 [0 1 1 4 4 3 3 0 1 2 2 5 5 1]\n",
         "the edges do not fit the faces", 3},
        {kSquares + "        edges 6 [0 1 1 4 4 3 3 0 1 2 2 5]\n",
         "6 edges were given but the mesh has 7", 3},
        // A base64 block can carry numbers no text form can: infinities.
        {"        points 1 base64 AAAAAAAA8H8AAAAAAAAAAAAAAAAAAAAA\n",
         "a point is not a finite number", 3},
    };
    for (const auto& c : cases) {
        MeshBlock block = parseMeshBlock(c.body);
        PolyMesh mesh;
        std::string error;
        int line = 0;
        EXPECT_FALSE(buildMesh(std::move(block), mesh, &error, &line)) << c.body;
        EXPECT_NE(error.find(c.says), std::string::npos) << error << "\n" << c.body;
        EXPECT_EQ(line, c.line) << error;
    }
}

TEST(MeshBlock, EdgeOrderAndDirectionsComeBack) {
    PolyMesh mesh;
    std::string error;
    ASSERT_TRUE(PolyMesh::create({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 1, 0}},
                                 {4, 4}, {0, 1, 4, 3, 1, 2, 5, 4}, mesh, &error));
    // The walk's edges reversed, and the shared edge turned round.
    std::vector<MeshEdge> edges;
    for (int e = mesh.numEdges() - 1; e >= 0; --e) edges.push_back(mesh.edge(e));
    std::swap(edges[5].v0, edges[5].v1);
    ASSERT_TRUE(MeshEditor::adoptEdgeOrder(mesh, edges, &error)) << error;
    mesh.setEdgeSmooth(2, false);
    std::string body;
    writeMeshBody(body, mesh, "        ");
    PolyMesh back;
    int line = 0;
    ASSERT_TRUE(buildMesh(parseMeshBlock(body), back, &error, &line)) << error << "\n" << body;
    ASSERT_EQ(back.numEdges(), mesh.numEdges());
    for (int e = 0; e < mesh.numEdges(); ++e) {
        EXPECT_EQ(back.edge(e).v0, mesh.edge(e).v0) << e;
        EXPECT_EQ(back.edge(e).v1, mesh.edge(e).v1) << e;
        EXPECT_EQ(back.isEdgeSmooth(e), mesh.isEdgeSmooth(e)) << e;
    }
    // Adjacency follows the new numbering.
    for (int e = 0; e < back.numEdges(); ++e)
        for (int f : back.edgeFaces(e)) {
            const auto faceEdges = back.faceEdges(f);
            EXPECT_NE(std::find(faceEdges.begin(), faceEdges.end(), e), faceEdges.end()) << e;
        }
    std::string again;
    writeMeshBody(again, back, "        ");
    EXPECT_EQ(again, body);
}

TEST(CurveAndSurfaceBlocks, RefuseWhatTheNurbsRulesRefuse) {
    CurveBlock curve;
    curve.degree = 3;
    curve.cvs = {KPoint(0, 0, 0), KPoint(1, 0, 0), KPoint(2, 1, 0), KPoint(3, 0, 0)};
    curve.knots = {0, 0, 0, 1, 1, 1};
    nurbs::NurbsCurve c;
    std::string error;
    ASSERT_TRUE(buildCurve(curve, c, &error)) << error;
    EXPECT_TRUE(c.weights.empty()) << "weights of 1 make no rational curve";
    curve.cvs[2].w = 0.5;
    ASSERT_TRUE(buildCurve(curve, c, &error)) << error;
    EXPECT_EQ(c.weights, (std::vector<double>{1, 1, 0.5, 1}));
    // Written and read back, the same curve.
    std::string body;
    writeCurveBody(body, c, "    ");
    auto parsed = parseScene("tscene 1\nnode nurbsCurve n {\n    curve {\n" + body + "    }\n}\n");
    ASSERT_TRUE(std::holds_alternative<SceneDocument>(parsed));
    nurbs::NurbsCurve back;
    ASSERT_TRUE(buildCurve(*std::get<SceneDocument>(parsed).nodes[0].curve, back, &error));
    EXPECT_EQ(back.weights, c.weights);
    EXPECT_EQ(back.knots, c.knots);

    curve.knots = {0, 0, 1, 0, 1, 1};
    EXPECT_FALSE(buildCurve(curve, c, &error));
    curve.knots = {0, 0, 0, 1, 1};
    EXPECT_FALSE(buildCurve(curve, c, &error));
    EXPECT_NE(error.find("the curve is not valid"), std::string::npos) << error;
    curve.knots = {0, 0, 0, 1, 1, 1};
    curve.cvs[1].w = -1;
    EXPECT_FALSE(buildCurve(curve, c, &error));

    SurfaceBlock surface;
    nurbs::NurbsSurface& s = surface.surface;
    s.degreeU = s.degreeV = 1;
    s.numU = s.numV = 2;
    s.cvs = {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}};
    s.knotsU = s.knotsV = {0, 1};
    s.weights = {1, 1, 1};
    nurbs::NurbsSurface out;
    EXPECT_FALSE(buildSurface(SurfaceBlock(surface), out, &error));
    EXPECT_NE(error.find("3 weights for 4 CVs"), std::string::npos) << error;
    s.weights.clear();
    EXPECT_TRUE(buildSurface(SurfaceBlock(surface), out, &error)) << error;
    s.cvs[3].x = std::nan("");
    EXPECT_FALSE(buildSurface(SurfaceBlock(surface), out, &error));
}

}  // namespace
}  // namespace tarn::scenefile
