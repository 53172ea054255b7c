#pragma once
/// Small rules shared by the graph's plug and connection code: which attribute a plug names,
/// and when two plugs touch the same data. Internal to the dependency graph.

#include "host/dg/attribute_impl.h"
#include "host/dg/node_impl.h"

namespace tarn::graph_rules {

// The attribute of a plug when the plug names a live node having it; null otherwise.
inline const AttributeImpl* plugAttribute(const KPlug& plug, NodeImpl** node) {
    NodeImpl* n = NodeImpl::from(plug.node());
    const AttributeImpl* a = AttributeImpl::from(plug.attribute());
    if (!n || !n->alive() || !a || a->owner != &n->type()) return nullptr;
    if (node) *node = n;
    return a;
}

inline bool related(const AttributeImpl* a, const AttributeImpl* b) {
    return a->contains(b) || b->contains(a);
}

// Element indices of two plugs refer to the same data when either names no element.
inline bool sameElement(int a, int b) {
    return a < 0 || b < 0 || a == b;
}

}  // namespace tarn::graph_rules
