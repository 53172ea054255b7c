#pragma once
/// The outline of a set of faces as a list of edges.

#include <cstddef>
#include <unordered_map>
#include <vector>

#include "frame/k_arrays.h"

namespace uvproject {

/// Border edges of a face region, built one face edge at a time: an edge met for the first
/// time is appended, an edge met again is removed (it is in the list at most once, so this is
/// the entry a search from the front finds). After all faces, the list holds the edges used by
/// an odd number of the faces, in the order they were last appended; on a manifold mesh those
/// are the edges on the border of the region. Each toggle takes constant time on average.
class BorderEdges {
public:
    void toggle(int edge);
    /// The edges in the list, in order.
    KIntArray edges() const;

private:
    static constexpr int kRemoved = -1;
    std::vector<int> m_order;                     ///< appended edges; kRemoved once removed
    std::unordered_map<int, std::size_t> m_slot;  ///< edge -> its place in m_order
};

}  // namespace uvproject
