#include "uvproject/border_edges.h"

namespace uvproject {

void BorderEdges::toggle(int edge) {
    const auto [it, added] = m_slot.try_emplace(edge, m_order.size());
    if (added) {
        m_order.push_back(edge);
        return;
    }
    m_order[it->second] = kRemoved;
    m_slot.erase(it);
}

KIntArray BorderEdges::edges() const {
    KIntArray out;
    for (int e : m_order)
        if (e != kRemoved) out.append(e);
    return out;
}

}  // namespace uvproject
