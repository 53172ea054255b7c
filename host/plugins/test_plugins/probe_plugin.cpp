// Probe plug-ins for the loader tests: one source, one variant per library (PROBE_VARIANT).
// Each variant exercises one registration sequence or one way of being a bad library.

#include <cmath>
#include <stdexcept>

#include "frame/host_sdk.h"
#include "frame/plugin_entry.h"

#define V_NODE 1
#define V_NODE_TWO_BLANKS 2
#define V_NODE_DUP 3
#define V_TRANSLATOR 4
#define V_CONTEXT 5
#define V_CONTEXT_DUP 6
#define V_CONTEXT_BAD_UNLOAD 7
#define V_COMMAND 8
#define V_NODE_COMMAND 9
#define V_NODE_COMMAND_DUP 10
#define V_DECORATED 11
#define V_THROWS 12
#define V_OLD_API 13
#define V_NO_EXPORTS 14
#define V_STATIC 15
#define V_STATIC_OLD_API 16

namespace {

// A shading-like node: out = (sin(u * 12.9898) * 43758.5453 fractional part) * gain, with a
// colour compound in and out. MP-safe, no state.
struct ProbeNode : KPxNode {
    static inline KObject u, v, gain, tint, out, outColor;
    static void* creator() { return new ProbeNode; }
    void postConstructor() override {
        setMPSafe(true);
        setExistWithoutInConnections(true);
    }
    static KStatus initialize() {
        KFnNumericAttribute n;
        u = n.create("uCoord", "u", KFnNumericData::kFloat, 0.0);
        v = n.create("vCoord", "v", KFnNumericData::kFloat, 0.0);
        gain = n.create("gain", "g", KFnNumericData::kFloat, 1.0);
        n.setKeyable(true);
        n.setSoftMin(0.0);
        n.setSoftMax(1.0);
        tint = n.createColor("tint", "t");
        n.setDefault(1.0f, 0.5f, 0.25f);
        out = n.create("outAlpha", "obp", KFnNumericData::kFloat, 0.0);
        n.setWritable(false);
        n.setStorable(false);
        outColor = n.createColor("outColor", "oc");
        n.setWritable(false);
        n.setStorable(false);
        for (KObject* a : {&u, &v, &gain, &tint, &out, &outColor}) {
            KStatus s = addAttribute(*a);
            if (!s) return s;
        }
        for (KObject* a : {&u, &v, &gain, &tint}) {
            attributeAffects(*a, out);
            attributeAffects(*a, outColor);
        }
        return KStatus();
    }
    KStatus compute(const KPlug& plug, KDataBlock& block) override {
        if (!(plug == out || plug == outColor || plug.parent() == outColor)) return KStatus::kUnknownParameter;
        float uu = block.inputValue(u).asFloat();
        float vv = block.inputValue(v).asFloat();
        float g = block.inputValue(gain).asFloat();
        KFloatVector t = block.inputValue(tint).asFloatVector();
        float s = std::sin(uu * 12.9898f + vv * 78.233f) * 43758.5453f;
        float a = (s - std::floor(s)) * g;
        KDataHandle ha = block.outputValue(out);
        ha.set(a);
        ha.setClean();
        KDataHandle hc = block.outputValue(outColor);
        hc.set(t * a);
        hc.setClean();
        return KStatus();
    }
};

struct ProbeTranslator : KPxFileTranslator {
    static void* creator() { return new ProbeTranslator; }
    bool haveReadMethod() const override { return true; }
    KString defaultExtension() const override { return "probe"; }
};

struct ProbeContextCommand : KPxContextCommand {
    static void* creator() { return new ProbeContextCommand; }
};

struct ProbeCommand : KPxCommand {
    static void* creator() { return new ProbeCommand; }
    KStatus doIt(const KArgList&) override {
        setResult("probed");
        return KStatus();
    }
};

}  // namespace

#if PROBE_VARIANT == V_NO_EXPORTS

// Nothing exported: a library that is not a plug-in.
namespace {
[[maybe_unused]] int unused() { return 0; }
}

#elif PROBE_VARIANT == V_OLD_API

extern "C" TARN_PLUGIN_EXPORT const char KApiVersion[] = "201000";
TARN_PLUGIN_ENTRY KStatus initializePlugin(KObject) { return KStatus(); }
TARN_PLUGIN_ENTRY KStatus uninitializePlugin(KObject) { return KStatus(); }

#elif PROBE_VARIANT == V_DECORATED

// Entry points under their C++-decorated names, as the mesh-operations plug-in exports them.
TARN_DEFINE_API_VERSION
TARN_PLUGIN_EXPORT KStatus initializePlugin(KObject plugin) {
    KFnPlugin fn(plugin, "Varnholt", "decorated", "Any");
    fn.registerCommand("probeDecoratedCmd", ProbeCommand::creator);
    return KStatus();
}
TARN_PLUGIN_EXPORT KStatus uninitializePlugin(KObject plugin) {
    KFnPlugin fn(plugin);
    fn.deregisterCommand("probeDecoratedCmd");
    return KStatus();
}

#elif PROBE_VARIANT == V_STATIC || PROBE_VARIANT == V_STATIC_OLD_API

// Registers at static construction, inside the host's dlopen, on the plug-in being loaded, and
// deregisters the same from its static destructor, whatever the loader took back meanwhile.
// The second form exports the wrong API version, so its load fails after the constructor ran.
struct StaticRegistration {
    StaticRegistration() {
        KFnPlugin fn(KFnPlugin::currentPlugin());
        const KFn::Type kind = KObjBase::add("kProbeStatic", {KFn::kPluginNode});
        fn.registerNode("probeStaticNode", 0x7f103, ProbeNode::creator, ProbeNode::initialize,
                        KPxNode::kDependNode, nullptr, kind);
        fn.registerCommand("probeStaticCmd", ProbeCommand::creator);
    }
    ~StaticRegistration() {
        KFnPlugin fn(KFnPlugin::currentPlugin());
        fn.deregisterCommand("probeStaticCmd");
        fn.deregisterNode(0x7f103);
        KObjBase::remove("kProbeStatic");
    }
} g_staticRegistration;

#if PROBE_VARIANT == V_STATIC
TARN_DEFINE_API_VERSION
#else
extern "C" TARN_PLUGIN_EXPORT const char KApiVersion[] = "201000";
#endif
TARN_PLUGIN_ENTRY KStatus initializePlugin(KObject plugin) {
    KFnPlugin fn(plugin, "Probe", "static", "Any");
    return KStatus();
}
TARN_PLUGIN_ENTRY KStatus uninitializePlugin(KObject plugin) {
    // Deregisters now; the static destructor does it again when the library is closed.
    KFnPlugin fn(plugin);
    fn.deregisterCommand("probeStaticCmd");
    return fn.deregisterNode(0x7f103);
}

#elif PROBE_VARIANT == V_THROWS

TARN_DEFINE_API_VERSION
TARN_PLUGIN_ENTRY KStatus initializePlugin(KObject plugin) {
    KFnPlugin fn(plugin, "Probe", "1.0", "Any");
    fn.registerCommand("probeThrowsCmd", ProbeCommand::creator);
    throw std::runtime_error("probe initialisation exploded");
}
TARN_PLUGIN_ENTRY KStatus uninitializePlugin(KObject) { return KStatus(); }

#else

TARN_DEFINE_API_VERSION

#if PROBE_VARIANT == V_NODE || PROBE_VARIANT == V_NODE_DUP
static const kframe::NodePluginRow kRow{"Quill", "Tarn4.0", "probeNode", 0x7f100,
                                        ProbeNode::creator, ProbeNode::initialize, "texture/2d", 1};
#elif PROBE_VARIANT == V_NODE_TWO_BLANKS
static const kframe::NodePluginRow kRow{"Quill", "1.0", "probeNodeB", 0x7f101,
                                        ProbeNode::creator, ProbeNode::initialize, "texture/3d", 2};
#elif PROBE_VARIANT == V_TRANSLATOR
static const kframe::TranslatorPluginRow kRow{"Copper Gleam", "1.0b2", "PROBE", "",
                                              ProbeTranslator::creator, nullptr, nullptr, false};
#elif PROBE_VARIANT == V_CONTEXT || PROBE_VARIANT == V_CONTEXT_DUP
static const kframe::ContextPluginRow kRow{"Quill|Ridgeline Support Plugin", "4.0", "probeContext",
                                           ProbeContextCommand::creator};
#elif PROBE_VARIANT == V_CONTEXT_BAD_UNLOAD
static const kframe::ContextPluginRow kRow{"Quill|Ridgeline Support Plugin", "4.0",
                                           "probeContextB", ProbeContextCommand::creator};
static const kframe::ContextPluginRow kUnloadRow{"Unknown", "Unknown", "notRegistered",
                                                 ProbeContextCommand::creator};
#elif PROBE_VARIANT == V_COMMAND
static const kframe::CommandPluginRow kRow{"Quill | ridgeline", "4.0", "probeCmd",
                                           ProbeCommand::creator, nullptr};
#elif PROBE_VARIANT == V_NODE_COMMAND
static const kframe::NodeCommandPluginRow kRow{"Quill|Ridgeline Support Plugin", "4.5",
                                               "probeCastNode", 0x7f102, ProbeNode::creator,
                                               ProbeNode::initialize, "probeCastCmd",
                                               ProbeCommand::creator, nullptr};
#elif PROBE_VARIANT == V_NODE_COMMAND_DUP
static const kframe::NodeCommandPluginRow kRow{"Quill|Ridgeline Support Plugin", "4.5",
                                               "probeNode", 0x7f100, ProbeNode::creator,
                                               ProbeNode::initialize, "probeCastDupCmd",
                                               ProbeCommand::creator, nullptr};
#endif

#if PROBE_VARIANT == V_NODE || PROBE_VARIANT == V_NODE_DUP || PROBE_VARIANT == V_NODE_TWO_BLANKS
TARN_PLUGIN_ENTRY KStatus initializePlugin(KObject p) { return kframe::registerNodePlugin(p, kRow); }
TARN_PLUGIN_ENTRY KStatus uninitializePlugin(KObject p) { return kframe::deregisterNodePlugin(p, kRow); }
#elif PROBE_VARIANT == V_TRANSLATOR
TARN_PLUGIN_ENTRY KStatus initializePlugin(KObject p) { return kframe::registerTranslatorPlugin(p, kRow); }
TARN_PLUGIN_ENTRY KStatus uninitializePlugin(KObject p) { return kframe::deregisterTranslatorPlugin(p, kRow); }
#elif PROBE_VARIANT == V_CONTEXT || PROBE_VARIANT == V_CONTEXT_DUP
TARN_PLUGIN_ENTRY KStatus initializePlugin(KObject p) { return kframe::registerContextPlugin(p, kRow); }
TARN_PLUGIN_ENTRY KStatus uninitializePlugin(KObject p) { return kframe::deregisterContextPlugin(p, kRow); }
#elif PROBE_VARIANT == V_CONTEXT_BAD_UNLOAD
TARN_PLUGIN_ENTRY KStatus initializePlugin(KObject p) { return kframe::registerContextPlugin(p, kRow); }
TARN_PLUGIN_ENTRY KStatus uninitializePlugin(KObject p) { return kframe::deregisterContextPlugin(p, kUnloadRow); }
#elif PROBE_VARIANT == V_COMMAND
TARN_PLUGIN_ENTRY KStatus initializePlugin(KObject p) { return kframe::registerCommandPlugin(p, kRow); }
TARN_PLUGIN_ENTRY KStatus uninitializePlugin(KObject p) { return kframe::deregisterCommandPlugin(p, kRow); }
#elif PROBE_VARIANT == V_NODE_COMMAND || PROBE_VARIANT == V_NODE_COMMAND_DUP
TARN_PLUGIN_ENTRY KStatus initializePlugin(KObject p) { return kframe::registerNodeCommandPlugin(p, kRow); }
TARN_PLUGIN_ENTRY KStatus uninitializePlugin(KObject p) { return kframe::deregisterNodeCommandPlugin(p, kRow); }
#endif

#endif
