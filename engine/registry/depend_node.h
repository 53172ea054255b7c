#pragma once
/// The base of every engine node class: a host plug-in node (KPxNode) that knows its class.
/// Once the host has attached and named it, it makes its own recursive critical section, named
/// after the node and counted against the engine's node-lock counter; compute runs under that
/// section and hands over to `computeNode`, the hook node classes (and the history-node bases
/// built on this one) override. The section goes with the node.

#include <memory>

#include "engine/registry/node_class.h"
#include "engine/registry/recursive_cs.h"
#include "frame/k_node.h"

class TdependNode : public KPxNode {
public:
    explicit TdependNode(const TdependNodeMetaClass& nodeClass);
    ~TdependNode() override;

    /// Makes the node's critical section (the host has named the node by now).
    void postConstructor() override;
    /// Takes the node's critical section and calls computeNode.
    KStatus compute(const KPlug& plug, KDataBlock& dataBlock) final;

    const TdependNodeMetaClass& nodeClass() const { return m_class; }
    /// The kind the node reports (its class's).
    KFn::Type apiType() const { return m_class.apiType(); }
    const char* apiTypeStr() const { return KObjBase::name(apiType()); }
    /// The node's critical section; null before the host has named the node.
    TmtRecursiveCS* criticalSection() const { return m_cs.get(); }

    /// The engine's root node class.
    static const Tmetaclass& rootMetaclass();

protected:
    /// Computes `plug`; answers kUnknownParameter (5) for plugs the class does not serve,
    /// which is what the base answers.
    virtual KStatus computeNode(const KPlug& plug, KDataBlock& dataBlock);

private:
    const TdependNodeMetaClass& m_class;
    std::unique_ptr<TmtRecursiveCS> m_cs;
};
