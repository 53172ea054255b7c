#include "stroke/reduce/reduce_action.h"

#include <cmath>

namespace stroke {

namespace {

std::string vector3(const KVector& v, double scale) {
    return numberText(scale * v.x) + " " + numberText(scale * v.y) + " " + numberText(scale * v.z);
}

}  // namespace

const char* reduceResultWord(const ReduceRequest& r) {
    if (r.reductionType == 1) return r.middle ? "polyMergeVert" : "polyCollapseEdge";
    return r.ctrl ? "polyDelVertex" : "polyDelEdge";
}

std::string reduceCommandText(const ReduceRequest& r, const Crossings& c) {
    if (r.reductionType != 1 && r.reductionType != 2) return {};
    const std::string& mesh = r.mesh;
    const bool collapse = r.reductionType == 1 && !r.middle;
    std::string text;

    // Collapse: move both ends of each crossed edge onto the crossing first.
    if (collapse) {
        text += "polyMoveVertex;\n";
        for (int i = 0; i < c.size(); ++i) {
            const double t = c.t[std::size_t(i)];
            const KVector& v = c.edgeVector[std::size_t(i)];
            text += "setAttr " + mesh + ".pt[" + std::to_string(c.vertex0[std::size_t(i)]) + "] " +
                    vector3(v, t) + "; ";
            text += "setAttr " + mesh + ".pt[" + std::to_string(c.vertex1[std::size_t(i)]) + "] " +
                    vector3(v, -(1.0 - t)) + "; ";
        }
        text += "\n";
    }

    // The components.
    text += "select -r";
    const bool edges = collapse || (r.reductionType == 2 && !r.ctrl);
    for (int i = 0; i < c.size(); ++i) {
        const std::size_t k = std::size_t(i);
        const std::string v0 = mesh + ".vtx[" + std::to_string(c.vertex0[k]) + "]";
        const std::string v1 = mesh + ".vtx[" + std::to_string(c.vertex1[k]) + "]";
        if (edges)
            text += " " + mesh + ".e[" + std::to_string(c.edges[k]) + "]";
        else if (r.reductionType == 1 && r.middle && !r.ctrl && c.t[k] > 0.0)
            text += " " + v0 + " " + v1;
        else
            text += " " + (std::fabs(c.t[k]) < 0.5 ? v0 : v1);
    }
    text += ";\n";

    // The operation.
    if (r.reductionType == 1 && !r.middle) {
        text += "polyCollapseEdge -ch on;";
    } else if (r.reductionType == 1) {
        if (r.mergePoint)
            text += "move -a -ws " + numberText(r.mergePoint->x) + " " +
                    numberText(r.mergePoint->y) + " " + numberText(r.mergePoint->z) + ";\n";
        text += "polyMergeVertex -d 1000000 -ch on;";
    } else if (!r.ctrl) {
        text += r.middle ? "polyDelEdge -ch on -cv on;" : "polyDelEdge -ch on -cv off;";
    } else {
        text += r.middle ? "polyDeleteVertex;" : "polyDelVertex -ch on;";
    }
    text += "\nselect -r " + mesh + ";\nprint \"// Result: Performed a " + reduceResultWord(r) +
            ".\\n\"";
    return text;
}

bool runReduceText(const std::string& text) {
    return bool(KGlobal::executeCommand(KString(text), false, true));
}

}  // namespace stroke
