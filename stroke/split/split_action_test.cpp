// slicePen's action on real meshes: the exact texts it runs (single cut, two groups, closed ring,
// face points through the stroke curve, multi-slice with rails and snaps, middle-button edge
// subdivision), the meshes they leave, one undo per release, texts failing part-way taken back
// whole, errors instead of commands, and the selection of new vertices on exit.

#include "stroke/split/split_action.h"

#include <sstream>

#include "host/undo/undo.h"
#include "stroke/split/split_test_support.h"

namespace stroke::testing {
namespace {

std::string str(double v) {
    return KString().set(v).asChar();
}
std::string str(int v) {
    return std::to_string(v);
}

class SplitAction : public SplitTest {
protected:
    void SetUp() override {
        SplitTest::SetUp();
        run("polyPlane -n grid -w 3 -h 3 -sx 3 -sy 3");
        view = K3dView::active3dView();
    }

    // The z-running edge of the grid at x between z0 and z1.
    static int zEdge(double x, double z0, double z1) { return gridEdge("gridShape", x, z0, x, z1); }
    std::string counts(const std::string& mesh = "grid") {
        const auto v = strings("polyEvaluate -v -f " + mesh);
        return v.size() == 2 ? v[0] + " " + v[1] : "?";
    }
    // Runs the split as a release does, inside the gesture's undo chunk (or alone), answering
    // the texts run whole and keeping the messages.
    std::vector<std::string> split(const StrokeRecord& r, const SplitOptions& options,
                                   bool insideGesture = true) {
        tarn::output::Capture capture;
        const std::size_t from = journalSize();
        if (insideGesture) {
            tarn::undo::UndoChunkScope gesture("viewStroke");
            runSplit(r, options, view, vertices);
        } else {
            runSplit(r, options, view, vertices);
        }
        journalled = journalSince(from);
        errors = capture.errors();
        infos = capture.infos();
        return wholeTexts(journalled);
    }
    // The middle row of the grid crossed left to right at t 0.2, 0.4, 0.6, 0.8.
    StrokeRecord middleRow(std::vector<int>& edges) {
        StrokeRecord r = recordFor("gridShape");
        edges = {zEdge(-1.5, -0.5, 0.5), zEdge(-0.5, -0.5, 0.5), zEdge(0.5, -0.5, 0.5),
                 zEdge(1.5, -0.5, 0.5)};
        const double t[4] = {0.2, 0.4, 0.6, 0.8};
        for (int i = 0; i < 4; ++i) addCrossing(r, edges[i], t[i], i + 0.5);
        return r;
    }
    int faceWithCorners(std::vector<int> corners) {
        KFnMesh mesh(shapePath("gridShape"));
        std::sort(corners.begin(), corners.end());
        for (int f = 0; f < mesh.numPolygons(); ++f) {
            KIntArray v;
            mesh.getPolygonVertices(f, v);
            std::vector<int> have;
            for (unsigned i = 0; i < v.length(); ++i) have.push_back(v[i]);
            std::sort(have.begin(), have.end());
            if (have == corners) return f;
        }
        return -1;
    }
    int grid(double x, double z) { return vertexAt("gridShape", x, 0, z); }

    K3dView view;
    NewVertexBookkeeping vertices;
    std::vector<std::string> journalled;
    std::string errors, infos;
};

TEST_F(SplitAction, PlainSingleCutIsOnePolySplitOfEdgePoints) {
    std::vector<int> e;
    const StrokeRecord r = middleRow(e);
    const auto texts = split(r, SplitOptions{});
    ASSERT_EQ(texts.size(), 1u) << errors;
    EXPECT_EQ(texts[0], "polySplit -ch on -s 1 -ep " + str(e[3]) + " 0.8 -ep " + str(e[2]) +
                            " 0.6 -ep " + str(e[1]) + " 0.4 -ep " + str(e[0]) + " 0.2;\n");
    EXPECT_EQ(counts(), "20 12");
    EXPECT_EQ(infos, "");  // a single cut shows no result line
    // The new vertices, in chain order, are the last operation's and the first since activation.
    EXPECT_EQ(vertices.lastFirst, 16);
    EXPECT_EQ(vertices.lastLast, 19);
    EXPECT_EQ(vertices.firstSinceActivation, 16);
    EXPECT_EQ(vertices.meshName, "gridShape");
    // The new vertex on the right border edge sits at its crossing.
    const KPoint a = point("gridShape", r.crossings.vertex0[3]);
    const KPoint b = point("gridShape", r.crossings.vertex1[3]);
    const KPoint n = point("gridShape", 16);
    EXPECT_NEAR(n.z, a.z + 0.8 * (b.z - a.z), 1e-9);
    EXPECT_NEAR(n.x, 1.5, 1e-9);
}

TEST_F(SplitAction, TwoGroupsAreTwoCommandsInOneTextAndOneUndo) {
    StrokeRecord r = recordFor("gridShape");
    const int top[2] = {zEdge(-1.5, 0.5, 1.5), zEdge(-0.5, 0.5, 1.5)};
    const int bottom[2] = {zEdge(0.5, -1.5, -0.5), zEdge(1.5, -1.5, -0.5)};
    addCrossing(r, top[0], 0.5, 0.5);
    addCrossing(r, top[1], 0.5, 1.5);
    addCrossing(r, bottom[0], 0.25, 5.5);
    addCrossing(r, bottom[1], 0.75, 6.5);
    const std::size_t chunks = tarn::undo::undoQueue().undoCount();
    const auto texts = split(r, SplitOptions{});
    ASSERT_EQ(texts.size(), 1u) << errors;
    EXPECT_EQ(texts[0], "polySplit -ch on -s 1 -ep " + str(bottom[1]) + " 0.75 -ep " +
                            str(bottom[0]) + " 0.25;\npolySplit -ch on -s 1 -ep " + str(top[1]) +
                            " 0.5 -ep " + str(top[0]) + " 0.5;\n");
    EXPECT_EQ(counts(), "20 11");
    EXPECT_EQ(tarn::undo::undoQueue().undoCount(), chunks + 1);
    undo();
    EXPECT_EQ(counts(), "16 9");
}

TEST_F(SplitAction, ATextFailingPartWayIsTakenBackWhole) {
    // The older group (run second) holds a parameter the host refuses.
    StrokeRecord r = recordFor("gridShape");
    addCrossing(r, zEdge(-1.5, 0.5, 1.5), 2.0, 0.5);
    addCrossing(r, zEdge(-0.5, 0.5, 1.5), 0.5, 1.5);
    addCrossing(r, zEdge(0.5, -1.5, -0.5), 0.5, 5.5);
    addCrossing(r, zEdge(1.5, -1.5, -0.5), 0.5, 6.5);
    for (bool insideGesture : {true, false}) {
        SCOPED_TRACE(insideGesture);
        const std::size_t chunks = tarn::undo::undoQueue().undoCount();
        const auto texts = split(r, SplitOptions{}, insideGesture);
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_NE(errors.find("outside 0..1"), std::string::npos) << errors;
        EXPECT_EQ(counts(), "16 9");
        EXPECT_EQ(tarn::undo::undoQueue().undoCount(), chunks);
        EXPECT_EQ(vertices.lastFirst, -1);
        EXPECT_TRUE(vertices.endPointVertices.empty());
    }
}

TEST_F(SplitAction, ALoneCrossingSplitsItsEdgeBesideTheOtherChains) {
    std::vector<int> e;
    StrokeRecord r = middleRow(e);
    // A crossing of the top border in the top-left corner face, alone in its group: the most
    // recent, so its chain comes first.
    const int lone = gridEdge("gridShape", -1.5, 1.5, -0.5, 1.5);
    addCrossing(r, lone, 0.25, 9.0);
    const std::size_t chunks = tarn::undo::undoQueue().undoCount();
    const auto texts = split(r, SplitOptions{});
    ASSERT_EQ(texts.size(), 1u) << errors;
    EXPECT_EQ(texts[0], "polySplit -ch on -s 1 -ep " + str(lone) +
                            " 0.25;\npolySplit -ch on -s 1 -ep " + str(e[3]) + " 0.8 -ep " +
                            str(e[2]) + " 0.6 -ep " + str(e[1]) + " 0.4 -ep " + str(e[0]) +
                            " 0.2;\n");
    EXPECT_EQ(errors, "");
    // The lone edge gains a vertex (the first new one, chain order) and no face; the row is cut.
    EXPECT_EQ(counts(), "21 12");
    const KPoint a = point("gridShape", r.crossings.vertex0[4]);
    const KPoint b = point("gridShape", r.crossings.vertex1[4]);
    const KPoint n = point("gridShape", 16);
    EXPECT_NEAR(n.x, a.x + 0.25 * (b.x - a.x), 1e-9);
    EXPECT_NEAR(n.z, a.z + 0.25 * (b.z - a.z), 1e-9);
    EXPECT_EQ(vertices.lastFirst, 16);
    EXPECT_EQ(vertices.lastLast, 20);
    // One release, one undo.
    EXPECT_EQ(tarn::undo::undoQueue().undoCount(), chunks + 1);
    undo();
    EXPECT_EQ(counts(), "16 9");
}

TEST_F(SplitAction, AStrokeOverOneEdgeAddsOneVertexInEitherMode) {
    const int edge = zEdge(-0.5, -0.5, 0.5);
    StrokeRecord r = recordFor("gridShape");
    addCrossing(r, edge, 0.75, 0.5);
    const KPoint a = point("gridShape", r.crossings.vertex0[0]);
    const KPoint b = point("gridShape", r.crossings.vertex1[0]);
    const int v0 = r.crossings.vertex0[0], v1 = r.crossings.vertex1[0];
    struct Row {
        int slices;
        std::string text;
        std::vector<double> along;  // where the new vertices lie, from vertex 0
    } rows[] = {
        {1, "polySplit -ch on -s 1 -ep " + str(edge) + " 0.75;\n", {0.75}},
        // Two slices of a one-edge chain: the slices' points on the edge, either side of 0.75.
        {2,
         "multiSliceSplit(\"gridShape\", 2, 1, 1, {" + str(edge) + "}, {" + str(v0) + "}, {" +
             str(v0) + "}, {" + str(v1) + "}, {0.75}, -1, -1, -1, -1);\n",
         {0.75 - 0.75 / 3, 0.75 + 0.25 / 3}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.slices);
        SplitOptions options;
        options.multiSlices = row.slices;
        const auto texts = split(r, options);
        ASSERT_EQ(texts.size(), 1u) << errors;
        EXPECT_EQ(texts[0], row.text);
        EXPECT_EQ(errors, "");
        EXPECT_EQ(counts(), std::to_string(16 + row.along.size()) + " 9");
        std::vector<double> made;
        for (std::size_t k = 0; k < row.along.size(); ++k)
            made.push_back((point("gridShape", 16 + int(k)).z - a.z) / (b.z - a.z));
        std::sort(made.begin(), made.end());
        ASSERT_EQ(made.size(), row.along.size());
        for (std::size_t k = 0; k < made.size(); ++k) EXPECT_NEAR(made[k], row.along[k], 1e-9);
        undo();
        EXPECT_EQ(counts(), "16 9");
    }
}

TEST_F(SplitAction, CountsOfZeroAreTakenAsOne) {
    std::vector<int> e;
    const StrokeRecord r = middleRow(e);
    SplitOptions options;
    options.multiSlices = 0;
    options.subdivisions = 0;
    const auto texts = split(r, options);
    ASSERT_EQ(texts.size(), 1u) << errors;
    EXPECT_EQ(texts[0].rfind("polySplit -ch on -s 1 -ep ", 0), 0u);
    EXPECT_EQ(texts[0].find("-fp"), std::string::npos);
    EXPECT_EQ(counts(), "20 12");
}

TEST_F(SplitAction, EdgeSnappingPassesSubdivisionsToPolySplit) {
    std::vector<int> e;
    const StrokeRecord r = middleRow(e);
    SplitOptions options;
    options.edgeSnapping = 1;
    options.subdivisions = 3;
    const auto texts = split(r, options);
    ASSERT_EQ(texts.size(), 1u) << errors;
    EXPECT_EQ(texts[0].rfind("polySplit -ch on -s 3 -ep ", 0), 0u);
    EXPECT_EQ(texts[0].find("-fp"), std::string::npos);
    // Each of the three pieces is cut into three: two more vertices per piece.
    EXPECT_EQ(counts(), "26 12");
    EXPECT_TRUE(strings("ls -type nurbsCurve").empty());
}

TEST_F(SplitAction, QueryErrorsShowTheFailureAndRunNothing) {
    struct Row {
        bool middle;
        const char* message;
    } rows[] = {{false, "Split failed to compute!  Please try again.\n"},
                {true, "Subdivide failed to compute!  Please try again.\n"}};
    for (const Row& row : rows) {
        std::vector<int> e;
        StrokeRecord r = middleRow(e);
        r.queryError = true;
        r.middleButton = row.middle;
        EXPECT_TRUE(split(r, SplitOptions{}).empty());
        EXPECT_EQ(errors, row.message);
        EXPECT_EQ(counts(), "16 9");
    }
}

TEST_F(SplitAction, NothingHappensWithoutCrossingsOrWithOnlyTheStartVertex) {
    StrokeRecord empty = recordFor("gridShape");
    EXPECT_TRUE(split(empty, SplitOptions{}).empty());
    EXPECT_TRUE(journalled.empty());

    StrokeRecord vertexOnly = recordFor("gridShape");
    const int v = grid(-0.5, -0.5);
    const int edge = zEdge(-0.5, -0.5, 0.5);
    vertexOnly.startedAtVertex = true;
    vertexOnly.startSnap = {faceWithCorners({v, grid(0.5, -0.5), grid(0.5, 0.5), grid(-0.5, 0.5)}),
                            edge, 0.0, v};
    addCrossing(vertexOnly, edge, 0.0, 0.0);
    EXPECT_TRUE(split(vertexOnly, SplitOptions{}).empty());
    EXPECT_TRUE(journalled.empty());
    EXPECT_EQ(errors, "");
}

TEST_F(SplitAction, MiddleButtonSubdividesAndMovesOnlyForOneDivision) {
    const int edge = zEdge(-0.5, -0.5, 0.5);
    StrokeRecord r = recordFor("gridShape");
    r.middleButton = true;
    addCrossing(r, edge, 0.25, 0.5);
    const int v0 = r.crossings.vertex0[0], v1 = r.crossings.vertex1[0];
    const KPoint a = point("gridShape", v0), b = point("gridShape", v1);
    const double dz = (b.z - a.z) * (0.25 - 0.5);
    const std::string e = "gridShape.e[" + str(edge) + "]";
    struct Row {
        int slices;
        std::string text;
        std::vector<double> newZ;  // fractions along the edge of the new vertices
    } rows[] = {
        {1,
         "polySubdivideEdge -ch 1 -ws 0 -s 0 -dv 1 " + e +
             ";\nselect -r `polyListComponentConversion -fe -tv \"" + e +
             "\"`; select -d gridShape.vtx[" + str(v0) + "] gridShape.vtx[" + str(v1) +
             "]; move -r -os 0 0 " + str(dz) + "; \nselect -r gridShape;",
         {0.25}},
        {2,
         "polySubdivideEdge -ch 1 -ws 0 -s 0 -dv 2 " + e + ";\nselect -r gridShape;",
         {1.0 / 3, 2.0 / 3}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.slices);
        SplitOptions options;
        options.multiSlices = row.slices;
        const auto texts = split(r, options);
        ASSERT_EQ(texts.size(), 1u) << errors;
        EXPECT_EQ(texts[0], row.text);
        EXPECT_EQ(infos, "Result: Performed a \"polySubdivideEdge\".\n");
        for (std::size_t k = 0; k < row.newZ.size(); ++k)
            EXPECT_NEAR(point("gridShape", 16 + static_cast<int>(k)).z,
                        a.z + row.newZ[k] * (b.z - a.z), 1e-9);
        EXPECT_EQ(vertices.lastFirst, 16);
        EXPECT_EQ(vertices.lastLast, 15 + static_cast<int>(row.newZ.size()));
        undo();
        EXPECT_EQ(counts(), "16 9");
    }
}

TEST_F(SplitAction, MultiSliceListsRailsAndParameters) {
    std::vector<int> e;
    const StrokeRecord r = middleRow(e);
    SplitOptions options;
    options.multiSlices = 2;
    options.dropoffPower = 1.5;
    const auto texts = split(r, options);
    ASSERT_EQ(texts.size(), 1u) << errors;
    // Rails run along the rows: side A on the z of the first edge's vertex 0, side B opposite.
    const double zA = point("gridShape", r.crossings.vertex0[3]).z;
    std::string v0s, sideA, sideB;
    for (int i = 3; i >= 0; --i) {
        const std::string sep = i == 3 ? "" : ", ";
        const double x = -1.5 + i;
        v0s += sep + str(r.crossings.vertex0[i]);
        sideA += sep + str(grid(x, zA));
        sideB += sep + str(grid(x, -zA));
    }
    EXPECT_EQ(texts[0], "multiSliceSplit(\"gridShape\", 2, 1.5, 1, {" + str(e[3]) + ", " +
                            str(e[2]) + ", " + str(e[1]) + ", " + str(e[0]) + "}, {" + v0s +
                            "}, {" + sideA + "}, {" + sideB +
                            "}, {0.8, 0.6, 0.4, 0.2}, -1, -1, -1, -1);\n");
    EXPECT_EQ(infos, "Result: Performed a \"multiSliceSplit\".\n");
    EXPECT_EQ(counts(), "24 15");
}

TEST_F(SplitAction, MultiSliceFromAVertexEndsAtThatVertex) {
    // From vertex V = (-0.5, -0.5) to the right across the middle row.
    const int v = grid(-0.5, -0.5);
    const int face = faceWithCorners({v, grid(0.5, -0.5), grid(0.5, 0.5), grid(-0.5, 0.5)});
    const int snapEdge = zEdge(-0.5, -0.5, 0.5);
    StrokeRecord r = recordFor("gridShape");
    r.startedAtVertex = true;
    addCrossing(r, snapEdge, 0.0, 0.0);
    const double param = r.crossings.vertex0[0] == v ? 0.0 : 1.0;
    r.crossings.t[0] = param;
    r.startSnap = {face, snapEdge, param, v};
    const int e1 = zEdge(0.5, -0.5, 0.5), e2 = zEdge(1.5, -0.5, 0.5);
    addCrossing(r, e1, 0.5, 0.7);
    addCrossing(r, e2, 0.5, 1.7);
    SplitOptions options;
    options.multiSlices = 2;
    const auto texts = split(r, options);
    ASSERT_EQ(texts.size(), 1u) << errors;
    const std::string& t = texts[0];
    // The snap edge leaves the lists; the chain's end becomes an edge at V with t at V.
    const std::string head =
        "multiSliceSplit(\"gridShape\", 2, 1, 1, {" + str(e2) + ", " + str(e1) + "}, ";
    ASSERT_EQ(t.rfind(head, 0), 0u) << t;
    const std::string tail = t.substr(t.find("}, -1, -1, ") + 11);
    int endEdge = -1;
    double endT = -1;
    char close = 0;
    std::istringstream in(tail);
    in >> endEdge;
    in.ignore(1);
    in >> endT >> close;
    ASSERT_GE(endEdge, 0) << t;
    int2 ends;
    KFnMesh(shapePath("gridShape")).getEdgeVertices(endEdge, ends);
    ASSERT_TRUE(ends[0] == v || ends[1] == v) << t;
    EXPECT_EQ(endT, ends[0] == v ? 0.0 : 1.0);
    EXPECT_EQ(close, ')');
    // Both slices run from the right border to V: two new vertices each, two faces cut twice.
    EXPECT_EQ(counts(), "20 13");
    EXPECT_EQ(vertices.endPointVertices, std::vector<int>{v});
}

TEST_F(SplitAction, ASnapWalkThatNeverArrivesFailsWithAMessage) {
    // The snap claims a face that does not hold its vertex: the walk around it cannot arrive.
    const int v = grid(-0.5, -0.5);
    const int farFace =
        faceWithCorners({grid(0.5, 0.5), grid(1.5, 0.5), grid(1.5, 1.5), grid(0.5, 1.5)});
    const int snapEdge = zEdge(-0.5, -0.5, 0.5);
    StrokeRecord r = recordFor("gridShape");
    r.startedAtVertex = true;
    addCrossing(r, snapEdge, 0.0, 0.0);
    r.startSnap = {farFace, snapEdge, r.crossings.vertex0[0] == v ? 0.0 : 1.0, v};
    r.crossings.t[0] = r.startSnap.param;
    addCrossing(r, zEdge(0.5, -0.5, 0.5), 0.5, 0.7);
    addCrossing(r, zEdge(1.5, -0.5, 0.5), 0.5, 1.7);
    SplitOptions options;
    options.multiSlices = 3;
    EXPECT_TRUE(split(r, options).empty());
    EXPECT_EQ(errors, "Split failed to compute!  Please try again.\n");
    EXPECT_EQ(counts(), "16 9");
}

// Face points of subdivisions 2 come from the stroke curve: its point halfway between two
// crossings, cast into the view, meets the face halfway between the crossing points.
TEST_F(SplitAction, FacePointsComeThroughTheStrokeCurveForEitherCamera) {
    run("move -r 0 1 0 grid");  // object space differs from world space
    run("viewPort 400 400");
    struct Row {
        bool orthographic;
        double tolerance;  // an orthographic ray goes through a pixel's centre
    } rows[] = {{false, 1e-9}, {true, 0.02}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.orthographic);
        KFnCamera camera;
        const KObject transform = camera.create();
        KFnCamera fn(transform);
        const KPoint eye(0.1, 11, 0.3);
        ASSERT_TRUE(fn.set(eye, KVector(0, -1, 0), KVector(0, 0, -1), 0.8, 1.0));
        fn.setIsOrtho(row.orthographic);
        if (row.orthographic) fn.setOrthoWidth(8);
        run("viewCamera " + std::string(KFnDagNode(transform).name().asChar()));
        view = K3dView::active3dView();

        std::vector<int> e;
        StrokeRecord r = middleRow(e);
        r.mesh.inclusiveMatrix = r.mesh.path.inclusiveMatrix();
        // Crossing k at the stroke's sample 2k, on the grid's line z = 0.2 (world y = 1); the
        // samples between bend the stroke out to z = 0.4, where the face points must follow
        // (the points between the crossings would stay on z = 0.2).
        for (int k = 0; k < 4; ++k) {
            const KPoint a = point("gridShape", r.crossings.vertex0[k]);
            r.crossings.t[k] = (0.2 - a.z) / r.crossings.edgeVector[k].z;
            r.crossings.strokePos[k] = 2 * k;
        }
        for (int j = 0; j < 7; ++j) {
            const KPoint target(-1.5 + 0.5 * j, 1, j % 2 ? 0.4 : 0.2);
            r.worldSamples.push_back(row.orthographic ? target + KVector(0, 5, 0)
                                                      : eye + (target - eye) * 0.1);
        }
        SplitOptions options;
        options.subdivisions = 2;
        const auto texts = split(r, options);
        ASSERT_EQ(texts.size(), 1u) << errors;
        std::istringstream in(texts[0]);
        std::string word;
        int facePoints = 0;
        double lastEdgeX = 1.5;
        while (in >> word) {
            if (word != "-fp") continue;
            int face;
            double x, y, z;
            in >> face >> x >> y >> z;
            ++facePoints;
            // Object space: halfway between consecutive crossings, walking right to left.
            EXPECT_NEAR(x, lastEdgeX - 0.5, row.tolerance) << texts[0];
            EXPECT_NEAR(y, 0, 1e-9);
            EXPECT_NEAR(z, 0.4, row.tolerance) << texts[0];
            lastEdgeX -= 1;
        }
        EXPECT_EQ(facePoints, 3);
        EXPECT_EQ(texts[0].rfind("polySplit -ch on -s 1 -ep ", 0), 0u);
        EXPECT_EQ(counts(), "23 12");
        // The curve was made for the cut and deleted after it.
        bool deleted = false;
        for (const auto& j : journalled) deleted = deleted || j.rfind("delete curve", 0) == 0;
        EXPECT_TRUE(deleted);
        EXPECT_TRUE(strings("ls -type nurbsCurve").empty());
        // One undo takes the whole release back, curve included.
        undo();
        EXPECT_EQ(counts(), "16 9");
        EXPECT_TRUE(strings("ls -type nurbsCurve").empty());
    }
}

class CylinderSplit : public SplitTest {
protected:
    void SetUp() override {
        SplitTest::SetUp();
        run("polyCylinder -n can -r 1 -h 2 -sx 8 -sy 1 -sc 0");
        view = K3dView::active3dView();
    }
    // The eight side edges in order around the axis.
    StrokeRecord ring() {
        StrokeRecord r = recordFor("canShape");
        KFnMesh mesh(r.mesh.path);
        for (int k = 0; k < 8; ++k) {
            const double angle = k * M_PI / 4;
            for (int e = 0; e < mesh.numEdges(); ++e) {
                int2 ends;
                mesh.getEdgeVertices(e, ends);
                KPoint p, q;
                mesh.getPoint(ends[0], p);
                mesh.getPoint(ends[1], q);
                if (std::abs(p.x - q.x) > 1e-6 || std::abs(p.z - q.z) > 1e-6) continue;
                if (std::abs(std::remainder(std::atan2(p.z, p.x) - angle, 2 * M_PI)) > 1e-6)
                    continue;
                addCrossing(r, e, 0.5, k + 0.5);
                r.worldSamples.push_back(KPoint(2 * std::cos(angle), 0, 2 * std::sin(angle)));
            }
        }
        return r;
    }
    K3dView view;
    NewVertexBookkeeping vertices;
};

TEST_F(CylinderSplit, RingClosesOnItsFirstEdge) {
    const StrokeRecord r = ring();
    ASSERT_EQ(r.crossings.size(), 8);
    const std::size_t from = journalSize();
    {
        tarn::undo::UndoChunkScope gesture("viewStroke");
        runSplit(r, SplitOptions{}, view, vertices);
    }
    const auto texts = wholeTexts(journalSince(from));
    ASSERT_EQ(texts.size(), 1u);
    std::string want = "polySplit -ch on -s 1";
    std::istringstream in(texts[0]);
    std::vector<int> edges;
    std::string word;
    while (in >> word)
        if (word == "-ep") {
            int edge;
            std::string t;
            in >> edge >> t;
            edges.push_back(edge);
            EXPECT_TRUE(t == "0.5" || t == "0.5;") << texts[0];
        }
    ASSERT_EQ(edges.size(), 9u) << texts[0];
    EXPECT_EQ(edges.front(), r.crossings.edges.back());
    EXPECT_EQ(edges.back(), edges.front());
    EXPECT_EQ(texts[0].rfind(want, 0), 0u);
    EXPECT_EQ(strings("polyEvaluate -v -f can"), (std::vector<std::string>{"24", "18"}));
}

TEST_F(CylinderSplit, RingWithSubdivisionsClosesTheStrokeCurve) {
    const StrokeRecord r = ring();
    SplitOptions options;
    options.subdivisions = 2;
    const std::size_t from = journalSize();
    {
        tarn::undo::UndoChunkScope gesture("viewStroke");
        runSplit(r, options, view, vertices);
    }
    const auto journalled = journalSince(from);
    bool closed = false, deleted = false;
    for (const auto& t : journalled) {
        closed = closed || t == "closeCurve -ch 0 -ps 1 -rpo 1 -bb 0.5 -bki 0 -p 0.1 curve1";
        deleted = deleted || t == "delete curve1";
    }
    EXPECT_TRUE(closed);
    EXPECT_TRUE(deleted);
    const auto texts = wholeTexts(journalled);
    ASSERT_EQ(texts.size(), 1u);
    // One face point in each of the eight faces of the ring, then eight edge points.
    std::size_t fp = 0;
    for (std::size_t at = texts[0].find(" -fp "); at != std::string::npos;
         at = texts[0].find(" -fp ", at + 1))
        ++fp;
    EXPECT_EQ(fp, 8u);
    EXPECT_EQ(strings("polyEvaluate -v -f can"), (std::vector<std::string>{"32", "18"}));
    EXPECT_TRUE(strings("ls -type nurbsCurve").empty());
}

// Two releases inside one gesture chunk each: one from a vertex, then exit in each mode.
TEST_F(SplitAction, ExitSelectsTheNewVerticesByMode) {
    std::vector<int> e;
    runSplit(middleRow(e), SplitOptions{}, view, vertices);  // new 16..19
    const int v = grid(-0.5, -0.5);
    const int face = faceWithCorners({v, grid(0.5, -0.5), grid(0.5, -1.5), grid(-0.5, -1.5)});
    const int snapEdge = zEdge(-0.5, -1.5, -0.5);
    StrokeRecord fromVertex = recordFor("gridShape");
    fromVertex.startedAtVertex = true;
    addCrossing(fromVertex, snapEdge, 0.0, 0.0);
    fromVertex.crossings.t[0] = fromVertex.crossings.vertex0[0] == v ? 0.0 : 1.0;
    fromVertex.startSnap = {face, snapEdge, fromVertex.crossings.t[0], v};
    addCrossing(fromVertex, zEdge(0.5, -1.5, -0.5), 0.5, 0.5);
    addCrossing(fromVertex, zEdge(1.5, -1.5, -0.5), 0.5, 1.5);
    runSplit(fromVertex, SplitOptions{}, view, vertices);  // new 20..21, end point V
    ASSERT_EQ(counts(), "22 14");
    ASSERT_EQ(vertices.endPointVertices, std::vector<int>{v});

    const std::string vtx = "gridShape.vtx[", end = vtx + str(v) + "]";
    struct Row {
        int mode;
        std::string text;  // "" when nothing is selected
        std::vector<std::string> selected;
    } rows[] = {
        {0, "", {"grid"}},
        {1, "select -r " + vtx + "20:21] " + end, {"grid.vtx[20:21]", "grid.vtx[" + str(v) + "]"}},
        {2, "select -r " + vtx + "16:21] " + end, {"grid.vtx[16:21]", "grid.vtx[" + str(v) + "]"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.mode);
        run("select -r grid");
        NewVertexBookkeeping copy = vertices;
        const std::size_t from = journalSize();
        selectNewVerticesOnExit(copy, row.mode);
        EXPECT_TRUE(copy.endPointVertices.empty());
        const auto texts = journalSince(from);
        EXPECT_EQ(texts.empty() ? "" : texts.back(), row.text);
        auto selected = strings("ls -sl");
        std::sort(selected.begin(), selected.end());
        auto want = row.selected;
        std::sort(want.begin(), want.end());
        EXPECT_EQ(selected, want);
    }
}

TEST_F(SplitAction, ExitAfterUndoSelectsOnlyVerticesThatRemain) {
    std::vector<int> e;
    runSplit(middleRow(e), SplitOptions{}, view, vertices);
    undo();
    run("select -r grid");
    tarn::output::Capture capture;
    selectNewVerticesOnExit(vertices, 1);
    EXPECT_EQ(capture.errors(), "");
    EXPECT_EQ(strings("ls -sl"), std::vector<std::string>{"grid"});
}

// A cube's faces: f0 = e0..e3 (vertices 0 1 2 3), f1 = e2 e4 e5 e6, f2 = e5 e7 e8 e9, f4 and f3
// close the band; vertex 0 lies on f0, vertex 6 on f2.
class CubeSplit : public SplitTest {
protected:
    void SetUp() override {
        SplitTest::SetUp();
        run("polyCube -n box1");
        view = K3dView::active3dView();
    }
    std::vector<std::string> split(const StrokeRecord& r, const SplitOptions& options) {
        const std::size_t from = journalSize();
        {
            tarn::undo::UndoChunkScope gesture("viewStroke");
            runSplit(r, options, view, vertices);
        }
        return wholeTexts(journalSince(from));
    }
    K3dView view;
    NewVertexBookkeeping vertices;
};

TEST_F(CubeSplit, VertexToVertexStrokesSnapBothEnds) {
    struct Row {
        const char* id;
        std::vector<int> edges;
        std::vector<double> t;
        int startFace, endFace;
        int slices;
        std::string text;
        std::string counts;
    } rows[] = {
        // From vertex 0 over two faces to vertex 6: the snap edges leave the lists and each end
        // becomes an edge of its face at the vertex (e8 from 6, e3 into 0).
        {"multi-slice",
         {0, 2, 5, 7},
         {0, 0.5, 0.5, 1},
         0,
         2,
         2,
         "multiSliceSplit(\"box1Shape\", 2, 1, 1, {5, 2}, {4, 2}, {4, 2}, {5, 3}, {0.5, 0.5}, 8, "
         "0, 3, 1);\n",
         "12 12"},
        // Two crossings from vertex to vertex are a single cut whatever the slice count.
        {"diagonal", {0, 1}, {0, 1}, 0, 0, 2, "polySplit -ch on -s 1 -ep 1 1 -ep 0 0;\n", "8 7"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.id);
        StrokeRecord r = recordFor("box1Shape");
        for (std::size_t i = 0; i < row.edges.size(); ++i)
            addCrossing(r, row.edges[i], row.t[i], static_cast<double>(i));
        r.startedAtVertex = r.endedAtVertex = true;
        const int last = static_cast<int>(row.edges.size()) - 1;
        const int startVertex = row.t[0] == 0 ? r.crossings.vertex0[0] : r.crossings.vertex1[0];
        const int endVertex =
            row.t[last] == 0 ? r.crossings.vertex0[last] : r.crossings.vertex1[last];
        r.startSnap = {row.startFace, row.edges[0], row.t[0], startVertex};
        r.endSnap = {row.endFace, row.edges[last], row.t[last], endVertex};
        SplitOptions options;
        options.multiSlices = row.slices;
        const auto texts = split(r, options);
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0], row.text);
        EXPECT_EQ(
            strings("polyEvaluate -v -f box1")[0] + " " + strings("polyEvaluate -v -f box1")[1],
            row.counts);
        // Both end vertices are remembered for the selection on exit.
        EXPECT_EQ(vertices.endPointVertices, (std::vector<int>{startVertex, endVertex}));
        vertices.reset();
        undo();
    }
}

}  // namespace
}  // namespace stroke::testing
