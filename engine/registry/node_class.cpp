#include "engine/registry/node_class.h"

#include <algorithm>
#include <cstdio>

#include "frame/k_plugin.h"
#include "host/dg/graph.h"
#include "host/plugins/plugin_registry.h"
#include "host/sdk/host_output.h"

using tarn::Graph;
using tarn::plugins::PluginImpl;

namespace {

// The registered classes, linked through the classes themselves: the list allocates nothing
// and needs no destructor, so it stays valid while libraries (this one included) are unloaded
// and their classes deregister from static destructors.
TdependNodeMetaClass* g_firstRegistered = nullptr;

// The class whose host type is being registered; its initialiser reads it.
TdependNodeMetaClass* g_registering = nullptr;

// Why the last initialiser failed (the host only learns that it did).
std::string g_initError;

// The host type's initialiser of every engine class: builds the class's attribute set and adds
// it to the type.
KStatus initializeEngineType() {
    TdependNodeMetaClass* nodeClass = g_registering;
    if (!nodeClass) {
        g_initError = "no engine class is being registered";
        return KStatus::kFailure;
    }
    if (TdependNodeVS* vs = nodeClass->attributeSet()) {
        if (!vs->initializeClass() || !vs->addToHostType()) {
            g_initError = vs->error();
            return KStatus::kFailure;
        }
    }
    if (nodeClass->classInit()) nodeClass->classInit()();
    return KStatus::kSuccess;
}

// Takes the newest reason the plug-in record kept for a failed registration, so that the
// engine reports it once, with its own context, instead of the loader repeating it.
std::string takeProblem(const KObject& plugin) {
    PluginImpl* p = PluginImpl::from(plugin);
    if (!p || p->problems.empty()) return {};
    std::string why = p->problems.back();
    p->problems.pop_back();
    return why;
}

}  // namespace

std::string tagText(std::uint32_t tag) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const unsigned char c = static_cast<unsigned char>(tag >> shift);
        if (c >= 0x20 && c < 0x7f) {
            text += char(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            text += hex;
        }
    }
    return text;
}

Tmetaclass::Tmetaclass(const char* name, std::size_t instanceSize, Creator creator,
                       std::uint32_t tag, const Tmetaclass* base)
    : m_name(name ? name : ""),
      m_size(instanceSize),
      m_creator(creator),
      m_tag(tag),
      m_base(base) {}

bool Tmetaclass::isA(const Tmetaclass* other) const {
    for (const Tmetaclass* c = this; c; c = c->m_base)
        if (c == other) return true;
    return false;
}

TdependNodeVS::~TdependNodeVS() = default;

KStatus TdependNodeVS::attributeList(TattributeList&) {
    return KStatus::kSuccess;
}

KStatus TdependNodeVS::dependencies(TdependencyMatrix&) {
    return KStatus::kSuccess;
}

KStatus TdependNodeVS::initializeClass() {
    if (m_initialized) return m_initStatus;
    m_initialized = true;
    m_initStatus = attributeList(m_list);
    if (!m_initStatus) {
        m_error =
            "the attribute list could not be built (a name is taken twice or the base "
            "class's list failed)";
        return m_initStatus;
    }
    m_initStatus = dependencies(m_matrix);
    if (!m_initStatus) {
        m_error = "the attribute dependencies could not be declared";
        return m_initStatus;
    }
    for (const auto& [in, out] : m_matrix.pairs()) {
        if (!m_list.contains(in) || !m_list.contains(out)) {
            m_error = "'" + in->longName() + "' affects '" + out->longName() +
                      "', but one of them is not an attribute of the class";
            return m_initStatus = KStatus::kInvalidParameter;
        }
    }
    for (Tattribute* a : m_list.attributes()) {
        KStatus s;
        a->hostAttribute(&s);
        if (!s) {
            m_error = "attribute '" + a->longName() + "' could not be made";
            return m_initStatus = s;
        }
    }
    return m_initStatus;
}

KStatus TdependNodeVS::addToHostType() {
    if (!m_initialized || !m_initStatus) return KStatus::kFailure;
    for (Tattribute* a : m_list.attributes()) {
        if (KStatus s = KPxNode::addAttribute(a->hostAttribute()); !s) {
            m_error = "attribute '" + a->longName() + "' could not be added";
            return s;
        }
    }
    for (const auto& [in, out] : m_matrix.pairs()) {
        if (KStatus s = KPxNode::attributeAffects(in->hostAttribute(), out->hostAttribute()); !s) {
            m_error = "'" + in->longName() + "' cannot affect '" + out->longName() + "'";
            return s;
        }
    }
    return KStatus::kSuccess;
}

TdependNodeMetaClass::TdependNodeMetaClass(const Tmetaclass& metaclass, VsGetter vs,
                                           const char* typeName, std::uint32_t tag,
                                           ClassHook classInit, ClassHook classCleanup,
                                           int classFlags)
    : m_metaclass(metaclass),
      m_vs(vs),
      m_typeName(typeName ? typeName : ""),
      m_tag(tag),
      m_init(classInit),
      m_cleanup(classCleanup),
      m_flags(classFlags) {}

void TdependNodeMetaClass::unlink(TdependNodeMetaClass* nodeClass) {
    for (TdependNodeMetaClass** link = &g_firstRegistered; *link;
         link = &(*link)->m_nextRegistered) {
        if (*link == nodeClass) {
            *link = nodeClass->m_nextRegistered;
            nodeClass->m_nextRegistered = nullptr;
            return;
        }
    }
}

TdependNodeMetaClass::~TdependNodeMetaClass() {
    if (m_registered) TdependGraph::deregisterNodeType(this);
    unlink(this);
}

void TdependNodeMetaClass::setApiType(KFn::Type type) {
    m_apiType = type;
    if (!m_registered || !Graph::exists()) return;
    if (tarn::NodeType* t = Graph::instance().findType(KTypeId(m_tag)); t && t->name == m_typeName)
        t->apiType = type;
}

KStatus TdependNodeMetaClass::addApiType(const char* name,
                                         std::initializer_list<KFn::Type> parents) {
    KStatus status;
    KFn::Type type = KObjBase::add(name, parents, &status);
    if (!status || !kFnIsA(type, KFn::kDependencyNode)) {
        tarn::output::error("Cannot add the node kind '" + std::string(name ? name : "") +
                            "' of node type '" + m_typeName +
                            "': its name or parents are refused by the kind table, or it is "
                            "no kind of node");
        return KStatus::kInvalidParameter;
    }
    setApiType(type);
    return KStatus::kSuccess;
}

KStatus TdependGraph::registerNodeType(TdependNodeMetaClass* nodeClass) {
    return registerNodeType(nodeClass, KFnPlugin::currentPlugin());
}

KStatus TdependGraph::registerNodeType(TdependNodeMetaClass* nodeClass, const KObject& plugin) {
    if (!nodeClass) return KStatus::kInvalidParameter;
    if (nodeClass->m_registered) return KStatus::kSuccess;
    KStatus status;
    std::string why;
    g_registering = nodeClass;
    g_initError.clear();
    if (!plugin.isNull()) {
        KFnPlugin fn(plugin);
        status = fn.registerNode(nodeClass->typeName().c_str(), KTypeId(nodeClass->tag()),
                                 nodeClass->metaclass().creator(), &initializeEngineType,
                                 KPxNode::kDependNode, nullptr, nodeClass->apiType());
        if (!status) why = takeProblem(plugin);
    } else {
        tarn::NodeTypeSpec type;
        type.name = nodeClass->typeName();
        type.id = KTypeId(nodeClass->tag());
        type.creator = nodeClass->metaclass().creator();
        type.initializer = &initializeEngineType;
        type.apiType = nodeClass->apiType();
        status = Graph::instance().registerType(type, &why);
    }
    g_registering = nullptr;
    if (!g_initError.empty()) why += (why.empty() ? "" : ": ") + g_initError;
    if (!status) {
        tarn::output::error("Cannot register node type '" + nodeClass->typeName() + "' (tag " +
                            tagText(nodeClass->tag()) + ")" + (why.empty() ? "" : ": " + why));
        return status;
    }
    nodeClass->m_registered = true;
    nodeClass->m_nextRegistered = g_firstRegistered;
    g_firstRegistered = nodeClass;
    return KStatus::kSuccess;
}

KStatus TdependGraph::deregisterNodeType(TdependNodeMetaClass* nodeClass) {
    if (!nodeClass || !nodeClass->m_registered) return KStatus::kSuccess;
    auto done = [&] {
        nodeClass->m_registered = false;
        TdependNodeMetaClass::unlink(nodeClass);
        if (nodeClass->classCleanup()) nodeClass->classCleanup()();
        return KStatus(KStatus::kSuccess);
    };
    if (!Graph::exists()) return done();
    tarn::NodeType* type = Graph::instance().findType(KTypeId(nodeClass->tag()));
    // Already taken back by the host (its library was unloaded or failed to load).
    if (!type || type->name != nodeClass->typeName()) return done();
    KStatus status;
    std::string why;
    if (auto* owner = static_cast<PluginImpl*>(type->owner)) {
        const KObject plugin(owner->shared_from_this());
        status = KFnPlugin(plugin).deregisterNode(KTypeId(nodeClass->tag()));
        if (!status) why = takeProblem(plugin);
    } else {
        status = Graph::instance().deregisterType(KTypeId(nodeClass->tag()), &why);
    }
    if (!status) {
        tarn::output::error("Cannot deregister node type '" + nodeClass->typeName() + "'" +
                            (why.empty() ? "" : ": " + why));
        return status;
    }
    return done();
}

TdependNodeMetaClass* TdependGraph::findNodeType(std::uint32_t tag) {
    for (TdependNodeMetaClass* c = g_firstRegistered; c; c = c->m_nextRegistered)
        if (c->tag() == tag) return c;
    return nullptr;
}
