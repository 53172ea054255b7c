// thinPen's command texts from crossings, character for character, for every row of the
// operation table.

#include "stroke/reduce/reduce_action.h"

#include <gtest/gtest.h>

namespace stroke {
namespace {

Crossings twoCrossings(double t0, double t1) {
    Crossings c;
    c.edges = {4, 9};
    c.vertex0 = {1, 6};
    c.vertex1 = {2, 7};
    c.t = {t0, t1};
    c.strokePos = {0, 0};
    c.edgeVector = {KVector(1, 0, 0), KVector(0, 0, -2)};
    return c;
}

const char* kTail(const char* word) {
    static std::string s;
    s = std::string("\nselect -r m;\nprint \"// Result: Performed a ") + word + ".\\n\"";
    return s.c_str();
}

TEST(ReduceText, EveryOperation) {
    struct Row {
        const char* what;
        int type;
        bool middle, ctrl;
        double t0, t1;
        std::string expected;
    };
    const Row rows[] = {
        {"collapse", 1, false, false, 0.25, 0.5,
         std::string("polyMoveVertex;\n"
                     "setAttr m.pt[1] 0.25 0 0; setAttr m.pt[2] -0.75 -0 -0; "
                     "setAttr m.pt[6] 0 0 -1; setAttr m.pt[7] -0 -0 1; \n"
                     "select -r m.e[4] m.e[9];\npolyCollapseEdge -ch on;") +
             kTail("polyCollapseEdge")},
        {"collapse with Ctrl", 1, false, true, 0.25, 0.5,
         std::string("polyMoveVertex;\n"
                     "setAttr m.pt[1] 0.25 0 0; setAttr m.pt[2] -0.75 -0 -0; "
                     "setAttr m.pt[6] 0 0 -1; setAttr m.pt[7] -0 -0 1; \n"
                     "select -r m.e[4] m.e[9];\npolyCollapseEdge -ch on;") +
             kTail("polyCollapseEdge")},
        // Middle without Ctrl: both ends of an edge crossed at t > 0, the nearer end at t = 0.
        {"merge both ends", 1, true, false, 0.25, 0.0,
         std::string("select -r m.vtx[1] m.vtx[2] m.vtx[6];\npolyMergeVertex -d 1000000 -ch on;") +
             kTail("polyMergeVert")},
        // Middle with Ctrl: t arrives negated; the nearer end by |t|.
        {"merge nearer ends", 1, true, true, -0.25, -0.75,
         std::string("select -r m.vtx[1] m.vtx[7];\npolyMergeVertex -d 1000000 -ch on;") +
             kTail("polyMergeVert")},
        {"delete edges", 2, false, false, 0.25, 0.75,
         std::string("select -r m.e[4] m.e[9];\npolyDelEdge -ch on -cv off;") +
             kTail("polyDelEdge")},
        {"delete edges and vertices", 2, true, false, 0.25, 0.75,
         std::string("select -r m.e[4] m.e[9];\npolyDelEdge -ch on -cv on;") +
             kTail("polyDelEdge")},
        {"delete vertices", 2, false, true, 0.25, 0.75,
         std::string("select -r m.vtx[1] m.vtx[7];\npolyDelVertex -ch on;") +
             kTail("polyDelVertex")},
        {"delete vertices (middle)", 2, true, true, 0.5, 0.49,
         std::string("select -r m.vtx[2] m.vtx[6];\npolyDeleteVertex;") + kTail("polyDelVertex")},
    };
    for (const Row& r : rows) {
        ReduceRequest q;
        q.mesh = "m";
        q.reductionType = r.type;
        q.middle = r.middle;
        q.ctrl = r.ctrl;
        EXPECT_EQ(reduceCommandText(q, twoCrossings(r.t0, r.t1)), r.expected) << r.what;
    }
}

TEST(ReduceText, MergePointMovesBeforeTheMergeOnly) {
    ReduceRequest q;
    q.mesh = "m";
    q.middle = true;
    q.ctrl = true;
    q.mergePoint = KPoint(0.5, -1.25, 3);
    EXPECT_EQ(reduceCommandText(q, twoCrossings(-0.25, -0.75)),
              std::string("select -r m.vtx[1] m.vtx[7];\nmove -a -ws 0.5 -1.25 3;\n"
                          "polyMergeVertex -d 1000000 -ch on;") +
                  kTail("polyMergeVert"));
    // A merge point means nothing to a deletion.
    q.reductionType = 2;
    EXPECT_EQ(reduceCommandText(q, twoCrossings(0.25, 0.75)).find("move"), std::string::npos);
}

TEST(ReduceText, UnknownTypeGivesNoText) {
    ReduceRequest q;
    q.mesh = "m";
    for (int type : {0, 3, -1}) {
        q.reductionType = type;
        EXPECT_EQ(reduceCommandText(q, twoCrossings(0.25, 0.75)), "") << type;
    }
}

}  // namespace
}  // namespace stroke
