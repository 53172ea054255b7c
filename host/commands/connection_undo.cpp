#include "host/commands/connection_undo.h"

#include <algorithm>
#include <memory>

#include "host/dg/graph.h"

namespace tarn::commands {

namespace {

KObject attributeHandle(const AttributeImpl* a) {
    return KObject(std::const_pointer_cast<AttributeImpl>(a->shared_from_this()));
}

bool sameConnection(const Connection& a, const Connection& b) {
    return a.srcNode == b.srcNode && a.srcAttr == b.srcAttr && a.srcIndex == b.srcIndex &&
           a.dstNode == b.dstNode && a.dstAttr == b.dstAttr && a.dstIndex == b.dstIndex;
}

// The element plug of the array that holds `plug`; null when it is not in an array.
KPlug elementOf(const KPlug& plug) {
    const AttributeImpl* a = AttributeImpl::from(plug.attribute());
    if (!a || !a->arrayRoot || plug.elementIndex() < 0) return {};
    return KPlug(plug.node(), attributeHandle(a->arrayRoot), plug.elementIndex());
}

}  // namespace

std::vector<PlacedConnection> incomingConnections(const KPlug& destination) {
    Graph& graph = Graph::instance();
    const std::vector<Connection> incoming = graph.connectionsOf(destination, true, false);
    const std::vector<Connection>& all = graph.connections();
    std::vector<PlacedConnection> out;
    for (std::size_t i = 0; i < all.size(); ++i) {
        const Connection& c = all[i];
        if (std::none_of(incoming.begin(), incoming.end(),
                         [&](const Connection& in) { return sameConnection(in, c); }))
            continue;
        out.push_back(
            {graph.plugName(KPlug(KObject(c.srcNode), attributeHandle(c.srcAttr), c.srcIndex)),
             graph.plugName(KPlug(KObject(c.dstNode), attributeHandle(c.dstAttr), c.dstIndex)), i});
    }
    return out;
}

bool restoreConnection(const PlacedConnection& c) {
    Graph& graph = Graph::instance();
    std::string error;
    const KPlug src = graph.parsePlug(c.source, &error);
    const KPlug dst = graph.parsePlug(c.destination, &error);
    if (src.isNull() || dst.isNull()) return false;
    return !graph.connect(src, dst, true, &error, c.position).error();
}

DestinationValue::DestinationValue(const KPlug& plug) {
    Graph& graph = Graph::instance();
    m_plug = graph.plugName(plug);
    const KPlug element = elementOf(plug);
    if (!element.isNull()) {
        const KPlug array(element.node(), element.attribute(), -1);
        const std::vector<unsigned> indices = graph.elementIndices(array);
        m_created = std::find(indices.begin(), indices.end(),
                              static_cast<unsigned>(plug.elementIndex())) == indices.end();
        if (m_created) return;
    }
    KStatus status;
    const KDataHandle h = graph.readHandle(plug, &status);
    if (h.isNull() || status.error()) return;
    if (h.kind() == CellKind::kString) {
        m_text = h.asString().str();
        m_isText = m_valid = true;
        return;
    }
    for (unsigned i = 0; i < h.width(); ++i) m_numbers.push_back(h.cells()[i].d);
    m_valid = !m_numbers.empty();
}

void DestinationValue::restore() const {
    Graph& graph = Graph::instance();
    std::string error;
    const KPlug plug = graph.parsePlug(m_plug, &error);
    if (plug.isNull()) return;
    if (m_created) {
        const KPlug element = elementOf(plug);
        if (!element.isNull()) graph.removeElement(element, &error);
        return;
    }
    if (!m_valid) return;
    KStatus status;
    KDataHandle h = graph.writeHandle(plug, &status);
    if (h.isNull()) return;
    if (m_isText) {
        h.set(KString(m_text));
    } else {
        const AttributeImpl* a = h.attributeImpl();
        for (std::size_t i = 0; i < m_numbers.size() && i < h.width(); ++i)
            storeCell(h.cells()[i], a->cellKinds[i], m_numbers[i]);
    }
    graph.valueChanged(plug);
}

}  // namespace tarn::commands
