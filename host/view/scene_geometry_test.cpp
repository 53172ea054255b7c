// The scene as the renderer draws it: render vertices shared where corners agree, normals from
// the meshes' soft and hard edges, undrawable points left out, arrays kept while a mesh is
// unchanged and rebuilt when it is not, the selection's marks, decimated copies and the
// wireframe's fading.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "host/scene/dag.h"
#include "host/scene/dag_nodes.h"
#include "host/view/scene_geometry.h"
#include "host/view/scene_layer.h"
#include "host/view/view_test_support.h"

namespace tarn::view {
namespace {

class SceneGeometryTest : public testing::ViewTest {
protected:
    const DrawItem* item(const SceneGeometry& g, const std::string& name) {
        for (const DrawItem& i : g.scene().items)
            if (i.name == name) return &i;
        return nullptr;
    }
    const PolyMesh& meshOf(const std::string& shape) {
        return scene::meshNode(scene::findNode(shape))->readMesh();
    }
};

Vec3 renderNormal(const DrawMesh& m, std::uint32_t r) {
    return {m.normals[3 * r], m.normals[3 * r + 1], m.normals[3 * r + 2]};
}
Vec3 renderPoint(const DrawMesh& m, std::uint32_t r) {
    return Vec3{m.positions[3 * r], m.positions[3 * r + 1], m.positions[3 * r + 2]} + m.centre;
}

TEST_F(SceneGeometryTest, CornersShareRenderVerticesWhereTheyAgree) {
    run("polyCube -n box; polySphere -n ball; polyCylinder -n can -sx 8 -sy 1 -sc 0");
    SceneGeometry g;
    g.gather({});
    ASSERT_EQ(g.scene().items.size(), 3u);
    // Hard edges everywhere: each face has corners of its own, lit by its plane.
    const DrawMesh& box = *item(g, "boxShape")->mesh;
    EXPECT_EQ(box.renderVertexCount(), 24u);
    EXPECT_EQ(box.triangleCount(), 12u);
    for (std::size_t r = 0; r < box.renderVertexCount(); ++r) {
        const Vec3 n = renderNormal(box, static_cast<std::uint32_t>(r));
        EXPECT_NEAR(std::fabs(n.x) + std::fabs(n.y) + std::fabs(n.z), 1.0, 1e-6) << r;
    }
    // Soft edges everywhere: one render vertex per point, with the point's normal.
    const PolyMesh& ballMesh = meshOf("ballShape");
    const DrawMesh& ball = *item(g, "ballShape")->mesh;
    EXPECT_EQ(ball.renderVertexCount(), static_cast<std::size_t>(ballMesh.numVertices()));
    for (int v = 0; v < ballMesh.numVertices(); v += 17) {
        const Vec3 n = renderNormal(ball, ball.vertexRender[v]);
        EXPECT_NEAR(dot(n, ballMesh.vertexNormal(v)), 1.0, 1e-5) << v;
        EXPECT_NEAR(length(renderPoint(ball, ball.vertexRender[v]) - ballMesh.point(v)), 0.0, 1e-6);
    }
    // Soft sides, hard rims: the 16 rim points have a side corner and a cap corner.
    const PolyMesh& canMesh = meshOf("canShape");
    const DrawMesh& can = *item(g, "canShape")->mesh;
    EXPECT_EQ(can.renderVertexCount(), static_cast<std::size_t>(canMesh.numVertices()) + 16u);
}

// A run's opacity reaches every corner's alpha and marks its batches for the blended pass;
// faces of a textured run without UVs take the texture's mean colour.
TEST_F(SceneGeometryTest, RunsCarryOpacityAndTexturesWithoutUvsTheirMeanColour) {
    run("polyPlane -sx 2 -sy 1 -n flat");
    const PolyMesh& mesh = meshOf("flatShape");
    PolyMesh bare;  // the same faces without UVs
    ASSERT_TRUE(PolyMesh::create(mesh.points(), mesh.faceCounts(), mesh.faceVertexList(), bare,
                                 nullptr));
    auto image = std::make_shared<ViewTexture>();
    image->width = 2, image->height = 1;
    image->rgba = {200, 0, 100, 255, 100, 50, 0, 255};
    RunShade glass, textured;
    glass.first = 0, glass.count = 1, glass.opacity = 0.4f;
    std::copy_n(std::array<float, 3>{0.0f, 0.0f, 1.0f}.data(), 3, glass.rgb);
    textured.first = 1, textured.count = 1, textured.texture = image;
    const std::shared_ptr<DrawMesh> d = buildDrawMesh(bare, {glass, textured}, false);
    ASSERT_TRUE(d->hasTranslucent());
    std::size_t glassTriangles = 0;
    for (const DrawMesh::Batch& b : d->batches)
        if (b.translucent) glassTriangles += b.count / 3;
    EXPECT_EQ(glassTriangles, 2u) << "face 0's two triangles, no more";
    // Face 0's corners: blue at 40 %; face 1's: the image's mean, opaque.
    for (std::size_t t = 0; t < d->triangleCount(); ++t) {
        const std::uint8_t* c = &d->colors[4 * std::size_t(d->indices[3 * t])];
        const bool glassCorner = c[3] != 255;
        if (glassCorner) {
            EXPECT_EQ(c[2], 255);
            EXPECT_EQ(c[3], 102);
        } else {
            EXPECT_EQ(c[0], 150);
            EXPECT_EQ(c[1], 25);
            EXPECT_EQ(c[2], 50);
        }
    }
    // Opaque runs stay out of the blended pass.
    EXPECT_FALSE(buildDrawMesh(mesh, {textured}, false)->hasTranslucent());
}

TEST_F(SceneGeometryTest, UndrawablePointsLeaveTheirTrianglesOut) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    PolyMesh mesh;
    // Three triangles: one sound, one with a broken point, one with a point far beyond use.
    ASSERT_TRUE(PolyMesh::create({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {nan, 0, 0}, {1e16, 0, 0}},
                                 {3, 3, 3}, {0, 1, 2, 1, 3, 2, 0, 4, 2}, mesh, nullptr));
    const std::shared_ptr<DrawMesh> m = buildDrawMesh(mesh, {}, true);
    EXPECT_EQ(m->triangleCount(), 1u);
    EXPECT_EQ(m->vertexRender[3], kNoRenderVertex);
    EXPECT_EQ(m->vertexRender[4], kNoRenderVertex);
    EXPECT_EQ(m->edges.size(), 2u * 3u) << "only the sound triangle's edges";
    EXPECT_LT(m->box.max.x, 2.0);
    for (float p : m->positions) EXPECT_TRUE(std::isfinite(p));
}

// Arrays are built once and kept until the mesh or its shading changes: moving an object or
// selecting it only changes how the kept arrays are drawn.
TEST_F(SceneGeometryTest, KeptArraysFollowEveryChange) {
    run("polyCube -n box; polySphere -n ball; move 3 0 0 ball");
    SceneGeometry g;
    g.gather({});
    EXPECT_EQ(g.rebuilt(), 2);
    const DrawMesh* boxArrays = item(g, "boxShape")->mesh.get();
    const DrawMesh* ballArrays = item(g, "ballShape")->mesh.get();
    g.gather({});
    EXPECT_EQ(g.rebuilt(), 0);
    EXPECT_EQ(item(g, "boxShape")->mesh.get(), boxArrays);

    run("move 0 1 0 box");
    g.gather({});
    EXPECT_EQ(g.rebuilt(), 0) << "a transform is drawn, not built";
    EXPECT_NEAR(item(g, "boxShape")->toWorld.m[3][1], 1.0, 1e-12);

    run("polyMoveVertex -t 0 0 1 ball.vtx[0]");
    g.gather({});
    EXPECT_EQ(g.rebuilt(), 1) << "only the edited mesh";
    EXPECT_EQ(item(g, "boxShape")->mesh.get(), boxArrays);
    EXPECT_NE(item(g, "ballShape")->mesh.get(), ballArrays);

    run("setAttr lambert1.color -type double3 1 0 0");
    g.gather({});
    EXPECT_EQ(g.rebuilt(), 2) << "both show the default shader";
    EXPECT_EQ(item(g, "boxShape")->mesh->colors[0], 255);
    EXPECT_EQ(item(g, "boxShape")->mesh->colors[1], 0);

    run("delete ball");
    run("hide box");
    g.gather({});
    EXPECT_TRUE(g.scene().items.empty());
    run("undo; undo");
    g.gather({});
    EXPECT_EQ(g.scene().items.size(), 2u);
    EXPECT_EQ(g.rebuilt(), 1) << "the ball's mesh came back; the box's arrays were still kept";
}

TEST_F(SceneGeometryTest, SelectionMarksWiresAndComponents) {
    run("polyCube -n box; polyPlane -n sheet; move 0 -2 0 sheet; select box");
    SceneGeometry g;
    g.gather({});
    g.showSelection();
    const DrawItem* box = item(g, "boxShape");
    EXPECT_TRUE(box->wire);
    EXPECT_TRUE(box->selected);
    EXPECT_EQ(box->mesh->edges.size(), 2u * 12u);
    EXPECT_FALSE(item(g, "sheetShape")->wire);

    run("select -r box.vtx[0:1] box.e[0] box.f[2]");
    g.gather({});
    g.showSelection();
    box = item(g, "boxShape");
    EXPECT_FALSE(box->selected);
    ASSERT_EQ(box->highlightPoints.size(), 2u);
    EXPECT_EQ(box->highlightEdges.size(), 2u * (1 + 4)) << "edge 0 and the face's four";
    EXPECT_EQ(box->highlightFaces.size(), 3u * 2) << "the face's two triangles";
    // Highlights sit on the mesh's own points.
    const PolyMesh& mesh = meshOf("boxShape");
    for (int v = 0; v < 2; ++v)
        EXPECT_NEAR(length(renderPoint(*box->mesh, box->highlightPoints[v]) - mesh.point(v)), 0.0,
                    1e-6);
    // A hilited mesh shows its wire without being the selected object.
    run("select -cl; hilite sheet");
    g.gather({});
    g.showSelection();
    EXPECT_TRUE(item(g, "sheetShape")->wire);
    EXPECT_FALSE(item(g, "sheetShape")->selected);
}

TEST_F(SceneGeometryTest, DecimatedCopyKeepsTheShapeWithFewerTriangles) {
    run("polyPlane -n sheet -sx 200 -sy 200; polyCube -n box");
    SceneGeometry g;
    g.gather({});
    const DrawMesh& sheet = *item(g, "sheetShape")->mesh;
    ASSERT_EQ(sheet.triangleCount(), 80000u);
    const std::shared_ptr<DrawMesh> proxy = decimatedDrawMesh(sheet, 5000);
    EXPECT_LE(proxy->triangleCount(), 10000u);
    EXPECT_GT(proxy->triangleCount(), 1000u);
    Box3 box;
    for (std::size_t r = 0; r < proxy->renderVertexCount(); ++r)
        box.expand(renderPoint(*proxy, static_cast<std::uint32_t>(r)));
    EXPECT_NEAR(box.min.x, sheet.box.min.x, 0.05);
    EXPECT_NEAR(box.max.z, sheet.box.max.z, 0.05);
    // Small meshes keep what they have; the proxy of a mesh is made once.
    EXPECT_LE(decimatedDrawMesh(*item(g, "boxShape")->mesh, 5000)->triangleCount(), 12u);
    EXPECT_EQ(proxyOf(item(g, "sheetShape")->mesh).get(),
              proxyOf(item(g, "sheetShape")->mesh).get());
}

TEST_F(SceneGeometryTest, WireframeFadesWhereEdgesCrowd) {
    run("polySphere -n ball -sx 400 -sy 300; select ball; viewPort 320 240; camera -p 0 0 6;"
        "viewCamera camera1");
    SceneGeometry g;
    g.gather({});
    g.showSelection();
    const DrawItem& ball = *item(g, "ballShape");
    const ViewProjection& p = ActiveView::instance().refresh();
    EXPECT_EQ(wireAlpha(ball, p, 1), 0.0f) << "edges under a pixel apart: no wire";
    // Close up the same edges are far apart: the wire shows in full.
    run("setAttr camera1.tz 1.02");
    EXPECT_GT(wireAlpha(ball, ActiveView::instance().refresh(), 1), 0.8f);
    // Half way, a faint wire.
    run("setAttr camera1.tz 2.4");
    const float between = wireAlpha(ball, ActiveView::instance().refresh(), 1);
    EXPECT_GT(between, 0.0f);
    EXPECT_LT(between, 0.85f);
    DrawItem opaque = ball;
    opaque.opaqueWire = true;
    EXPECT_EQ(wireAlpha(opaque, p, 1), 1.0f);
}

}  // namespace
}  // namespace tarn::view
