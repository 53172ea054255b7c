// The graph's commands: createNode, delete, rename, connectAttr, disconnectAttr and listAttr, plus
// the installer of the whole family. Each change records its undo while a chunk is open.

#include <algorithm>
#include <iterator>
#include <memory>

#include "host/commands/connection_undo.h"
#include "host/commands/dg_commands.h"
#include "host/commands/scene_command_util.h"
#include "host/dg/graph.h"
#include "host/lang/command_modules.h"
#include "host/scene/dag.h"
#include "host/scene/dag_nodes.h"
#include "host/scene/history.h"
#include "host/scene/scene_undo.h"
#include "host/scene/selection.h"
#include "host/undo/undo.h"

namespace tarn::commands {

// Scene names and paths first, then the graph's own nodes.
KPlug findPlug(const std::string& text, std::string* error) {
    size_t dot = text.find('.');
    if (dot == std::string::npos) {
        *error = "No attribute named in '" + text + "'";
        return {};
    }
    KObject node = scene::findNode(text.substr(0, dot));
    if (node.isNull()) node = Graph::instance().findNode(text.substr(0, dot));
    if (node.isNull()) {
        *error = "No object matches name: " + text.substr(0, dot);
        return {};
    }
    return Graph::instance().parsePlug(NodeImpl::from(node)->name() + text.substr(dot), error);
}

KObject findGraphNode(const std::string& name) {
    KObject node = scene::findNode(name);
    return node.isNull() ? Graph::instance().findNode(name) : node;
}

}  // namespace tarn::commands

namespace tarn::lang {

namespace {

using commands::DestinationValue;
using commands::findGraphNode;
using commands::findPlug;
using commands::incomingConnections;
using commands::PlacedConnection;
using commands::positionalWords;
using commands::restoreConnection;

std::string nameOf(const KObject& node) {
    NodeImpl* n = NodeImpl::from(node);
    return n ? n->name() : std::string();
}

CommandResult createNodeCmd(const CommandArgs& args, CommandContext&) {
    const std::string type = args[0].asString();
    const std::string name = args.has("name") ? args.flag("name").asString() : std::string();
    std::string error;
    // The host's own types (transforms, meshes, materials) are there from the first command on.
    scene::ensureSceneTypes();
    NodeType* t = Graph::instance().findType(type);
    if (!t) return CommandResult::failure("Unknown node type: " + type);
    KObject node;
    if (kFnIsA(t->apiType, KFn::kDagNode)) {
        KObject parent;
        if (args.has("parent")) {
            parent = findGraphNode(args.flag("parent").asString());
            if (parent.isNull())
                return CommandResult::failure("No object matches name: " +
                                              args.flag("parent").asString());
        }
        node = scene::createDagNode(type, name, parent, &error);
    } else {
        node = Graph::instance().createNode(type, name, &error);
    }
    if (node.isNull()) return CommandResult::failure(error);
    scene::recordCreated({node}, "createNode " + type);
    return Value(nameOf(node));
}

// One node taken out by `delete`: the graph's record plus its place in the DAG.
struct DeletedNode {
    DetachedNode detached;
    KObject dagParent;
    int dagIndex = -1;
    bool dag = false;
};

// Undo of `delete`. The nodes are detached, not destroyed, so undo puts back the very objects
// with their values, locks, connections and DAG places; shading-group membership held by meshes
// comes back with them. Redo finds the nodes again by name (an earlier chunk's redo may have
// re-created them) and detaches them again. Nodes still detached when the item is dropped are
// destroyed then.
class DeleteUndoItem final : public undo::UndoItem {
public:
    explicit DeleteUndoItem(std::vector<std::string> names) : m_names(std::move(names)) {}
    ~DeleteUndoItem() override { destroy(); }

    // Detaches the named nodes in order (children before parents); false with `*error` when one
    // cannot be detached (the ones before it stay detached, so undo takes them back).
    bool detachAll(std::string* error) {
        m_done.clear();
        m_selection = scene::activeSelection();
        Graph& graph = Graph::instance();
        for (const std::string& name : m_names) {
            KObject node = graph.findNode(name);
            NodeImpl* impl = NodeImpl::from(node);
            if (!impl || !impl->alive()) continue;
            DeletedNode d;
            d.dag = scene::dagNode(node) != nullptr;
            if (d.dag) {
                d.dagParent = scene::parentOf(node);
                d.dagIndex = scene::childIndex(node);
            }
            if (!graph.detachNode(node, &d.detached, error)) return false;
            m_done.push_back(std::move(d));
        }
        return true;
    }

    void undo() override {
        Graph& graph = Graph::instance();
        for (auto it = m_done.rbegin(); it != m_done.rend(); ++it) {
            std::string error;
            if (!graph.reattachNode(it->detached, &error)) continue;
            if (it->dag) scene::relink(KObject(it->detached.node), it->dagParent, it->dagIndex);
        }
        m_done.clear();
        // Selected nodes leave the selection when deleted; they come back into it.
        scene::setActiveSelection(m_selection);
    }
    void redo() override {
        std::string error;
        detachAll(&error);
    }
    std::string describe() const override { return "delete"; }

private:
    void destroy() {
        // At exit the undo queue may go after the graph; the nodes went with the graph then.
        if (!Graph::exists()) return;
        for (auto it = m_done.rbegin(); it != m_done.rend(); ++it)
            Graph::instance().destroyDetached(it->detached.node);
        m_done.clear();
    }

    std::vector<std::string> m_names;
    std::vector<DeletedNode> m_done;
    KSelectionList m_selection;  // the active selection before the nodes went
};

// The scene's default material and shading group: every new mesh joins them, so they can be
// neither deleted nor renamed (the host would make new ones and leave meshes without a group).
bool isDefaultNode(const std::string& name) {
    static const char* const kDefaultNodes[] = {"lambert1", "initialShadingGroup"};
    return std::any_of(std::begin(kDefaultNodes), std::end(kDefaultNodes),
                       [&](const char* d) { return name == d; });
}

CommandResult deleteCmd(const CommandArgs& args, CommandContext&) {
    std::vector<std::string> words = positionalWords(args);
    if (words.empty()) return CommandResult::failure("delete: name the nodes to delete");
    std::vector<KObject> nodes;
    for (const std::string& w : words) {
        KObject n = findGraphNode(w);
        if (n.isNull()) return CommandResult::failure("No object matches name: " + w);
        if (isDefaultNode(nameOf(n)))
            return CommandResult::failure("Cannot delete the default node " + nameOf(n));
        nodes.push_back(n);
    }
    // DAG descendants go with their parents, children first.
    std::vector<KObject> all;
    std::function<void(const KObject&)> collect = [&](const KObject& n) {
        if (std::find(all.begin(), all.end(), n) != all.end()) return;
        for (const KObject& c : scene::childrenOf(n)) collect(c);
        all.push_back(n);
    };
    std::string error;
    if (args.has("constructionHistory")) {
        // Only the history goes: each named mesh keeps the mesh it shows.
        for (const KObject& n : nodes) {
            for (const KObject& c : scene::childrenOf(n))
                if (scene::meshNode(c) && !scene::deleteHistory(c, &error))
                    return CommandResult::failure(error);
            if (scene::meshNode(n) && !scene::deleteHistory(n, &error))
                return CommandResult::failure(error);
        }
        return {};
    }
    for (const KObject& n : nodes) collect(n);
    // A deleted mesh takes its own history with it.
    for (const KObject& n : all)
        if (scene::meshNode(n) && !scene::deleteHistory(n, &error))
            return CommandResult::failure(error);
    // A deleted modifier leaves its chain joined around it.
    const auto bridges = scene::historyBridges(all);
    std::vector<std::string> names;
    for (const KObject& n : all) names.push_back(nameOf(n));
    // Without an open chunk the item is dropped at once, which destroys the nodes.
    auto item = std::make_unique<DeleteUndoItem>(std::move(names));
    const bool ok = item->detachAll(&error);
    undo::undoQueue().record(std::move(item), /*changesNames=*/true);
    if (!ok) return CommandResult::failure(error);
    scene::connectBridges(bridges);
    return {};
}

CommandResult renameCmd(const CommandArgs& args, CommandContext&) {
    KObject node = findGraphNode(args[0].asString());
    if (node.isNull())
        return CommandResult::failure("No object matches name: " + args[0].asString());
    std::string before = nameOf(node), actual, error;
    if (isDefaultNode(before))
        return CommandResult::failure("Cannot rename the default node " + before);
    if (!Graph::instance().renameNode(node, args[1].asString(), &actual, &error))
        return CommandResult::failure(error);
    undo::undoQueue().record(
        [before, actual] {
            std::string a, e;
            Graph::instance().renameNode(Graph::instance().findNode(actual), before, &a, &e);
        },
        [before, actual] {
            std::string a, e;
            Graph::instance().renameNode(Graph::instance().findNode(before), actual, &a, &e);
        },
        "rename " + before, /*changesNames=*/true);
    return Value(actual);
}

CommandResult connectCmd(const CommandArgs& args, bool connect) {
    std::string error;
    KPlug src = findPlug(args[0].asString(), &error);
    if (src.isNull()) return CommandResult::failure(error);
    KPlug dst = findPlug(args[1].asString(), &error);
    if (dst.isNull()) return CommandResult::failure(error);
    const std::string s = src.name().str(), d = dst.name().str();
    auto link = [](const std::string& a, const std::string& b, bool on) {
        std::string e;
        KPlug pa = findPlug(a, &e), pb = findPlug(b, &e);
        if (pa.isNull() || pb.isNull()) return;
        if (on)
            Graph::instance().connect(pa, pb, true, &e);
        else
            Graph::instance().disconnect(pa, pb, &e);
    };
    if (connect) {
        // Undo takes the new connection away and gives the destination back what it had: the
        // value it held, or the connections forcing replaced, each at its old place.
        const std::vector<PlacedConnection> replaced =
            args.has("force") ? incomingConnections(dst) : std::vector<PlacedConnection>{};
        const auto held = std::make_shared<const DestinationValue>(dst);
        if (!Graph::instance().connect(src, dst, args.has("force"), &error))
            return CommandResult::failure(error);
        undo::undoQueue().record(
            [s, d, replaced, held, link] {
                link(s, d, false);
                if (replaced.empty()) held->restore();
                for (const PlacedConnection& c : replaced) restoreConnection(c);
            },
            [s, d, link] { link(s, d, true); }, "connectAttr " + s + " " + d);
        return Value(std::string("Connected ") + s + " to " + d + ".");
    }
    // Undo puts the connection back at its place in the graph's list.
    PlacedConnection placed{s, d, Graph::instance().connections().size()};
    const std::string srcName = Graph::instance().plugName(src);
    const std::string dstName = Graph::instance().plugName(dst);
    for (const PlacedConnection& c : incomingConnections(dst))
        if (c.source == srcName && c.destination == dstName) placed = c;
    if (!Graph::instance().disconnect(src, dst, &error)) return CommandResult::failure(error);
    undo::undoQueue().record([placed] { restoreConnection(placed); },
                             [s, d, link] { link(s, d, false); }, "disconnectAttr " + s + " " + d);
    return {};
}

CommandResult listAttrCmd(const CommandArgs& args, CommandContext&) {
    KObject node = findGraphNode(args[0].asString());
    if (node.isNull())
        return CommandResult::failure("No object matches name: " + args[0].asString());
    std::vector<std::string> names;
    for (const auto& a : NodeImpl::from(node)->type().attributes()) {
        if (args.has("keyable") && !a->keyable) continue;
        // A child of an output compound is written only through its parent: not writable.
        bool writable = true;
        for (const AttributeImpl* x = a.get(); x; x = x->parent) writable = writable && x->writable;
        if (args.has("writable") && !writable) continue;
        if (args.has("readOnly") && writable) continue;
        if (args.has("array") && !a->array) continue;
        if (args.has("visible") && a->hidden) continue;
        names.push_back(args.has("shortNames") ? a->shortName : a->longName);
    }
    return Value(names);
}

}  // namespace

void installDgCommands(CommandRegistry& registry) {
    auto add = [&](CommandSpec decl) {
        std::string error;
        registry.add(std::move(decl), &error);
    };
    add({.name = "createNode",
         .usage = "createNode [-n name] [-p parent] type",
         .minArgs = 1,
         .maxArgs = 1,
         .argTypes = {ArgType::String},
         .flags = {{.longName = "name", .shortName = "n", .args = {ArgType::String}},
                   {.longName = "parent", .shortName = "p", .args = {ArgType::String}}},
         .undoable = true,
         .body = createNodeCmd});
    add({.name = "delete",
         .usage = "delete [-ch] node...",
         .minArgs = 1,
         .maxArgs = kUnlimited,
         .argTypes = {ArgType::Any},
         .flags = {{.longName = "constructionHistory", .shortName = "ch"}},
         .undoable = true,
         .body = deleteCmd});
    add({.name = "rename",
         .usage = "rename node newName",
         .minArgs = 2,
         .maxArgs = 2,
         .argTypes = {ArgType::String},
         .undoable = true,
         .body = renameCmd});
    add({.name = "connectAttr",
         .usage = "connectAttr [-f] source destination",
         .minArgs = 2,
         .maxArgs = 2,
         .argTypes = {ArgType::String},
         .flags = {{.longName = "force", .shortName = "f"}},
         .undoable = true,
         .body = [](const CommandArgs& a, CommandContext&) { return connectCmd(a, true); }});
    add({.name = "disconnectAttr",
         .usage = "disconnectAttr source destination",
         .minArgs = 2,
         .maxArgs = 2,
         .argTypes = {ArgType::String},
         .undoable = true,
         .body = [](const CommandArgs& a, CommandContext&) { return connectCmd(a, false); }});
    add({.name = "listAttr",
         .usage = "listAttr [-k] [-w] [-ro] [-a] [-v] [-sn] node",
         .minArgs = 1,
         .maxArgs = 1,
         .argTypes = {ArgType::String},
         .flags = {{.longName = "keyable", .shortName = "k"},
                   {.longName = "writable", .shortName = "w"},
                   {.longName = "readOnly", .shortName = "ro"},
                   {.longName = "array", .shortName = "a"},
                   {.longName = "visible", .shortName = "v"},
                   {.longName = "shortNames", .shortName = "sn"}},
         .body = listAttrCmd});
    commands::addAttrCommands(registry);
    commands::addConnectionCommands(registry);
}

}  // namespace tarn::lang
