#include "engine/geometry/subd_edge_names.h"

#include <algorithm>
#include <array>
#include <utility>

using tarn::PolyMesh;

TsubdEdgeNames::TsubdEdgeNames(std::shared_ptr<const PolyMesh> in,
                               std::vector<std::uint8_t> selected, int d)
    : m_in(std::move(in)), m_selected(std::move(selected)), m_d(d), m_s(2 * d) {
    const PolyMesh& m = *m_in;
    const std::int64_t s = m_s;
    // Cut edges have s pieces, the others one; each selected face adds its inner edges.
    m_cut.assign(m.numEdges(), 0);
    for (int f = 0; f < m.numFaces(); ++f) {
        if (!m_selected[f]) continue;
        for (int e : m.faceEdges(f)) m_cut[e] = 1;
        const std::int64_t n = m.faceVertexCount(f);
        if (n == 4)
            m_bound += 2 * s * (s - 1);
        else if (n == 3)
            m_bound += 3 * s * (s - 1) / 2;
        else
            m_bound += n * (2 * std::int64_t(d) * (d - 1) + d);
    }
    m_pieceBase.resize(m.numEdges());
    std::int64_t slots = 0;
    for (int e = 0; e < m.numEdges(); ++e) {
        m_pieceBase[e] = static_cast<int>(slots);
        slots += m_cut[e] ? s : 1;
    }
    m_bound += slots;
    m_slots.assign(static_cast<std::size_t>(slots), -1);
}

bool TsubdEdgeNames::distinctPairs() const {
    const PolyMesh& m = *m_in;
    auto sorted = [&](int f) {
        std::array<int, 3> v{};
        std::copy_n(m.faceVertices(f).begin(), 3, v.begin());
        std::sort(v.begin(), v.end());
        return v;
    };
    for (int f = 0; f < m.numFaces(); ++f) {
        if (!m_selected[f] || m.faceVertexCount(f) != 3) continue;
        for (int g : m.edgeFaces(m.faceEdges(f)[0]))
            if (g != f && m_selected[g] && m.faceVertexCount(g) == 3 && sorted(g) == sorted(f))
                return false;
    }
    return true;
}

TsubdEdgeNames::Pieces TsubdEdgeNames::pieces(int e, int from) {
    int* first = m_slots.data() + m_pieceBase[e];
    if (!m_cut[e]) return {first, 0};
    return m_in->edge(e).v0 == from ? Pieces{first, 1} : Pieces{first + m_s - 1, -1};
}

void TsubdEdgeNames::name(std::vector<int>& names) {
    const PolyMesh& m = *m_in;
    std::fill(m_slots.begin(), m_slots.end(), -1);
    m_next = 0;
    for (int f = 0; f < m.numFaces(); ++f) {
        const int n = m.faceVertexCount(f);
        if (!m_selected[f])
            keptFace(f, names);
        else if (n == 4)
            quad(f, names);
        else if (n == 3)
            triangle(f, names);
        else
            fan(f, names);
    }
}

// An unselected face: each corner, then the points of its edge when that edge is cut.
void TsubdEdgeNames::keptFace(int f, std::vector<int>& names) {
    const std::span<const int> fv = m_in->faceVertices(f);
    const std::span<const int> fe = m_in->faceEdges(f);
    for (std::size_t k = 0; k < fv.size(); ++k) {
        const Pieces run = pieces(fe[k], fv[k]);
        const int count = m_cut[fe[k]] ? m_s : 1;
        for (int t = 0; t < count; ++t) names.push_back(edge(run[t]));
    }
}

template <typename Border>
void TsubdEdgeNames::grid(int g, Border border, std::vector<int>& names) {
    // Inner edge (i, j) -> (i + 1, j) is across slot j * g + i, (i, j) -> (i, j + 1) down slot
    // j * (g + 1) + i. Cells run row by row, corners (i, j), (i + 1, j), (i + 1, j + 1),
    // (i, j + 1).
    const int w = g + 1;
    m_across.assign(static_cast<std::size_t>(w) * g, -1);
    m_down.assign(static_cast<std::size_t>(w) * g, -1);
    for (int j = 0; j < g; ++j)
        for (int i = 0; i < g; ++i) {
            names.push_back(edge(j == 0 ? border(0, i) : m_across[j * g + i]));
            names.push_back(edge(i + 1 == g ? border(1, j) : m_down[j * w + i + 1]));
            names.push_back(edge(j + 1 == g ? border(2, i) : m_across[(j + 1) * g + i]));
            names.push_back(edge(i == 0 ? border(3, j) : m_down[j * w + i]));
        }
}

// A quad's s x s grid: its sides are the pieces of its edges, the top walked from corner 3.
void TsubdEdgeNames::quad(int f, std::vector<int>& names) {
    const std::span<const int> fv = m_in->faceVertices(f);
    const std::span<const int> fe = m_in->faceEdges(f);
    const Pieces sides[4] = {pieces(fe[0], fv[0]), pieces(fe[1], fv[1]), pieces(fe[2], fv[3]),
                             pieces(fe[3], fv[0])};
    grid(
        m_s, [&](int side, int t) -> int& { return sides[side][t]; }, names);
}

// A triangle's grid of points (a, b), a + b <= s: for each b and a, the upward triangle
// (a, b), (a + 1, b), (a, b + 1), then the downward one (a + 1, b), (a + 1, b + 1), (a, b + 1)
// between it and the next.
void TsubdEdgeNames::triangle(int f, std::vector<int>& names) {
    const std::span<const int> fv = m_in->faceVertices(f);
    const std::span<const int> fe = m_in->faceEdges(f);
    const int s = m_s, w = s + 1;
    const Pieces bottom = pieces(fe[0], fv[0]), slope = pieces(fe[1], fv[1]),
                 left = pieces(fe[2], fv[0]);
    // Slots at b * w + a of the edges across (a, b) -> (a + 1, b), up (a, b) -> (a, b + 1) and
    // diagonal (a + 1, b) -> (a, b + 1).
    m_across.assign(static_cast<std::size_t>(w) * w, -1);
    m_down.assign(static_cast<std::size_t>(w) * w, -1);
    m_diagonal.assign(static_cast<std::size_t>(w) * w, -1);
    auto across = [&](int a, int b) -> int& { return b == 0 ? bottom[a] : m_across[b * w + a]; };
    auto up = [&](int a, int b) -> int& { return a == 0 ? left[b] : m_down[b * w + a]; };
    auto diagonal = [&](int a, int b) -> int& {
        return a + b == s - 1 ? slope[b] : m_diagonal[b * w + a];
    };
    for (int b = 0; b < s; ++b)
        for (int a = 0; a + b < s; ++a) {
            names.push_back(edge(across(a, b)));
            names.push_back(edge(diagonal(a, b)));
            names.push_back(edge(up(a, b)));
            if (a + b < s - 1) {
                names.push_back(edge(up(a + 1, b)));
                names.push_back(edge(across(a, b + 1)));
                names.push_back(edge(diagonal(a, b)));
            }
        }
}

// A fan of n quads, each a d x d grid from corner k over the middle of edge k, the centre and
// the middle of edge k - 1. Spoke k (middle of edge k to the centre) is side 1 of quad k and
// side 2 of quad k + 1.
void TsubdEdgeNames::fan(int f, std::vector<int>& names) {
    const std::span<const int> fv = m_in->faceVertices(f);
    const std::span<const int> fe = m_in->faceEdges(f);
    const int n = static_cast<int>(fv.size()), d = m_d;
    m_spokes.assign(static_cast<std::size_t>(n) * d, -1);
    for (int k = 0; k < n; ++k) {
        const int prev = (k + n - 1) % n;
        const Pieces outgoing = pieces(fe[k], fv[k]), incoming = pieces(fe[prev], fv[k]);
        grid(
            d,
            [&](int side, int t) -> int& {
                if (side == 0) return outgoing[t];
                if (side == 1) return m_spokes[k * d + t];
                if (side == 2) return m_spokes[prev * d + t];
                return incoming[t];
            },
            names);
    }
}
