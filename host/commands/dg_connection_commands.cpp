// listConnections: what a node or plug is connected to, in the graph's connection order.

#include "host/commands/dg_commands.h"

#include <algorithm>
#include <memory>

#include "host/commands/scene_command_util.h"
#include "host/dg/graph.h"
#include "host/scene/dag.h"

namespace tarn::commands {

using lang::ArgType;
using lang::CommandArgs;
using lang::CommandContext;
using lang::CommandResult;
using lang::Value;

namespace {

std::string plugText(const std::shared_ptr<NodeImpl>& node, const AttributeImpl* attribute,
                     int index) {
    return Graph::instance().plugName(KPlug(
        KObject(node),
        KObject(std::const_pointer_cast<AttributeImpl>(attribute->shared_from_this())), index));
}

// A word of listConnections: a whole node, or one of its plugs (children and parents count).
struct Item {
    NodeImpl* node = nullptr;
    KPlug plug;  // null: the whole node
};

CommandResult listConnectionsCmd(const CommandArgs& args, CommandContext&) {
    // -s and -d name the other end's role; both are on unless one is given as false.
    const bool sources = !args.has("source") || args.flag("source").asBool();
    const bool destinations = !args.has("destination") || args.flag("destination").asBool();
    const bool plugs = args.has("plugs") && args.flag("plugs").asBool();
    const bool pairs = args.has("connections") && args.flag("connections").asBool();
    const std::string type = args.has("type") ? args.flag("type").asString() : std::string();
    Graph& graph = Graph::instance();

    // Resolve every word before answering, so a bad one answers nothing.
    std::vector<Item> items;
    for (const std::string& word : positionalWords(args)) {
        const size_t dot = word.find('.');
        const std::string nodeName = word.substr(0, dot);
        KObject node = scene::findNode(nodeName);
        if (node.isNull()) node = graph.findNode(nodeName);
        NodeImpl* impl = NodeImpl::from(node);
        if (!impl || !impl->alive())
            return CommandResult::failure("No object matches name: " + nodeName);
        Item item{impl, {}};
        if (dot != std::string::npos) {
            std::string error;
            item.plug = graph.parsePlug(impl->name() + word.substr(dot), &error);
            if (item.plug.isNull()) return CommandResult::failure(error);
        }
        items.push_back(item);
    }

    std::vector<std::string> out;
    auto emit = [&](const std::shared_ptr<NodeImpl>& ownNode, const AttributeImpl* ownAttr,
                    int ownIndex, const std::shared_ptr<NodeImpl>& otherNode,
                    const AttributeImpl* otherAttr, int otherIndex) {
        if (!type.empty() && otherNode->type().name != type) return;
        const std::string other =
            plugs ? plugText(otherNode, otherAttr, otherIndex) : otherNode->name();
        if (pairs) {
            out.push_back(plugText(ownNode, ownAttr, ownIndex));
            out.push_back(other);
        } else if (plugs || std::find(out.begin(), out.end(), other) == out.end()) {
            out.push_back(other);
        }
    };
    for (const Item& item : items) {
        std::vector<Connection> touching;
        if (item.plug.isNull()) {
            for (const Connection& c : graph.connections())
                if (c.srcNode.get() == item.node || c.dstNode.get() == item.node)
                    touching.push_back(c);
        } else {
            touching = graph.connectionsOf(item.plug, true, true);
        }
        for (const Connection& c : touching) {
            if (sources && c.dstNode.get() == item.node)
                emit(c.dstNode, c.dstAttr, c.dstIndex, c.srcNode, c.srcAttr, c.srcIndex);
            if (destinations && c.srcNode.get() == item.node)
                emit(c.srcNode, c.srcAttr, c.srcIndex, c.dstNode, c.dstAttr, c.dstIndex);
        }
    }
    return Value(out);
}

}  // namespace

void addConnectionCommands(lang::CommandRegistry& registry) {
    registry.add(
        {.name = "listConnections",
         .usage = "listConnections [-s bool] [-d bool] [-p bool] [-c bool] [-type T] node|plug...",
         .minArgs = 1,
         .maxArgs = lang::kUnlimited,
         .argTypes = {ArgType::String},
         .flags = {{.longName = "source", .shortName = "s", .args = {ArgType::Bool}},
                   {.longName = "destination", .shortName = "d", .args = {ArgType::Bool}},
                   {.longName = "plugs", .shortName = "p", .args = {ArgType::Bool}},
                   {.longName = "connections", .shortName = "c", .args = {ArgType::Bool}},
                   {.longName = "type", .shortName = "t", .args = {ArgType::String}}},
         .body = listConnectionsCmd});
}

}  // namespace tarn::commands
