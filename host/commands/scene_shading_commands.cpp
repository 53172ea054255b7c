// shadingNode, sets and defaultNavigation.

#include <algorithm>
#include <memory>

#include "host/commands/connection_undo.h"
#include "host/commands/scene_command_util.h"
#include "host/commands/scene_commands.h"
#include "host/dg/graph.h"
#include "host/lang/command_modules.h"
#include "host/scene/component_impl.h"
#include "host/scene/dag.h"
#include "host/scene/node_access.h"
#include "host/scene/scene_undo.h"
#include "host/scene/selection.h"
#include "host/shading/shading_nodes.h"
#include "host/undo/undo.h"

namespace tarn::commands {

using lang::ArgType;
using lang::CommandArgs;
using lang::CommandContext;
using lang::CommandResult;
using lang::kUnlimited;
using lang::Value;
using shading::ShadingKind;

namespace {

CommandResult shadingNodeCmd(const CommandArgs& args, CommandContext&) {
    const int roles = (args.has("asShader") ? 1 : 0) + (args.has("asTexture") ? 1 : 0) +
                      (args.has("asUtility") ? 1 : 0) + (args.has("asLight") ? 1 : 0);
    if (roles != 1)
        return CommandResult::failure(
            "shadingNode needs exactly one of -asShader, -asTexture, -asUtility, -asLight");
    scene::ensureSceneTypes();
    const std::string type = args[0].asString();
    if (!Graph::instance().findType(type))
        return CommandResult::failure("Unknown node type: " + type);
    std::string error;
    KObject node = Graph::instance().createNode(
        type, args.has("name") ? args.flag("name").asString() : std::string(), &error);
    if (node.isNull()) return CommandResult::failure(error);
    scene::recordCreated({node}, "create " + scene::nodeName(node));
    return Value(scene::nodeName(node));
}

// Items for -forceElement / -addElement: whole meshes or face components.
struct Assignment {
    KObject mesh;
    std::vector<int> faces;  // empty: whole mesh
};

bool planAssignments(const KSelectionList& list, std::vector<Assignment>& out, std::string* error) {
    for (const auto& item : list.items()) {
        const KObject mesh = scene::meshShapeOf(item.node);
        if (mesh.isNull()) {
            *error = scene::nodeName(item.node) + " cannot join a shading group: it is not a mesh";
            return false;
        }
        if (item.component.isNull()) {
            out.push_back({mesh, {}});
            continue;
        }
        scene::ComponentImpl* c = scene::ComponentImpl::from(item.component);
        if (!c || c->kind() != scene::ComponentKind::Face) {
            *error = "Only faces can join a shading group (got " +
                     scene::selectionStrings([&] {
                         KSelectionList one;
                         one.items().push_back(item);
                         return one;
                     }())
                         .front() +
                     ")";
            return false;
        }
        std::vector<int> faces = scene::componentElements(item.component, mesh);
        if (!faces.empty()) out.push_back({mesh, std::move(faces)});
    }
    return true;
}

bool addToSet(const KObject& set, const KSelectionList& list, std::string* error) {
    if (shading::isShadingGroup(set)) {
        std::vector<Assignment> plan;
        if (!planAssignments(list, plan, error)) return false;
        for (const Assignment& a : plan)
            if (!shading::assignFaces(set, a.mesh, a.faces, error)) return false;
        return true;
    }
    auto* node = dynamic_cast<shading::SetNode*>(scene::liveNode(set)->userNode());
    using Members = std::vector<shading::SetMember>;
    const Members before = node->members;
    for (const std::string& name : scene::selectionStrings(list)) {
        // A listed name is its owner's name and the component part.
        const size_t dot = name.find('.');
        NodeImpl* owner = scene::liveNode(scene::findNode(name.substr(0, dot)));
        if (!owner) continue;
        shading::SetMember member{owner->shared_from_this(),
                                  dot == std::string::npos ? std::string() : name.substr(dot)};
        const bool present =
            std::any_of(node->members.begin(), node->members.end(), [&](const auto& m) {
                return m.node.lock().get() == owner && m.component == member.component;
            });
        if (!present) node->members.push_back(std::move(member));
    }
    const Members after = node->members;
    const std::string setName = scene::nodeName(set);
    auto restore = [setName](const Members& members) {
        if (NodeImpl* n = scene::liveNode(Graph::instance().findNode(setName)))
            if (auto* s = dynamic_cast<shading::SetNode*>(n->userNode())) s->members = members;
    };
    undo::undoQueue().record([restore, before] { restore(before); },
                             [restore, after] { restore(after); }, "add to " + setName);
    return true;
}

std::vector<std::string> setMembers(const KObject& set) {
    if (!shading::isShadingGroup(set)) {
        auto* node = dynamic_cast<shading::SetNode*>(scene::liveNode(set)->userNode());
        std::vector<std::string> names;
        if (!node) return names;
        for (const shading::SetMember& m : node->members)
            if (const auto owner = m.node.lock(); owner && owner->alive())
                names.push_back(owner->name() + m.component);
        return names;
    }
    std::vector<std::string> out;
    for (const shading::GroupMember& m : shading::groupMembers(set)) {
        if (m.whole) {
            out.push_back(scene::nodeName(m.mesh));
            continue;
        }
        for (std::string& s :
             scene::formatComponentNames(scene::componentOwnerName(scene::pathTo(m.mesh)),
                                         scene::ComponentKind::Face, m.faces))
            out.push_back(std::move(s));
    }
    return out;
}

KObject findSet(const std::string& name, std::string* error) {
    KObject set = Graph::instance().findNode(name);
    if (set.isNull() || !scene::liveNode(set)) {
        *error = "No set matches name: " + name;
        return {};
    }
    if (set.apiType() != KFn::kShadingEngine && set.apiType() != KFn::kSet) {
        *error = name + " is not a set";
        return {};
    }
    return set;
}

CommandResult setsCmd(const CommandArgs& args, CommandContext&) {
    scene::ensureSceneTypes();
    std::string error;
    if (args.isQuery()) {
        const std::vector<std::string> words = positionalWords(args);
        if (words.size() != 1) return CommandResult::failure("sets -q needs one set");
        KObject set = findSet(words[0], &error);
        if (set.isNull()) return CommandResult::failure(error);
        return Value(setMembers(set));
    }
    if (args.isEdit()) {
        const char* flag = args.has("forceElement") ? "forceElement"
                           : args.has("addElement") ? "addElement"
                                                    : nullptr;
        if (!flag) return CommandResult::failure("sets -edit needs -forceElement or -addElement");
        KObject set = findSet(args.flag(flag).asString(), &error);
        if (set.isNull()) return CommandResult::failure(error);
        KSelectionList items;
        if (!gatherItems(args, true, items, &error)) return CommandResult::failure(error);
        if (!addToSet(set, items, &error)) return CommandResult::failure(error);
        return {};
    }
    // Create a set: renderable sets are shading groups. Their members are checked before the
    // set is made, so a bad member leaves no set behind.
    KSelectionList items;
    if (!args.has("empty") && !gatherItems(args, true, items, &error))
        return CommandResult::failure(error);
    const bool renderable = args.has("renderable") && args.flag("renderable").asBool();
    std::vector<Assignment> plan;
    if (renderable && !planAssignments(items, plan, &error)) return CommandResult::failure(error);
    const std::string name = args.has("name") ? args.flag("name").asString() : std::string();
    KObject set = Graph::instance().createNode(
        renderable ? "shadingEngine" : "objectSet",
        name.empty() ? (renderable ? "shadingEngine1" : "set1") : name, &error);
    if (set.isNull()) return CommandResult::failure(error);
    scene::recordCreated({set}, "create " + scene::nodeName(set));
    if (!items.items().empty() && !addToSet(set, items, &error))
        return CommandResult::failure(error);
    return Value(scene::nodeName(set));
}

// Connects src.srcAttr to dst.dstAttr; with `force` an existing input is replaced.
bool link(const KObject& src, const char* srcAttr, const KObject& dst, const char* dstAttr,
          bool force, std::string* error) {
    Graph& graph = Graph::instance();
    const KPlug from = scene::plugByName(src, srcAttr), to = scene::plugByName(dst, dstAttr);
    if (from.isNull() || to.isNull()) {
        *error = "Cannot connect " + scene::nodeName(src) + "." + srcAttr + " to " +
                 scene::nodeName(dst) + "." + dstAttr;
        return false;
    }
    const std::vector<Connection> existing = graph.connectionsOf(to, true, false);
    // The very connection asked for is already there: nothing to do, forced or not.
    if (existing.size() == 1 && existing.front().srcNode.get() == scene::liveNode(src) &&
        existing.front().srcAttr == AttributeImpl::from(from.attribute()) &&
        existing.front().dstAttr == AttributeImpl::from(to.attribute()))
        return true;
    if (!existing.empty() && !force) {
        if (existing.front().srcNode.get() == scene::liveNode(src)) return true;  // already there
        *error = graph.plugName(to) + " is already connected; use -force true to replace it";
        return false;
    }
    // Undo by plug names: the new connection goes, and the destination gets back the value it
    // held or the connection forcing replaced, at its old place.
    const std::vector<commands::PlacedConnection> replaced = incomingConnections(to);
    const auto held = std::make_shared<const DestinationValue>(to);
    if (graph.connect(from, to, true, error).error()) return false;
    const std::string a = graph.plugName(from), b = graph.plugName(to);
    auto undoFn = [a, b, replaced, held] {
        std::string e;
        Graph& g = Graph::instance();
        g.disconnect(g.parsePlug(a, &e), g.parsePlug(b, &e), &e);
        if (replaced.empty()) held->restore();
        for (const commands::PlacedConnection& c : replaced) restoreConnection(c);
    };
    auto redoFn = [a, b] {
        std::string e;
        Graph& g = Graph::instance();
        g.connect(g.parsePlug(a, &e), g.parsePlug(b, &e), true, &e);
    };
    undo::undoQueue().record(undoFn, redoFn, "connect " + a);
    return true;
}

CommandResult defaultNavigationCmd(const CommandArgs& args, CommandContext&) {
    if (!args.has("source") || !args.has("destination"))
        return CommandResult::failure("defaultNavigation needs -source and -destination");
    std::string error;
    const std::string srcName = args.flag("source").asString();
    const std::string dstName = args.flag("destination").asString();
    const KObject src = scene::findNode(srcName);
    if (src.isNull()) return CommandResult::failure("No object matches name: " + srcName);
    const KObject dst = scene::findNode(dstName);
    if (dst.isNull()) return CommandResult::failure("No object matches name: " + dstName);
    const bool force = args.has("force") && args.flag("force").asBool();
    const ShadingKind from = shading::shadingKind(src), to = shading::shadingKind(dst);
    bool ok = false;
    if (from == ShadingKind::Shader && to == ShadingKind::ShadingGroup) {
        ok = link(src, "outColor", dst, "surfaceShader", force, &error);
    } else if (from == ShadingKind::Texture && to == ShadingKind::Shader) {
        ok = link(src, "outColor", dst, "color", force, &error);
    } else if (from == ShadingKind::Placement && to == ShadingKind::Texture) {
        ok = link(src, "outUV", dst, "uvCoord", force, &error);
    } else if (from == ShadingKind::Texture && !scene::meshShapeOf(dst).isNull()) {
        // A texture onto a mesh goes to the colour of the shader its first face uses.
        const std::vector<shading::GroupRun> runs =
            shading::faceGroupRuns(scene::meshShapeOf(dst));
        const KObject shader =
            runs.empty() ? KObject() : shading::surfaceShaderOf(runs.front().group);
        if (shader.isNull())
            return CommandResult::failure(dstName + " has no shader to take the texture");
        ok = link(src, "outColor", shader, "color", force, &error);
    } else if (from == ShadingKind::Shader && !scene::meshShapeOf(dst).isNull()) {
        return CommandResult::failure(
            "Assign shaders to meshes through a shading group (sets -forceElement)");
    } else {
        return CommandResult::failure("defaultNavigation cannot connect " + srcName + " to " +
                                      dstName);
    }
    if (!ok) return CommandResult::failure(error);
    return {};
}

}  // namespace

void addShadingCommands(lang::CommandRegistry& registry) {
    registry.add({.name = "shadingNode",
                  .usage = "shadingNode -asShader|-asTexture|-asUtility|-asLight [-n name] TYPE",
                  .minArgs = 1,
                  .maxArgs = 1,
                  .argTypes = {ArgType::String},
                  .flags = {{.longName = "asShader", .shortName = "as"},
                            {.longName = "asTexture", .shortName = "at"},
                            {.longName = "asUtility", .shortName = "au"},
                            {.longName = "asLight", .shortName = "al"},
                            {.longName = "name", .shortName = "n", .args = {ArgType::String}}},
                  .undoable = true,
                  .body = shadingNodeCmd});
    registry.add(
        {.name = "sets",
         .usage = "sets [-renderable bool] [-noSurfaceShader bool] [-empty] [-name N] [items...] | "
                  "sets -edit -forceElement SET items... | sets -q SET",
         .maxArgs = kUnlimited,
         .flags = {{.longName = "renderable", .shortName = "r", .args = {ArgType::Bool}},
                   {.longName = "noSurfaceShader", .shortName = "nss", .args = {ArgType::Bool}},
                   {.longName = "empty", .shortName = "em"},
                   {.longName = "name", .shortName = "n", .args = {ArgType::String}},
                   {.longName = "forceElement",
                    .shortName = "fe",
                    .args = {ArgType::String},
                    .edit = true,
                    .create = false},
                   {.longName = "addElement",
                    .shortName = "add",
                    .args = {ArgType::String},
                    .edit = true,
                    .create = false}},
         .queryMode = true,
         .editMode = true,
         .undoable = true,
         .body = setsCmd});
    registry.add(
        {.name = "defaultNavigation",
         .usage = "defaultNavigation -connectToExisting -source S -destination D [-force bool]",
         .flags = {{.longName = "connectToExisting", .shortName = "ce", .multiUse = true},
                   {.longName = "source", .shortName = "s", .args = {ArgType::String}},
                   {.longName = "destination", .shortName = "d", .args = {ArgType::String}},
                   {.longName = "force", .shortName = "f", .args = {ArgType::Bool}}},
         .undoable = true,
         .body = defaultNavigationCmd});
}

}  // namespace tarn::commands

namespace tarn::lang {

void installShadingCommands(CommandRegistry& registry) {
    commands::addShadingCommands(registry);
}

}  // namespace tarn::lang
