#include "engine/history/poly_cmd.h"

#include <algorithm>

#include "engine/history/poly_base.h"
#include "frame/host_sdk.h"
#include "host/commands/scene_command_util.h"
#include "host/dg/graph.h"
#include "host/scene/component_impl.h"
#include "host/scene/dag.h"
#include "host/scene/history.h"
#include "host/scene/node_access.h"
#include "host/scene/scene_undo.h"
#include "host/scene/selection.h"

namespace {

enum class Kind { kNone, kInt, kFloat, kDouble, kBool };

Kind kindOf(const Tattribute* a) {
    if (dynamic_cast<const TattributeInt32*>(a)) return Kind::kInt;
    if (dynamic_cast<const TattributeFloat*>(a)) return Kind::kFloat;
    if (dynamic_cast<const TattributeDouble*>(a)) return Kind::kDouble;
    if (dynamic_cast<const TattributeBoolean*>(a)) return Kind::kBool;
    return Kind::kNone;
}

int syntaxType(Kind kind) {
    switch (kind) {
        case Kind::kInt:
            return kTsyntaxInt;
        case Kind::kBool:
            return kTsyntaxBoolean;
        default:
            return kTsyntaxDouble;
    }
}

// The attributes a command takes as flags: the class's numeric inputs, except the group id the
// history sets.
std::vector<Tattribute*> flagAttributes(const TdependNodeMetaClass& nodeClass) {
    std::vector<Tattribute*> out;
    TdependNodeVS* vs = nodeClass.attributeSet();
    if (!vs || !vs->initializeClass()) return out;
    for (Tattribute* a : vs->attributes().attributes())
        if (kindOf(a) != Kind::kNone && !a->computeModifies() && a->longName() != "groupId")
            out.push_back(a);
    return out;
}

std::string typeOf(const KObject& node) {
    return KFnDependencyNode(node).typeName().str();
}

}  // namespace

KStatus TbaseHistoryCmdBase::createSyntax(TcommandSyntax& syntax,
                                          const TdependNodeMetaClass& nodeClass, bool modifier,
                                          bool acceptsCurve) {
    TdependNodeVS* vs = nodeClass.attributeSet();
    if (!vs || !vs->initializeClass()) return KStatus::kFailure;
    for (Tattribute* a : flagAttributes(nodeClass))
        if (KStatus s = syntax.addFlag(a->shortName().c_str(), a->longName().c_str(),
                                       syntaxType(kindOf(a)));
            !s)
            return s;
    if (KStatus s = syntax.addFlag("ch", "constructionHistory", kTsyntaxBoolean); !s) return s;
    if (modifier && acceptsCurve)
        if (KStatus s = syntax.addFlag("inc", "inputCurve", kTsyntaxCurve); !s) return s;
    if (!modifier)
        if (KStatus s = syntax.addFlag("n", "name", kTsyntaxString); !s) return s;
    syntax.enableQuery();
    syntax.enableEdit();
    return KStatus();
}

KStatus TbaseHistoryCmdBase::fail(const std::string& message) {
    KPxCommand::displayError(KString(m_name + ": " + message));
    return KStatus::kFailure;
}

bool TbaseHistoryCmdBase::writeFlags(const KObject& node, const KArgDatabase& args, bool undoable,
                                     std::string* error) {
    for (Tattribute* a : flagAttributes(m_class)) {
        const char* flag = a->longName().c_str();
        if (!args.isFlagSet(flag)) continue;
        double value = 0.0;
        KStatus read;
        if (kindOf(a) == Kind::kInt) {
            int v = 0;
            read = args.getFlagArgument(flag, 0, v);
            value = v;
        } else if (kindOf(a) == Kind::kBool) {
            bool v = false;
            read = args.getFlagArgument(flag, 0, v);
            value = v ? 1.0 : 0.0;
        } else {
            read = args.getFlagArgument(flag, 0, value);
        }
        if (!read) {
            KString text;
            args.getFlagArgument(flag, 0, text);
            *error = "invalid value '" + text.str() + "' for flag -" + a->longName();
            return false;
        }
        // A value beyond the attribute's limits is clamped with a warning, as setAttr does.
        const KPlug plug = tarn::scene::plugByName(node, a->longName());
        std::vector<double> values{value};
        for (const std::string& warning : tarn::commands::clampToLimits(plug, values, m_name))
            KPxCommand::displayWarning(KString(warning));
        const bool ok = undoable ? tarn::scene::setPlugValuesUndoable(plug, values, error)
                                 : tarn::scene::writePlugValues(plug, values, error);
        if (!ok) return false;
    }
    return true;
}

KObject TbaseHistoryCmdBase::makeNode(const KArgDatabase& args, std::string* error) {
    KObject node = tarn::Graph::instance().createNode(m_class.typeName(), "", error);
    if (node.isNull()) return node;
    tarn::scene::recordNodeCreated(node);
    if (!writeFlags(node, args, false, error)) return {};
    return node;
}

KStatus TbaseHistoryCmdBase::query(const KObject& node, const KArgDatabase& args) {
    const Tattribute* asked = nullptr;
    for (Tattribute* a : flagAttributes(m_class)) {
        if (!args.isFlagSet(a->longName().c_str())) continue;
        if (asked) return fail("query one attribute at a time");
        asked = a;
    }
    if (!asked) return fail("name the attribute to query");
    const double value = tarn::scene::readNumber(node, asked->longName());
    switch (kindOf(asked)) {
        case Kind::kInt:
            KPxCommand::setResult(static_cast<int>(value));
            break;
        case Kind::kBool:
            KPxCommand::setResult(value != 0.0);
            break;
        default:
            KPxCommand::setResult(value);
    }
    return KStatus();
}

KStatus TbaseHistoryCmdBase::doIt(const KArgDatabase& args, const KArgList&) {
    try {
        // A word naming a node of the class selects edit or query mode.
        std::vector<std::string> words;
        KObject node;
        for (unsigned i = 0; i < args.numberOfCommandArguments(); ++i) {
            KString word;
            args.getCommandArgument(i, word);
            words.push_back(word.str());
            const KObject found = tarn::Graph::instance().findNode(word.str());
            if (!found.isNull() && typeOf(found) == m_class.typeName()) node = found;
        }
        if (!node.isNull()) {
            if (words.size() != 1) return fail("name one " + m_class.typeName() + " node only");
            if (args.isQuery()) return query(node, args);
            setEditFlag(true);
            std::string error;
            if (!writeFlags(node, args, true, &error)) return fail(error);
            KPxCommand::setResult(KString(tarn::scene::nodeName(node)));
            return KStatus();
        }
        if (args.isQuery() || args.isEdit())
            return fail("name a " + m_class.typeName() + " node to " +
                        (args.isQuery() ? "query" : "edit"));
        if (args.isFlagSet("inputCurve")) return fail("input curves are not supported");
        return create(args, words);
    } catch (const std::exception& e) {
        return fail(e.what());
    }
}

KStatus TpolyModifierCmd::create(const KArgDatabase& args, const std::vector<std::string>& words) {
    // The meshes and faces named, or selected.
    KSelectionList list;
    std::string error;
    if (words.empty()) list = tarn::scene::activeSelection();
    for (const std::string& word : words)
        if (!tarn::scene::addByName(list, word, &error)) return fail(error);
    struct Target {
        KObject shape;
        std::vector<int> faces;
        bool whole = false;
    };
    std::vector<Target> targets;
    for (const tarn::commands::MeshItem& item : tarn::commands::meshItems(list)) {
        auto it = std::find_if(targets.begin(), targets.end(),
                               [&](const Target& t) { return t.shape == item.shape; });
        if (it == targets.end()) it = targets.insert(targets.end(), Target{item.shape, {}, false});
        if (item.component.isNull()) {
            it->whole = true;
            continue;
        }
        const auto* c = tarn::scene::ComponentImpl::from(item.component);
        if (m_group == kGrpFace && (!c || c->kind() != tarn::scene::ComponentKind::Face))
            return fail("select faces or whole meshes");
        if (m_group != kGrpFace) {
            it->whole = true;
            continue;
        }
        for (int f : tarn::scene::componentElements(item.component, item.shape))
            it->faces.push_back(f);
    }
    if (targets.empty()) return fail("select a mesh or faces of a mesh");
    bool history = true;
    if (args.isFlagSet("constructionHistory") &&
        !args.getFlagArgument("constructionHistory", 0, history))
        return fail("invalid value for flag -constructionHistory");

    // One node per mesh, put into its history.
    KStringArray result;
    for (Target& t : targets) {
        KObject node = makeNode(args, &error);
        if (node.isNull()) return fail(error);
        KStatus status;
        if (m_group == kGrpFace) {
            if (t.whole) {
                t.faces.clear();
                const int count = KFnMesh(t.shape).numPolygons();
                for (int f = 0; f < count; ++f) t.faces.push_back(f);
            }
            std::sort(t.faces.begin(), t.faces.end());
            t.faces.erase(std::unique(t.faces.begin(), t.faces.end()), t.faces.end());
            int gid = -1;
            status = tarn::scene::insertModifierOnFaces(t.shape, node, t.faces, &gid, &error);
        } else {
            status = tarn::scene::insertModifier(t.shape, node, &error);
        }
        if (!status) return fail(error);
        if (history) {
            result.append(KString(tarn::scene::nodeName(node)));
        } else {
            if (!tarn::scene::deleteHistory(t.shape, &error)) return fail(error);
            result.append(KString(tarn::scene::nodeName(t.shape)));
        }
    }
    KPxCommand::setResult(result);
    return KStatus();
}

KStatus TpolyCreateCmd::create(const KArgDatabase& args, const std::vector<std::string>& words) {
    if (!words.empty()) return fail("makes a new mesh and takes no objects");
    std::string name = m_resultName, error;
    if (args.isFlagSet("name")) {
        KString given;
        args.getFlagArgument("name", 0, given);
        name = given.str();
    }
    bool history = true;
    if (args.isFlagSet("constructionHistory") &&
        !args.getFlagArgument("constructionHistory", 0, history))
        return fail("invalid value for flag -constructionHistory");
    KObject node = makeNode(args, &error);
    if (node.isNull()) return fail(error);
    const KObject shape = tarn::scene::attachCreator(node, name, &error);
    if (shape.isNull()) return fail(error);
    const KObject transform = tarn::scene::parentOf(shape);
    KStringArray result;
    result.append(KString(tarn::scene::nodeName(transform)));
    result.append(KString(tarn::scene::nodeName(shape)));
    if (history)
        result.append(KString(tarn::scene::nodeName(node)));
    else if (!tarn::scene::deleteHistory(shape, &error))
        return fail(error);
    KSelectionList selection;
    selection.add(transform);
    tarn::scene::setActiveSelection(selection);
    KPxCommand::setResult(result);
    return KStatus();
}
