#pragma once
/// Plug-in node types. A node class derives from KPxNode, keeps its attribute handles in
/// statics, and is registered with a creator (returns `new MyNode`) and an initialiser (creates
/// the attributes and calls `addAttribute` / `attributeAffects`). The host owns the instances.

#include <cstdint>

#include "frame/k_data.h"
#include "frame/k_object.h"
#include "frame/k_plug.h"
#include "frame/k_status.h"
#include "frame/k_string.h"

namespace tarn {
class NodeImpl;
}

/// A node type's 32-bit id.
class KTypeId {
public:
    constexpr KTypeId() = default;
    constexpr KTypeId(unsigned int id) : m_id(id) {}
    constexpr unsigned int id() const { return m_id; }
    constexpr bool operator==(const KTypeId& o) const { return m_id == o.m_id; }
    constexpr bool operator!=(const KTypeId& o) const { return m_id != o.m_id; }

private:
    unsigned int m_id = 0;
};

/// Creates a new instance of a registered class (node, command, context, translator).
using KCreatorFunction = void* (*)();
/// A node type's attribute set-up; runs once during registration.
using KInitializeFunction = KStatus (*)();

class KPxNode {
public:
    enum Type {
        kDependNode = 0,
        kLocatorNode,
        kDeformerNode,
        kManipContainer,
        kSurfaceShape,
        kFieldNode,
        kEmitterNode,
        kSpringNode,
        kIkSolverNode,
        kHardwareShader,
        kHwShaderNode,
        kTransformNode,
        kObjectSet,
        kFluidEmitterNode,
        kImagePlaneNode,
        kParticleAttributeMapperNode,
        kCameraSetNode,
        kConstraintNode,
        kManipulatorNode,
        kMotionPathNode,
        kClientDeviceNode,
        kThreadedDeviceNode,
        kLast
    };

    KPxNode();
    virtual ~KPxNode();
    /// Called once after the host has attached the instance (name, data) and before any compute.
    virtual void postConstructor();
    /// Computes `plug` from the block's inputs. Answer kUnknownParameter (5) for plugs the node
    /// does not serve; the host then keeps the stored value. The base answers 5.
    virtual KStatus compute(const KPlug& plug, KDataBlock& dataBlock);
    /// Internal values: the base answers false (the host stores the value).
    virtual bool getInternalValue(const KPlug& plug, KDataHandle& handle);
    virtual bool setInternalValue(const KPlug& plug, const KDataHandle& handle);
    /// Connection vetting: kUnknownParameter lets the host decide (the base answer).
    virtual KStatus legalConnection(const KPlug& plug, const KPlug& otherPlug, bool asSrc,
                                    bool& isLegal) const;
    virtual KStatus setDependentsDirty(const KPlug& plugBeingDirtied, KPlugArray& affectedPlugs);
    virtual KStatus connectionMade(const KPlug& plug, const KPlug& otherPlug, bool asSrc);
    virtual KStatus connectionBroken(const KPlug& plug, const KPlug& otherPlug, bool asSrc);
    virtual bool shouldSave(const KPlug& plug, bool& isSaving);
    virtual KPlug passThroughToOne(const KPlug& plug) const;
    virtual Type type() const;
    virtual bool isAbstractClass() const;

    /// The host object of this node (null until the host attaches it).
    KObject thisKObject() const;
    KString name() const;
    KTypeId typeId() const;
    KString typeName() const;

    /// Declares compute free of shared mutable state, so it may run on many threads at once.
    void setMPSafe(bool state);
    bool isMPSafe() const;
    void setExistWithoutInConnections(bool state);
    bool existWithoutInConnections() const;
    void setExistWithoutOutConnections(bool state);
    bool existWithoutOutConnections() const;

    /// During a type's initialiser: adds an attribute (a compound brings its children; a child
    /// brings its whole compound; adding what is already added succeeds and changes nothing).
    /// kInvalidParameter outside an initialiser, for a non-attribute, for a duplicate name.
    static KStatus addAttribute(const KObject& attribute);
    /// During a type's initialiser: a change of `whenChanges` makes `isAffected` dirty.
    static KStatus attributeAffects(const KObject& whenChanges, const KObject& isAffected);

    /// Host use.
    tarn::NodeImpl* nodeImpl() const { return m_node; }
    void attachNodeImpl(tarn::NodeImpl* node) { m_node = node; }

private:
    KPxNode(const KPxNode&) = delete;
    KPxNode& operator=(const KPxNode&) = delete;

    tarn::NodeImpl* m_node = nullptr;
    bool m_mpSafe = false;
    bool m_existWithoutIn = true;
    bool m_existWithoutOut = true;
};
