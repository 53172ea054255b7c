// A tiny plug-in written against the engine, built only for the tests. Like the engine's real
// plug-ins it registers at library load (static construction): two commands bound for scripts,
// two node classes registered with the graph, and the kinds their nodes report. Then
// initializePlugin registers the same through TpluginTarn, and uninitializePlugin takes
// everything back, the commands the first time only.
//
// Variants (TINY_VARIANT): 0 a plug-in that loads; 1 initializePlugin fails after its
// registrations; 2 no uninitializePlugin export, so the load fails after static construction;
// 3 a node class whose attribute list clashes (its registration fails, and is reported);
// 4 initializePlugin also asks for a command nothing is bound under and for a node type under
// another tag than its class's (both refused and reported, the rest loads).

#include <cstdint>

#include "engine/registry/attribute.h"
#include "engine/registry/command.h"
#include "engine/registry/depend_node.h"
#include "engine/registry/node_class.h"
#include "engine/registry/plugin_tarn.h"
#include "frame/plugin_entry.h"

#ifndef TINY_VARIANT
#define TINY_VARIANT 0
#endif

namespace {

constexpr std::uint32_t kModifierTag = 0x54494E59;  // "TINY"
constexpr std::uint32_t kGrowerTag = 0x5447524F;    // "TGRO"

extern TdependNodeMetaClass g_modifierClass;
extern TdependNodeMetaClass g_growerClass;

// amount * count + scale when enabled, else 0.
class TinyModifierVS : public TdependNodeVS {
public:
    TattributeDouble amount{"amount", "am", 1.5};
    TattributeInt32 count{"count", "ct", 2};
    TattributeFloat scale{"scale", "sc", 0.5f};
    TattributeBoolean enabled{"enabled", "en", true};
    TattributeDouble result{"result", "r"};

protected:
    KStatus attributeList(TattributeList& list) override {
        if (KStatus s = TdependNodeVS::attributeList(list); !s) return s;
        amount.setMin(0.0);
        amount.setMax(10.0);
        for (Tattribute* a : {static_cast<Tattribute*>(&amount), static_cast<Tattribute*>(&count),
                              static_cast<Tattribute*>(&scale), static_cast<Tattribute*>(&enabled),
                              static_cast<Tattribute*>(&result)}) {
            a->setLabel("n_tinyModifier");
            if (KStatus s = list.addAttribute(a); !s) return s;
        }
#if TINY_VARIANT == 3
        static TattributeDouble clash{"amount", "am2"};
        if (KStatus s = list.addAttribute(&clash); !s) return s;
#endif
        return KStatus();
    }
    KStatus dependencies(TdependencyMatrix& matrix) override {
        if (KStatus s = TdependNodeVS::dependencies(matrix); !s) return s;
        for (Tattribute* in :
             {static_cast<Tattribute*>(&amount), static_cast<Tattribute*>(&count),
              static_cast<Tattribute*>(&scale), static_cast<Tattribute*>(&enabled)})
            if (KStatus s = matrix.attributeAffects(in, &result, false); !s) return s;
        return result.setComputeModifies(true);
    }
};

TinyModifierVS& modifierVS() {
    static TinyModifierVS vs;
    return vs;
}
TdependNodeVS* modifierVSGetter() {
    return &modifierVS();
}

class TinyModifier : public TdependNode {
public:
    TinyModifier() : TdependNode(g_modifierClass) {}
    static void* creator() { return new TinyModifier; }

protected:
    KStatus computeNode(const KPlug& plug, KDataBlock& block) override {
        TinyModifierVS& vs = modifierVS();
        if (!(plug == vs.result.hostAttribute())) return KStatus::kUnknownParameter;
        const bool on = block.inputValue(vs.enabled.hostAttribute()).asBool();
        const double value = on ? block.inputValue(vs.amount.hostAttribute()).asDouble() *
                                          block.inputValue(vs.count.hostAttribute()).asInt() +
                                      block.inputValue(vs.scale.hostAttribute()).asFloat()
                                : 0.0;
        KDataHandle out = block.outputValue(vs.result.hostAttribute());
        out.set(value);
        out.setClean();
        return KStatus();
    }
};

// A class with no attributes of its own, reporting a kind added by this library.
class TinyGrower : public TdependNode {
public:
    TinyGrower() : TdependNode(g_growerClass) {}
    static void* creator() { return new TinyGrower; }
};
TdependNodeVS* growerVSGetter() {
    static TdependNodeVS vs;
    return &vs;
}

const Tmetaclass g_modifierMeta("tinyModifier", sizeof(TinyModifier), &TinyModifier::creator,
                                kModifierTag, &TdependNode::rootMetaclass());
const Tmetaclass g_growerMeta("tinyGrower", sizeof(TinyGrower), &TinyGrower::creator, kGrowerTag,
                              &TdependNode::rootMetaclass());
TdependNodeMetaClass g_modifierClass(g_modifierMeta, &modifierVSGetter, "tinyModifier",
                                     kModifierTag, nullptr, nullptr, 32);
TdependNodeMetaClass g_growerClass(g_growerMeta, &growerVSGetter, "tinyGrower", kGrowerTag, nullptr,
                                   nullptr, 32);

// tinyScale -f/-factor D: answers factor * 2 and counts one step on a counter; undoable.
int g_steps = 0;
class TinyScale : public Tcommand {
public:
    KStatus doIt(const KArgDatabase& args, const KArgList&) override {
        double factor = 1.0;
        if (args.isFlagSet("factor")) args.getFlagArgument("factor", 0, factor);
        ++g_steps;
        KPxCommand::setResult(factor * 2.0);
        return KStatus();
    }
    KStatus undoIt() override {
        --g_steps;
        return KStatus();
    }
    KStatus redoIt() override {
        ++g_steps;
        return KStatus();
    }
    bool isUndoable() const override { return true; }
};
KStatus tinyScaleSyntax(TcommandSyntax& syntax) {
    return syntax.addFlag("f", "factor", kTsyntaxDouble);
}

// tinyMeshOp: needs a mesh selected; answers the number of steps so far.
class TinyMeshOp : public Tcommand {
public:
    KStatus doIt(const KArgDatabase&, const KArgList&) override {
        KPxCommand::setResult(g_steps);
        return KStatus();
    }
};

TmetaCommand g_scaleCommand(
    "tinyScale", [] { return static_cast<Tcommand*>(new TinyScale); }, -1);
TmetaCommandReq g_meshCommand(
    "tinyMeshOp", [] { return static_cast<Tcommand*>(new TinyMeshOp); }, KFn::kMesh);

bool g_commandsUnloaded = false;

// What the library registers when it is loaded, before initializePlugin runs.
struct LoadTimeRegistration {
    LoadTimeRegistration() {
        g_commandsUnloaded = false;
        g_scaleCommand.setSyntaxBuilder(&tinyScaleSyntax);
        pythonRegisterTarnCommand(&g_scaleCommand);
        pythonRegisterTarnCommand(&g_meshCommand);
        g_modifierClass.addApiType("kMidModifier", {KFn::kPolyModifier, KFn::kPluginNode,
                                                    KFn::kDependencyNode, KFn::kNamedObject});
        g_growerClass.addApiType("kTinyGrower", {KFn::kPolyCreator, KFn::kPluginNode,
                                                 KFn::kDependencyNode, KFn::kNamedObject});
        TdependGraph::registerNodeType(&g_modifierClass);
        TdependGraph::registerNodeType(&g_growerClass);
    }
    ~LoadTimeRegistration() {
        TdependGraph::deregisterNodeType(&g_growerClass);
        TdependGraph::deregisterNodeType(&g_modifierClass);
        KObjBase::remove("kTinyGrower");
    }
} g_loadTime;

}  // namespace

TARN_DEFINE_API_VERSION

TARN_PLUGIN_ENTRY KStatus initializePlugin(KObject obj) {
    TpluginTarn plugin(obj, "Tiny", "1.0", "Any");
    plugin.registerNode("tinyModifier", kModifierTag, &TinyModifier::creator, &g_modifierClass);
    plugin.registerNode("tinyGrower", kGrowerTag, &TinyGrower::creator, &g_growerClass);
    plugin.registerCommand("tinyScale");
    plugin.registerCommand("tinyMeshOp");
#if TINY_VARIANT == 4
    plugin.registerCommand("tinyUnbound");
    plugin.registerNode("tinyModifier", kGrowerTag, &TinyModifier::creator, &g_modifierClass);
#endif
#if TINY_VARIANT == 1
    return KStatus::kFailure;
#else
    return KStatus();
#endif
}

#if TINY_VARIANT != 2
TARN_PLUGIN_ENTRY KStatus uninitializePlugin(KObject obj) {
    TpluginTarn plugin(obj, "Unknown", "Unknown", "Any");
    plugin.deregisterAll();
    if (!g_commandsUnloaded) {
        g_commandsUnloaded = true;
        TmetaCommand::unloadCommand("tinyScale");
        TmetaCommand::unloadCommand("tinyMeshOp");
    }
    return KStatus();
}
#endif
