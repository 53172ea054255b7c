// Node and attribute procedures: whether a node, plug or component exists, a node's type, what
// an attribute is (type, range, default, children), and vertex positions.

#include "host/commands/dg_commands.h"
#include "host/commands/scene_command_util.h"
#include "host/dg/graph.h"
#include "host/dg/node_impl.h"
#include "host/dg/node_type.h"
#include "host/lang/stdlib/stdlib.h"
#include "host/scene/selection.h"

namespace tarn::lang::stdlib {
namespace {

/// True when `name` names a node, a DAG path, a plug ("node.attr") or existing components;
/// wildcards match as they do for select.
bool exists(const std::string& name) {
    if (name.empty()) return false;
    if (!commands::findGraphNode(name).isNull()) return true;
    std::string error;
    if (name.find('.') != std::string::npos && !commands::findPlug(name, &error).isNull())
        return true;
    KSelectionList list;
    return scene::addByName(list, name, &error) && !list.items().empty();
}

CommandResult objExistsCmd(const CommandArgs& args, CommandContext&) {
    return Value(std::int64_t(exists(args[0].asString())));
}

CommandResult nodeTypeCmd(const CommandArgs& args, CommandContext&) {
    // A component answers the type of its shape, a plug the type of its node.
    const std::string name = args[0].asString();
    const NodeImpl* node = NodeImpl::from(commands::findGraphNode(name));
    std::string error;
    if (!node && name.find('.') != std::string::npos) {
        KSelectionList list;
        if (scene::addByName(list, name, &error) && !list.items().empty())
            node = NodeImpl::from(list.items().front().node);
        else if (const KPlug plug = commands::findPlug(name, &error); !plug.isNull())
            node = NodeImpl::from(plug.node());
    }
    if (!node) return CommandResult::failure("nodeType: No object matches name: " + name);
    return Value(node->type().name);
}

/// The type word of an attribute, as scripts compare it: bool, long, float, double, enum,
/// float2/float3/double2/double3/long2/long3 for numeric pairs and triples (colours are float3),
/// string, matrix, message, typed (other data) or compound.
std::string attributeType(const AttributeImpl& a) {
    if (!a.enumFields.empty()) return "enum";
    switch (a.kind) {
        case CellKind::kBool:
            return "bool";
        case CellKind::kInt:
            return "long";
        case CellKind::kFloat:
            return "float";
        case CellKind::kDouble:
            return "double";
        case CellKind::kString:
            return "string";
        case CellKind::kFloatMatrix:
        case CellKind::kMatrix:
            return "matrix";
        case CellKind::kMessage:
            return "message";
        case CellKind::kCompound: {
            const std::size_t n = a.children.size();
            if ((n == 2 || n == 3) && a.children[0]->isNumericLeaf()) {
                const std::string leaf = attributeType(*a.children[0]);
                if (leaf == "bool" || leaf == "enum") return "compound";
                return leaf + std::to_string(n);
            }
            return "compound";
        }
        default:
            return "typed";
    }
}

/// The numeric leaves an attribute's range and default are read from: itself, or its children.
std::vector<const AttributeImpl*> leaves(const AttributeImpl& a) {
    if (a.isNumericLeaf()) return {&a};
    std::vector<const AttributeImpl*> out;
    for (const auto& c : a.children)
        if (c->isNumericLeaf()) out.push_back(c.get());
    return out;
}

CommandResult attributeQueryCmd(const CommandArgs& args, CommandContext&) {
    const std::string attrName = args[0].asString();
    const NodeType* type = nullptr;
    std::string owner;
    if (args.has("node")) {
        owner = args.flag("node").asString();
        const NodeImpl* node = NodeImpl::from(commands::findGraphNode(owner));
        if (!node)
            return CommandResult::failure("attributeQuery: No object matches name: " + owner);
        type = &node->type();
    } else if (args.has("type")) {
        owner = args.flag("type").asString();
        type = Graph::instance().findType(owner);
        if (!type) return CommandResult::failure("attributeQuery: Unknown node type: " + owner);
    } else {
        return CommandResult::failure("attributeQuery: -node or -type names where to look.");
    }
    const AttributeImpl* a = type->findAttribute(attrName);
    if (args.has("exists")) return Value(std::int64_t(a != nullptr));
    if (!a)
        return CommandResult::failure("attributeQuery: No attribute named " + attrName + " on " +
                                      owner + ".");

    // Answers for the flag given (the first in this table that is present).
    auto range = [&](auto member) {
        std::vector<double> out;
        for (const AttributeImpl* leaf : leaves(*a))
            if ((leaf->*member)) out.push_back(*(leaf->*member));
        return Value(out);
    };
    auto has = [&](auto member) {
        const auto ls = leaves(*a);
        return Value(std::int64_t(!ls.empty() && std::all_of(ls.begin(), ls.end(), [&](auto* l) {
            return (l->*member).has_value();
        })));
    };
    if (args.has("attributeType")) return Value(attributeType(*a));
    if (args.has("longName")) return Value(a->longName);
    if (args.has("shortName")) return Value(a->shortName);
    if (args.has("minimum")) return range(&AttributeImpl::minValue);
    if (args.has("maximum")) return range(&AttributeImpl::maxValue);
    if (args.has("softMin")) return range(&AttributeImpl::softMinValue);
    if (args.has("softMax")) return range(&AttributeImpl::softMaxValue);
    if (args.has("minExists")) return has(&AttributeImpl::minValue);
    if (args.has("maxExists")) return has(&AttributeImpl::maxValue);
    if (args.has("listDefault")) {
        if (a->kind == CellKind::kString) return Value(std::vector<std::string>{a->defaultString});
        std::vector<double> out;
        for (const AttributeImpl* leaf : leaves(*a)) out.push_back(leaf->defaultValue);
        return Value(out);
    }
    if (args.has("listChildren")) {
        std::vector<std::string> out;
        for (const auto& c : a->children) out.push_back(c->longName);
        return Value(out);
    }
    if (args.has("listParent"))
        return Value(a->parent ? std::vector<std::string>{a->parent->longName}
                               : std::vector<std::string>{});
    if (args.has("numberOfChildren")) return Value(std::int64_t(a->children.size()));
    if (args.has("listEnum")) {
        std::string fields;
        for (const auto& [name, value] : a->enumFields)
            fields += (fields.empty() ? "" : ":") + name + "=" + std::to_string(value);
        return Value(std::vector<std::string>{fields});
    }
    if (args.has("multi")) return Value(std::int64_t(a->array));
    if (args.has("keyable")) return Value(std::int64_t(a->keyable));
    if (args.has("hidden")) return Value(std::int64_t(a->hidden));
    if (args.has("readable")) return Value(std::int64_t(a->readable));
    if (args.has("writable")) return Value(std::int64_t(a->writable));
    if (args.has("storable")) return Value(std::int64_t(a->storable));
    if (args.has("usedAsColor")) return Value(std::int64_t(a->usedAsColor));
    return CommandResult::failure(
        "attributeQuery: name what to ask (-exists, -attributeType, "
        "-minimum, -maximum, -listDefault, ...).");
}

CommandResult attributeExistsCmd(const CommandArgs& args, CommandContext&) {
    const NodeImpl* node = NodeImpl::from(commands::findGraphNode(args[1].asString()));
    return Value(std::int64_t(node && node->type().findAttribute(args[0].asString())));
}

CommandResult pointPositionCmd(const CommandArgs& args, CommandContext&) {
    // World space unless -local is given.
    KSelectionList list;
    std::string error;
    if (!scene::addByName(list, args[0].asString(), &error))
        return CommandResult::failure("pointPosition: " + error);
    std::vector<double> points;
    if (!commands::vertexPoints(list, !args.has("local"), points, &error))
        return CommandResult::failure("pointPosition: " + error);
    if (points.size() != 3)
        return CommandResult::failure("pointPosition: name one vertex, not " +
                                      std::to_string(points.size() / 3) + ".");
    return Value(points);
}

}  // namespace

void addNodeProcedures(CommandRegistry& registry) {
    using A = ArgType;
    std::vector<FlagSpec> queryFlags = {
        {.longName = "node", .shortName = "n", .args = {A::String}},
        {.longName = "type", .shortName = "typ", .args = {A::String}},
    };
    const char* const answers[][2] = {
        {"exists", "ex"},       {"attributeType", "at"},    {"longName", "ln"},
        {"shortName", "sn"},    {"minimum", "min"},         {"maximum", "max"},
        {"softMin", "smn"},     {"softMax", "smx"},         {"minExists", "mne"},
        {"maxExists", "mxe"},   {"listDefault", "ld"},      {"listChildren", "lc"},
        {"listParent", "lp"},   {"numberOfChildren", "nc"}, {"listEnum", "le"},
        {"multi", "m"},         {"keyable", "k"},           {"hidden", "h"},
        {"readable", "r"},      {"writable", "w"},          {"storable", "s"},
        {"usedAsColor", "uac"},
    };
    for (const auto& [longName, shortName] : answers)
        queryFlags.push_back({.longName = longName, .shortName = shortName});
    const CommandSpec procedures[] = {
        {.name = "objExists",
         .usage = "objExists name",
         .summary = "1 when a node, DAG path, plug (node.attr) or component of that name exists.",
         .minArgs = 1,
         .maxArgs = 1,
         .argTypes = {A::String},
         .body = objExistsCmd},
        {.name = "nodeType",
         .usage = "nodeType name",
         .summary = "The type of the node (of a plug's or component's node).",
         .minArgs = 1,
         .maxArgs = 1,
         .argTypes = {A::String},
         .body = nodeTypeCmd},
        {.name = "attributeQuery",
         .usage = "attributeQuery (-node NODE | -type NODE_TYPE) -exists|-attributeType|-minimum|"
                  "-maximum|-listDefault|... attribute",
         .summary = "What an attribute of a node or node type is: -exists, -attributeType (bool, "
                    "long, float, double, enum, float3, double3, string, matrix, message, typed, "
                    "compound), -minimum/-maximum/-softMin/-softMax (per child), "
                    "-minExists/-maxExists, -listDefault, -listChildren, -listParent, "
                    "-numberOfChildren, -listEnum, -multi, -keyable, -hidden, -readable, "
                    "-writable, -storable, -usedAsColor, -longName, -shortName.",
         .minArgs = 1,
         .maxArgs = 1,
         .argTypes = {A::String},
         .flags = queryFlags,
         .body = attributeQueryCmd},
        {.name = "attributeExists",
         .usage = "attributeExists attribute node",
         .summary = "1 when the node has the attribute (long or short name).",
         .minArgs = 2,
         .maxArgs = 2,
         .argTypes = {A::String},
         .body = attributeExistsCmd},
        {.name = "pointPosition",
         .usage = "pointPosition [-world | -local] mesh.vtx[N]",
         .summary = "The position of one vertex: world space, or the mesh's own with -local.",
         .minArgs = 1,
         .maxArgs = 1,
         .argTypes = {A::String},
         .flags = {{.longName = "world", .shortName = "w"},
                   {.longName = "local", .shortName = "l"}},
         .body = pointPositionCmd},
    };
    for (const auto& procedure : procedures) registry.add(procedure);
}

}  // namespace tarn::lang::stdlib
