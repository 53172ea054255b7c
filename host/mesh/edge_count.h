#pragma once
/// A quick exact count of a mesh's distinct edges without numbering them: each edge is listed
/// once at its lower-numbered end point in a small fixed table, spilling to lists at busy
/// vertices.

#include <span>

namespace tarn {

/// Number of distinct undirected edges of the faces given as CSR (`faceOffsets` has one more
/// entry than there are faces, `faceVerts` holds vertex indices in [0, numVertices)); -1 when
/// vertices with very many higher-numbered neighbours make the lists long (count another way
/// then). Uses a scratch table shared by all callers: callers serialise (build lock).
int countEdgesQuick(std::span<const int> faceOffsets, std::span<const int> faceVerts,
                    int numVertices);

}  // namespace tarn
