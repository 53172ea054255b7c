#include "uvproject/mesh_data_copy.h"

#include <gtest/gtest.h>

#include <vector>

#include "frame/host_sdk.h"

namespace {

/// Mesh data of two quads side by side (vertices 0..5, shared edge 1-4).
KObject twoQuads(KStatus* status = nullptr) {
    KObject data = KFnMeshData().create();
    KPointArray points;
    for (double y : {0.0, 1.0})
        for (double x : {0.0, 1.0, 2.0}) points.append(KPoint(x, y, 0.0));
    KIntArray counts, connects;
    for (int n : {4, 4}) counts.append(n);
    for (int v : {0, 1, 4, 3, 1, 2, 5, 4}) connects.append(v);
    KFnMesh().create(6, 2, points, counts, connects, data, status);
    return data;
}

std::vector<float> floats(const KFloatArray& a) {
    std::vector<float> out;
    for (unsigned i = 0; i < a.length(); ++i) out.push_back(a[i]);
    return out;
}

std::vector<int> ints(const KIntArray& a) {
    std::vector<int> out;
    for (unsigned i = 0; i < a.length(); ++i) out.push_back(a[i]);
    return out;
}

TEST(MeshDataCopy, CopiesShapeUVSetsHardEdgesAndColours) {
    KStatus st;
    KObject source = twoQuads(&st);
    ASSERT_TRUE(st);
    KFnMesh src(source);
    // Two UV sets: "map1" shared per vertex, "extra" per face-vertex and made current.
    KFloatArray u, v;
    for (int i = 0; i < 6; ++i) {
        u.append(0.1f * i);
        v.append(0.2f * i);
    }
    KIntArray counts, ids;
    for (int n : {4, 4}) counts.append(n);
    for (int id : {0, 1, 4, 3, 1, 2, 5, 4}) ids.append(id);
    const KString map1("map1"), extra("extra");
    src.createUVSetWithName(map1);
    ASSERT_TRUE(src.setUVs(u, v, &map1));
    ASSERT_TRUE(src.assignUVs(counts, ids, &map1));
    src.createUVSetWithName(extra);
    KFloatArray eu, ev;
    eu.append(0.5f);
    ev.append(0.25f);
    KIntArray eCounts, eIds;
    eCounts.append(0);
    eCounts.append(4);
    for (int i = 0; i < 4; ++i) eIds.append(0);
    ASSERT_TRUE(src.setUVs(eu, ev, &extra));
    ASSERT_TRUE(src.assignUVs(eCounts, eIds, &extra));
    ASSERT_TRUE(src.setCurrentUVSetName(extra));
    ASSERT_TRUE(src.setEdgeSmoothing(0, false));
    ASSERT_TRUE(src.setFaceVertexColor(KColor(1.0f, 0.5f, 0.25f), 1, 2));

    KObject copy;
    ASSERT_TRUE(uvproject::copyMeshData(source, copy));
    ASSERT_NE(copy, source);
    KFnMesh dst(copy);
    EXPECT_EQ(dst.numVertices(), 6);
    EXPECT_EQ(dst.numPolygons(), 2);
    KIntArray dCounts, dConnects, sCounts, sConnects;
    dst.getVertices(dCounts, dConnects);
    src.getVertices(sCounts, sConnects);
    EXPECT_EQ(ints(dConnects), ints(sConnects));
    KPoint p;
    ASSERT_TRUE(dst.getPoint(5, p));
    EXPECT_EQ(p, KPoint(2.0, 1.0, 0.0));

    EXPECT_EQ(dst.currentUVSetName(), extra);
    for (const KString* set : {&map1, &extra}) {
        KFloatArray su, sv, du, dv;
        KIntArray sc, si, dc, di;
        src.getUVs(su, sv, set);
        dst.getUVs(du, dv, set);
        src.getAssignedUVs(sc, si, set);
        dst.getAssignedUVs(dc, di, set);
        EXPECT_EQ(floats(du), floats(su)) << set->asChar();
        EXPECT_EQ(floats(dv), floats(sv)) << set->asChar();
        EXPECT_EQ(ints(dc), ints(sc)) << set->asChar();
        EXPECT_EQ(ints(di), ints(si)) << set->asChar();
    }
    for (int e = 0; e < src.numEdges(); ++e)
        EXPECT_EQ(dst.isEdgeSmooth(e), src.isEdgeSmooth(e)) << "edge " << e;
    KColor c;
    ASSERT_TRUE(dst.getFaceVertexColor(1, 2, c));
    EXPECT_FLOAT_EQ(c.g, 0.5f);
    ASSERT_TRUE(dst.getFaceVertexColor(0, 0, c));
    EXPECT_LT(c.r, 0.0f);  // unset corners stay unset

    // The copy shares nothing: writing into it leaves the source as it was.
    ASSERT_TRUE(dst.setUV(0, 9.0f, 9.0f, &map1));
    ASSERT_TRUE(dst.setPoint(0, KPoint(5.0, 5.0, 5.0)));
    float su = 0, sv = 0;
    src.getPolygonUV(0, 0, su, sv, &map1);
    EXPECT_FLOAT_EQ(su, 0.0f);
    src.getPoint(0, p);
    EXPECT_EQ(p, KPoint(0.0, 0.0, 0.0));
}

TEST(MeshDataCopy, MeshWithoutUVsStaysWithoutAndNonMeshesAreRefused) {
    KObject copy;
    ASSERT_TRUE(uvproject::copyMeshData(twoQuads(), copy));
    EXPECT_EQ(KFnMesh(copy).numUVSets(), 0);
    EXPECT_EQ(KFnMesh(copy).numColorSets(), 0);

    KObject untouched = copy;
    EXPECT_EQ(uvproject::copyMeshData(KObject(), copy), KStatus::kInvalidParameter);
    EXPECT_EQ(copy, untouched);  // a failed copy leaves the answer alone
}

}  // namespace
