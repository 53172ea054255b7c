#pragma once
/// The edges of a face subdivision's result, named from the subdivision's own structure rather
/// than looked up from the result's corners (see TpolySubdFaceAnyFty for the faces it writes).
///
/// Walking the result's faces in the order the subdivision writes them, each corner's edge is
/// numbered when first met, so the names are exactly the numbers of the result's edge table.
/// An edge is the piece of an input edge (its end points' order fixes the piece numbering), or
/// an inner edge of one selected face's pieces, which no other face shares. The namer holds the
/// input mesh, so the result can make its edge table from it whenever first needed; running it
/// costs one pass over the result's corners.
///
/// Thread safety: one run at a time (the kernel runs it under its build lock).

#include <cstdint>
#include <memory>
#include <vector>

#include "host/mesh/poly_mesh.h"

class TsubdEdgeNames {
public:
    /// The names of the result of cutting every edge of the `selected` faces of `in` into 2d
    /// pieces; `in` must have its edge table and adjacency built.
    TsubdEdgeNames(std::shared_ptr<const tarn::PolyMesh> in, std::vector<std::uint8_t> selected,
                   int d);

    /// No name reaches this bound (the number of edges the result can have).
    std::int64_t bound() const { return m_bound; }
    /// True when the names are known to join distinct vertex pairs: always, except when two
    /// selected triangles have the same three vertices (the inner edge across a corner of
    /// each triangle's grid then joins the same two points).
    bool distinctPairs() const;
    /// Appends the name of every corner's edge, face by face in the result's order.
    void name(std::vector<int>& names);
    /// After a run: the result's edge that is piece k (counted from the edge's vertex 0) of
    /// input edge e; an input edge that is not cut is its own piece 0.
    int pieceEdge(int e, int k) const { return m_slots[m_pieceBase[e] + k]; }
    /// Pieces of input edge e in the result.
    int pieceCount(int e) const { return m_cut[e] ? m_s : 1; }

private:
    // Slots of an input edge's pieces walked from one of its ends: piece t at base[t * step].
    struct Pieces {
        int* base;
        int step;
        int& operator[](int t) const { return base[t * step]; }
    };
    Pieces pieces(int e, int from);
    int edge(int& slot) {
        if (slot < 0) slot = m_next++;
        return slot;
    }
    void keptFace(int f, std::vector<int>& names);
    void quad(int f, std::vector<int>& names);
    void triangle(int f, std::vector<int>& names);
    void fan(int f, std::vector<int>& names);
    // The g x g cells of a grid, row by row; `border(side, t)` is the slot of piece t of side
    // 0 (j = 0), 1 (i = g), 2 (j = g) or 3 (i = 0).
    template <typename Border>
    void grid(int g, Border border, std::vector<int>& names);

    std::shared_ptr<const tarn::PolyMesh> m_in;
    std::vector<std::uint8_t> m_selected, m_cut;
    const int m_d, m_s;
    std::int64_t m_bound = 0;
    std::vector<int> m_pieceBase;  // first slot of each input edge's pieces
    std::vector<int> m_slots;      // per piece: its name once met, else -1
    int m_next = 0;
    std::vector<int> m_across, m_down, m_diagonal, m_spokes;  // one face's inner edge slots
};
