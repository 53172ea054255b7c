#pragma once
/// Node classes of the engine and their registration as host node types.
///
/// - Tmetaclass: a class's identity (name, instance size, creator, four-character type tag)
///   and its base class's metaclass, for "is a kind of" questions inside the engine.
/// - TdependNodeVS: a class's attribute set; `initializeClass` builds the attribute list and
///   the dependencies once (through two hooks that call the base class's first), and the host
///   type's initialiser adds them.
/// - TdependNodeMetaClass: what a dependency-node class registers: its metaclass, attribute
///   set, type name and tag, class hooks, and the node kind its nodes report (KFn).
/// - TdependGraph: registers a node class as a host node type (no second graph: the host's
///   graph creates, evaluates and deletes the nodes). Registration made while a plug-in library
///   is loaded belongs to that library (KFnPlugin::currentPlugin) and is taken back with it.
///
/// Main thread only.

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/registry/attribute.h"
#include "frame/k_node.h"
#include "frame/k_object.h"
#include "frame/k_status.h"

class Tmetaclass {
public:
    /// Makes a new instance of the class (a TdependNode subclass for node classes).
    using Creator = void* (*)();

    Tmetaclass(const char* name, std::size_t instanceSize, Creator creator, std::uint32_t tag,
               const Tmetaclass* base);
    const std::string& name() const { return m_name; }
    std::size_t instanceSize() const { return m_size; }
    Creator creator() const { return m_creator; }
    std::uint32_t tag() const { return m_tag; }
    const Tmetaclass* base() const { return m_base; }
    /// True when this class is `other` or derives from it.
    bool isA(const Tmetaclass* other) const;

private:
    std::string m_name;
    std::size_t m_size;
    Creator m_creator;
    std::uint32_t m_tag;
    const Tmetaclass* m_base;
};

/// A node class's attribute set. Subclasses override the two hooks, calling the base class's
/// hook first and failing when it fails.
class TdependNodeVS {
public:
    virtual ~TdependNodeVS();

    /// Builds the attribute list and dependencies (once; later calls answer the first result)
    /// and makes the host attributes, outputs marked by setComputeModifies.
    KStatus initializeClass();
    bool initialized() const { return m_initialized; }
    /// During a host type's initialiser: adds the attributes and their dependencies.
    KStatus addToHostType();

    const TattributeList& attributes() const { return m_list; }
    const TdependencyMatrix& dependencies() const { return m_matrix; }
    /// Why initializeClass or addToHostType failed.
    const std::string& error() const { return m_error; }

protected:
    /// Adds the class's attributes (after its base class's).
    virtual KStatus attributeList(TattributeList& list);
    /// Declares which attribute affects which (after its base class's).
    virtual KStatus dependencies(TdependencyMatrix& matrix);

private:
    TattributeList m_list;
    TdependencyMatrix m_matrix;
    bool m_initialized = false;
    KStatus m_initStatus;
    std::string m_error;
};

class TdependNodeMetaClass {
public:
    using VsGetter = TdependNodeVS* (*)();
    using ClassHook = void (*)();

    /// `vs` answers the class's attribute set (creating it on first use); `classInit` runs
    /// when the host type is registered, `classCleanup` when it is deregistered (either may be
    /// null). `classFlags` is kept for the class (the engine interprets no bit of it yet).
    TdependNodeMetaClass(const Tmetaclass& metaclass, VsGetter vs, const char* typeName,
                         std::uint32_t tag, ClassHook classInit, ClassHook classCleanup,
                         int classFlags);
    /// Deregisters the class when it is still registered (a library's static destructors).
    ~TdependNodeMetaClass();
    TdependNodeMetaClass(const TdependNodeMetaClass&) = delete;
    TdependNodeMetaClass& operator=(const TdependNodeMetaClass&) = delete;

    const Tmetaclass& metaclass() const { return m_metaclass; }
    TdependNodeVS* attributeSet() const { return m_vs ? m_vs() : nullptr; }
    const std::string& typeName() const { return m_typeName; }
    std::uint32_t tag() const { return m_tag; }
    int classFlags() const { return m_flags; }
    ClassHook classInit() const { return m_init; }
    ClassHook classCleanup() const { return m_cleanup; }

    /// The kind the class's nodes report (KFn::kPluginNode unless set). Setting it on a
    /// registered class changes what nodes made from then on report.
    KFn::Type apiType() const { return m_apiType; }
    void setApiType(KFn::Type type);
    /// Adds the kind `name` with its parents to the SDK's table (KObjBase::add) and makes it
    /// the class's kind; kInvalidParameter (reported) when the table refuses it.
    KStatus addApiType(const char* name, std::initializer_list<KFn::Type> parents);

    /// True while the class is registered with the host.
    bool registered() const { return m_registered; }

private:
    friend class TdependGraph;
    /// Takes the class out of the engine's list of registered classes.
    static void unlink(TdependNodeMetaClass* nodeClass);
    const Tmetaclass& m_metaclass;
    VsGetter m_vs;
    std::string m_typeName;
    std::uint32_t m_tag;
    ClassHook m_init;
    ClassHook m_cleanup;
    int m_flags;
    KFn::Type m_apiType = KFn::kPluginNode;
    bool m_registered = false;
    TdependNodeMetaClass* m_nextRegistered = nullptr;  ///< the engine's list of registered classes
};

class TdependGraph {
public:
    /// Registers the class as a host node type, owned by the plug-in whose code is running
    /// (or by the host). A failure is reported as a host error naming the type and the reason.
    static KStatus registerNodeType(TdependNodeMetaClass* nodeClass);
    /// The same, owned by `plugin` (a plug-in object; the host when null).
    static KStatus registerNodeType(TdependNodeMetaClass* nodeClass, const KObject& plugin);
    /// Takes the type back. A class that is not registered, or whose type the host already
    /// dropped (its library unloaded), answers success: deregistering twice is harmless.
    /// kFailure (reported) while nodes of the type exist.
    static KStatus deregisterNodeType(TdependNodeMetaClass* nodeClass);
    /// The registered class with this tag, or null.
    static TdependNodeMetaClass* findNodeType(std::uint32_t tag);
};

/// "PDUA"-style text of a four-character tag (bytes outside printable ASCII in hex).
std::string tagText(std::uint32_t tag);
