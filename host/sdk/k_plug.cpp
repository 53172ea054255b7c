#include "frame/k_plug.h"

#include <cmath>

#include "frame/k_data.h"
#include "host/dg/graph.h"

using tarn::AttributeImpl;
using tarn::Graph;
using tarn::NodeImpl;

namespace {

KObject handleOf(const AttributeImpl* a) {
    return a ? KObject(std::const_pointer_cast<AttributeImpl>(a->shared_from_this())) : KObject();
}

// The plug's attribute when its node is alive and owns it.
const AttributeImpl* live(const KPlug& plug, NodeImpl** node = nullptr) {
    NodeImpl* n = NodeImpl::from(plug.node());
    const AttributeImpl* a = AttributeImpl::from(plug.attribute());
    if (!n || !n->alive() || !a || a->owner != &n->type()) return nullptr;
    if (node) *node = n;
    return a;
}

template <typename T, typename Read>
KStatus readValue(const KPlug& plug, T& value, Read read) {
    KStatus status;
    KDataHandle h = Graph::instance().readHandle(plug, &status);
    if (h.isNull()) return status ? KStatus(KStatus::kInvalidParameter) : status;
    value = read(h);
    return status;
}

template <typename Write>
KStatus writeValue(const KPlug& plug, Write write) {
    std::string why;
    if (!Graph::instance().canWrite(plug, &why)) return KStatus::kFailure;
    KStatus status;
    KDataHandle h = Graph::instance().writeHandle(plug, &status);
    if (h.isNull()) return KStatus::kInvalidParameter;
    if (!write(h)) return KStatus::kInvalidParameter;
    Graph::instance().valueChanged(plug);
    return KStatus::kSuccess;
}

bool isNumber(const KDataHandle& h) {
    auto k = h.kind();
    return k == tarn::CellKind::kBool || k == tarn::CellKind::kInt || k == tarn::CellKind::kFloat ||
           k == tarn::CellKind::kDouble || (k == tarn::CellKind::kCompound && h.width() > 0);
}

}  // namespace

KPlug::KPlug(const KObject& node, const KObject& attribute) {
    NodeImpl* n = NodeImpl::from(node);
    const AttributeImpl* a = AttributeImpl::from(attribute);
    if (!n || !a || a->owner != &n->type()) return;
    m_node = node;
    m_attribute = attribute;
}

bool KPlug::isNull(KStatus* status) const {
    kSetStatus(status, KStatus::kSuccess);
    return live(*this) == nullptr;
}

KString KPlug::name(KStatus* status) const {
    kSetStatus(status, KStatus::kSuccess);
    return KString(Graph::instance().plugName(*this, true, true));
}

KString KPlug::partialName(bool includeNodeName, bool useLongNames, KStatus* status) const {
    kSetStatus(status, KStatus::kSuccess);
    return KString(Graph::instance().plugName(*this, useLongNames, includeNodeName));
}

bool KPlug::isArray(KStatus* status) const {
    const AttributeImpl* a = live(*this);
    kSetStatus(status, a ? KStatus::kSuccess : KStatus::kInvalidParameter);
    return a && a->array && m_index < 0;
}

bool KPlug::isElement(KStatus* status) const {
    const AttributeImpl* a = live(*this);
    kSetStatus(status, a ? KStatus::kSuccess : KStatus::kInvalidParameter);
    return a && a->array && m_index >= 0;
}

bool KPlug::isCompound(KStatus* status) const {
    const AttributeImpl* a = live(*this);
    kSetStatus(status, a ? KStatus::kSuccess : KStatus::kInvalidParameter);
    return a && a->isCompound();
}

bool KPlug::isChild(KStatus* status) const {
    const AttributeImpl* a = live(*this);
    kSetStatus(status, a ? KStatus::kSuccess : KStatus::kInvalidParameter);
    return a && a->parent;
}

unsigned KPlug::numChildren(KStatus* status) const {
    const AttributeImpl* a = live(*this);
    kSetStatus(status, a ? KStatus::kSuccess : KStatus::kInvalidParameter);
    return a ? static_cast<unsigned>(a->children.size()) : 0;
}

KPlug KPlug::child(unsigned index, KStatus* status) const {
    const AttributeImpl* a = live(*this);
    if (!a || index >= a->children.size() || (a->array && m_index < 0)) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return {};
    }
    kSetStatus(status, KStatus::kSuccess);
    return KPlug(m_node, handleOf(a->children[index].get()), m_index);
}

KPlug KPlug::child(const KObject& attribute, KStatus* status) const {
    const AttributeImpl* a = live(*this);
    const AttributeImpl* c = AttributeImpl::from(attribute);
    if (!a || !c || c == a || !a->contains(c) || (a->array && m_index < 0)) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return {};
    }
    kSetStatus(status, KStatus::kSuccess);
    return KPlug(m_node, attribute, m_index);
}

KPlug KPlug::parent(KStatus* status) const {
    const AttributeImpl* a = live(*this);
    if (!a || !a->parent) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return {};
    }
    kSetStatus(status, KStatus::kSuccess);
    return KPlug(m_node, handleOf(a->parent), a->parent->arrayRoot ? m_index : -1);
}

KPlug KPlug::array(KStatus* status) const {
    const AttributeImpl* a = live(*this);
    if (!a || !a->arrayRoot) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return {};
    }
    kSetStatus(status, KStatus::kSuccess);
    return KPlug(m_node, handleOf(a->arrayRoot), -1);
}

KPlug KPlug::elementByLogicalIndex(unsigned logicalIndex, KStatus* status) const {
    const AttributeImpl* a = live(*this);
    if (!a || !a->array || logicalIndex > 0x7fffffffu) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return {};
    }
    kSetStatus(status, KStatus::kSuccess);
    return KPlug(m_node, m_attribute, static_cast<int>(logicalIndex));
}

KPlug KPlug::elementByPhysicalIndex(unsigned physicalIndex, KStatus* status) const {
    std::vector<unsigned> indices = Graph::instance().elementIndices(*this);
    if (physicalIndex >= indices.size()) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return {};
    }
    return elementByLogicalIndex(indices[physicalIndex], status);
}

int KPlug::logicalIndex(KStatus* status) const {
    kSetStatus(status, m_index >= 0 ? KStatus::kSuccess : KStatus::kFailure);
    return m_index;
}

unsigned KPlug::numElements(KStatus* status) const {
    const AttributeImpl* a = live(*this);
    kSetStatus(status, a && a->array ? KStatus::kSuccess : KStatus::kInvalidParameter);
    return static_cast<unsigned>(Graph::instance().elementIndices(*this).size());
}

unsigned KPlug::getExistingArrayAttributeIndices(KIntArray& indices, KStatus* status) const {
    indices.clear();
    const AttributeImpl* a = live(*this);
    kSetStatus(status, a && a->array ? KStatus::kSuccess : KStatus::kInvalidParameter);
    for (unsigned i : Graph::instance().elementIndices(*this)) indices.append(static_cast<int>(i));
    return indices.length();
}

bool KPlug::isConnected(KStatus* status) const {
    kSetStatus(status, KStatus::kSuccess);
    return !Graph::instance().connectionsOf(*this, true, true).empty();
}

bool KPlug::isSource(KStatus* status) const {
    kSetStatus(status, KStatus::kSuccess);
    return !Graph::instance().connectionsOf(*this, false, true).empty();
}

bool KPlug::isDestination(KStatus* status) const {
    kSetStatus(status, KStatus::kSuccess);
    return !Graph::instance().connectionsOf(*this, true, false).empty();
}

bool KPlug::connectedTo(KPlugArray& plugs, bool asDestination, bool asSource, KStatus* status) const {
    plugs.clear();
    NodeImpl* self = NodeImpl::from(m_node);
    for (const tarn::Connection& c : Graph::instance().connectionsOf(*this, asDestination, asSource)) {
        if (c.dstNode.get() == self && asDestination)
            plugs.append(KPlug(KObject(c.srcNode), handleOf(c.srcAttr), c.srcIndex));
        else
            plugs.append(KPlug(KObject(c.dstNode), handleOf(c.dstAttr), c.dstIndex));
    }
    kSetStatus(status, KStatus::kSuccess);
    return plugs.length() > 0;
}

bool KPlug::isLocked(KStatus* status) const {
    NodeImpl* n = nullptr;
    const AttributeImpl* a = live(*this, &n);
    kSetStatus(status, a ? KStatus::kSuccess : KStatus::kInvalidParameter);
    if (!a) return false;
    for (const AttributeImpl* x = a; x; x = x->parent)
        if (n->isLocked(*x, x->arrayRoot ? m_index : -1)) return true;
    return false;
}

KStatus KPlug::setLocked(bool locked) {
    NodeImpl* n = nullptr;
    const AttributeImpl* a = live(*this, &n);
    if (!a) return KStatus::kInvalidParameter;
    n->setLocked(*a, a->arrayRoot ? m_index : -1, locked);
    return KStatus::kSuccess;
}

bool KPlug::isKeyable(KStatus* status) const {
    const AttributeImpl* a = live(*this);
    kSetStatus(status, a ? KStatus::kSuccess : KStatus::kInvalidParameter);
    return a && a->keyable;
}

KStatus KPlug::getValue(bool& value) const { return readValue(*this, value, [](const KDataHandle& h) { return h.asBool(); }); }
KStatus KPlug::getValue(int& value) const { return readValue(*this, value, [](const KDataHandle& h) { return h.asInt(); }); }
KStatus KPlug::getValue(short& value) const { return readValue(*this, value, [](const KDataHandle& h) { return h.asShort(); }); }
KStatus KPlug::getValue(float& value) const { return readValue(*this, value, [](const KDataHandle& h) { return h.asFloat(); }); }
KStatus KPlug::getValue(double& value) const { return readValue(*this, value, [](const KDataHandle& h) { return h.asDouble(); }); }
KStatus KPlug::getValue(KString& value) const {
    return readValue(*this, value, [](const KDataHandle& h) { return h.asString(); });
}
KStatus KPlug::getValue(KObject& data) const { return readValue(*this, data, [](const KDataHandle& h) { return h.data(); }); }
KStatus KPlug::getValue(KMatrix& value) const {
    return readValue(*this, value, [](const KDataHandle& h) { return h.asMatrix(); });
}

bool KPlug::asBool(KStatus* status) const { bool v = false; kSetStatus(status, getValue(v)); return v; }
int KPlug::asInt(KStatus* status) const { int v = 0; kSetStatus(status, getValue(v)); return v; }
short KPlug::asShort(KStatus* status) const { short v = 0; kSetStatus(status, getValue(v)); return v; }
float KPlug::asFloat(KStatus* status) const { float v = 0; kSetStatus(status, getValue(v)); return v; }
double KPlug::asDouble(KStatus* status) const { double v = 0; kSetStatus(status, getValue(v)); return v; }
KString KPlug::asString(KStatus* status) const { KString v; kSetStatus(status, getValue(v)); return v; }
KObject KPlug::asKObject(KStatus* status) const { KObject v; kSetStatus(status, getValue(v)); return v; }

KStatus KPlug::setValue(bool value) { return setValue(value ? 1.0 : 0.0); }
KStatus KPlug::setValue(int value) { return setValue(static_cast<double>(value)); }
KStatus KPlug::setValue(short value) { return setValue(static_cast<double>(value)); }
KStatus KPlug::setValue(float value) { return setValue(static_cast<double>(value)); }
KStatus KPlug::setValue(double value) {
    return writeValue(*this, [&](KDataHandle& h) {
        if (!isNumber(h) || h.kind() == tarn::CellKind::kCompound) return false;
        // A finite number the attribute would hold as infinity (1e39 in a float) is refused; an
        // infinity or NaN given on purpose is stored as given.
        if (std::isfinite(value) && !tarn::cellHoldsFinite(h.kind(), value)) return false;
        // Nor is a number an int attribute would saturate.
        if (std::isfinite(value) && !tarn::cellHoldsInRange(h.kind(), value)) return false;
        h.set(value);
        return true;
    });
}
KStatus KPlug::setValue(const KString& value) {
    return writeValue(*this, [&](KDataHandle& h) {
        if (h.kind() != tarn::CellKind::kString) return false;
        h.set(value);
        return true;
    });
}
KStatus KPlug::setValue(const KObject& data) {
    return writeValue(*this, [&](KDataHandle& h) { return static_cast<bool>(h.setKObject(data)); });
}
KStatus KPlug::setValue(const KMatrix& value) {
    return writeValue(*this, [&](KDataHandle& h) {
        if (h.kind() != tarn::CellKind::kMatrix && h.kind() != tarn::CellKind::kFloatMatrix) return false;
        h.set(value);
        return true;
    });
}
