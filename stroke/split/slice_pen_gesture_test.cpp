// slicePen end to end: the plug-in loaded into the host, real gestures through the view
// (viewStroke, viewEvent) on a plane grid, a cube and a cylinder, and the exact texts the
// release journals with the meshes they leave. Edge ids come from vertex positions and the
// expected parameters from the edges' own pixels (viewEdges), independently of the tool.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "host/lang/journal.h"
#include "host/plugins/plugin_loader.h"
#include "host/sdk/host_output.h"
#include "host/undo/undo.h"
#include "host/view/active_view.h"
#include "stroke/split/split_test_support.h"

namespace stroke {
namespace {

using tarn::lang::journal;
namespace output = tarn::output;

const std::string kPlugin = std::string(TARN_PLUGIN_DIR) + "/slicePen.so";

struct Pixel {
    int x = 0, y = 0;
};

std::string num(double value) {
    KString s;
    s += value;
    return s.asChar();
}

class SlicePenGesture : public testing::SplitTest {
protected:
    void SetUp() override {
        SplitTest::SetUp();
        tarn::view::ActiveView::instance().reset();
        std::string error;
        ASSERT_TRUE(tarn::plugins::PluginLoader::instance().load(kPlugin, &error, &m_plugin))
            << error;
        run("slicePenContext; slicePenContext -e slicePenContext1");
    }
    void TearDown() override {
        run("setToolTo $gSelect");
        std::string error;
        EXPECT_TRUE(tarn::plugins::PluginLoader::instance().unload(m_plugin, true, &error))
            << error;
        tarn::view::ActiveView::instance().reset();
        SplitTest::TearDown();
    }

    // A 4 x 4 grid of unit faces facing a camera on +Z: world (x, y) is object (x, 0, -y).
    void useGrid() {
        run("polyPlane -w 4 -h 4 -sx 4 -sy 4 -n grid; setAttr grid.rx 90;"
            "camera -p 0 0 10; viewCamera camera1; viewPort 240 240; viewFit");
        start("grid");
    }
    void start(const std::string& mesh) {
        run("select -r " + mesh + "; setToolTo slicePenContext1");
        journal().clear();
    }

    Pixel pixel(double x, double y, double z = 0.0) {
        const auto v = run("viewProject " + num(x) + " " + num(y) + " " + num(z)).asIntArray();
        EXPECT_EQ(v.size(), 2u);
        return v.size() == 2 ? Pixel{int(v[0]), int(v[1])} : Pixel{};
    }
    // "{x0, y0, x1, y1, ...}" through the pixels of world points.
    std::string points(const std::vector<Pixel>& pixels) {
        std::string s = "{";
        for (const Pixel& p : pixels)
            s += (s.size() > 1 ? ", " : "") + std::to_string(p.x) + ", " + std::to_string(p.y);
        return s + "}";
    }
    // The parameter at which the pixel row `row` crosses an edge drawn upright on screen.
    double rowParameter(const std::string& mesh, int edge, int row) {
        const auto e = run("viewEdges -edge {" + std::to_string(edge) + "} " + mesh).asIntArray();
        EXPECT_EQ(e.size(), 7u);
        if (e.size() != 7) return -1;
        EXPECT_EQ(e[3], e[5]) << "edge " << edge << " is not upright on screen";
        return double(row - e[4]) / double(e[6] - e[4]);
    }
    // Per edge upright on screen, the parameter at which the pixel row `row` crosses it.
    std::map<int, double> rowParameters(const std::string& mesh, int row) {
        const auto e = run("viewEdges " + mesh).asIntArray();
        std::map<int, double> out;
        for (std::size_t i = 0; i + 7 <= e.size(); i += 7)
            if (e[i + 3] == e[i + 5] && e[i + 4] != e[i + 6])
                out[int(e[i])] = double(row - e[i + 4]) / double(e[i + 6] - e[i + 4]);
        return out;
    }
    // Where the edge is crossed at parameter t, object space.
    KPoint along(const std::string& shape, int edge, double t) {
        int2 ends{};
        KFnMesh(shapePath(shape)).getEdgeVertices(edge, ends);
        const KPoint a = point(shape, ends[0]), b = point(shape, ends[1]);
        return KPoint(a.x + t * (b.x - a.x), a.y + t * (b.y - a.y), a.z + t * (b.z - a.z));
    }
    // The grid's edge between world points (x0, y0) and (x1, y1).
    int gridEdgeAt(double x0, double y0, double x1, double y1) {
        return gridEdge("gridShape", x0, -y0, x1, -y1);
    }
    // Texts the tool ran through the SDK since the journal was cleared.
    std::vector<std::string> apiTexts() {
        std::vector<std::string> out;
        for (const auto& e : journal().entries())
            if (e.origin == "api") out.push_back(e.text);
        return out;
    }
    std::vector<std::string> splitTexts() { return wholeTexts(apiTexts()); }
    bool ran(const std::string& text) {
        const auto texts = apiTexts();
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }
    std::string counts(const std::string& mesh) {
        const auto c = strings("polyEvaluate -v -f " + mesh);
        return c.size() == 2 ? c[0] + " " + c[1] : "?";
    }
    std::string ep(int edge, double t) { return " -ep " + std::to_string(edge) + " " + num(t); }

    std::string m_plugin;
};

TEST_F(SlicePenGesture, PlainStrokeCutsEachEdgeOnceEvenWhenSegmentsRecrossIt) {
    useGrid();
    // Along the row between y = 0 and y = 1: over x = -1 and x = 0, then back over x = 0.
    const Pixel a = pixel(-1.5, 0.25), turn = pixel(0.5, 0.25), back = pixel(-0.5, 0.25);
    const int left = gridEdgeAt(-1, 0, -1, 1), middle = gridEdgeAt(0, 0, 0, 1);
    const double tl = rowParameter("grid", left, a.y), tm = rowParameter("grid", middle, a.y);
    const KPoint onMiddle = along("gridShape", middle, tm), onLeft = along("gridShape", left, tl);
    output::Capture capture;
    run("viewStroke " + points({a, turn, back}));
    // The most recent crossing seeds the chain: the middle edge first, once.
    EXPECT_EQ(splitTexts(), std::vector<std::string>{"polySplit -ch on -s 1" + ep(middle, tm) +
                                                     ep(left, tl) + ";\n"});
    EXPECT_EQ(counts("grid"), "27 17");
    EXPECT_EQ(capture.infos().find("Result: Performed"), std::string::npos);
    // The new vertices lie on their edges where the stroke crossed them.
    for (const auto& [vertex, expected] : {std::pair{25, onMiddle}, std::pair{26, onLeft}}) {
        const KPoint p = point("gridShape", vertex);
        EXPECT_NEAR(p.x, expected.x, 1e-9) << vertex;
        EXPECT_NEAR(p.z, expected.z, 1e-9) << vertex;
    }
    // Leaving the tool selects them (mode 1, the default); one undo takes the cut back.
    journal().clear();
    run("setToolTo $gSelect");
    EXPECT_TRUE(ran("select -r gridShape.vtx[25:26]"));
    undo();  // the tool change
    undo();
    EXPECT_EQ(counts("grid"), "25 16");
}

TEST_F(SlicePenGesture, TwoGroupsRunAsOneTextAndOneUndo) {
    useGrid();
    // Through the top-left face (its left edge, then out over the top border), around the
    // grid outside it, and back in over the right border and the edge at x = 1 of the bottom
    // row: two chains that share no face.
    const Pixel in1 = pixel(-1.5, 1.5), out1 = pixel(-0.5, 2.2), corner = pixel(2.2, 2.2),
                in2 = pixel(2.2, -1.5), end = pixel(0.5, -1.5);
    const int left = gridEdgeAt(-1, 1, -1, 2), top = gridEdgeAt(-1, 2, 0, 2);
    const int right = gridEdgeAt(2, -2, 2, -1), inner = gridEdgeAt(1, -2, 1, -1);
    const double tr = rowParameter("grid", right, in2.y), ti = rowParameter("grid", inner, in2.y);
    const std::size_t chunks = tarn::undo::undoQueue().undoCount();
    run("viewStroke " + points({in1, out1, corner, in2, end}));
    const auto texts = splitTexts();
    ASSERT_EQ(texts.size(), 1u);
    // The later group first. Each chain is walked from its most recent crossing: forward from
    // the seed's first face, backward (listed in front) from its second; the bottom seed (x = 1)
    // has the right-hand face second, the top seed (the border) has the face inside first.
    const std::string bottom = "polySplit -ch on -s 1" + ep(right, tr) + ep(inner, ti) + ";\n";
    ASSERT_EQ(texts[0].rfind(bottom, 0), 0u) << texts[0];
    std::istringstream rest(texts[0].substr(bottom.size()));
    std::string polySplit, ch, on, s, one, ep1, ep2, tail;
    int e1 = -1, e2 = -1;
    double t1 = -1, t2 = -1;
    rest >> polySplit >> ch >> on >> s >> one >> ep1 >> e1 >> t1 >> ep2 >> e2 >> t2 >> tail;
    EXPECT_EQ(polySplit + ch + on + s + one + ep1 + ep2, "polySplit-chon-s1-ep-ep");
    // The top border is crossed at x = -0.786 (from x = -1: 0.214, from 0: 0.786), the left
    // edge at y = 1.85 (from y = 1: 0.85, from 2: 0.15); pixels round them by a hundredth or two.
    EXPECT_EQ(e1, top);
    EXPECT_NEAR(std::min(t1, 1 - t1), 0.214, 0.03);
    EXPECT_EQ(e2, left);
    EXPECT_NEAR(std::min(t2, 1 - t2), 0.15, 0.03);
    EXPECT_EQ(tail, ";") << texts[0];  // the second chain ends the text
    EXPECT_EQ(texts[0].substr(texts[0].size() - 2), ";\n");
    EXPECT_EQ(counts("grid"), "29 18");
    EXPECT_EQ(tarn::undo::undoQueue().undoCount(), chunks + 1);
    undo();
    EXPECT_EQ(counts("grid"), "25 16");
}

TEST_F(SlicePenGesture, AStrokeOverOneEdgeSplitsThatEdge) {
    useGrid();
    // From the middle of one face to the middle of its neighbour: one crossing, one chain.
    const Pixel a = pixel(-1.5, 0.5), b = pixel(-0.5, 0.5);
    const int left = gridEdgeAt(-1, 0, -1, 1);
    const double t = rowParameter("grid", left, a.y);
    const KPoint expected = along("gridShape", left, t);
    output::Capture capture;
    run("viewStroke " + points({a, b}));
    EXPECT_EQ(splitTexts(),
              std::vector<std::string>{"polySplit -ch on -s 1" + ep(left, t) + ";\n"});
    EXPECT_EQ(capture.errors(), "");
    // A new vertex on the edge where the stroke crossed it; no face is cut.
    EXPECT_EQ(counts("grid"), "26 16");
    const KPoint p = point("gridShape", 25);
    EXPECT_NEAR(p.x, expected.x, 1e-9);
    EXPECT_NEAR(p.z, expected.z, 1e-9);
    undo();
    EXPECT_EQ(counts("grid"), "25 16");
}

TEST_F(SlicePenGesture, ALoneEdgeIsSplitInTheSameTextAsTheOtherChains) {
    useGrid();
    // Out of the top-left face over the left border, around the grid outside it, and back in
    // over the right border and the edge at x = 1 of the bottom row: a chain of two edges and a
    // chain of the lone border edge.
    // Note: each segment is longer than the minimum sample size (25 pixels).
    const Pixel in1 = pixel(-1.3, 1.5), out1 = pixel(-2.2, 1.5), up = pixel(-2.2, 2.2),
                corner = pixel(2.2, 2.2), in2 = pixel(2.2, -1.5), end = pixel(0.5, -1.5);
    const int border = gridEdgeAt(-2, 1, -2, 2);
    const int right = gridEdgeAt(2, -2, 2, -1), inner = gridEdgeAt(1, -2, 1, -1);
    const double tb = rowParameter("grid", border, out1.y);
    const double tr = rowParameter("grid", right, in2.y), ti = rowParameter("grid", inner, in2.y);
    const KPoint expected = along("gridShape", border, tb);
    const std::size_t chunks = tarn::undo::undoQueue().undoCount();
    output::Capture capture;
    run("viewStroke " + points({in1, out1, up, corner, in2, end}));
    EXPECT_EQ(splitTexts(),
              std::vector<std::string>{"polySplit -ch on -s 1" + ep(right, tr) + ep(inner, ti) +
                                       ";\npolySplit -ch on -s 1" + ep(border, tb) + ";\n"});
    EXPECT_EQ(capture.errors(), "");
    // Two vertices and a face from the cut, one vertex on the border edge; one undo for all.
    EXPECT_EQ(counts("grid"), "28 17");
    const KPoint p = point("gridShape", 27);
    EXPECT_NEAR(p.x, expected.x, 1e-9);
    EXPECT_NEAR(p.z, expected.z, 1e-9);
    EXPECT_EQ(tarn::undo::undoQueue().undoCount(), chunks + 1);
    undo();
    EXPECT_EQ(counts("grid"), "25 16");
}

TEST_F(SlicePenGesture, AnInvalidSnappingTypeIsShownForEveryCrossing) {
    run("optionVar -iv QT_drawSplitEdgeSnapping 1; optionVar -iv QT_drawSplitEdgeSnappingType 3");
    useGrid();
    const Pixel a = pixel(-1.5, 0.5), b = pixel(0.5, 0.5);
    const int left = gridEdgeAt(-1, 0, -1, 1), middle = gridEdgeAt(0, 0, 0, 1);
    output::Capture capture;
    run("viewStroke " + points({a, b}));
    EXPECT_EQ(capture.errors(),
              "INVALID \"EDGE-SNAPPING TYPE\"!\nINVALID \"EDGE-SNAPPING TYPE\"!\n");
    // Each crossing takes t = 0.
    EXPECT_EQ(splitTexts(), std::vector<std::string>{"polySplit -ch on -s 1" + ep(middle, 0.0) +
                                                     ep(left, 0.0) + ";\n"});
    run("optionVar -iv QT_drawSplitEdgeSnapping 0; optionVar -iv QT_drawSplitEdgeSnappingType 1");
}

TEST_F(SlicePenGesture, MiddleButtonSubdividesWithMovesOnlyForOneDivision) {
    useGrid();
    const Pixel a = pixel(-0.5, 0.3), b = pixel(0.5, 0.3);
    const int edge = gridEdgeAt(0, 0, 0, 1);
    const double t = rowParameter("grid", edge, a.y);
    int2 ends{};
    KFnMesh(shapePath("gridShape")).getEdgeVertices(edge, ends);
    const KPoint p0 = point("gridShape", ends[0]), p1 = point("gridShape", ends[1]);
    const std::string e = "gridShape.e[" + std::to_string(edge) + "]";
    struct Row {
        int slices;
        std::string text;
        std::vector<double> along;  // fractions along the edge of the new vertices
    } rows[] = {
        {1,
         "polySubdivideEdge -ch 1 -ws 0 -s 0 -dv 1 " + e +
             ";\nselect -r `polyListComponentConversion -fe -tv \"" + e +
             "\"`; select -d gridShape.vtx[" + std::to_string(ends[0]) + "] gridShape.vtx[" +
             std::to_string(ends[1]) + "]; move -r -os 0 0 " + num((t - 0.5) * (p1.z - p0.z)) +
             "; \nselect -r gridShape;",
         {t}},
        {2,
         "polySubdivideEdge -ch 1 -ws 0 -s 0 -dv 2 " + e + ";\nselect -r gridShape;",
         {1.0 / 3, 2.0 / 3}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.slices);
        run("optionVar -iv QT_drawSplitMultiSlices " + std::to_string(row.slices));
        journal().clear();
        output::Capture capture;
        run("viewStroke -button middle " + points({a, b}));
        EXPECT_EQ(splitTexts(), std::vector<std::string>{row.text});
        EXPECT_NE(capture.infos().find("Result: Performed a \"polySubdivideEdge\"."),
                  std::string::npos);
        for (std::size_t k = 0; k < row.along.size(); ++k) {
            const KPoint p = point("gridShape", 25 + int(k));
            EXPECT_NEAR(p.x, 0.0, 1e-9);
            EXPECT_NEAR(p.z, p0.z + row.along[k] * (p1.z - p0.z), 1e-6);
        }
        EXPECT_EQ(counts("grid"), std::to_string(25 + row.along.size()) + " 16");
        undo();
        EXPECT_EQ(counts("grid"), "25 16");
    }
}

TEST_F(SlicePenGesture, CtrlStrokeStartsAndEndsAtVertices) {
    useGrid();
    // Pressed near the corner (-1, 1) of its face and released near (0, -1): the stroke runs
    // from vertex to vertex over the edge y = 0 between them, near its middle.
    const Pixel from = pixel(-0.9, 0.9), via = pixel(-0.6, 0.3), to = pixel(-0.1, -0.9);
    const int start = vertexAt("gridShape", -1, 0, -1), end = vertexAt("gridShape", 0, 0, 1);
    const int crossed = gridEdgeAt(-1, 0, 0, 0);
    ASSERT_GE(start, 0);
    ASSERT_GE(end, 0);
    run("viewStroke -ctrl " + points({from, via, to}));
    const auto texts = splitTexts();
    ASSERT_EQ(texts.size(), 1u);
    // The ends are edges of the snapped vertices at t 0 or 1, the middle the crossed edge.
    std::vector<std::pair<int, double>> eps;
    std::istringstream in(texts[0]);
    for (std::string word; in >> word;)
        if (word == "-ep") {
            int edge = -1;
            double t = -1;
            in >> edge >> t;
            eps.emplace_back(edge, t);
        }
    ASSERT_EQ(eps.size(), 3u) << texts[0];
    EXPECT_EQ(eps[1].first, crossed) << texts[0];
    EXPECT_NEAR(eps[1].second, 0.5, 0.1);
    const auto endVertex = [&](const std::pair<int, double>& ep) {
        int2 ends{};
        KFnMesh(shapePath("gridShape")).getEdgeVertices(ep.first, ends);
        return ep.second == 0.0 ? ends[0] : ep.second == 1.0 ? ends[1] : -1;
    };
    const int first = endVertex(eps.front()), last = endVertex(eps.back());
    EXPECT_TRUE((first == start && last == end) || (first == end && last == start)) << texts[0];
    // Only the vertex on the crossed edge is new (both ends are old vertices), and the two
    // faces the stroke ran through are cut in two.
    EXPECT_EQ(counts("grid"), "26 18");
    // Leaving selects the new vertex and the two ends, start first.
    journal().clear();
    run("setToolTo $gSelect");
    EXPECT_TRUE(ran("select -r gridShape.vtx[25:25] gridShape.vtx[" + std::to_string(start) +
                    "] gridShape.vtx[" + std::to_string(end) + "]"))
        << ::testing::PrintToString(apiTexts());
}

TEST_F(SlicePenGesture, ExitSelectsByModeAcrossTwoStrokes) {
    struct Row {
        int mode;
        const char* selected;  // "" when the tool selects nothing
    } rows[] = {
        {0, ""}, {1, "select -r gridShape.vtx[27:28]"}, {2, "select -r gridShape.vtx[25:28]"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.mode);
        useGrid();
        run("optionVar -iv QT_drawSplitSelectNewVertsUponExit " + std::to_string(row.mode));
        run("viewStroke " + points({pixel(-1.5, 0.5), pixel(0.5, 0.5)}));
        run("viewStroke " + points({pixel(-1.5, -1.5), pixel(0.5, -1.5)}));
        EXPECT_EQ(counts("grid"), "29 18");
        journal().clear();
        run("setToolTo $gSelect");
        bool selected = false;
        for (const std::string& t : apiTexts()) selected = selected || t.rfind("select", 0) == 0;
        if (*row.selected)
            EXPECT_TRUE(ran(row.selected)) << ::testing::PrintToString(apiTexts());
        else
            EXPECT_FALSE(selected) << ::testing::PrintToString(apiTexts());
        run("delete grid; delete camera1; slicePenContext -e slicePenContext1");
    }
}

TEST_F(SlicePenGesture, CylinderRingClosesOnItsFirstEdgeAndUndoesAtOnce) {
    // A cylinder seen from the side with culling off: a stroke across its middle passes over
    // all eight side edges, front and back, and the chain closes around the ring.
    run("polyCylinder -n can -r 1 -h 2 -sx 8 -sy 1 -sc 0; setAttr canShape.bck 0;"
        "camera -p 0 0 8; viewCamera camera1; viewPort 240 240; viewFit");
    run("optionVar -iv QT_drawSplitAutoBackfaceCulling 0");
    struct Row {
        int subdivisions;
        const char* counts;
        std::size_t facePoints;
    } rows[] = {{1, "24 18", 0}, {2, "32 18", 8}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.subdivisions);
        run("optionVar -iv QT_drawSplitSubdivisions " + std::to_string(row.subdivisions));
        start("can");
        const Pixel a = pixel(-1.6, 0.0), b = pixel(1.6, 0.0);
        const std::map<int, double> upright = rowParameters("can", a.y);
        ASSERT_EQ(upright.size(), 8u);  // the side edges
        const std::size_t chunks = tarn::undo::undoQueue().undoCount();
        run("viewStroke " + points({a, pixel(0, 0), b}));
        const auto texts = splitTexts();
        ASSERT_EQ(texts.size(), 1u);
        std::vector<int> edges;
        std::size_t facePoints = 0;
        std::istringstream in(texts[0]);
        for (std::string word; in >> word;) {
            facePoints += word == "-fp";
            if (word != "-ep") continue;
            int edge = -1;
            std::string t;
            in >> edge >> t;
            edges.push_back(edge);
            // Every side edge is upright on screen: its parameter from its own pixels.
            ASSERT_EQ(upright.count(edge), 1u) << edge;
            EXPECT_EQ(" -ep " + std::to_string(edge) + " " + t,
                      ep(edge, upright.at(edge)) + (edges.size() == 9 ? ";" : ""));
        }
        ASSERT_EQ(edges.size(), 9u) << texts[0];
        EXPECT_EQ(edges.front(), edges.back());
        std::vector<int> sorted(edges.begin(), edges.end() - 1);
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(std::unique(sorted.begin(), sorted.end()), sorted.end()) << texts[0];
        EXPECT_EQ(texts[0].rfind("polySplit -ch on -s 1 -", 0), 0u);
        EXPECT_EQ(facePoints, row.facePoints) << texts[0];
        bool closed = false;
        for (const std::string& t : apiTexts())
            closed =
                closed || t.rfind("closeCurve -ch 0 -ps 1 -rpo 1 -bb 0.5 -bki 0 -p 0.1 ", 0) == 0;
        EXPECT_EQ(closed, row.subdivisions > 1);
        EXPECT_TRUE(strings("ls -type nurbsCurve").empty());
        EXPECT_EQ(counts("can"), row.counts);
        EXPECT_EQ(tarn::undo::undoQueue().undoCount(), chunks + 1);
        undo();
        EXPECT_EQ(counts("can"), "16 10");
        run("setToolTo $gSelect");
    }
}

TEST_F(SlicePenGesture, CtrlLeftClickTogglesCullingBothWays) {
    run("polyCube -n box; camera -p 0 0 6; viewCamera camera1; viewPort 240 240; viewFit");
    start("box");
    const Pixel centre = pixel(0, 0, 0.5);
    struct Row {
        int before, after;
        const char* report;
    } rows[] = {
        {3, 0, "Backface-culling is *OFF* for current mesh.  *ALL* sides of mesh will be "},
        {0, 3, "Backface-culling is *ON* for current mesh.  *ONLY ONE* side of mesh "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.before);
        run("setToolTo $gSelect; setAttr boxShape.bck " + std::to_string(row.before));
        start("box");
        output::Capture capture;
        run("viewStroke -ctrl " + points({centre}));
        EXPECT_TRUE(ran("setAttr boxShape.bck " + std::to_string(row.after)));
        EXPECT_EQ(integer("getAttr boxShape.bck"), row.after);
        EXPECT_NE(capture.infos().find(row.report), std::string::npos) << capture.infos();
        EXPECT_EQ(counts("box"), "8 6");  // a click cuts nothing
    }
}

}  // namespace
}  // namespace stroke
