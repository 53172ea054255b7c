#pragma once
/// The outline of a set of faces as a list of edges.

#include "frame/k_arrays.h"

namespace uvproject {

/// Border edges of a face region, built one face edge at a time: an edge met for the first
/// time is appended, an edge met again is removed (searching from the front). After all faces,
/// the list holds the edges used by an odd number of the faces, in the order they were first
/// kept; on a manifold mesh those are the edges on the border of the region.
class BorderEdges {
public:
    void toggle(int edge);
    const KIntArray& edges() const { return m_edges; }

private:
    KIntArray m_edges;
};

}  // namespace uvproject
