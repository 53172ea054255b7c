#include "host/dg/graph.h"

#include <vector>

#include "host/dg/data_flow.h"
#include "host/dg/graph_rules.h"
#include "host/sdk/data_handle.h"

namespace tarn {

namespace {

struct FlowCopierRow {
    KFn::Type kind;
    DataFlowCopier copier;
};
// Few kinds ever register (mesh data): a short list, searched in order.
std::vector<FlowCopierRow>& flowCopiers() {
    static std::vector<FlowCopierRow> rows;
    return rows;
}

}  // namespace

void setDataFlowCopier(KFn::Type kind, DataFlowCopier copier) {
    auto& rows = flowCopiers();
    for (FlowCopierRow& row : rows)
        if (row.kind == kind) {
            row.copier = copier;
            return;
        }
    rows.push_back({kind, copier});
}

KObject dataForFlow(const KObject& value) {
    const KFn::Type kind = value.apiType();
    for (const FlowCopierRow& row : flowCopiers())
        if (row.kind == kind && row.copier) return row.copier(value);
    return value;
}

using graph_rules::plugAttribute;
using graph_rules::related;
using graph_rules::sameElement;

bool sameShape(const AttributeImpl& a, const AttributeImpl& b) {
    if (a.kind == CellKind::kMessage || b.kind == CellKind::kMessage) return a.kind == b.kind;
    if (a.width != b.width) return false;
    if (a.isCompound() != b.isCompound()) {
        // A leaf matches a compound only through equal widths of plain numbers.
        return false;
    }
    if (a.isCompound()) {
        if (a.children.size() != b.children.size()) return false;
        for (size_t i = 0; i < a.children.size(); ++i)
            if (!sameShape(*a.children[i], *b.children[i])) return false;
        return true;
    }
    if (a.isNumericLeaf() && b.isNumericLeaf()) return true;
    if (a.kind == CellKind::kData && b.kind == CellKind::kData) return a.dataType == b.dataType;
    bool am = a.kind == CellKind::kMatrix || a.kind == CellKind::kFloatMatrix;
    bool bm = b.kind == CellKind::kMatrix || b.kind == CellKind::kFloatMatrix;
    if (am || bm) return am && bm;
    return a.kind == b.kind;
}

bool copyHandleValue(const KDataHandle& from, KDataHandle& to) {
    const AttributeImpl* a = from.attributeImpl();
    const AttributeImpl* b = to.attributeImpl();
    if (!a || !b || !sameShape(*a, *b)) return false;
    for (int i = 0; i < b->width; ++i) {
        CellKind k = b->cellKinds[i];
        if (k == CellKind::kAddr)
            to.cells()[i].p = a->cellKinds[i] == CellKind::kAddr ? from.cells()[i].p : nullptr;
        else
            storeCell(to.cells()[i], k, from.cells()[i].d);
    }
    // Strings and data, leaf by leaf in the same order.
    std::vector<const AttributeImpl*> sa{a}, sb{b};
    while (!sa.empty()) {
        const AttributeImpl* x = sa.back();
        const AttributeImpl* y = sb.back();
        sa.pop_back();
        sb.pop_back();
        if (x->aux >= 0 && y->aux >= 0) {
            if (y->kind == CellKind::kString)
                to.block()->strings[y->aux] = from.block()->strings[x->aux];
            else
                to.block()->objects[y->aux] = from.block()->objects[x->aux];
        }
        for (size_t i = 0; i < x->children.size(); ++i) {
            sa.push_back(x->children[i].get());
            sb.push_back(y->children[i].get());
        }
    }
    return true;
}

bool Graph::reaches(const NodeImpl* from, const NodeImpl* to) const {
    std::vector<const NodeImpl*> stack{from}, seen;
    while (!stack.empty()) {
        const NodeImpl* n = stack.back();
        stack.pop_back();
        if (n == to) return true;
        if (std::find(seen.begin(), seen.end(), n) != seen.end()) continue;
        seen.push_back(n);
        for (const Connection& c : m_connections)
            if (c.srcNode.get() == n) stack.push_back(c.dstNode.get());
    }
    return false;
}

KStatus Graph::connect(const KPlug& src, const KPlug& dst, bool force, std::string* error,
                       std::size_t position) {
    NodeImpl *sn = nullptr, *dn = nullptr;
    const AttributeImpl* sa = plugAttribute(src, &sn);
    const AttributeImpl* da = plugAttribute(dst, &dn);
    auto fail = [&](KStatus::KStatusCode code, const std::string& why) {
        if (error) *error = why;
        return KStatus(code);
    };
    if (!sa || !da) return fail(KStatus::kInvalidParameter, "Both plugs must exist");
    std::string sName = plugName(src), dName = plugName(dst);
    if ((sa->arrayRoot && src.elementIndex() < 0) || (da->arrayRoot && dst.elementIndex() < 0))
        return fail(KStatus::kInvalidParameter, "Name an element of an array plug to connect it");
    if (!sa->readable)
        return fail(KStatus::kInvalidParameter,
                    "The source attribute '" + sName + "' is not readable");
    if (da->computed) {
        return fail(KStatus::kInvalidParameter, "The destination attribute '" + dName +
                                                    "' is an output and cannot be a destination");
    }
    for (const AttributeImpl* x = da; x; x = x->parent) {
        if (!x->writable || !x->connectable)
            return fail(KStatus::kInvalidParameter,
                        "The destination attribute '" + dName + "' cannot be connected to");
        if (dn->isLocked(*x, x->arrayRoot ? dst.elementIndex() : -1))
            return fail(KStatus::kInvalidParameter,
                        "The destination attribute '" + dName + "' is locked");
    }
    if (!sa->connectable)
        return fail(KStatus::kInvalidParameter,
                    "The source attribute '" + sName + "' cannot be connected");
    if (!sameShape(*sa, *da))
        return fail(KStatus::kInvalidParameter,
                    "The attributes '" + sName + "' and '" + dName + "' are not compatible");
    // Evaluation pulls all of a node's connected inputs before its compute, so a connection
    // within one node could feed the node from itself: refused, like a loop through others.
    if (sn == dn)
        return fail(KStatus::kInvalidParameter,
                    "Cannot connect '" + sName + "' to '" + dName +
                        "': connections between attributes of the same node are not supported");
    if (reaches(dn, sn))
        return fail(KStatus::kInvalidParameter,
                    "Connecting '" + sName + "' to '" + dName + "' would create a cycle");

    // An existing connection into the destination (or a part of it).
    for (size_t i = m_connections.size(); i-- > 0;) {
        const Connection& c = m_connections[i];
        if (c.dstNode.get() != dn || !related(c.dstAttr, da) ||
            !sameElement(c.dstIndex, dst.elementIndex()))
            continue;
        if (c.srcNode.get() == sn && c.srcAttr == sa && c.srcIndex == src.elementIndex() &&
            c.dstAttr == da && c.dstIndex == dst.elementIndex())
            return fail(KStatus::kFailure,
                        "'" + sName + "' is already connected to '" + dName + "'");
        if (!force) {
            return fail(KStatus::kFailure,
                        "'" + dName + "' already has an incoming connection from '" +
                            plugName(KPlug(KObject(c.srcNode),
                                           KObject(std::const_pointer_cast<AttributeImpl>(
                                               c.srcAttr->shared_from_this())),
                                           c.srcIndex)) +
                            "'");
        }
    }
    if (force) {
        for (size_t i = m_connections.size(); i-- > 0;) {
            const Connection& c = m_connections[i];
            if (c.dstNode.get() == dn && related(c.dstAttr, da) &&
                sameElement(c.dstIndex, dst.elementIndex()))
                breakConnection(i);
        }
    }
    Connection c;
    c.srcNode = sn->shared_from_this();
    c.srcAttr = sa;
    c.srcIndex = src.elementIndex();
    c.dstNode = dn->shared_from_this();
    c.dstAttr = da;
    c.dstIndex = dst.elementIndex();
    m_connections.insert(
        m_connections.begin() + static_cast<long>(std::min(position, m_connections.size())), c);
    // The destination's element exists from now on; its value comes from the source.
    if (da->arrayRoot) dn->store().block(*da, dst.elementIndex(), true);
    dn->store().setDirty(*da);
    markDirtyFrom(*dn, *da, dst.elementIndex());
    std::string why;
    guardPluginCall([&] { return sn->userNode()->connectionMade(src, dst, true); }, &why);
    guardPluginCall([&] { return dn->userNode()->connectionMade(dst, src, false); }, &why);
    return KStatus::kSuccess;
}

KStatus Graph::disconnect(const KPlug& src, const KPlug& dst, std::string* error) {
    for (size_t i = 0; i < m_connections.size(); ++i) {
        const Connection& c = m_connections[i];
        if (KObject(c.srcNode) == src.node() && c.srcAttr == src.attribute().impl() &&
            c.srcIndex == src.elementIndex() && KObject(c.dstNode) == dst.node() &&
            c.dstAttr == dst.attribute().impl() && c.dstIndex == dst.elementIndex()) {
            breakConnection(i);
            return KStatus::kSuccess;
        }
    }
    if (error)
        *error = "There is no connection from '" + plugName(src) + "' to '" + plugName(dst) + "'";
    return KStatus::kNotFound;
}

void Graph::breakConnection(size_t position, bool keepDestinationValue) {
    Connection c = m_connections[position];
    m_connections.erase(m_connections.begin() + static_cast<long>(position));
    NodeImpl* dn = c.dstNode.get();
    if (!dn->alive()) return;
    DataStore& store = dn->store();
    // The destination keeps, resets or loses its value as its attribute asks.
    switch (keepDestinationValue ? KFnAttribute::kNothing : c.dstAttr->disconnectBehavior) {
        case KFnAttribute::kReset:
            store.resetToDefault(*c.dstAttr, c.dstIndex);
            break;
        case KFnAttribute::kDelete:
            if (c.dstAttr->array && c.dstIndex >= 0)
                store.array(*c.dstAttr).remove(static_cast<unsigned>(c.dstIndex));
            break;
        case KFnAttribute::kNothing:
            break;
    }
    store.setClean(*c.dstAttr);
    markDirtyFrom(*dn, *c.dstAttr, c.dstIndex);
    KPlug srcPlug(KObject(c.srcNode),
                  KObject(std::const_pointer_cast<AttributeImpl>(c.srcAttr->shared_from_this())),
                  c.srcIndex);
    KPlug dstPlug(KObject(c.dstNode),
                  KObject(std::const_pointer_cast<AttributeImpl>(c.dstAttr->shared_from_this())),
                  c.dstIndex);
    std::string why;
    if (c.srcNode->alive())
        guardPluginCall(
            [&] { return c.srcNode->userNode()->connectionBroken(srcPlug, dstPlug, true); }, &why);
    guardPluginCall([&] { return dn->userNode()->connectionBroken(dstPlug, srcPlug, false); },
                    &why);
}

std::vector<Connection> Graph::connectionsOf(const KPlug& plug, bool asDestination,
                                             bool asSource) const {
    std::vector<Connection> r;
    NodeImpl* node = nullptr;
    const AttributeImpl* a = plugAttribute(plug, &node);
    if (!a) return r;
    for (const Connection& c : m_connections) {
        if (asDestination && c.dstNode.get() == node && related(c.dstAttr, a) &&
            sameElement(c.dstIndex, plug.elementIndex()))
            r.push_back(c);
        else if (asSource && c.srcNode.get() == node && related(c.srcAttr, a) &&
                 sameElement(c.srcIndex, plug.elementIndex()))
            r.push_back(c);
    }
    return r;
}

KStatus Graph::pullConnection(Connection& c) {
    KPlug srcPlug(KObject(c.srcNode),
                  KObject(std::const_pointer_cast<AttributeImpl>(c.srcAttr->shared_from_this())),
                  c.srcIndex);
    KStatus status;
    KDataHandle from = readHandle(srcPlug, &status);
    KDataHandle to = storeHandle(c.dstNode->store(), *c.dstAttr, c.dstIndex, true);
    if (from.isNull() || to.isNull()) return KStatus::kFailure;
    copyHandleValue(from, to);
    // Data values reach the destination as its own object (copy-on-write contents).
    if (c.dstAttr->aux >= 0 && c.dstAttr->kind == CellKind::kData) {
        KObject& value = to.block()->objects[c.dstAttr->aux];
        value = dataForFlow(value);
    }
    return status;
}

KStatus Graph::pullInputs(NodeImpl& node) {
    DataStore& store = node.store();
    std::vector<size_t> pending;
    for (size_t i = 0; i < m_connections.size(); ++i) {
        const Connection& c = m_connections[i];
        if (c.dstNode.get() == &node && store.isDirty(*c.dstAttr)) pending.push_back(i);
    }
    KStatus result;
    std::vector<const AttributeImpl*> done;
    for (size_t i : pending) {
        // Copy: pulling evaluates upstream, which never edits connections.
        Connection c = m_connections[i];
        KStatus s = pullConnection(c);
        if (!s && result) result = s;
        done.push_back(c.dstAttr);
    }
    for (const AttributeImpl* a : done) store.setClean(*a);
    return result;
}

KStatus Graph::evaluate(NodeImpl& node, const KPlug& plug) {
    const AttributeImpl* a = AttributeImpl::from(plug.attribute());
    if (!a || !node.alive()) return KStatus::kInvalidParameter;
    DataStore& store = node.store();
    if (!a->computed) {
        // An input: pull its source when it is a dirty destination.
        if (!store.isDirty(*a)) return KStatus::kSuccess;
        KStatus result;
        for (size_t i = 0; i < m_connections.size(); ++i) {
            Connection c = m_connections[i];
            if (c.dstNode.get() != &node || !related(c.dstAttr, a)) continue;
            KStatus s = pullConnection(c);
            if (!s && result) result = s;
            store.setClean(*c.dstAttr);
        }
        store.setClean(*a);
        return result;
    }
    if ((!store.isDirty(*a) && !a->computeOnEveryRead) || node.evaluating) return KStatus::kSuccess;
    KStatus pulled = pullInputs(node);
    // Compute sees its data inputs as its own objects (copy-on-write contents), so a node that
    // edits an input and hands it on leaves the stored input as it was for the next compute.
    std::vector<std::pair<std::size_t, KObject>> keptInputs;
    for (const auto& in : node.type().attributes()) {
        if (in->kind != CellKind::kData || in->computed || in->aux < 0 || in->arrayRoot) continue;
        KObject& value = store.root().objects[static_cast<std::size_t>(in->aux)];
        KObject own = dataForFlow(value);
        if (own == value) continue;
        keptInputs.emplace_back(static_cast<std::size_t>(in->aux), value);
        value = std::move(own);
    }
    node.evaluating = true;
    KDataBlock block(&store);
    std::string why;
    KStatus status = guardPluginCall([&] { return node.userNode()->compute(plug, block); }, &why);
    node.evaluating = false;
    for (auto& [slot, value] : keptInputs) store.root().objects[slot] = std::move(value);
    if (status == KStatus::kUnknownParameter || status == KStatus::kSuccess) {
        // Not served (5) keeps the stored value; either way the plug is settled.
        store.setClean(*a);
        return pulled;
    }
    return status;
}

void Graph::markDirtyFrom(NodeImpl& node, const AttributeImpl& attribute, int index) {
    (void)index;
    DataStore& store = node.store();
    const NodeType& type = node.type();
    for (int i : type.affectedBy(attribute.index)) {
        const AttributeImpl& out = *type.attributes()[i];
        if (store.isFullyDirty(out)) continue;
        store.setDirty(out);
        propagateFromSource(node, out);
    }
    propagateFromSource(node, attribute);
    if (m_dirtyObserver) m_dirtyObserver(node, attribute);
}

void Graph::propagateFromSource(NodeImpl& node, const AttributeImpl& attribute) {
    for (size_t i = 0; i < m_connections.size(); ++i) {
        Connection c = m_connections[i];
        if (c.srcNode.get() != &node || !related(c.srcAttr, &attribute)) continue;
        NodeImpl& dn = *c.dstNode;
        if (!dn.alive()) continue;
        DataStore& ds = dn.store();
        if (ds.isFullyDirty(*c.dstAttr)) continue;
        ds.setDirty(*c.dstAttr);
        markDirtyFrom(dn, *c.dstAttr, c.dstIndex);
    }
}

}  // namespace tarn
