// parent, hide, showHidden, move, rotate, scale, xform, camera and listRelatives.

#include <algorithm>
#include <cctype>
#include <cmath>
#include <set>

#include "host/commands/scene_command_util.h"
#include "host/commands/scene_commands.h"
#include "host/dg/graph.h"
#include "host/scene/component_impl.h"
#include "host/scene/dag.h"
#include "host/scene/node_access.h"
#include "host/scene/scene_undo.h"
#include "host/scene/selection.h"

namespace tarn::commands {

using lang::ArgType;
using lang::CommandArgs;
using lang::CommandContext;
using lang::CommandResult;
using lang::kUnlimited;
using lang::Value;

namespace {

// The transforms named by a list (shapes answer their transform).
std::vector<KObject> transformsOf(const KSelectionList& list) {
    std::vector<KObject> out;
    for (const auto& item : list.items()) {
        KObject node = item.node;
        if (node.apiType() != KFn::kTransform) node = scene::parentOf(node);
        if (node.apiType() == KFn::kTransform &&
            std::find(out.begin(), out.end(), node) == out.end())
            out.push_back(node);
    }
    return out;
}

// Why `children` cannot go under `parent` (the world when null), "" when they all can. Mirrors
// the checks of scene::setParent for every child at once.
std::string parentingError(const std::vector<KObject>& children, const KObject& parent) {
    for (const KObject& child : children) {
        scene::DagNodeBase* dag = scene::dagNode(child);
        if (!dag) return "Not a DAG node: " + scene::nodeName(child);
        if (parent.isNull()) {
            if (dag->isShape())
                return "A shape cannot be placed under the world: " + scene::nodeName(child);
            continue;
        }
        scene::DagNodeBase* parentDag = scene::dagNode(parent);
        if (!parentDag || parentDag->isShape())
            return "Cannot parent under " + scene::nodeName(parent) + ": not a transform";
        for (KObject up = parent; !up.isNull(); up = scene::parentOf(up))
            if (up == child)
                return "Cannot parent " + scene::nodeName(child) +
                       " under itself or its descendant " + scene::nodeName(parent);
    }
    return {};
}

// Why a user may not write one of `plugs` ("" when all are writable), checked before any of
// them changes.
std::string unwritable(const std::vector<KPlug>& plugs) {
    std::string error;
    for (const KPlug& plug : plugs)
        if (!plug.isNull() && !Graph::instance().canWrite(plug, &error)) return error;
    return {};
}

CommandResult parentCmd(const CommandArgs& args, CommandContext&) {
    std::vector<std::string> words = positionalWords(args);
    const bool toWorld = args.has("world");
    if (words.size() < (toWorld ? 1u : 2u))
        return CommandResult::failure(toWorld ? "parent -w needs at least one object"
                                              : "parent needs objects and a parent");
    KObject parent;
    if (!toWorld) {
        parent = scene::findNode(words.back());
        if (parent.isNull())
            return CommandResult::failure("No object matches name: " + words.back());
        words.pop_back();
    }
    std::vector<KObject> children;
    for (const std::string& w : words) {
        KObject child = scene::findNode(w);
        if (child.isNull()) return CommandResult::failure("No object matches name: " + w);
        children.push_back(child);
    }
    // Check every child before the first move, so a refused one leaves the others in place.
    std::string error;
    if (const std::string why = parentingError(children, parent); !why.empty())
        return CommandResult::failure(why);
    std::vector<std::string> result;
    for (const KObject& child : children) {
        const std::string oldParent = scene::nodeName(scene::parentOf(child));
        const int oldIndex = scene::childIndex(child);
        if (!scene::setParent(child, parent, &error)) return CommandResult::failure(error);
        scene::recordParentChange(scene::nodeName(child), oldParent, scene::nodeName(parent),
                                  oldIndex);
        result.push_back(scene::nodeName(child));
    }
    return Value(result);
}

CommandResult visibilityCmd(const CommandArgs& args, bool show) {
    KSelectionList list;
    std::string error;
    if (!gatherItems(args, true, list, &error)) return CommandResult::failure(error);
    std::vector<KObject> nodes;
    if (show && args.has("all")) {
        nodes = scene::allDagNodes();
    } else {
        for (const auto& item : list.items()) nodes.push_back(item.node);
    }
    if (nodes.empty() && !show)
        return CommandResult::failure("Nothing to hide: select objects or name them");
    std::vector<KPlug> plugs;
    for (const KObject& node : nodes) {
        // A selected shape hides its transform, like picking it in a view would.
        KObject target = node;
        if (scene::dagNode(node) && scene::dagNode(node)->isShape() &&
            !scene::parentOf(node).isNull())
            target = scene::parentOf(node);
        const KPlug plug = scene::plugByName(target, "visibility");
        if (!plug.isNull()) plugs.push_back(plug);
    }
    if (const std::string why = unwritable(plugs); !why.empty()) return CommandResult::failure(why);
    for (const KPlug& plug : plugs)
        if (!scene::setPlugValuesUndoable(plug, {show ? 1.0 : 0.0}, &error))
            return CommandResult::failure(error);
    return {};
}

// The x y z that open the arguments of move, rotate and scale. False with a message when fewer
// than three numbers lead or one of them is not finite.
bool vectorArgs(const CommandArgs& args, KVector& v, std::string* error) {
    for (unsigned i = 0; i < 3; ++i) {
        double d = 0;
        if (!lang::numberOf(args[i], d)) {
            *error = args.commandName() == "move" ? "move needs three numbers: x y z"
                                                  : "three numbers are needed: x y z";
            return false;
        }
        if (!lang::isFiniteNumber(d)) {
            *error = lang::nonFiniteMessage(
                args.commandName(), "argument " + std::to_string(i + 1),
                args[i].isNumber() ? lang::formatFloat(d) : args[i].asString());
            return false;
        }
        v[i] = d;
    }
    return true;
}

// Moves the vertices of component selections, each vertex once however many items name it;
// false with a message when an item cannot move.
bool moveComponents(const std::vector<MeshItem>& items, const KVector& value, bool relative,
                    bool worldSpace, std::string* error) {
    // Gather the vertices to move per mesh, in the order the meshes are first named.
    std::vector<std::pair<KObject, std::set<int>>> meshes;
    for (const MeshItem& item : items) {
        scene::MeshNode* node = scene::meshNode(item.shape);
        scene::ComponentImpl* c = scene::ComponentImpl::from(item.component);
        if (!node || !c) continue;
        auto it = std::find_if(meshes.begin(), meshes.end(),
                               [&](const auto& m) { return m.first == item.shape; });
        if (it == meshes.end()) it = meshes.insert(meshes.end(), {item.shape, {}});
        std::set<int>& vertices = it->second;
        const PolyMesh& mesh = node->mesh();
        for (int e : scene::componentElements(item.component, item.shape)) {
            switch (c->kind()) {
                case scene::ComponentKind::Vertex:
                    vertices.insert(e);
                    break;
                case scene::ComponentKind::Edge:
                    vertices.insert(mesh.edge(e).v0);
                    vertices.insert(mesh.edge(e).v1);
                    break;
                case scene::ComponentKind::Face:
                    for (int v : mesh.faceVertices(e)) vertices.insert(v);
                    break;
                default:
                    if (error) *error = "UVs cannot be moved with move";
                    return false;
            }
        }
    }
    // A vertex whose tweak (pnts) is locked stays where it is: refuse before the first change.
    for (const auto& [shape, vertices] : meshes) {
        const KPlug pnts = scene::plugByName(shape, "pnts");
        if (pnts.isNull()) continue;
        for (int v : vertices) {
            const KPlug element = pnts.elementByLogicalIndex(static_cast<unsigned>(v));
            if (!element.isNull() && !Graph::instance().canWrite(element, error)) return false;
        }
    }
    for (const auto& [shape, vertices] : meshes) {
        scene::MeshNode* node = scene::meshNode(shape);
        const KMatrix toObject = scene::worldMatrix(shape).inverse();
        auto target = [&](const Vec3& p) {
            KPoint k(p.x, p.y, p.z);
            if (relative) return k + (worldSpace ? value * toObject : value);
            return worldSpace ? KPoint(value) * toObject : KPoint(value);
        };
        if (node->hasHistory()) {
            // The points come from upstream: the move goes into the tweaks, which apply after
            // the last modifier and so survive its recomputes.
            const KPlug pnts = scene::plugByName(shape, "pnts");
            for (int v : vertices) {
                const Vec3 p = node->readMesh().point(v);
                const KPoint k = target(p);
                const Vec3 t = node->tweak(v) + (Vec3{k.x, k.y, k.z} - p);
                if (!scene::setPlugValuesUndoable(pnts.elementByLogicalIndex(unsigned(v)),
                                                  {t.x, t.y, t.z}, error))
                    return false;
            }
            continue;
        }
        const PolyMesh before = node->mesh();
        for (int v : vertices) {
            const KPoint k = target(node->mesh().point(v));
            node->setPoint(v, {k.x, k.y, k.z});
        }
        scene::recordMeshChange(scene::nodeName(shape), before, node->mesh());
    }
    return true;
}

CommandResult transformCmd(const CommandArgs& args, const char* attribute) {
    KVector value;
    std::string error;
    if (!vectorArgs(args, value, &error)) return CommandResult::failure(error);
    KSelectionList list;
    if (!gatherItems(args, true, list, &error, 3)) return CommandResult::failure(error);
    if (list.items().empty()) return CommandResult::failure("Nothing selected to transform");
    const bool relative = args.has("relative");
    const bool worldSpace = args.has("worldSpace");
    std::vector<MeshItem> components;
    KSelectionList objects;
    for (const auto& item : list.items()) {
        if (item.component.isNull())
            objects.items().push_back(item);
        else
            components.push_back({scene::meshShapeOf(item.node), item.component});
    }
    // Check everything before the first change.
    for (const MeshItem& item : components) {
        const scene::ComponentImpl* c = scene::ComponentImpl::from(item.component);
        if (std::string(attribute) != "translate")
            return CommandResult::failure("Only move works on components");
        if (c && c->kind() == scene::ComponentKind::UV)
            return CommandResult::failure("UVs cannot be moved with move");
    }
    std::vector<KPlug> plugs;
    for (const KObject& t : transformsOf(objects)) plugs.push_back(scene::plugByName(t, attribute));
    if (const std::string why = unwritable(plugs); !why.empty()) return CommandResult::failure(why);
    if (!components.empty()) {
        if (!moveComponents(components, value, relative, worldSpace, &error))
            return CommandResult::failure(error);
    }
    for (const KObject& t : transformsOf(objects)) {
        KVector next = value;
        const KVector current = scene::readVector(t, attribute);
        if (relative) {
            next = std::string(attribute) == "scale"
                       ? KVector(current.x * value.x, current.y * value.y, current.z * value.z)
                       : current + value;
        } else if (worldSpace && std::string(attribute) == "translate") {
            next = (KPoint(value) * scene::worldMatrix(scene::parentOf(t)).inverse()).asVector();
        }
        if (!scene::setPlugValuesUndoable(scene::plugByName(t, attribute), {next.x, next.y, next.z},
                                          &error))
            return CommandResult::failure(error);
    }
    return {};
}

CommandResult xformCmd(const CommandArgs& args, CommandContext&) {
    KSelectionList list;
    std::string error;
    if (!gatherItems(args, true, list, &error)) return CommandResult::failure(error);
    const bool world = args.has("worldSpace");
    const bool components = std::any_of(list.items().begin(), list.items().end(),
                                        [](const auto& item) { return !item.component.isNull(); });
    if (args.isQuery() && components) {
        // Vertices answer their points (object space, or world space with -ws), one after the
        // other, instead of their transform's translation.
        if (args.has("rotation") || args.has("scale") || args.has("matrix"))
            return CommandResult::failure("xform: vertices have only a translation to query");
        std::vector<double> points;
        if (!vertexPoints(list, world, points, &error))
            return CommandResult::failure("xform: " + error);
        return Value(points);
    }
    const std::vector<KObject> transforms = transformsOf(list);
    if (transforms.empty()) return CommandResult::failure("xform needs a transform");
    if (args.isQuery()) {
        const KObject t = transforms.front();
        if (args.has("matrix")) {
            const KMatrix m = world ? scene::worldMatrix(t) : scene::localMatrix(t);
            std::vector<double> out;
            for (int i = 0; i < 4; ++i)
                for (int j = 0; j < 4; ++j) out.push_back(m[i][j]);
            return Value(out);
        }
        const char* attr = args.has("rotation") ? "rotate"
                           : args.has("scale")  ? "scale"
                                                : "translate";
        KVector v = scene::readVector(t, attr);
        if (world && std::string(attr) == "translate") {
            const KMatrix m = scene::worldMatrix(t);
            v = {m[3][0], m[3][1], m[3][2]};
        }
        return Value(std::vector<double>{v.x, v.y, v.z});
    }
    struct Row {
        const char* flag;
        const char* attribute;
    } rows[] = {{"translation", "translate"}, {"rotation", "rotate"}, {"scale", "scale"}};
    for (const Row& r : rows)
        for (size_t i = 0; args.has(r.flag) && i < 3; ++i)
            if (!std::isfinite(args.flag(r.flag, i).asFloat()))
                return CommandResult::failure("xform: -" + std::string(r.flag) +
                                              " takes finite numbers");
    std::vector<KPlug> plugs;
    for (const KObject& t : transforms)
        for (const Row& r : rows)
            if (args.has(r.flag)) plugs.push_back(scene::plugByName(t, r.attribute));
    if (const std::string why = unwritable(plugs); !why.empty()) return CommandResult::failure(why);
    for (const KObject& t : transforms)
        for (const Row& r : rows) {
            if (!args.has(r.flag)) continue;
            KVector v(args.flag(r.flag, 0).asFloat(), args.flag(r.flag, 1).asFloat(),
                      args.flag(r.flag, 2).asFloat());
            if (args.has("relative")) {
                const KVector c = scene::readVector(t, r.attribute);
                v = std::string(r.attribute) == "scale" ? KVector(c.x * v.x, c.y * v.y, c.z * v.z)
                                                        : c + v;
            } else if (world && std::string(r.attribute) == "translate") {
                v = (KPoint(v) * scene::worldMatrix(scene::parentOf(t)).inverse()).asVector();
            }
            if (!scene::setPlugValuesUndoable(scene::plugByName(t, r.attribute), {v.x, v.y, v.z},
                                              &error))
                return CommandResult::failure(error);
        }
    return {};
}

// True for names the graph takes: letters, digits and '_', not starting with a digit.
bool validNodeName(const std::string& name) {
    if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0]))) return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
    });
}

// "camera -n shot" names the transform "shot" and its shape "shotShape", as the primitives do.
CommandResult cameraCmd(const CommandArgs& args, CommandContext&) {
    const std::string name = args.has("name") ? args.flag("name").asString() : std::string();
    if (args.has("name") && !validNodeName(name))
        return CommandResult::failure("Invalid node name: " + name);
    KFnCamera fn;
    KStatus status;
    const KObject transform = fn.create(&status);
    if (status.error()) return CommandResult::failure("Could not create a camera");
    if (args.has("name")) {
        KFnDependencyNode t(transform);
        const KString actual = t.setName(name);
        KFnDependencyNode(fn.object()).setName(KString(actual.str() + "Shape"));
    }
    if (args.has("position"))
        scene::writeVector(transform, "translate",
                           {args.flag("position", 0).asFloat(), args.flag("position", 1).asFloat(),
                            args.flag("position", 2).asFloat()});
    // A refused lens or clip value fails the command; the interpreter takes the new camera back.
    const KObject shape = fn.object();
    if (args.has("focalLength")) {
        const double fl = args.flag("focalLength").asFloat();
        if (std::string why = scene::cameraValueProblem(shape, "focalLength", fl); !why.empty())
            return CommandResult::failure("camera: " + why);
        fn.setFocalLength(fl);
    }
    const double nearClip =
        args.has("nearClipPlane") ? args.flag("nearClipPlane").asFloat() : fn.nearClippingPlane();
    const double farClip =
        args.has("farClipPlane") ? args.flag("farClipPlane").asFloat() : fn.farClippingPlane();
    if (!(nearClip > 0.0) || !std::isfinite(nearClip))
        return CommandResult::failure("camera: nearClipPlane must be greater than 0");
    if (!(farClip > nearClip) || !std::isfinite(farClip))
        return CommandResult::failure("camera: farClipPlane must be greater than nearClipPlane");
    // Set the planes in an order in which each step keeps near < far.
    if (farClip > fn.nearClippingPlane()) {
        fn.setFarClippingPlane(farClip);
        fn.setNearClippingPlane(nearClip);
    } else {
        fn.setNearClippingPlane(nearClip);
        fn.setFarClippingPlane(farClip);
    }
    if (args.has("orthographic")) fn.setIsOrtho(args.flag("orthographic").asBool());
    return Value(std::vector<std::string>{scene::nodeName(transform), fn.name().str()});
}

CommandResult listRelativesCmd(const CommandArgs& args, CommandContext&) {
    KSelectionList list;
    std::string error;
    if (!gatherItems(args, true, list, &error)) return CommandResult::failure(error);
    const bool full = args.has("fullPath");
    const std::string type = args.has("type") ? args.flag("type").asString() : std::string();
    std::vector<std::string> out;
    auto emit = [&](const KObject& n) {
        if (n.isNull()) return;
        if (!type.empty()) {
            NodeImpl* impl = scene::liveNode(n);
            if (!impl || impl->type().name != type) return;
        }
        out.push_back(full ? scene::fullPathName(n) : scene::nodeName(n));
    };
    for (const auto& item : list.items()) {
        if (args.has("parent")) {
            emit(scene::parentOf(item.node));
        } else if (args.has("shapes")) {
            for (const KObject& s : scene::shapesOf(item.node)) emit(s);
        } else if (args.has("allDescendents")) {
            std::vector<KObject> stack = scene::childrenOf(item.node);
            std::vector<KObject> found;
            while (!stack.empty()) {
                KObject n = stack.back();
                stack.pop_back();
                found.push_back(n);
                for (const KObject& c : scene::childrenOf(n)) stack.push_back(c);
            }
            for (const KObject& n : found) emit(n);
        } else {
            for (const KObject& c : scene::childrenOf(item.node)) emit(c);
        }
    }
    return Value(out);
}

lang::FlagSpec vectorFlag(const char* l, const char* s) {
    return {
        .longName = l, .shortName = s, .args = {ArgType::Float, ArgType::Float, ArgType::Float}};
}

}  // namespace

void addDagCommands(lang::CommandRegistry& registry) {
    registry.add({.name = "parent",
                  .usage = "parent [-w] objects... [parent]",
                  .minArgs = 1,
                  .maxArgs = kUnlimited,
                  .flags = {{.longName = "world", .shortName = "w"},
                            {.longName = "relative", .shortName = "r"}},
                  .undoable = true,
                  .body = parentCmd});
    registry.add(
        {.name = "hide",
         .usage = "hide [objects...]",
         .maxArgs = kUnlimited,
         .undoable = true,
         .body = [](const CommandArgs& a, CommandContext&) { return visibilityCmd(a, false); }});
    registry.add(
        {.name = "showHidden",
         .usage = "showHidden [-all] [objects...]",
         .maxArgs = kUnlimited,
         .flags = {{.longName = "all", .shortName = "all"}},
         .undoable = true,
         .body = [](const CommandArgs& a, CommandContext&) { return visibilityCmd(a, true); }});
    const std::vector<lang::FlagSpec> moveFlags = {{.longName = "relative", .shortName = "r"},
                                                   {.longName = "absolute", .shortName = "a"},
                                                   {.longName = "objectSpace", .shortName = "os"},
                                                   {.longName = "worldSpace", .shortName = "ws"}};
    struct Row {
        const char* name;
        const char* attribute;
    } rows[] = {{"move", "translate"}, {"rotate", "rotate"}, {"scale", "scale"}};
    for (const Row& r : rows) {
        const std::string attribute = r.attribute;
        registry.add(
            {.name = r.name,
             .usage = std::string(r.name) + " [-r|-a] [-os|-ws] x y z [objects or components...]",
             .minArgs = 3,
             .maxArgs = kUnlimited,
             .flags = moveFlags,
             .undoable = true,
             .body = [attribute](const CommandArgs& a, CommandContext&) {
                 return transformCmd(a, attribute.c_str());
             }});
    }
    registry.add(
        {.name = "xform",
         .usage = "xform [-q] [-ws] [-r] [-t x y z] [-ro x y z] [-s x y z] [-m] [objects...]",
         .maxArgs = kUnlimited,
         .flags = {[] {
                       auto f = vectorFlag("translation", "t");
                       f.query = true;
                       return f;
                   }(),
                   [] {
                       auto f = vectorFlag("rotation", "ro");
                       f.query = true;
                       return f;
                   }(),
                   [] {
                       auto f = vectorFlag("scale", "s");
                       f.query = true;
                       return f;
                   }(),
                   {.longName = "matrix", .shortName = "m", .query = true},
                   {.longName = "worldSpace", .shortName = "ws", .query = true},
                   {.longName = "relative", .shortName = "r"}},
         .queryMode = true,
         .undoable = true,
         .body = xformCmd});
    registry.add(
        {.name = "camera",
         .usage = "camera [-n name] [-p x y z] [-fl mm] [-ncp d] [-fcp d] [-o bool]",
         .flags = {{.longName = "name", .shortName = "n", .args = {ArgType::String}},
                   vectorFlag("position", "p"),
                   {.longName = "focalLength", .shortName = "fl", .args = {ArgType::Float}},
                   {.longName = "nearClipPlane", .shortName = "ncp", .args = {ArgType::Float}},
                   {.longName = "farClipPlane", .shortName = "fcp", .args = {ArgType::Float}},
                   {.longName = "orthographic", .shortName = "o", .args = {ArgType::Bool}}},
         .undoable = true,
         .body = cameraCmd});
    registry.add({.name = "listRelatives",
                  .usage = "listRelatives [-c|-p|-s|-ad] [-f] [-type T] [objects...]",
                  .maxArgs = kUnlimited,
                  .flags = {{.longName = "children", .shortName = "c"},
                            {.longName = "parent", .shortName = "p"},
                            {.longName = "shapes", .shortName = "s"},
                            {.longName = "allDescendents", .shortName = "ad"},
                            {.longName = "fullPath", .shortName = "f"},
                            {.longName = "type", .shortName = "typ", .args = {ArgType::String}}},
                  .body = listRelativesCmd});
}

}  // namespace tarn::commands
