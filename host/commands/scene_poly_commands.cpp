// polyCube, polyPlane, polyCylinder, polySphere, polyEvaluate, polySoftEdge and exportObj.

#include <algorithm>
#include <deque>
#include <map>
#include <memory>
#include <set>

#include "host/commands/scene_command_util.h"
#include "host/commands/scene_commands.h"
#include "host/dg/graph.h"
#include "host/lang/script_output.h"
#include "host/lang/text_file.h"
#include "host/mesh/mesh_operation.h"
#include "host/mesh/mesh_primitives.h"
#include "host/mesh/obj_writer.h"
#include "host/nurbs/surface_node.h"
#include "host/scene/component_impl.h"
#include "host/scene/dag.h"
#include "host/scene/history.h"
#include "host/scene/node_access.h"
#include "host/scene/scene_undo.h"
#include "host/scene/selection.h"
#include "host/shading/shading_nodes.h"
#include "host/texturing/texture_image.h"
#include "host/undo/undo.h"

namespace tarn::commands {

using lang::ArgType;
using lang::CommandArgs;
using lang::CommandContext;
using lang::CommandResult;
using lang::kUnlimited;
using lang::Value;

namespace {

double flagOr(const CommandArgs& args, const char* flag, double fallback) {
    return args.has(flag) ? args.flag(flag).asFloat() : fallback;
}

int intFlagOr(const CommandArgs& args, const char* flag, int fallback) {
    return args.has(flag) ? static_cast<int>(args.flag(flag).asInt()) : fallback;
}

// Puts a primitive into the scene: transform + shape, the default shading group, selected.
CommandResult addPrimitive(const CommandArgs& args, const char* base, PolyMesh mesh) {
    std::string error;
    if (mesh.numFaces() == 0)
        return CommandResult::failure(std::string("cannot build a mesh from these values for ") +
                                      base);
    KObject transform, shape;
    if (args.has("name")) {
        // "-n box" names the transform "box" and its shape "boxShape".
        const std::string name = args.flag("name").asString();
        transform = scene::createDagNode("transform", name, {}, &error);
        if (transform.isNull()) return CommandResult::failure(error);
        shape =
            scene::createDagNode("mesh", scene::nodeName(transform) + "Shape", transform, &error);
    } else {
        std::tie(transform, shape) =
            scene::createTransformAndShape(base, std::string(base) + "Shape", "mesh", {}, &error);
    }
    if (transform.isNull() || shape.isNull()) return CommandResult::failure(error);
    scene::meshNode(shape)->setMesh(std::move(mesh));
    scene::recordCreated({transform, shape}, "create " + scene::nodeName(transform));
    if (!shading::assignFaces(shading::initialShadingGroup(), shape, {}, &error))
        return CommandResult::failure(error);
    KSelectionList selected;
    selected.add(transform);
    scene::setActiveSelection(selected);
    return Value(std::vector<std::string>{scene::nodeName(transform), scene::nodeName(shape)});
}

bool checkPositive(const CommandArgs& args, std::initializer_list<const char*> flags,
                   std::string* error) {
    for (const char* f : flags)
        if (args.has(f) && !(args.flag(f).asFloat() > 0.0)) {
            *error = std::string("-") + f + " must be greater than 0";
            return false;
        }
    return true;
}

// Primitives larger than this are refused before anything is allocated.
constexpr long long kMaxPrimitiveFaces = 10'000'000;

// A subdivision flag's value as the primitive builders use it (at least 1), or `fallback`.
long long subdivisions(const CommandArgs& args, const char* flag, int fallback) {
    return std::max(1LL, static_cast<long long>(intFlagOr(args, flag, fallback)));
}

bool checkFaceCount(const char* command, long long faces, std::string* error) {
    if (faces <= kMaxPrimitiveFaces) return true;
    *error = std::string(command) + ": the subdivisions make " + std::to_string(faces) +
             " faces; at most " + std::to_string(kMaxPrimitiveFaces) + " are allowed";
    return false;
}

CommandResult polyCubeCmd(const CommandArgs& args, CommandContext&) {
    std::string error;
    if (!checkPositive(args, {"width", "height", "depth"}, &error))
        return CommandResult::failure(error);
    const long long sx = subdivisions(args, "subdivisionsX", 1),
                    sy = subdivisions(args, "subdivisionsY", 1),
                    sz = subdivisions(args, "subdivisionsZ", 1);
    if (!checkFaceCount("polyCube", 2 * (sx * sy + sy * sz + sz * sx), &error))
        return CommandResult::failure(error);
    const double w = flagOr(args, "width", 1.0);
    return addPrimitive(
        args, "pCube",
        makeCube(w, flagOr(args, "height", 1.0), flagOr(args, "depth", 1.0),
                 intFlagOr(args, "subdivisionsX", 1), intFlagOr(args, "subdivisionsY", 1),
                 intFlagOr(args, "subdivisionsZ", 1)));
}

CommandResult polyPlaneCmd(const CommandArgs& args, CommandContext&) {
    std::string error;
    if (!checkPositive(args, {"width", "height"}, &error)) return CommandResult::failure(error);
    if (!checkFaceCount(
            "polyPlane",
            subdivisions(args, "subdivisionsX", 10) * subdivisions(args, "subdivisionsY", 10),
            &error))
        return CommandResult::failure(error);
    return addPrimitive(
        args, "pPlane",
        makePlane(flagOr(args, "width", 1.0), flagOr(args, "height", 1.0),
                  intFlagOr(args, "subdivisionsX", 10), intFlagOr(args, "subdivisionsY", 10)));
}

CommandResult polySphereCmd(const CommandArgs& args, CommandContext&) {
    std::string error;
    if (!checkPositive(args, {"radius"}, &error)) return CommandResult::failure(error);
    if (!checkFaceCount(
            "polySphere",
            subdivisions(args, "subdivisionsX", 20) * subdivisions(args, "subdivisionsY", 20),
            &error))
        return CommandResult::failure(error);
    return addPrimitive(
        args, "pSphere",
        makeSphere(flagOr(args, "radius", 1.0), intFlagOr(args, "subdivisionsX", 20),
                   intFlagOr(args, "subdivisionsY", 20)));
}

CommandResult polyCylinderCmd(const CommandArgs& args, CommandContext&) {
    std::string error;
    if (!checkPositive(args, {"radius", "height"}, &error)) return CommandResult::failure(error);
    const long long sx = subdivisions(args, "subdivisionsX", 20),
                    sy = subdivisions(args, "subdivisionsY", 1),
                    sc = subdivisions(args, "subdivisionsCaps", 1);
    if (!checkFaceCount("polyCylinder", sx * sy + 2 * sx * sc, &error))
        return CommandResult::failure(error);
    return addPrimitive(
        args, "pCylinder",
        makeCylinder(flagOr(args, "radius", 1.0), flagOr(args, "height", 2.0),
                     intFlagOr(args, "subdivisionsX", 20), intFlagOr(args, "subdivisionsY", 1),
                     intFlagOr(args, "subdivisionsCaps", 1)));
}

// Counts and world bounds of meshes or component lists.
CommandResult polyEvaluateCmd(const CommandArgs& args, CommandContext&) {
    KSelectionList list;
    std::string error;
    if (!gatherItems(args, true, list, &error)) return CommandResult::failure(error);
    const std::vector<MeshItem> items = meshItems(list);
    if (items.empty())
        return CommandResult::failure("polyEvaluate needs a mesh or mesh components");
    long long v = 0, e = 0, f = 0, uv = 0, t = 0;
    KBoundingBox box;
    for (const MeshItem& item : items) {
        const PolyMesh& mesh = scene::meshNode(item.shape)->mesh();
        const KMatrix toWorld = scene::worldMatrix(item.shape);
        std::set<int> used;  // vertices inside the item, for the box
        scene::ComponentImpl* c = scene::ComponentImpl::from(item.component);
        if (!c) {
            v += mesh.numVertices();
            e += mesh.numEdges();
            f += mesh.numFaces();
            uv += mesh.uvSet() ? static_cast<long long>(mesh.uvSet()->u.size()) : 0;
            for (int k = 0; k < mesh.numFaces(); ++k) t += mesh.numTriangles(k);
            for (int k = 0; k < mesh.numVertices(); ++k) used.insert(k);
        } else {
            const std::vector<int> elements = scene::componentElements(item.component, item.shape);
            const long long n = static_cast<long long>(elements.size());
            switch (c->kind()) {
                case scene::ComponentKind::Vertex:
                    v += n;
                    used.insert(elements.begin(), elements.end());
                    break;
                case scene::ComponentKind::Edge:
                    e += n;
                    for (int k : elements) used.insert({mesh.edge(k).v0, mesh.edge(k).v1});
                    break;
                case scene::ComponentKind::Face:
                    f += n;
                    for (int k : elements) {
                        t += mesh.numTriangles(k);
                        for (int vv : mesh.faceVertices(k)) used.insert(vv);
                    }
                    break;
                case scene::ComponentKind::UV:
                    uv += n;
                    break;
                default:
                    break;
            }
        }
        for (int k : used) {
            const Vec3 p = mesh.point(k);
            box.expand(KPoint(p.x, p.y, p.z) * toWorld);
        }
    }
    if (args.has("boundingBox")) {
        if (box.isEmpty()) return Value(std::vector<double>{0, 0, 0, 0, 0, 0});
        return Value(std::vector<double>{box.min().x, box.max().x, box.min().y, box.max().y,
                                         box.min().z, box.max().z});
    }
    struct Row {
        const char* flag;
        long long value;
    } rows[] = {{"vertex", v}, {"edge", e}, {"face", f}, {"uvcoord", uv}, {"triangle", t}};
    std::vector<std::int64_t> answers;
    for (const Row& r : rows)
        if (args.has(r.flag)) answers.push_back(r.value);
    if (answers.size() == 1) return Value(answers[0]);
    if (answers.empty()) answers = {v, e, f, uv};
    return Value(answers);
}

// Records the previous flags of the edges polySoftEdge changed on the mesh named `meshName`.
void recordSoftEdgeChange(const std::string& meshName, std::vector<std::pair<int, bool>> changes) {
    auto shared = std::make_shared<const std::vector<std::pair<int, bool>>>(std::move(changes));
    // Undo puts back each edge's previous flag; redo gives it the opposite one (only edges whose
    // flag changed were recorded).
    auto apply = [meshName, shared](bool undoing) {
        scene::MeshNode* node = scene::meshNode(scene::findNode(meshName));
        if (!node) return;
        PolyMesh& mesh = node->mesh();
        for (const auto& [e, was] : *shared)
            if (e < mesh.numEdges()) mesh.setEdgeSmooth(e, undoing ? was : !was);
    };
    undo::undoQueue().record([apply] { apply(true); }, [apply] { apply(false); },
                             "edit " + meshName);
}

// Records a change of every edge of the mesh named `meshName` from `was` to the other flag.
void recordUniformSoftEdgeChange(const std::string& meshName, bool was) {
    auto apply = [meshName, was](bool undoing) {
        if (scene::MeshNode* node = scene::meshNode(scene::findNode(meshName)))
            node->mesh().setAllEdgesSmooth(undoing ? was : !was);
    };
    undo::undoQueue().record([apply] { apply(true); }, [apply] { apply(false); },
                             "edit " + meshName);
}

CommandResult polySoftEdgeCmd(const CommandArgs& args, CommandContext&) {
    KSelectionList list;
    std::string error;
    if (!gatherItems(args, true, list, &error)) return CommandResult::failure(error);
    const std::vector<MeshItem> items = meshItems(list);
    if (items.empty()) return CommandResult::failure("polySoftEdge needs a mesh or mesh edges");
    const double angle = flagOr(args, "angle", 30.0);
    // Plan every mesh first so a bad item changes nothing. An empty edge list stands for every
    // edge of the mesh (a whole mesh, or a component covering all its edges).
    struct Plan {
        KObject shape;
        std::vector<int> edges;
    };
    std::vector<Plan> plans;
    for (const MeshItem& item : items) {
        scene::ComponentImpl* c = scene::ComponentImpl::from(item.component);
        Plan plan{item.shape, {}};
        if (c) {
            const PolyMesh& mesh = scene::meshNode(item.shape)->mesh();
            if (c->kind() == scene::ComponentKind::Face) {
                if (c->complete) {
                    if (mesh.numFaces() == 0) continue;
                } else {
                    std::set<int> edges;
                    for (int face : c->elements())
                        if (face >= 0 && face < mesh.numFaces())
                            for (int edge : mesh.faceEdges(face)) edges.insert(edge);
                    if (edges.empty()) continue;
                    plan.edges.assign(edges.begin(), edges.end());
                }
            } else if (c->kind() == scene::ComponentKind::Edge) {
                // Elements are sorted and unique: a list as long as the edge table that starts
                // at 0 and ends at the last edge names every edge.
                const std::vector<int>& elements = c->elements();
                if (c->complete) {
                    if (mesh.numEdges() == 0) continue;
                } else if (elements.empty()) {
                    continue;
                } else if (static_cast<int>(elements.size()) != mesh.numEdges() ||
                           elements.front() != 0 || elements.back() != mesh.numEdges() - 1) {
                    plan.edges = elements;
                }
            } else {
                return CommandResult::failure("polySoftEdge works on meshes, edges and faces");
            }
        }
        plans.push_back(std::move(plan));
    }
    // Soft-edge flags live in the shape's own mesh: a mesh with history is baked first, or its
    // next recompute would drop them.
    for (const Plan& plan : plans) {
        std::string error;
        if (!scene::bakeBeforeEdit(plan.shape, &error)) return CommandResult::failure(error);
    }
    // Check every plan before the first edit.
    std::vector<SoftEdgeOperation> ops;
    ops.reserve(plans.size());
    const bool recording = undo::undoQueue().isRecording();
    for (Plan& plan : plans) {
        ops.emplace_back(angle, std::move(plan.edges));
        ops.back().setKeepChanges(recording);
        const OpStatus status = ops.back().prepare(scene::meshNode(plan.shape)->mesh());
        if (!status.ok) return CommandResult::failure(status.message);
    }
    // Setting flags cannot fail once planned, so meshes are edited in place.
    for (size_t i = 0; i < plans.size(); ++i) {
        SoftEdgeOperation& op = ops[i];
        op.apply(scene::meshNode(plans[i].shape)->mesh());
        op.cleanup();
        if (!recording) continue;
        if (op.uniformBefore() >= 0)
            recordUniformSoftEdgeChange(scene::nodeName(plans[i].shape), op.uniformBefore() != 0);
        else
            recordSoftEdgeChange(scene::nodeName(plans[i].shape), op.changes());
    }
    return {};
}

// UV samples per side averaged into the Kd of a texture-driven colour.
constexpr int kObjAverageGrid = 16;

// Material of a shading group for OBJ: the surface shader's colours and colour texture.
ObjMaterial materialOf(const KObject& group) {
    ObjMaterial m;
    const KObject shader = shading::surfaceShaderOf(group);
    m.name = scene::nodeName(shader.isNull() ? group : shader);
    if (shader.isNull()) return m;
    auto colour = [&](const char* attr, float out[3]) {
        if (scene::attributeByName(shader, attr).isNull()) return;
        const KVector v = scene::readVector(shader, attr);
        out[0] = static_cast<float>(v.x), out[1] = static_cast<float>(v.y),
        out[2] = static_cast<float>(v.z);
    };
    colour("color", m.color);
    colour("specularColor", m.specular);
    colour("transparency", m.transparency);
    if (!scene::attributeByName(shader, "cosinePower").isNull())
        m.cosinePower = static_cast<float>(scene::readNumber(shader, "cosinePower"));
    const KPlug colorPlug = scene::plugByName(shader, "color");
    if (!colorPlug.isNull())
        for (const Connection& c : Graph::instance().connectionsOf(colorPlug, true, false)) {
            if (!c.srcNode || c.srcNode->type().name != "file") continue;
            KStatus status;
            const KObject file = scene::handleOf(c.srcNode);
            const KDataHandle h =
                Graph::instance().readHandle(scene::plugByName(file, "fileTextureName"), &status);
            if (!status.error()) m.texture = h.asString().str();
        }
    // A procedural texture on the colour: its mean colour is the closest single diffuse value.
    const KObject source = texturing::colorSourceOf(shader);
    if (m.texture.empty() && !source.isNull()) {
        std::string error;
        const auto sampler = texturing::TextureSampler::create(source, &error);
        float mean[3];
        if (sampler && texturing::averageColor(*sampler, kObjAverageGrid, mean, &error))
            std::copy(mean, mean + 3, m.color);
    }
    return m;
}

// Quads per span each way when -nurbs writes a surface as a mesh.
constexpr int kObjSurfaceStepsPerSpan = 8;

CommandResult exportObjCmd(const CommandArgs& args, CommandContext&) {
    const std::string path = args[0].asString();
    if (path.empty()) return CommandResult::failure("exportObj needs a file name");
    if (lang::containsNul(path))
        return CommandResult::failure("exportObj: the file name contains a NUL character");
    KSelectionList list;
    std::string error;
    if (!gatherItems(args, false, list, &error, 1)) return CommandResult::failure(error);
    std::vector<KObject> shapes;
    if (args.has("selection")) list = scene::activeSelection();
    if (list.items().empty() && !args.has("selection")) {
        for (const KObject& n : scene::allDagNodes())
            if (scene::meshNode(n)) shapes.push_back(n);
    } else {
        for (const MeshItem& item : meshItems(list))
            if (std::find(shapes.begin(), shapes.end(), item.shape) == shapes.end())
                shapes.push_back(item.shape);
        if (shapes.empty() && args.has("selection"))
            lang::scriptOutput(lang::OutputKind::Warning,
                               list.items().empty()
                                   ? "exportObj: nothing is selected; the file holds no objects."
                                   : "exportObj: no mesh is selected; the file holds no objects.");
    }
    std::vector<ObjShape> objShapes;
    std::vector<ObjMaterial> materials;
    std::map<std::string, int> materialIndex;  // by shading group name
    for (const KObject& shape : shapes) {
        // Hidden objects stay out, as a viewer would not show them.
        if (!scene::pathTo(shape).isVisible()) continue;
        ObjShape s;
        KObject parent = scene::parentOf(shape);
        s.name = scene::nodeName(parent.isNull() ? shape : parent);
        s.mesh = &scene::meshNode(shape)->mesh();
        const KMatrix m = scene::worldMatrix(shape);
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) s.toWorld.m[i][j] = m[i][j];
        // One material lookup per run of faces sharing a shading group.
        for (const shading::GroupRun& run : shading::faceGroupRuns(shape)) {
            int material = -1;
            if (!run.group.isNull()) {
                const std::string key = scene::nodeName(run.group);
                auto [it, added] =
                    materialIndex.try_emplace(key, static_cast<int>(materials.size()));
                if (added) materials.push_back(materialOf(run.group));
                material = it->second;
            }
            s.faceMaterial.insert(s.faceMaterial.end(), static_cast<size_t>(run.count), material);
        }
        objShapes.push_back(std::move(s));
    }
    // With -nurbs, NURBS surfaces go in as tessellated meshes in the default shading group:
    // every visible one, or those named or selected.
    std::deque<PolyMesh> tessellations;
    if (args.has("nurbs")) {
        std::vector<KObject> surfaces;
        if (list.items().empty() && !args.has("selection")) {
            for (const KObject& n : scene::allDagNodes())
                if (n.apiType() == KFn::kNurbsSurface) surfaces.push_back(n);
        } else {
            for (const auto& item : list.items()) {
                const KObject shape = nurbs::surfaceShapeOf(item.node);
                if (!shape.isNull() &&
                    std::find(surfaces.begin(), surfaces.end(), shape) == surfaces.end())
                    surfaces.push_back(shape);
            }
        }
        for (const KObject& shape : surfaces) {
            const nurbs::SurfaceRef surface = nurbs::shapeSurface(shape);
            if (!surface || !scene::pathTo(shape).isVisible()) continue;
            const PolyMesh& mesh = tessellations.emplace_back(
                nurbs::tessellatedMesh(surface->surface(), kObjSurfaceStepsPerSpan));
            ObjShape s;
            const KObject parent = scene::parentOf(shape);
            s.name = scene::nodeName(parent.isNull() ? shape : parent);
            s.mesh = &mesh;
            const KMatrix m = scene::worldMatrix(shape);
            for (int i = 0; i < 4; ++i)
                for (int j = 0; j < 4; ++j) s.toWorld.m[i][j] = m[i][j];
            const KObject group = shading::initialShadingGroup();
            int material = -1;
            if (!group.isNull()) {
                auto [it, added] = materialIndex.try_emplace(scene::nodeName(group),
                                                             static_cast<int>(materials.size()));
                if (added) materials.push_back(materialOf(group));
                material = it->second;
            }
            s.faceMaterial.assign(static_cast<size_t>(mesh.numFaces()), material);
            objShapes.push_back(std::move(s));
        }
    }
    if (!writeObj(path, objShapes, materials, &error)) return CommandResult::failure(error);
    return Value(path);
}

lang::FlagSpec floatFlag(const char* l, const char* s) {
    return {.longName = l, .shortName = s, .args = {ArgType::Float}};
}
lang::FlagSpec intFlag(const char* l, const char* s) {
    return {.longName = l, .shortName = s, .args = {ArgType::Int}};
}
// Flags every primitive accepts for the sake of scripts written for the full host.
std::vector<lang::FlagSpec> commonPrimitiveFlags(std::vector<lang::FlagSpec> flags) {
    flags.push_back({.longName = "name", .shortName = "n", .args = {ArgType::String}});
    flags.push_back(
        {.longName = "constructionHistory", .shortName = "ch", .args = {ArgType::Bool}});
    flags.push_back({.longName = "createUVs", .shortName = "cuv", .args = {ArgType::Int}});
    return flags;
}

}  // namespace

void addPolyCommands(lang::CommandRegistry& registry) {
    registry.add({.name = "polyCube",
                  .usage = "polyCube [-w W] [-h H] [-d D] [-sx N] [-sy N] [-sz N] [-n name]",
                  .flags = commonPrimitiveFlags(
                      {floatFlag("width", "w"), floatFlag("height", "h"), floatFlag("depth", "d"),
                       intFlag("subdivisionsX", "sx"), intFlag("subdivisionsY", "sy"),
                       intFlag("subdivisionsZ", "sz")}),
                  .undoable = true,
                  .body = polyCubeCmd});
    registry.add({.name = "polyPlane",
                  .usage = "polyPlane [-w W] [-h H] [-sx N] [-sy N] [-n name]",
                  .flags = commonPrimitiveFlags({floatFlag("width", "w"), floatFlag("height", "h"),
                                                 intFlag("subdivisionsX", "sx"),
                                                 intFlag("subdivisionsY", "sy")}),
                  .undoable = true,
                  .body = polyPlaneCmd});
    registry.add(
        {.name = "polySphere",
         .usage = "polySphere [-r R] [-sx N] [-sy N] [-n name]",
         .flags = commonPrimitiveFlags({floatFlag("radius", "r"), intFlag("subdivisionsX", "sx"),
                                        intFlag("subdivisionsY", "sy")}),
         .undoable = true,
         .body = polySphereCmd});
    registry.add(
        {.name = "polyCylinder",
         .usage = "polyCylinder [-r R] [-h H] [-sx N] [-sy N] [-sc N] [-n name]",
         .flags = commonPrimitiveFlags(
             {floatFlag("radius", "r"), floatFlag("height", "h"), intFlag("subdivisionsX", "sx"),
              intFlag("subdivisionsY", "sy"), intFlag("subdivisionsCaps", "sc")}),
         .undoable = true,
         .body = polyCylinderCmd});
    registry.add({.name = "polyEvaluate",
                  .usage = "polyEvaluate [-v] [-e] [-f] [-uv] [-t] [-bb] [meshes or components...]",
                  .maxArgs = kUnlimited,
                  .flags = {{.longName = "vertex", .shortName = "v"},
                            {.longName = "edge", .shortName = "e"},
                            {.longName = "face", .shortName = "f"},
                            {.longName = "uvcoord", .shortName = "uv"},
                            {.longName = "triangle", .shortName = "t"},
                            {.longName = "boundingBox", .shortName = "bb"}},
                  .body = polyEvaluateCmd});
    registry.add(
        {.name = "polySoftEdge",
         .usage = "polySoftEdge [-a degrees] [-ch bool] [meshes or edges...]",
         .maxArgs = kUnlimited,
         .flags = {floatFlag("angle", "a"),
                   {.longName = "constructionHistory", .shortName = "ch", .args = {ArgType::Bool}}},
         .undoable = true,
         .body = polySoftEdgeCmd});
    registry.add({.name = "exportObj",
                  .usage = "exportObj [-sl] [-nurbs] FILE.obj [meshes or surfaces...]",
                  .minArgs = 1,
                  .maxArgs = kUnlimited,
                  .flags = {{.longName = "selection", .shortName = "sl"},
                            {.longName = "nurbs", .shortName = "nb"}},
                  .body = exportObjCmd});
}

}  // namespace tarn::commands
