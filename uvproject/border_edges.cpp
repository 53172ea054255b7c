#include "uvproject/border_edges.h"

namespace uvproject {

void BorderEdges::toggle(int edge) {
    for (unsigned i = 0; i < m_edges.length(); ++i) {
        if (m_edges[i] == edge) {
            m_edges.remove(i);
            return;
        }
    }
    m_edges.append(edge);
}

}  // namespace uvproject
