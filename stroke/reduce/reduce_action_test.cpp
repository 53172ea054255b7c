// thinPen's command texts from crossings, character for character, for every row of the
// operation table.

#include "stroke/reduce/reduce_action.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <vector>

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

// The numbers of the words after `prefix` in `text`, up to the next ';'.
std::vector<double> numbersAfter(const std::string& text, const std::string& prefix) {
    std::vector<double> out;
    const auto at = text.find(prefix);
    if (at == std::string::npos) return out;
    std::istringstream words(
        text.substr(at + prefix.size(), text.find(';', at) - at - prefix.size()));
    for (std::string w; words >> w;) out.push_back(std::strtod(w.c_str(), nullptr));
    return out;
}

TEST(ReduceText, NumbersReadBackAsTheSameDoubles) {
    // A crossing at a parameter that needs 17 digits, on an edge far from the origin.
    Crossings c = twoCrossings(0.40208333333333335, 0.5);
    c.edgeVector[0] = KVector(1234.5678, 1e-300, -3.0);
    ReduceRequest q;
    q.mesh = "m";
    const std::string collapse = reduceCommandText(q, c);
    const double t = 0.40208333333333335;
    EXPECT_EQ(numbersAfter(collapse, "setAttr m.pt[1] "),
              (std::vector<double>{t * 1234.5678, t * 1e-300, t * -3.0}));
    EXPECT_EQ(
        numbersAfter(collapse, "setAttr m.pt[2] "),
        (std::vector<double>{-(1.0 - t) * 1234.5678, -(1.0 - t) * 1e-300, -(1.0 - t) * -3.0}));
    // The merge point keeps every digit too.
    q.middle = true;
    q.mergePoint = KPoint(1234.5678, 1.015625, -0.40208333333333335);
    EXPECT_EQ(numbersAfter(reduceCommandText(q, c), "move -a -ws "),
              (std::vector<double>{1234.5678, 1.015625, -0.40208333333333335}));
}

}  // namespace
}  // namespace stroke
