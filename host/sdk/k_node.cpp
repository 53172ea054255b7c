#include "frame/k_node.h"

#include <atomic>

#include "host/dg/graph.h"
#include "host/dg/live_nodes.h"
#include "host/dg/node_impl.h"

namespace {
std::atomic<long> g_liveUserNodes{0};
}  // namespace

KPxNode::KPxNode() {
    g_liveUserNodes.fetch_add(1, std::memory_order_relaxed);
}
KPxNode::~KPxNode() {
    g_liveUserNodes.fetch_sub(1, std::memory_order_relaxed);
}

long tarn::liveUserNodeCount() {
    return g_liveUserNodes.load(std::memory_order_relaxed);
}

void KPxNode::postConstructor() {}

KStatus KPxNode::compute(const KPlug&, KDataBlock&) { return KStatus::kUnknownParameter; }

bool KPxNode::getInternalValue(const KPlug&, KDataHandle&) { return false; }
bool KPxNode::setInternalValue(const KPlug&, const KDataHandle&) { return false; }

KStatus KPxNode::legalConnection(const KPlug&, const KPlug&, bool, bool& isLegal) const {
    isLegal = true;
    return KStatus::kUnknownParameter;
}

KStatus KPxNode::setDependentsDirty(const KPlug&, KPlugArray&) { return KStatus::kSuccess; }
KStatus KPxNode::connectionMade(const KPlug&, const KPlug&, bool) { return KStatus::kUnknownParameter; }
KStatus KPxNode::connectionBroken(const KPlug&, const KPlug&, bool) { return KStatus::kUnknownParameter; }

bool KPxNode::shouldSave(const KPlug&, bool& isSaving) {
    isSaving = true;
    return false;
}

KPlug KPxNode::passThroughToOne(const KPlug&) const { return {}; }
KPxNode::Type KPxNode::type() const { return kDependNode; }
bool KPxNode::isAbstractClass() const { return false; }

KObject KPxNode::thisKObject() const {
    if (!m_node) return {};
    return KObject(m_node->shared_from_this());
}

KString KPxNode::name() const { return m_node ? KString(m_node->name()) : KString(); }
KTypeId KPxNode::typeId() const { return m_node ? m_node->type().id : KTypeId(); }
KString KPxNode::typeName() const { return m_node ? KString(m_node->type().name) : KString(); }

void KPxNode::setMPSafe(bool state) { m_mpSafe = state; }
bool KPxNode::isMPSafe() const { return m_mpSafe; }
void KPxNode::setExistWithoutInConnections(bool state) { m_existWithoutIn = state; }
bool KPxNode::existWithoutInConnections() const { return m_existWithoutIn; }
void KPxNode::setExistWithoutOutConnections(bool state) { m_existWithoutOut = state; }
bool KPxNode::existWithoutOutConnections() const { return m_existWithoutOut; }

KStatus KPxNode::addAttribute(const KObject& attribute) {
    tarn::NodeType* type = tarn::Graph::instance().initializingType();
    if (!type) return KStatus::kInvalidParameter;
    std::string ignored;
    return type->addAttribute(attribute, &ignored);
}

KStatus KPxNode::attributeAffects(const KObject& whenChanges, const KObject& isAffected) {
    tarn::NodeType* type = tarn::Graph::instance().initializingType();
    if (!type) return KStatus::kInvalidParameter;
    std::string ignored;
    return type->addAffects(whenChanges, isAffected, &ignored);
}
