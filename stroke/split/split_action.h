#pragma once
/// slicePen's action on release: the crossings of a stroke become chains of edges running face
/// to face, each chain one host command ("polySplit" for a single cut, the "multiSliceSplit"
/// procedure for parallel cuts, or "polySubdivideEdge" for a middle-button stroke), all sent as
/// one command text with undo; and the selection of the new vertices when the tool exits.

#include <string>
#include <vector>

#include "stroke/common/stroke_record.h"

namespace stroke {

/// slicePen's option values as read at press.
struct SplitOptions {
    int multiSlices = 1;  ///< clamped to at least 1 by the reader
    double dropoffPower = 1.0;
    int subdivisions = 1;  ///< clamped to at least 1 by the reader
    int edgeSnapping = 0;
    int selectNewVertsUponExit = 1;
};

/// New-vertex bookkeeping, kept by the context from activation to exit.
struct NewVertexBookkeeping {
    std::string meshName;               ///< the mesh as last read back after an operation
    int firstSinceActivation = -1;      ///< first new vertex since the tool was activated
    int lastFirst = -1, lastLast = -1;  ///< new vertices of the last operation
    std::vector<int> endPointVertices;
    bool lastStartedAtVertex = false, lastEndedAtVertex = false;

    void reset() { *this = NewVertexBookkeeping(); }
};

/// Runs the split for a released stroke (left button: split; middle button: edge subdivision),
/// executing one text with undo and updating `vertices`. `view` gives the camera for the rays of
/// face points. Does nothing when the record has no crossings.
void runSplit(const StrokeRecord& record, const SplitOptions& options, K3dView& view,
              NewVertexBookkeeping& vertices);

/// Selects what the tool made, by "QT_drawSplitSelectNewVertsUponExit" (`mode` 0, 1 or 2), and
/// clears the end-point list.
void selectNewVerticesOnExit(NewVertexBookkeeping& vertices, int mode);

}  // namespace stroke
