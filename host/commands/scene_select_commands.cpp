// select, ls and hilite.

#include <algorithm>
#include <cctype>

#include "host/commands/scene_command_util.h"
#include "host/commands/scene_commands.h"
#include "host/dg/graph.h"
#include "host/scene/component_impl.h"
#include "host/scene/dag.h"
#include "host/scene/selection.h"

namespace tarn::commands {

using lang::ArgType;
using lang::CommandArgs;
using lang::CommandContext;
using lang::CommandResult;
using lang::kUnlimited;
using lang::Value;

namespace {

// Removes the items (or component elements) of `remove` from `list`.
void subtract(KSelectionList& list, const KSelectionList& remove) {
    auto& items = list.items();
    for (const auto& r : remove.items()) {
        for (auto it = items.begin(); it != items.end();) {
            if (!(it->node == r.node)) {
                ++it;
                continue;
            }
            if (r.component.isNull()) {
                it = items.erase(it);
                continue;
            }
            scene::ComponentImpl* have = scene::ComponentImpl::from(it->component);
            scene::ComponentImpl* drop = scene::ComponentImpl::from(r.component);
            if (!have || have->apiType() != drop->apiType()) {
                ++it;
                continue;
            }
            std::vector<int> kept;
            std::set_difference(have->elements().begin(), have->elements().end(),
                                drop->elements().begin(), drop->elements().end(),
                                std::back_inserter(kept));
            if (kept.empty()) {
                it = items.erase(it);
                continue;
            }
            it->component = scene::ComponentImpl::make(have->apiType(), kept);
            ++it;
        }
    }
}

CommandResult selectCmd(const CommandArgs& args, CommandContext&) {
    if (args.has("clear")) {
        scene::setActiveSelection(KSelectionList());
        return {};
    }
    KSelectionList named;
    std::string error;
    if (!gatherItems(args, false, named, &error)) return CommandResult::failure(error);
    KSelectionList result;
    if (args.has("deselect")) {
        result = scene::activeSelection();
        subtract(result, named);
    } else if (args.has("add")) {
        result = scene::activeSelection();
        result.merge(named);
    } else if (args.has("toggle")) {
        result = scene::activeSelection();
        for (const auto& item : named.items()) {
            KSelectionList one;
            one.items().push_back(item);
            if (!item.component.isNull()) {
                // Components toggle one by one: selected ones leave, the others join.
                KSelectionList present = result;
                present.items().erase(
                    std::remove_if(present.items().begin(), present.items().end(),
                                   [&](const auto& i) { return !(i.node == item.node); }),
                    present.items().end());
                KSelectionList absent = one;
                subtract(absent, present);
                subtract(result, one);
                result.merge(absent);
                continue;
            }
            const bool present = std::any_of(
                result.items().begin(), result.items().end(),
                [&](const auto& i) { return i.node == item.node && i.component.isNull(); });
            if (present)
                subtract(result, one);
            else
                result.merge(one);
        }
    } else {
        result = named;
    }
    scene::setActiveSelection(result);
    return {};
}

// The node kind a family name stands for: "polyModifier" or "kPolyModifier" for
// kPolyModifier; kInvalid when it names no node kind.
KFn::Type familyKind(const std::string& name) {
    KFn::Type kind = KObjBase::find(name.c_str());
    if (kind == KFn::kInvalid && !name.empty()) {
        std::string asKind = "k" + name;
        asKind[1] = char(std::toupper(static_cast<unsigned char>(asKind[1])));
        kind = KObjBase::find(asKind.c_str());
    }
    return kFnIsA(kind, KFn::kDependencyNode) ? kind : KFn::kInvalid;
}

CommandResult lsCmd(const CommandArgs& args, CommandContext&) {
    std::vector<std::string> names;
    const bool longNames = args.has("long");
    const std::string type = args.has("type") ? args.flag("type").asString() : std::string();
    // A name that is no node type may name a family of kinds: "polyModifier" lists every node
    // that is a kind of kPolyModifier, whichever plug-in registered its type.
    const KFn::Type family =
        type.empty() || Graph::instance().findType(type) ? KFn::kInvalid : familyKind(type);
    auto typeOk = [&](const KObject& node) {
        if (type.empty()) return true;
        NodeImpl* n = scene::liveNode(node);
        if (!n) return false;
        if (n->type().name == type) return true;
        if (family != KFn::kInvalid && node.hasFn(family)) return true;
        // Families: "transform", "shape", "shadingEngine" style queries by kind.
        return (type == "dagNode" && scene::dagNode(node)) ||
               (type == "shape" && scene::dagNode(node) && scene::dagNode(node)->isShape());
    };
    if (args.has("selection")) {
        const KSelectionList& active = scene::activeSelection();
        for (const auto& item : active.items()) {
            if (!typeOk(item.node)) continue;
            KSelectionList one;
            one.items().push_back(item);
            for (std::string& s : scene::selectionStrings(one)) {
                if (longNames && item.component.isNull() && scene::dagNode(item.node))
                    s = scene::fullPathName(item.node);
                names.push_back(std::move(s));
            }
        }
        return Value(names);
    }
    std::vector<KObject> nodes;
    const std::vector<std::string> patterns = positionalWords(args);
    if (patterns.empty()) {
        nodes = Graph::instance().nodes();
    } else {
        KSelectionList list;
        std::string error;
        for (const std::string& p : patterns)
            if (!scene::addByName(list, p, &error)) continue;  // ls lists what matches
        for (const auto& item : list.items()) {
            if (!item.component.isNull()) {
                KSelectionList one;
                one.items().push_back(item);
                for (std::string& s : scene::selectionStrings(one)) names.push_back(std::move(s));
                continue;
            }
            nodes.push_back(item.node);
        }
    }
    for (const KObject& node : nodes) {
        if (!scene::liveNode(node) || !typeOk(node)) continue;
        names.push_back(longNames && scene::dagNode(node) ? scene::fullPathName(node)
                                                          : scene::nodeName(node));
    }
    return Value(names);
}

CommandResult hiliteCmd(const CommandArgs& args, CommandContext&) {
    KSelectionList list;
    std::string error;
    if (!gatherItems(args, true, list, &error)) return CommandResult::failure(error);
    auto& hilited = scene::hiliteList();
    if (args.has("replace")) hilited.clear();
    for (const auto& item : list.items()) {
        KObject owner = item.node;
        if (scene::dagNode(owner) && scene::dagNode(owner)->isShape() &&
            !scene::parentOf(owner).isNull())
            owner = scene::parentOf(owner);
        const std::string name = scene::nodeName(owner);
        if (args.has("unHilite")) {
            std::erase(hilited, name);
        } else if (std::find(hilited.begin(), hilited.end(), name) == hilited.end()) {
            hilited.push_back(name);
        }
    }
    return {};
}

}  // namespace

void addSelectCommands(lang::CommandRegistry& registry) {
    registry.add({.name = "select",
                  .usage = "select [-r|-add|-d|-tgl|-cl] [objects and components...]",
                  .minArgs = 0,
                  .maxArgs = kUnlimited,
                  .flags = {{.longName = "replace", .shortName = "r"},
                            {.longName = "add", .shortName = "add"},
                            {.longName = "deselect", .shortName = "d"},
                            {.longName = "toggle", .shortName = "tgl"},
                            {.longName = "clear", .shortName = "cl"},
                            {.longName = "noExpand", .shortName = "ne"}},
                  .undoable = true,
                  .body = selectCmd});
    registry.add({.name = "ls",
                  .usage = "ls [-sl] [-type TYPE] [-l] [names or patterns...]",
                  .minArgs = 0,
                  .maxArgs = kUnlimited,
                  .flags = {{.longName = "selection", .shortName = "sl"},
                            {.longName = "type", .shortName = "typ", .args = {ArgType::String}},
                            {.longName = "long", .shortName = "l"},
                            {.longName = "flatten", .shortName = "fl"}},
                  .body = lsCmd});
    registry.add({.name = "hilite",
                  .usage = "hilite [-r] [-u] [objects...]",
                  .minArgs = 0,
                  .maxArgs = kUnlimited,
                  .flags = {{.longName = "replace", .shortName = "r"},
                            {.longName = "unHilite", .shortName = "u"}},
                  .body = hiliteCmd});
}

}  // namespace tarn::commands
