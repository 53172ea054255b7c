#pragma once
/// The record of one released stroke, as the shared capture and sampling code hands it to a
/// tool's action (the split of slicePen, the reduction of thinPen). Everything here was decided
/// in screen space when the stroke was drawn; the action only reads it and builds the host
/// command text.

#include <string>
#include <vector>

#include "frame/host_sdk.h"

namespace stroke {

/// The mesh edges the drawn line passes over, in the order found (parallel arrays).
struct Crossings {
    std::vector<int> edges;             ///< edge index
    std::vector<int> vertex0, vertex1;  ///< the edge's end points as the mesh reports them
    std::vector<double> t;              ///< edge parameter: 0 at vertex 0, 1 at vertex 1
    std::vector<double> strokePos;      ///< slicePen: segment index + parameter along it
    std::vector<KVector> edgeVector;    ///< vertex 1 minus vertex 0, object space

    int size() const { return static_cast<int>(edges.size()); }
    bool empty() const { return edges.empty(); }
};

/// A stroke end snapped to a mesh vertex (slicePen); every field -1 when not in use.
struct VertexSnap {
    int face = -1;
    int edge = -1;
    double param = -1.0;  ///< 0.0 or 1.0 when set
    int vertex = -1;
    bool isSet() const { return edge >= 0; }
};

/// The mesh the stroke was drawn over.
struct StrokeMesh {
    KDagPath path;        ///< extended to the shape
    std::string name;     ///< the shape node's name, as command texts name it (pCubeShape1)
    KMatrix inclusiveMatrix;
};

/// What the release hands to the action.
struct StrokeRecord {
    StrokeMesh mesh;
    Crossings crossings;
    bool queryError = false;  ///< a mesh query failed while sampling: the action must not run

    // slicePen only.
    std::vector<KPoint> worldSamples;  ///< near point of each sample's view ray; knot i = i
    VertexSnap startSnap, endSnap;
    bool startedAtVertex = false;
    bool endedAtVertex = false;

    // The release.
    bool middleButton = false;
    bool ctrl = false;
    short releaseX = 0, releaseY = 0;
};

}  // namespace stroke
