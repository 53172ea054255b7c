// Construction history: polyHistory, polyObjectGroup and listHistory.

#include <algorithm>

#include "host/commands/scene_command_util.h"
#include "host/commands/scene_commands.h"
#include "host/dg/graph.h"
#include "host/scene/component_impl.h"
#include "host/scene/dag.h"
#include "host/scene/history.h"
#include "host/scene/selection.h"

namespace tarn::commands {

using lang::ArgType;
using lang::CommandArgs;
using lang::CommandContext;
using lang::CommandResult;
using lang::kUnlimited;
using lang::Value;

namespace {

// One mesh named by the items, with the faces named (empty: the whole mesh). False with a
// message when the items name no mesh, several meshes, or components other than faces.
bool oneMeshWithFaces(const CommandArgs& args, size_t firstWord, KObject* shape,
                      std::vector<int>* faces, std::string* error) {
    KSelectionList list;
    if (!gatherItems(args, true, list, error, firstWord)) return false;
    const std::vector<MeshItem> items = meshItems(list);
    if (items.empty()) return (*error = "name a mesh or faces of one mesh"), false;
    faces->clear();
    for (const MeshItem& item : items) {
        if (!shape->isNull() && *shape != item.shape)
            return (*error = "name faces of one mesh only"), false;
        *shape = item.shape;
        if (item.component.isNull()) continue;
        const scene::ComponentImpl* c = scene::ComponentImpl::from(item.component);
        if (!c || c->kind() != scene::ComponentKind::Face)
            return (*error = "only faces can form an object group"), false;
        for (int f : scene::componentElements(item.component, item.shape)) faces->push_back(f);
    }
    std::sort(faces->begin(), faces->end());
    faces->erase(std::unique(faces->begin(), faces->end()), faces->end());
    return true;
}

// A node named `word`, or a new node of the type `word`.
KObject nodeOrNew(const std::string& word, bool* made, std::string* error) {
    *made = false;
    KObject node = Graph::instance().findNode(word);
    if (!node.isNull()) return node;
    if (!Graph::instance().findType(word)) {
        *error = "No node or node type named " + word;
        return {};
    }
    *made = true;
    return Graph::instance().createNode(word, "", error);
}

CommandResult polyHistoryCmd(const CommandArgs& args, CommandContext&) {
    const bool insert = args.has("insert"), create = args.has("create");
    if (insert == create) return CommandResult::failure("polyHistory: give -insert or -create");
    std::string error;
    if (create) {
        const std::string word = args.flag("create").asString();
        bool made = false;
        KObject creator = nodeOrNew(word, &made, &error);
        if (creator.isNull()) return CommandResult::failure("polyHistory: " + error);
        if (!scene::isMeshCreator(creator)) {
            if (made) Graph::instance().deleteNode(creator, &error);
            return CommandResult::failure("polyHistory: " + word +
                                          " gives no mesh from nothing (it needs an outMesh and "
                                          "no inMesh)");
        }
        if (made) scene::recordNodeCreated(creator);
        const std::string name = args.has("name") ? args.flag("name").asString() : "";
        const KObject shape = scene::attachCreator(creator, name, &error);
        if (shape.isNull()) return CommandResult::failure("polyHistory: " + error);
        return Value(std::vector<std::string>{scene::nodeName(scene::parentOf(shape)),
                                              scene::nodeName(shape), scene::nodeName(creator)});
    }
    KObject shape;
    std::vector<int> faces;
    if (!oneMeshWithFaces(args, 0, &shape, &faces, &error))
        return CommandResult::failure("polyHistory: " + error);
    const std::string word = args.flag("insert").asString();
    bool made = false;
    KObject node = nodeOrNew(word, &made, &error);
    if (node.isNull()) return CommandResult::failure("polyHistory: " + error);
    if (!scene::isMeshModifier(node)) {
        if (made) Graph::instance().deleteNode(node, &error);
        return CommandResult::failure("polyHistory: " + word +
                                      " is no mesh modifier (it needs a mesh-typed inMesh and "
                                      "outMesh)");
    }
    if (made) scene::recordNodeCreated(node);
    KStatus status = faces.empty()
                         ? scene::insertModifier(shape, node, &error)
                         : scene::insertModifierOnFaces(shape, node, faces, nullptr, &error);
    if (!status) return CommandResult::failure("polyHistory: " + error);
    return Value(scene::nodeName(node));
}

CommandResult polyObjectGroupCmd(const CommandArgs& args, CommandContext&) {
    KObject shape;
    std::vector<int> faces;
    std::string error;
    if (!oneMeshWithFaces(args, 0, &shape, &faces, &error))
        return CommandResult::failure("polyObjectGroup: " + error);
    if (faces.empty()) return CommandResult::failure("polyObjectGroup: name or select faces");
    const int id = scene::addFaceGroup(shape, faces, &error);
    if (id < 0) return CommandResult::failure("polyObjectGroup: " + error);
    return Value(id);
}

CommandResult listHistoryCmd(const CommandArgs& args, CommandContext&) {
    KSelectionList list;
    std::string error;
    if (!gatherItems(args, true, list, &error)) return CommandResult::failure(error);
    std::vector<std::string> names;
    for (const MeshItem& item : meshItems(list))
        for (const KObject& n : scene::listHistory(item.shape)) {
            const std::string name = scene::nodeName(n);
            if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
        }
    return Value(names);
}

}  // namespace

void addHistoryCommands(lang::CommandRegistry& registry) {
    registry.add({.name = "polyHistory",
                  .usage = "polyHistory -insert NODE_OR_TYPE [mesh or faces] | -create "
                           "NODE_OR_TYPE [-n name]",
                  .maxArgs = kUnlimited,
                  .flags = {{.longName = "insert", .shortName = "i", .args = {ArgType::String}},
                            {.longName = "create", .shortName = "c", .args = {ArgType::String}},
                            {.longName = "name", .shortName = "n", .args = {ArgType::String}}},
                  .undoable = true,
                  .body = polyHistoryCmd});
    registry.add({.name = "polyObjectGroup",
                  .usage = "polyObjectGroup [faces]",
                  .maxArgs = kUnlimited,
                  .undoable = true,
                  .body = polyObjectGroupCmd});
    registry.add({.name = "listHistory",
                  .usage = "listHistory [objects]",
                  .maxArgs = kUnlimited,
                  .body = listHistoryCmd});
}

}  // namespace tarn::commands
