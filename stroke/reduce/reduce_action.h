#pragma once
/// thinPen's action on release: the crossings of a stroke become one command text that
/// collapses, merges or deletes the components under it, run with undo as one step.

#include <optional>
#include <string>

#include "frame/host_sdk.h"
#include "stroke/common/stroke_record.h"

namespace stroke {

/// What the release decides the reduction by.
struct ReduceRequest {
    std::string mesh;                  ///< the shape's name, as the texts name it
    int reductionType = 1;             ///< 1 collapse (left) or merge (middle); 2 delete
    bool middle = false;               ///< the middle button was released
    bool ctrl = false;                 ///< Ctrl held at the release
    std::optional<KPoint> mergePoint;  ///< where merged vertices go (world), when asked and hit
};

/// The command text for `crossings` (not empty), or "" for a reduction type other than 1 or 2.
/// Numbers are written as the shortest text that reads back as the same double.
std::string reduceCommandText(const ReduceRequest& request, const Crossings& crossings);

/// The result word of the operation the request runs ("polyCollapseEdge", "polyMergeVert",
/// "polyDelEdge", "polyDelVertex").
const char* reduceResultWord(const ReduceRequest& request);

/// Runs a reduction text with undo. A text that fails part-way changes nothing; its result line
/// (the text's last statement) is then not printed.
bool runReduceText(const std::string& text);

}  // namespace stroke
