#include "host/scenefile/scene_reader.h"

#include <cmath>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <variant>

#include "host/dg/graph.h"
#include "host/dg/node_impl.h"
#include "host/dg/value_rules.h"
#include "host/lang/option_vars.h"
#include "host/lang/text_file.h"
#include "host/nurbs/curve_data.h"
#include "host/nurbs/curve_node.h"
#include "host/nurbs/surface_data.h"
#include "host/nurbs/surface_node.h"
#include "host/plugins/plugin_loader.h"
#include "host/scene/dag.h"
#include "host/scene/dag_nodes.h"
#include "host/scene/mesh_data.h"
#include "host/scene/selection.h"
#include "host/scenefile/placeholder_node.h"
#include "host/scenefile/scene_checks.h"
#include "host/scenefile/scene_parser.h"
#include "host/scenefile/scene_session.h"
#include "host/scenefile/scene_writer.h"
#include "host/scenefile/text_codec.h"
#include "host/shading/shading_nodes.h"
#include "host/undo/undo.h"
#include "host/view/active_view.h"

namespace tarn::scenefile {

namespace {

// Keeps what the open records for undo out of the undo lists: the open empties them when it
// succeeds, and a failed open leaves the scene as it was.
class QuietUndo {
public:
    QuietUndo() : m_mark(undo::undoQueue().mark()), m_enabled(undo::undoQueue().isEnabled()) {
        undo::undoQueue().setEnabled(false);
    }
    ~QuietUndo() {
        undo::undoQueue().forgetSince(m_mark, false);
        undo::undoQueue().setEnabled(m_enabled);
    }
    QuietUndo(const QuietUndo&) = delete;
    QuietUndo& operator=(const QuietUndo&) = delete;

private:
    std::size_t m_mark;
    bool m_enabled;
};

// Stores a planned value into a node (the plug's element is made when missing).
bool storeValue(const KObject& node, const PlannedValue& v, std::string* error) {
    Graph& graph = Graph::instance();
    const KPlug plug(node, KObject(v.attribute), v.index);
    KStatus status;
    KDataHandle h = graph.writeHandle(plug, &status);
    if (h.isNull()) {
        *error = "cannot write " + plug.name().str();
        return false;
    }
    if (v.isText) {
        h.set(KString(v.text));
    } else if (v.isData) {
        h.setKObject(v.data);
    } else {
        const AttributeImpl& a = *v.attribute;
        for (std::size_t k = 0; k < v.numbers.size() && k < h.width(); ++k)
            storeCell(h.cells()[k], a.cellKinds[k], v.numbers[k]);
    }
    graph.valueChanged(plug);
    return true;
}

KObject sharedAttrObject(const AttributeImpl* a) {
    return KObject(sharedAttr(a));
}

KPlug plugOf(const KObject& node, const PlannedPlug& p) {
    return KPlug(node, KObject(p.attribute), p.index);
}

// Makes the scene the plan describes in an empty scene. False with `*error` (and the scene half
// made) when the graph refuses something the checks let through.
bool build(ScenePlan& plan, const SceneDocument& doc, std::string* error) {
    Graph& graph = Graph::instance();
    std::vector<PlannedNode>& nodes = plan.nodes;
    auto fail = [&](int line, const std::string& why) {
        *error = std::to_string(std::max(line, 1)) + ": " + why;
        return false;
    };
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        PlannedNode& n = nodes[i];
        const std::string& name = plan.nameOf(i);
        std::string why;
        if (n.isDefault) {
            n.made = graph.findNode(name);
        } else if (n.placeholder) {
            ensurePlaceholderType();
            n.made = graph.createNode(kPlaceholderType, name, &why);
            if (PlaceholderNode* p = placeholderOf(n.made)) {
                p->type = n.decl->type;
                p->plugin = n.decl->plugin;
                p->pluginVersion = n.pluginVersion;
                p->parent = n.decl->parent;
                p->body = std::string(n.decl->body);
            }
        } else if (kFnIsA(n.type->apiType, KFn::kDagNode)) {
            const KObject parent =
                n.decl->parent.empty() ? KObject() : nodes[plan.byName[n.decl->parent]].made;
            n.made = scene::createDagNode(n.type->name, name, parent, &why);
        } else {
            n.made = graph.createNode(n.type->name, name, &why);
        }
        if (n.made.isNull() || scene::nodeName(n.made) != name)
            return fail(n.decl ? n.decl->line : 0, "the node " + name + " could not be made" +
                                                       (why.empty() ? "" : ": " + why));
    }
    for (PlannedNode& n : nodes) {
        for (const PlannedValue& v : n.values) {
            std::string why;
            if (!storeValue(n.made, v, &why)) return fail(n.decl->line, why);
        }
        if (n.mesh) {
            if (scene::MeshNode* mesh = scene::meshNode(n.made)) mesh->setMesh(std::move(*n.mesh));
        }
        if (n.curve && !nurbs::writeCurve(n.made, *n.curve))
            return fail(n.decl->line, "the curve of " + n.decl->name + " was refused");
        if (n.surface && !nurbs::writeSurface(n.made, n.surface))
            return fail(n.decl->line, "the surface of " + n.decl->name + " was refused");
    }
    // The default nodes come connected as in a new session: the file's connections replace
    // theirs, in the file's order.
    const std::vector<Connection> defaults = graph.connections();
    for (const Connection& c : defaults) {
        std::string why;
        if (graph
                .disconnect(
                    KPlug(scene::handleOf(c.srcNode), sharedAttrObject(c.srcAttr), c.srcIndex),
                    KPlug(scene::handleOf(c.dstNode), sharedAttrObject(c.dstAttr), c.dstIndex),
                    &why)
                .error())
            return fail(1, why);
    }
    for (const PlannedConnection& c : plan.connections) {
        PlannedNode& src = nodes[c.source.node];
        PlannedNode& dst = nodes[c.destination.node];
        if (src.placeholder || dst.placeholder) {
            auto keep = [&](PlannedNode& holder, const PlannedPlug& own, const PlannedNode& other,
                            const PlannedPlug& far, bool outgoing) {
                PlaceholderNode* p = placeholderOf(holder.made);
                if (!p) return;
                PlaceholderNode::Link link;
                link.outgoing = outgoing;
                link.ownPlug = own.text;
                link.other = std::static_pointer_cast<NodeImpl>(other.made.implPtr());
                link.otherPlug = far.text;
                link.fileIndex = c.fileIndex;
                p->links.push_back(std::move(link));
            };
            if (src.placeholder) keep(src, c.source, dst, c.destination, true);
            if (dst.placeholder) keep(dst, c.destination, src, c.source, false);
            continue;
        }
        const KPlug from = plugOf(src.made, c.source), to = plugOf(dst.made, c.destination);
        std::string why;
        if (graph.connect(from, to, false, &why).error())
            return fail(doc.connections[c.fileIndex].line, why);
    }
    for (PlannedNode& n : nodes)
        for (const auto& [attribute, index] : n.locks)
            KPlug(n.made, KObject(attribute), index).setLocked(true);
    for (PlannedNode& n : nodes) {
        for (const PlannedNode::Shading& s : n.shading) {
            std::string why;
            if (!shading::assignFaces(nodes[s.group].made, n.made,
                                      s.all ? std::vector<int>() : s.faces, &why))
                return fail(n.decl->line, why);
        }
        if (auto* set = dynamic_cast<shading::SetNode*>(NodeImpl::from(n.made)->userNode()))
            for (const auto& [member, component] : n.members)
                set->members.push_back(
                    {std::static_pointer_cast<NodeImpl>(nodes[member].made.implPtr()), component});
    }
    return true;
}

// The view, selection and option variables of the file; what no longer fits is a warning.
void applyState(const SceneDocument& doc, const ScenePlan& plan, const std::string& file,
                std::vector<std::string>& warnings) {
    KSelectionList list;
    for (const std::string& item : doc.selection) {
        std::string why;
        if (!scene::addByName(list, item, &why))
            warnings.push_back(file + ":" + std::to_string(doc.selectionLine) +
                               ": the selection item " + item + " is left out: " + why);
    }
    scene::setActiveSelection(list);
    scene::hiliteList() = doc.hilite;
    view::ActiveView& v = view::ActiveView::instance();
    std::string why;
    if (!doc.camera.empty() && !v.setCamera(doc.camera, &why))
        warnings.push_back(file + ":" + std::to_string(doc.cameraLine) + ": " + why);
    if (plan.automatic) v.setAutomaticCamera(*plan.automatic);
    lang::OptionVars& vars = lang::optionVars();
    for (const OptionDecl& o : doc.options) {
        using K = OptionDecl::Kind;
        switch (o.kind) {
            case K::Int:
                vars.set(o.name, lang::Value(static_cast<std::int64_t>(o.numbers[0])));
                break;
            case K::Float:
                vars.set(o.name, lang::Value(o.numbers[0]));
                break;
            case K::String:
                vars.set(o.name, lang::Value(o.strings[0]));
                break;
            case K::IntArray: {
                std::vector<std::int64_t> ints(o.numbers.begin(), o.numbers.end());
                vars.set(o.name, lang::Value(ints));
                break;
            }
            case K::FloatArray:
                vars.set(o.name, lang::Value(o.numbers));
                break;
            case K::StringArray:
                vars.set(o.name, lang::Value(o.strings));
                break;
        }
    }
}

// Loads the plug-ins the file names that are not loaded yet. Answers those it could not load
// (by name); `loaded` gets those it did, so a refused file can unload them again.
std::set<std::string> loadPlugins(const SceneDocument& doc, const std::string& file,
                                  std::vector<std::string>& loaded,
                                  std::vector<std::string>& warnings) {
    auto& loader = plugins::PluginLoader::instance();
    std::vector<std::pair<std::string, std::string>> wanted;  // name, version
    for (const PluginRequirement& r : doc.plugins) wanted.emplace_back(r.name, r.version);
    for (const NodeDecl& n : doc.nodes)
        if (!n.plugin.empty()) wanted.emplace_back(n.plugin, "");
    std::set<std::string> missing, seen;
    for (const auto& [name, version] : wanted) {
        if (!seen.insert(name).second) continue;
        if (const plugins::PluginImpl* p = loader.find(name)) {
            if (!version.empty() && p->version != version)
                warnings.push_back(file + ": the scene was saved with " + name + " " + version +
                                   "; " + name + " " + p->version + " is loaded");
            continue;
        }
        std::string why, loadedName;
        if (loader.load(name, &why, &loadedName).error()) {
            missing.insert(name);
            continue;
        }
        loaded.push_back(loadedName);
        if (const plugins::PluginImpl* p = loader.find(loadedName);
            p && !version.empty() && p->version != version)
            warnings.push_back(file + ": the scene was saved with " + name + " " + version + "; " +
                               name + " " + p->version + " is loaded");
    }
    return missing;
}

void unloadAgain(const std::vector<std::string>& loaded) {
    for (auto it = loaded.rbegin(); it != loaded.rend(); ++it) {
        std::string ignored;
        plugins::PluginLoader::instance().unload(*it, false, &ignored, false);
    }
}

}  // namespace

bool readSceneFile(const std::string& path, std::string& text, std::string* error) {
    return lang::readWholeFile(path, kMaxSceneFileBytes, text, error);
}

OpenOutcome openSceneFile(const std::string& path) {
    std::string text, why;
    if (!readSceneFile(path, text, &why)) {
        OpenOutcome out;
        out.error = why == lang::kFileMissing ? "File not found: " + path
                                              : "Cannot open \"" + path + "\": " + why;
        return out;
    }
    return openSceneText(text, path);
}

OpenOutcome openSceneText(std::string_view text, const std::string& name) {
    OpenOutcome out;
    auto parsed = parseScene(text);
    if (auto* e = std::get_if<ParseError>(&parsed)) {
        out.error = name + ":" + std::to_string(e->line) + ": " + e->message;
        return out;
    }
    SceneDocument& doc = std::get<SceneDocument>(parsed);
    QuietUndo quiet;
    scene::ensureSceneTypes();
    std::vector<std::string> loaded;
    const std::set<std::string> missing = loadPlugins(doc, name, loaded, out.warnings);
    ScenePlan plan;
    int line = 0;
    std::string why;
    if (!checkScene(doc, name, missing, plan, &line, &why)) {
        unloadAgain(loaded);
        out.error = name + ":" + std::to_string(line) + ": " + why;
        out.warnings.clear();
        return out;
    }
    // The scene as it is goes aside whole, to come back should the graph refuse what the
    // checks let through.
    SetAsideScene before;
    scene::ensureSceneTypes();
    if (!build(plan, doc, &why)) {
        before.restore();
        unloadAgain(loaded);
        out.error = name + ":" + why;
        out.warnings.clear();
        return out;
    }
    before.discard();
    applyState(doc, plan, name, plan.warnings);
    undo::undoQueue().clear();
    out.ok = true;
    out.warnings.insert(out.warnings.end(), plan.warnings.begin(), plan.warnings.end());
    return out;
}

}  // namespace tarn::scenefile
