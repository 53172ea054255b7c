#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "host/mesh/edge_namers.h"
#include "host/mesh/mesh_primitives.h"
#include "host/mesh/poly_mesh.h"

namespace tarn {
namespace {

// The same faces without names: the edge table made by looking the corners up.
PolyMesh walked(const PolyMesh& m) {
    PolyMesh out;
    EXPECT_TRUE(PolyMesh::create(m.points(), m.faceCounts(), m.faceVertexList(), out, nullptr));
    return out;
}

void expectSameEdgeTable(const PolyMesh& a, const PolyMesh& b, const std::string& what) {
    ASSERT_EQ(a.numEdges(), b.numEdges()) << what;
    for (int e = 0; e < a.numEdges(); ++e) {
        EXPECT_EQ(a.edge(e).v0, b.edge(e).v0) << what << ", edge " << e;
        EXPECT_EQ(a.edge(e).v1, b.edge(e).v1) << what << ", edge " << e;
    }
    for (int f = 0; f < a.numFaces(); ++f) {
        const auto ea = a.faceEdges(f), eb = b.faceEdges(f);
        ASSERT_TRUE(std::equal(ea.begin(), ea.end(), eb.begin(), eb.end()))
            << what << ", face " << f;
    }
}

PolyMesh named(const PolyMesh& m, std::vector<int> names, int numNames, bool distinct) {
    PolyMesh out;
    std::string error;
    EXPECT_TRUE(PolyMesh::create(
        m.points(), m.faceCounts(), m.faceVertexList(),
        [names](std::vector<int>& list) { list.insert(list.end(), names.begin(), names.end()); },
        numNames, distinct, out, &error))
        << error;
    return out;
}

std::vector<int> edgeNumbers(const PolyMesh& m) {
    std::vector<int> numbers;
    for (int f = 0; f < m.numFaces(); ++f)
        for (int e : m.faceEdges(f)) numbers.push_back(e);
    return numbers;
}

TEST(EdgeNames, NumbersAndLabelsGiveTheWalkedTable) {
    // A sphere mixes triangles and quads; a cube with subdivisions has vertices of valence 3.
    for (const PolyMesh& source : {makeSphere(1.0, 9, 7), makeCube(1, 2, 3, 3, 1, 2)}) {
        const PolyMesh reference = walked(source);
        const std::vector<int> numbers = edgeNumbers(reference);
        const int ne = reference.numEdges();

        // The table's own numbers, checked and not.
        for (bool distinct : {true, false}) {
            const PolyMesh m = named(source, numbers, ne, distinct);
            EXPECT_TRUE(m.edgesCameFromNames());
            expectSameEdgeTable(m, reference, distinct ? "numbers" : "numbers, checked");
        }

        // Any labels: a shuffled numbering into a larger range.
        std::vector<int> label(ne);
        std::iota(label.begin(), label.end(), 0);
        std::shuffle(label.begin(), label.end(), std::mt19937(7));
        std::vector<int> labels = numbers;
        for (int& l : labels) l = 3 * label[l] + 1;
        const PolyMesh m = named(source, labels, 3 * ne + 1, false);
        EXPECT_EQ(m.numEdges(), ne) << "counted from the labels";
        EXPECT_TRUE(m.edgesCameFromNames());
        expectSameEdgeTable(m, reference, "labels");
    }
}

TEST(EdgeNames, InconsistentNamesFallBackToTheWalk) {
    const PolyMesh source = makeSphere(1.0, 6, 4);
    const PolyMesh reference = walked(source);
    const std::vector<int> numbers = edgeNumbers(reference);
    const int ne = reference.numEdges();
    struct Case {
        const char* what;
        void (*spoil)(std::vector<int>& names, int ne);
    } cases[] = {
        {"one name for two pairs", [](std::vector<int>& n, int) { n[4] = n[0]; }},
        {"two names for one pair", [](std::vector<int>& n, int ne) { n[0] = ne; }},
        {"a name past the range", [](std::vector<int>& n, int ne) { n[3] = ne + 1; }},
        {"a negative name", [](std::vector<int>& n, int) { n[7] = -1; }},
    };
    for (const Case& c : cases) {
        std::vector<int> names = numbers;
        c.spoil(names, ne);
        const PolyMesh m = named(source, names, ne + 1, false);
        EXPECT_FALSE(m.edgesCameFromNames()) << c.what;
        expectSameEdgeTable(m, reference, c.what);
    }
}

TEST(EdgeNames, TooFewOrTooManyNamesFallBackToTheWalk) {
    const PolyMesh source = makePlane(1, 1, 2, 1);
    const PolyMesh reference = walked(source);
    const std::vector<int> numbers = edgeNumbers(reference);
    for (int extra : {-1, 1}) {
        std::vector<int> names = numbers;
        if (extra < 0)
            names.pop_back();
        else
            names.push_back(0);
        const PolyMesh m = named(source, names, reference.numEdges(), true);
        EXPECT_FALSE(m.edgesCameFromNames()) << extra;
        expectSameEdgeTable(m, reference, extra < 0 ? "too few" : "too many");
    }
}

TEST(EdgeNames, NamedWhenFirstNeededOncePerTable) {
    const PolyMesh source = makeSphere(1.0, 5, 3);
    const PolyMesh reference = walked(source);
    const std::vector<int> numbers = edgeNumbers(reference);
    auto runs = std::make_shared<int>(0);
    PolyMesh m;
    ASSERT_TRUE(PolyMesh::create(
        source.points(), source.faceCounts(), source.faceVertexList(),
        [numbers, runs](std::vector<int>& list) {
            ++*runs;
            list.insert(list.end(), numbers.begin(), numbers.end());
        },
        reference.numEdges(), true, m, nullptr));
    const PolyMesh copy = m;
    EXPECT_EQ(*runs, 0) << "creating names nothing";
    EXPECT_FALSE(m.derivedState().edges);
    expectSameEdgeTable(m, reference, "original");
    EXPECT_EQ(*runs, 1);
    m.vertexFaces(0);
    EXPECT_EQ(*runs, 1) << "adjacency needs no second naming";
    EXPECT_TRUE(copy.edgesCameFromNames()) << "a copy made before shares the namer";
    expectSameEdgeTable(copy, reference, "copy");
    EXPECT_EQ(*runs, 2);
    EXPECT_EQ(runs.use_count(), 1) << "the namer goes once every table is built";
}

TEST(EdgeNames, SettlingRunsHeldNamersOnceAndLetsThemGo) {
    // What a library unload does first: meshes (and copies) still holding a namer get its
    // names, and the namer's code is no longer needed by any of them.
    const PolyMesh source = makeSphere(1.0, 6, 4);
    const PolyMesh reference = walked(source);
    const std::vector<int> numbers = edgeNumbers(reference);
    auto runs = std::make_shared<int>(0);
    PolyMesh m, built;
    auto namer = [numbers, runs](std::vector<int>& list) {
        ++*runs;
        list.insert(list.end(), numbers.begin(), numbers.end());
    };
    ASSERT_TRUE(PolyMesh::create(source.points(), source.faceCounts(), source.faceVertexList(),
                                 namer, reference.numEdges(), true, m, nullptr));
    ASSERT_TRUE(PolyMesh::create(source.points(), source.faceCounts(), source.faceVertexList(),
                                 namer, reference.numEdges(), true, built, nullptr));
    expectSameEdgeTable(built, reference, "built before settling");
    ASSERT_EQ(*runs, 1);
    const PolyMesh copy = m;
    settleEdgeNamers();
    EXPECT_EQ(*runs, 2) << "only the namer still held ran";
    EXPECT_EQ(runs.use_count(), 2) << "no mesh holds the namers any more";
    settleEdgeNamers();
    EXPECT_EQ(*runs, 2) << "settled namers do not run again";
    EXPECT_FALSE(m.derivedState().edges) << "settling builds no table";
    EXPECT_TRUE(m.edgesCameFromNames());
    expectSameEdgeTable(m, reference, "original");
    EXPECT_TRUE(copy.edgesCameFromNames());
    expectSameEdgeTable(copy, reference, "copy");
    EXPECT_EQ(*runs, 2);
}

}  // namespace
}  // namespace tarn
