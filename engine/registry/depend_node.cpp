#include "engine/registry/depend_node.h"

TdependNode::TdependNode(const TdependNodeMetaClass& nodeClass) : m_class(nodeClass) {}

TdependNode::~TdependNode() = default;

void TdependNode::postConstructor() {
    if (!m_cs) m_cs = std::make_unique<TmtRecursiveCS>("|" + name().str(), true);
}

KStatus TdependNode::compute(const KPlug& plug, KDataBlock& dataBlock) {
    if (!m_cs) return computeNode(plug, dataBlock);
    TmtLock lock(*m_cs);
    return computeNode(plug, dataBlock);
}

KStatus TdependNode::computeNode(const KPlug&, KDataBlock&) {
    return KStatus::kUnknownParameter;  // 5: not a plug of this class
}

const Tmetaclass& TdependNode::rootMetaclass() {
    static const Tmetaclass root("dependNode", sizeof(TdependNode), nullptr, 0, nullptr);
    return root;
}
