#pragma once
/// The construction-history node bases of the engine's mesh operations.
///
/// - TattributeMesh: a mesh-typed attribute (mesh data through the graph).
/// - TdnVSTdnpolyBase / TdnpolyBase: every poly node; its output mesh attribute is `sVsData`
///   ("outMesh"/"om"), marked as written by compute. Each attribute set holds its own
///   attribute objects, so that no host attribute is shared between node types.
/// - TdnVSTdnMidModifier / TdnMidModifier: a modifier, mesh in ("inMesh"/"im") and mesh out,
///   acting on the object group named by "groupId"/"gid" (-1: the whole mesh). Its compute
///   reads the input into a TmidBody, makes the group the body's active group, calls the
///   class's `action` hook and puts the body's mesh on the output. A failing action leaves the
///   output equal to the input and reports why as a host error.
/// - TdnVSTdnpolyCreator / TdnpolyCreator: a creator (mesh out only); `action` builds the mesh
///   into an empty body.
///
/// Subclasses' attribute sets derive from the base's set and call its hooks first. Main thread
/// only (compute runs under the node's critical section).

#include <string>

#include "engine/geometry/mid_body.h"
#include "engine/registry/depend_node.h"
#include "frame/k_data.h"

class TattributeMesh : public Tattribute {
public:
    /// `input`: writable and not readable by connections out (an inMesh); else an output.
    TattributeMesh(const char* longName, const char* shortName, bool input)
        : Tattribute(longName, shortName), m_input(input) {}

protected:
    KObject createHost(KStatus* status) override;

private:
    bool m_input;
};

class TdnVSTdnpolyBase : public TdependNodeVS {
public:
    /// The output mesh of every poly node.
    TattributeMesh sVsData{"outMesh", "om", false};

protected:
    KStatus attributeList(TattributeList& list) override;
    KStatus dependencies(TdependencyMatrix& matrix) override;
};

class TdnVSTdnMidModifier : public TdnVSTdnpolyBase {
public:
    TattributeMesh inMesh{"inMesh", "im", true};
    TattributeInt32 groupId{"groupId", "gid", -1};

protected:
    KStatus attributeList(TattributeList& list) override;
    KStatus dependencies(TdependencyMatrix& matrix) override;
};

class TdnVSTdnpolyCreator : public TdnVSTdnpolyBase {};

class TdnpolyBase : public TdependNode {
public:
    explicit TdnpolyBase(const TdependNodeMetaClass& nodeClass) : TdependNode(nodeClass) {}
    static const Tmetaclass& metaclass();
    /// The class's attribute set as a poly node's (null when the class has another kind).
    TdnVSTdnpolyBase* polyAttributes() const;

protected:
    /// Reports a failed evaluation once per distinct message, as a host error naming the node.
    void reportFailure(const std::string& message);

private:
    std::string m_lastFailure;
};

class TdnMidModifier : public TdnpolyBase {
public:
    explicit TdnMidModifier(const TdependNodeMetaClass& nodeClass) : TdnpolyBase(nodeClass) {}
    static const Tmetaclass& metaclass();

protected:
    KStatus computeNode(const KPlug& plug, KDataBlock& block) override;
    /// Modifies `body` (its active group is the node's group, if any). 0 on success; on
    /// failure the output is the input and failureMessage() is reported.
    virtual int action(TmidBody* body, KDataBlock& block) = 0;
    /// Runs `factory` on the body with no component and keeps its message for the report.
    int runFactory(TmidModifierFty& factory, TmidBody* body);

private:
    std::string m_message;
};

class TdnpolyCreator : public TdnpolyBase {
public:
    explicit TdnpolyCreator(const TdependNodeMetaClass& nodeClass) : TdnpolyBase(nodeClass) {}
    static const Tmetaclass& metaclass();

protected:
    KStatus computeNode(const KPlug& plug, KDataBlock& block) override;
    /// Builds the mesh into the empty `body`; 0 on success (`*message` says why otherwise).
    virtual int action(TmidBody* body, KDataBlock& block, std::string* message) = 0;
};
