// Mesh editing: polySplit, multiSliceSplit, polySubdivideEdge, polyCollapseEdge,
// polyMergeVertex, polyDelEdge, polyDelVertex, polyDeleteVertex, polyMapCut, polyMoveVertex,
// polyListComponentConversion and polyOptions.

#include <cmath>
#include <functional>
#include <map>
#include <set>
#include <utility>

#include "host/commands/scene_command_util.h"
#include "host/commands/scene_commands.h"
#include "host/dg/data_store.h"
#include "host/lang/interpreter.h"
#include "host/mesh/mesh_edit_ops.h"
#include "host/scene/component_impl.h"
#include "host/scene/dag.h"
#include "host/scene/history.h"
#include "host/scene/node_access.h"
#include "host/scene/scene_undo.h"
#include "host/scene/selection.h"
#include "host/undo/undo.h"

namespace tarn::commands {

using lang::ArgType;
using lang::CommandArgs;
using lang::CommandContext;
using lang::CommandResult;
using lang::kUnlimited;
using lang::Value;
using scene::ComponentKind;

namespace {

// The indices of one kind of component on one mesh (with a count for each where an edit needs
// one).
struct MeshPick {
    KObject shape;
    std::vector<int> ids;
    std::vector<int> counts;
};

const char* kindNoun(ComponentKind kind) {
    switch (kind) {
        case ComponentKind::Vertex:
            return "vertices";
        case ComponentKind::Edge:
            return "edges";
        case ComponentKind::Face:
            return "faces";
        default:
            return "components";
    }
}

// The transform's name when the shape has one (component names use it, as `ls` does).
std::string ownerName(const KObject& shape) {
    const KObject parent = scene::parentOf(shape);
    return scene::nodeName(parent.isNull() ? shape : parent);
}

// Components of `kind` named by the arguments or, without any, selected; one pick per mesh.
// Fails for unknown objects, nothing given or selected, whole objects and other kinds.
bool pickComponents(const CommandArgs& args, ComponentKind kind, std::vector<MeshPick>& out,
                    std::string* error) {
    const std::string cmd = args.commandName();
    KSelectionList list;
    if (!gatherItems(args, true, list, error)) return false;
    const std::vector<MeshItem> items = meshItems(list);
    if (items.empty()) {
        *error = cmd + " needs mesh " + kindNoun(kind) + " (none given or selected)";
        return false;
    }
    for (const MeshItem& item : items) {
        scene::ComponentImpl* c = scene::ComponentImpl::from(item.component);
        if (!c || c->kind() != kind) {
            *error = cmd + " works on mesh " + kindNoun(kind) + "; " + ownerName(item.shape) +
                     (c ? std::string(" ") + kindNoun(c->kind()) : std::string()) + " given";
            return false;
        }
        const std::vector<int> ids = scene::componentElements(item.component, item.shape);
        auto at = std::find_if(out.begin(), out.end(),
                               [&](const MeshPick& p) { return p.shape == item.shape; });
        if (at == out.end()) at = out.insert(out.end(), {item.shape, {}, {}});
        at->ids.insert(at->ids.end(), ids.begin(), ids.end());
    }
    return true;
}

// Shading runs after an edit: new and moved faces join the group of the face they came from.
scene::FaceGroupRuns groupsAfter(const scene::FaceGroupRuns& before, int numFaces,
                                 const EditResult& r) {
    if (before.size() == 0) return before;
    scene::FaceGroupRuns groups = before;
    groups.resize(numFaces);
    std::map<std::weak_ptr<NodeImpl>, std::vector<int>, std::owner_less<>> byGroup;
    for (const auto& [face, origin] : r.faceOrigins)
        if (face < numFaces && origin < before.size())
            byGroup[before.groupOf(origin)].push_back(face);
    for (const auto& [group, faces] : byGroup) groups.assign(faces, group);
    return groups;
}

using MeshEditFn =
    std::function<OpStatus(PolyMesh&, const MeshPick&, EditResult*, const StopCheck&)>;

// The first point an edit left that is not a finite number (a coordinate a double cannot
// hold, such as an overflow to infinity), as (vertex, found).
std::pair<int, bool> nonFinitePoint(const MeshDelta& delta) {
    for (const auto& [v, p] : delta.after.points)
        for (double x : {p.x, p.y, p.z})
            if (!cellHoldsFinite(CellKind::kDouble, x)) return {v, true};
    return {-1, false};
}

// Runs one edit per mesh; on any failure every mesh is put back and nothing is recorded.
// Tweaks are folded into the points first (the edit sees the mesh as it looks), and the edited
// meshes are selected afterwards (when `select`). An edit stops with "Interrupted." when the
// interpreter is asked to stop (Ctrl-C, SIGTERM), and one that leaves a point that is not a
// finite number is refused.
CommandResult runEdits(const std::vector<MeshPick>& picks, const MeshEditFn& edit,
                       bool select = true) {
    struct Done {
        std::string name;
        std::vector<std::pair<int, Vec3>> baked;
        scene::FaceGroupRuns before, after;
        EditResult result;
    };
    std::vector<Done> done;
    // An edit changes the shape's own mesh: a mesh with history is baked first (recorded), or
    // its next recompute would drop the edit.
    for (const MeshPick& pick : picks) {
        std::string error;
        if (!scene::bakeBeforeEdit(pick.shape, &error))
            return CommandResult::failure(ownerName(pick.shape) + ": " + error);
    }
    const StopCheck stop = [] { return lang::hostInterpreter().interruptRequested(); };
    for (const MeshPick& pick : picks) {
        scene::MeshNode* node = scene::meshNode(pick.shape);
        Done d{scene::nodeName(pick.shape), node->bakeTweaks(), node->faceGroups, {}, {}};
        OpStatus status = edit(node->mesh(), pick, &d.result, stop);
        if (status.ok) {
            if (const auto [v, found] = nonFinitePoint(d.result.delta); found) {
                MeshEditor::applyDelta(node->mesh(), d.result.delta, true);
                status = OpStatus::failure("the edit would move vertex " + std::to_string(v) +
                                           " to a point that is not a finite number");
            }
        }
        if (!status.ok) {
            node->unbakeTweaks(d.baked);
            for (auto it = done.rbegin(); it != done.rend(); ++it) {
                scene::MeshNode* n = scene::meshNode(scene::findNode(it->name));
                MeshEditor::applyDelta(n->mesh(), it->result.delta, true);
                n->faceGroups = it->before;
                n->unbakeTweaks(it->baked);
            }
            return CommandResult::failure(ownerName(pick.shape) + ": " + status.message);
        }
        d.after = groupsAfter(d.before, node->mesh().numFaces(), d.result);
        node->faceGroups = d.after;
        done.push_back(std::move(d));
    }
    KSelectionList selected;
    for (Done& d : done) {
        scene::recordTweakBake(d.name, std::move(d.baked));
        scene::recordMeshEdit(d.name, std::move(d.result.delta), std::move(d.before),
                              std::move(d.after));
        const KObject shape = scene::findNode(d.name);
        const KObject parent = scene::parentOf(shape);
        selected.add(parent.isNull() ? shape : parent);
    }
    if (select) scene::setActiveSelection(selected);
    return {};
}

// The mesh a command without components acts on: the first positional word or the first mesh
// of the selection.
bool targetMesh(const CommandArgs& args, KObject& shape, std::string* error) {
    KSelectionList list;
    if (!gatherItems(args, true, list, error)) return false;
    const std::vector<MeshItem> items = meshItems(list);
    if (items.empty()) {
        *error = args.commandName() + " needs a mesh (none given or selected)";
        return false;
    }
    shape = items.front().shape;
    return true;
}

CommandResult polySplitCmd(const CommandArgs& args, CommandContext&) {
    std::string error;
    KObject shape;
    if (!targetMesh(args, shape, &error)) return CommandResult::failure(error);
    std::vector<SplitPoint> chain;
    for (const CommandArgs::FlagUse& use : args.flags()) {
        if (use.decl->longName == "edgepoint")
            chain.push_back(SplitPoint::onEdge(static_cast<int>(use.values[0].asInt()),
                                               use.values[1].asFloat()));
        else if (use.decl->longName == "facepoint")
            chain.push_back(SplitPoint::inFace(
                static_cast<int>(use.values[0].asInt()),
                {use.values[1].asFloat(), use.values[2].asFloat(), use.values[3].asFloat()}));
    }
    if (chain.empty()) return CommandResult::failure("polySplit needs -ep or -fp points");
    const long long subdivisions = args.has("subdivisions") ? args.flag("s").asInt() : 1;
    if (subdivisions < 1) return CommandResult::failure("polySplit: -s must be at least 1");
    if (subdivisions > kMaxNewVertices)
        return CommandResult::failure("polySplit: -s " + std::to_string(subdivisions) +
                                      " is above the maximum of " +
                                      std::to_string(kMaxNewVertices));
    return runEdits({{shape, {}, {}}},
                    [&](PolyMesh& m, const MeshPick&, EditResult* r, const StopCheck& stop) {
                        return splitMesh(m, {chain}, static_cast<int>(subdivisions), r, stop);
                    });
}

// Parallel slices: slice i of n sits at offset d = 2(i+1)/(n+1) - 1 across the strip of faces
// (-1 the side-A rail, 1 the side-B rail, 0 the drawn line), pulled towards the line by the
// dropoff power p as sign(d)|d|^p; so one slice is the line itself, p > 1 gathers the slices
// near the line and p < 1 spreads them towards the rails.
CommandResult multiSliceSplitCmd(const CommandArgs& args, CommandContext&) {
    std::string error;
    KSelectionList list;
    std::string name = args[0].asString();
    if (!scene::addByName(list, name, &error)) return CommandResult::failure(error);
    const std::vector<MeshItem> items = meshItems(list);
    if (items.empty()) return CommandResult::failure("multiSliceSplit: " + name + " is not a mesh");
    const KObject shape = items.front().shape;
    const PolyMesh& mesh = scene::meshNode(shape)->mesh();
    const long long slices = args[1].asInt();
    const double power = args[2].asFloat();
    const long long subdivisions = args[3].asInt();
    const auto edges = args[4].asIntArray(), v0s = args[5].asIntArray(),
               sideA = args[6].asIntArray();
    const auto params = args[8].asFloatArray();
    const int startEdge = static_cast<int>(args[9].asInt()),
              endEdge = static_cast<int>(args[11].asInt());
    const double startT = args[10].asFloat(), endT = args[12].asFloat();
    if (slices < 1 || subdivisions < 1 || !(power > 0))
        return CommandResult::failure(
            "multiSliceSplit: slices and subdivisions must be at least 1 and the power above 0");
    if (slices > kMaxNewVertices || subdivisions > kMaxNewVertices)
        return CommandResult::failure("multiSliceSplit: slices and subdivisions may be at most " +
                                      std::to_string(kMaxNewVertices));
    if (edges.empty() || params.size() != edges.size() || v0s.size() != edges.size() ||
        sideA.size() != edges.size())
        return CommandResult::failure(
            "multiSliceSplit: the edge, vertex, side and parameter lists must have one entry per "
            "edge");
    for (int e : {startEdge, endEdge})
        if (e >= mesh.numEdges())
            return CommandResult::failure("multiSliceSplit: edge " + std::to_string(e) +
                                          " does not exist");
    // Each slice adds a vertex per point at least: bound the points before making them.
    if (slices * static_cast<long long>(edges.size() + 2) > kMaxNewVertices)
        return CommandResult::failure("multiSliceSplit: " + std::to_string(slices) + " slices of " +
                                      std::to_string(edges.size()) + " edges would add more than " +
                                      std::to_string(kMaxNewVertices) + " vertices");
    std::vector<std::vector<SplitPoint>> chains;
    for (long long i = 0; i < slices; ++i) {
        const double d = 2.0 * (i + 1) / (slices + 1) - 1.0;
        const double w = std::copysign(std::pow(std::abs(d), power), d);
        std::vector<SplitPoint> chain;
        if (startEdge >= 0) chain.push_back(SplitPoint::onEdge(startEdge, startT));
        for (size_t k = 0; k < edges.size(); ++k) {
            const int e = static_cast<int>(edges[k]);
            if (e < 0 || e >= mesh.numEdges())
                return CommandResult::failure("multiSliceSplit: edge " + std::to_string(e) +
                                              " does not exist");
            const MeshEdge& edge = mesh.edge(e);
            // Parameters are given from the caller's vertex 0; slices are placed from side A.
            const double t = edge.v0 == v0s[k] ? params[k] : 1 - params[k];
            const bool aIsV0 = sideA[k] != edge.v1;
            const double a = aIsV0 ? t : 1 - t;
            const double placed = w >= 0 ? a + w * (1 - a) : a + w * a;
            chain.push_back(SplitPoint::onEdge(e, aIsV0 ? placed : 1 - placed));
        }
        if (endEdge >= 0) chain.push_back(SplitPoint::onEdge(endEdge, endT));
        chains.push_back(std::move(chain));
    }
    return runEdits({{shape, {}, {}}},
                    [&](PolyMesh& m, const MeshPick&, EditResult* r, const StopCheck& stop) {
                        return splitMesh(m, chains, static_cast<int>(subdivisions), r, stop);
                    });
}

CommandResult polySubdivideEdgeCmd(const CommandArgs& args, CommandContext&) {
    std::vector<MeshPick> picks;
    std::string error;
    if (!pickComponents(args, ComponentKind::Edge, picks, &error))
        return CommandResult::failure(error);
    const long long divisions = args.has("divisions") ? args.flag("dv").asInt() : 1;
    // -s 0 (as the stroke tools write it) means no size: -dv counts.
    const double size = args.has("size") ? args.flag("size").asFloat() : 0.0;
    const bool world = args.has("worldSpace") && args.flag("worldSpace").asInt() != 0;
    if (!(size >= 0) || !std::isfinite(size))
        return CommandResult::failure(
            "polySubdivideEdge: -s must be a finite size above 0 (0 "
            "leaves the count to -dv)");
    if (size == 0 && divisions < 1)
        return CommandResult::failure("polySubdivideEdge: -dv must be at least 1");
    auto tooMany = [](const std::string& count) {
        return CommandResult::failure("polySubdivideEdge: the edges would get " + count +
                                      " new vertices; at most " + std::to_string(kMaxNewVertices) +
                                      " may be added at once");
    };
    // Vertices per edge: -dv, or with -s as many as keep each piece no longer than the size.
    std::vector<std::vector<std::pair<int, int>>> plans(picks.size());
    long long total = 0;
    for (size_t i = 0; i < picks.size(); ++i) {
        const KMatrix toWorld = scene::worldMatrix(picks[i].shape);
        const PolyMesh& mesh = scene::meshNode(picks[i].shape)->mesh();
        for (int e : std::set<int>(picks[i].ids.begin(), picks[i].ids.end())) {
            if (e < 0 || e >= mesh.numEdges()) continue;
            long long count = divisions;
            if (size > 0) {
                Vec3 a = mesh.point(mesh.edge(e).v0), b = mesh.point(mesh.edge(e).v1);
                if (world) {
                    const KPoint wa = KPoint(a.x, a.y, a.z) * toWorld,
                                 wb = KPoint(b.x, b.y, b.z) * toWorld;
                    a = {wa.x, wa.y, wa.z};
                    b = {wb.x, wb.y, wb.z};
                }
                const double pieces = std::ceil(length(b - a) / size);
                if (!(pieces <= double(kMaxNewVertices) + 1))
                    return tooMany("more than " + std::to_string(kMaxNewVertices));
                count = std::max(0LL, static_cast<long long>(pieces) - 1);
            }
            total += count;
            if (total > kMaxNewVertices) return tooMany(std::to_string(total));
            if (count > 0) plans[i].emplace_back(e, static_cast<int>(count));
        }
    }
    if (size > 0 && total == 0)
        return CommandResult::failure("polySubdivideEdge: the edges are already shorter than -s");
    std::vector<MeshPick> edited;
    for (size_t i = 0; i < picks.size(); ++i) {
        if (size > 0 && plans[i].empty()) continue;
        MeshPick pick{picks[i].shape, {}, {}};
        for (const auto& [e, count] : plans[i]) {
            pick.ids.push_back(e);
            pick.counts.push_back(count);
        }
        if (size == 0) pick.ids = picks[i].ids;
        edited.push_back(std::move(pick));
    }
    return runEdits(
        edited, [&](PolyMesh& m, const MeshPick& pick, EditResult* r, const StopCheck& stop) {
            if (size == 0) return subdivideEdges(m, pick.ids, static_cast<int>(divisions), r, stop);
            std::vector<std::pair<int, int>> plan;
            for (size_t k = 0; k < pick.ids.size(); ++k)
                plan.emplace_back(pick.ids[k], pick.counts[k]);
            return subdivideEdges(m, plan, r, stop);
        });
}

CommandResult componentEdit(const CommandArgs& args, ComponentKind kind, const MeshEditFn& edit) {
    std::vector<MeshPick> picks;
    std::string error;
    if (!pickComponents(args, kind, picks, &error)) return CommandResult::failure(error);
    return runEdits(picks, edit);
}

CommandResult polyCollapseEdgeCmd(const CommandArgs& args, CommandContext&) {
    return componentEdit(args, ComponentKind::Edge,
                         [](PolyMesh& m, const MeshPick& pick, EditResult* r,
                            const StopCheck& stop) { return collapseEdges(m, pick.ids, r, stop); });
}

CommandResult polyMergeVertexCmd(const CommandArgs& args, CommandContext&) {
    const double distance = args.has("distance") ? args.flag("distance").asFloat() : 0.0;
    if (std::isnan(distance)) return CommandResult::failure("polyMergeVertex: -d must be a number");
    if (distance < 0) return CommandResult::failure("polyMergeVertex: -d must not be negative");
    return componentEdit(
        args, ComponentKind::Vertex,
        [distance](PolyMesh& m, const MeshPick& pick, EditResult* r, const StopCheck& stop) {
            return mergeVertices(m, pick.ids, distance, r, stop);
        });
}

CommandResult polyDelEdgeCmd(const CommandArgs& args, CommandContext&) {
    const bool clean = args.has("cleanVertices") && args.flag("cleanVertices").asInt() != 0;
    return componentEdit(
        args, ComponentKind::Edge,
        [clean](PolyMesh& m, const MeshPick& pick, EditResult* r, const StopCheck& stop) {
            return deleteEdges(m, pick.ids, clean, r, stop);
        });
}

CommandResult polyDelVertexCmd(const CommandArgs& args, CommandContext&) {
    return componentEdit(
        args, ComponentKind::Vertex,
        [](PolyMesh& m, const MeshPick& pick, EditResult* r, const StopCheck& stop) {
            return deleteVertices(m, pick.ids, false, r, stop);
        });
}

CommandResult polyDeleteVertexCmd(const CommandArgs& args, CommandContext&) {
    return componentEdit(
        args, ComponentKind::Vertex,
        [](PolyMesh& m, const MeshPick& pick, EditResult* r, const StopCheck& stop) {
            return deleteVertices(m, pick.ids, true, r, stop);
        });
}

// Edges given or selected are cut; with nothing, or only faces or whole meshes, there is
// nothing to cut and the command succeeds without a change.
CommandResult polyMapCutCmd(const CommandArgs& args, CommandContext&) {
    KSelectionList list;
    std::string error;
    if (!gatherItems(args, true, list, &error)) return CommandResult::failure(error);
    std::vector<MeshPick> picks;
    for (const MeshItem& item : meshItems(list)) {
        scene::ComponentImpl* c = scene::ComponentImpl::from(item.component);
        if (!c || c->kind() != ComponentKind::Edge) continue;
        const std::vector<int> ids = scene::componentElements(item.component, item.shape);
        auto at = std::find_if(picks.begin(), picks.end(),
                               [&](const MeshPick& p) { return p.shape == item.shape; });
        if (at == picks.end()) at = picks.insert(picks.end(), {item.shape, {}, {}});
        at->ids.insert(at->ids.end(), ids.begin(), ids.end());
    }
    if (picks.empty()) return {};
    return runEdits(
        picks,
        [](PolyMesh& m, const MeshPick& pick, EditResult* r, const StopCheck& stop) {
            return cutUVs(m, pick.ids, r, stop);
        },
        false);
}

// Without -t: folds the tweaks of the meshes into their points. With -t: moves the vertices
// given or selected by that offset (object space).
CommandResult polyMoveVertexCmd(const CommandArgs& args, CommandContext&) {
    KSelectionList list;
    std::string error;
    if (!gatherItems(args, true, list, &error)) return CommandResult::failure(error);
    const std::vector<MeshItem> items = meshItems(list);
    if (items.empty())
        return CommandResult::failure("polyMoveVertex needs a mesh (none given or selected)");
    if (!args.has("translate")) {
        std::set<std::string> seen;
        for (const MeshItem& item : items) {
            const std::string name = scene::nodeName(item.shape);
            if (!seen.insert(name).second) continue;
            if (!scene::bakeBeforeEdit(item.shape, &error)) return CommandResult::failure(error);
            scene::recordTweakBake(name, scene::meshNode(item.shape)->bakeTweaks());
        }
        return {};
    }
    const Vec3 offset{args.flag("translate", 0).asFloat(), args.flag("translate", 1).asFloat(),
                      args.flag("translate", 2).asFloat()};
    std::vector<MeshPick> picks;
    for (const MeshItem& item : items) {
        scene::ComponentImpl* c = scene::ComponentImpl::from(item.component);
        std::vector<int> ids;
        if (!c) {
            const int n = scene::meshNode(item.shape)->mesh().numVertices();
            for (int v = 0; v < n; ++v) ids.push_back(v);
        } else if (c->kind() == ComponentKind::Vertex) {
            ids = scene::componentElements(item.component, item.shape);
        } else {
            return CommandResult::failure("polyMoveVertex works on meshes and vertices");
        }
        picks.push_back({item.shape, std::move(ids), {}});
    }
    return runEdits(
        picks,
        [offset](PolyMesh& m, const MeshPick& pick, EditResult* r, const StopCheck&) {
            MeshEditor ed(m);
            for (int v : std::set<int>(pick.ids.begin(), pick.ids.end()))
                ed.setPoint(v, m.point(v) + offset);
            r->delta = ed.finish();
            return OpStatus::success();
        },
        false);
}

// Converts components: from vertices, edges or faces to vertices, edges or faces. A vertex
// touches its edges and faces, an edge its ends and faces, a face its corners and edges. With
// -internal a target needs all its own parts in the source (an edge both ends, a face every
// corner or edge); with -border, faces to edges gives only the edges of the region's outline.
CommandResult polyListComponentConversionCmd(const CommandArgs& args, CommandContext&) {
    KSelectionList list;
    std::string error;
    if (!gatherItems(args, true, list, &error)) return CommandResult::failure(error);
    const std::vector<MeshItem> items = meshItems(list);
    ComponentKind to = ComponentKind::None;
    int targets = 0;
    for (const auto& [flag, kind] :
         {std::pair{"toVertex", ComponentKind::Vertex}, std::pair{"toEdge", ComponentKind::Edge},
          std::pair{"toFace", ComponentKind::Face}})
        if (args.has(flag)) {
            to = kind;
            ++targets;
        }
    if (to == ComponentKind::None)
        return CommandResult::failure("polyListComponentConversion needs -tv, -te or -tf");
    if (targets > 1)
        return CommandResult::failure(
            "polyListComponentConversion converts to one kind at a time: give one of -tv, -te "
            "and -tf");
    const bool internal = args.has("internal"), border = args.has("border");
    std::vector<std::string> names;
    for (const MeshItem& item : items) {
        const PolyMesh& mesh = scene::meshNode(item.shape)->mesh();
        scene::ComponentImpl* c = scene::ComponentImpl::from(item.component);
        const ComponentKind from = c ? c->kind() : ComponentKind::Face;
        if ((args.has("fromVertex") || args.has("fromEdge") || args.has("fromFace")) &&
            !((from == ComponentKind::Vertex && args.has("fromVertex")) ||
              (from == ComponentKind::Edge && args.has("fromEdge")) ||
              (from == ComponentKind::Face && args.has("fromFace"))))
            continue;
        std::vector<int> source;
        if (c) {
            source = scene::componentElements(item.component, item.shape);
        } else {
            for (int f = 0; f < mesh.numFaces(); ++f) source.push_back(f);
        }
        const std::set<int> in(source.begin(), source.end());
        // Parts of one element of a kind: vertices, edges and faces it touches.
        auto verticesOf = [&](ComponentKind k, int i) -> std::vector<int> {
            if (k == ComponentKind::Vertex) return {i};
            if (k == ComponentKind::Edge) return {mesh.edge(i).v0, mesh.edge(i).v1};
            const auto v = mesh.faceVertices(i);
            return {v.begin(), v.end()};
        };
        auto edgesOf = [&](ComponentKind k, int i) -> std::vector<int> {
            if (k == ComponentKind::Edge) return {i};
            const auto e = k == ComponentKind::Vertex ? mesh.vertexEdges(i) : mesh.faceEdges(i);
            return {e.begin(), e.end()};
        };
        auto facesOf = [&](ComponentKind k, int i) -> std::vector<int> {
            if (k == ComponentKind::Face) return {i};
            const auto f = k == ComponentKind::Vertex ? mesh.vertexFaces(i) : mesh.edgeFaces(i);
            return {f.begin(), f.end()};
        };
        auto partsIn = [&](ComponentKind targetKind, int target) {
            // Every part of the target, in the source's kind, is in the source.
            std::vector<int> parts = from == ComponentKind::Vertex ? verticesOf(targetKind, target)
                                     : from == ComponentKind::Edge ? edgesOf(targetKind, target)
                                                                   : facesOf(targetKind, target);
            for (int p : parts)
                if (!in.count(p)) return false;
            return true;
        };
        std::set<int> out;
        for (int i : source) {
            const std::vector<int> targets = to == ComponentKind::Vertex ? verticesOf(from, i)
                                             : to == ComponentKind::Edge ? edgesOf(from, i)
                                                                         : facesOf(from, i);
            out.insert(targets.begin(), targets.end());
        }
        if (internal && from != to && from != ComponentKind::Face)
            std::erase_if(out, [&](int t) { return !partsIn(to, t); });
        if ((internal || border) && from == ComponentKind::Face && to != ComponentKind::Face) {
            // An edge is inside the region when it joins selected faces only, on its outline
            // when one of its faces is selected; a vertex is inside when all its faces are
            // selected and none of its edges is on the mesh's border.
            std::erase_if(out, [&](int t) {
                int selected = 0, total = 0;
                for (int f : facesOf(to, t)) {
                    ++total;
                    selected += in.count(f) ? 1 : 0;
                }
                bool inside = selected == total && total >= 2;
                if (to == ComponentKind::Vertex) {
                    inside = selected == total;
                    for (int e : mesh.vertexEdges(t)) inside &= mesh.edgeFaces(e).size() >= 2;
                }
                const bool outline = to == ComponentKind::Edge ? selected == 1 : !inside;
                return internal ? !inside : !outline;
            });
        }
        const auto formatted =
            scene::formatComponentNames(ownerName(item.shape), to, {out.begin(), out.end()});
        names.insert(names.end(), formatted.begin(), formatted.end());
    }
    return Value(names);
}

// Display options the views read: culling of back faces for every mesh (-global) and vertex
// display. Global state of the host's display, not of the scene: not undoable.
struct DisplayOptions {
    bool fullBack = true;  // back faces drawn
    bool displayVertices = false;
};
DisplayOptions& displayOptions() {
    static DisplayOptions options;
    return options;
}

CommandResult polyOptionsCmd(const CommandArgs& args, CommandContext&) {
    DisplayOptions& o = displayOptions();
    if (args.isQuery()) {
        if (args.has("fullBack")) return Value(static_cast<std::int64_t>(o.fullBack));
        if (args.has("backCulling")) return Value(static_cast<std::int64_t>(!o.fullBack));
        if (args.has("displayVertex")) return Value(static_cast<std::int64_t>(o.displayVertices));
        return CommandResult::failure("polyOptions -q needs -fb, -bc or -dv");
    }
    if (args.has("fullBack") && args.has("backCulling"))
        return CommandResult::failure("polyOptions: -fullBack and -backCulling exclude each other");
    if (args.has("displayVertex")) {
        const bool on = args.flag("displayVertex").asInt() != 0;
        // Relative: true toggles the current display, false leaves it.
        o.displayVertices =
            args.has("relative") ? (on ? !o.displayVertices : o.displayVertices) : on;
    }
    if (!args.has("fullBack") && !args.has("backCulling")) return {};
    const bool culling = args.has("backCulling");
    if (args.has("global")) {
        o.fullBack = !culling;
        return {};
    }
    // Per mesh: the meshes' backface culling attribute (3 on, 0 off), undoable.
    KSelectionList list;
    std::string error;
    if (!gatherItems(args, true, list, &error)) return CommandResult::failure(error);
    const std::vector<MeshItem> items = meshItems(list);
    if (items.empty()) return CommandResult::failure("polyOptions needs -global or a mesh");
    for (const MeshItem& item : items) {
        const KPlug plug = scene::plugByName(item.shape, "backfaceCulling");
        if (!scene::setPlugValuesUndoable(plug, {culling ? 3.0 : 0.0}, &error))
            return CommandResult::failure(error);
    }
    return {};
}

lang::FlagSpec chFlag() {
    return {.longName = "constructionHistory", .shortName = "ch", .args = {ArgType::Bool}};
}

}  // namespace

void addMeshEditCommands(lang::CommandRegistry& registry) {
    const std::vector<lang::CommandSpec> commands = {
        {.name = "polySplit",
         .usage =
             "polySplit [-ep EDGE T]... [-fp FACE X Y Z]... [-s N] [-sma DEG] [-ch bool] [mesh]",
         .maxArgs = 1,
         .flags = {{.longName = "edgepoint",
                    .shortName = "ep",
                    .args = {ArgType::Int, ArgType::Float},
                    .multiUse = true},
                   {.longName = "facepoint",
                    .shortName = "fp",
                    .args = {ArgType::Int, ArgType::Float, ArgType::Float, ArgType::Float},
                    .multiUse = true},
                   {.longName = "subdivisions", .shortName = "s", .args = {ArgType::Int}},
                   {.longName = "smoothingAngle", .shortName = "sma", .args = {ArgType::Float}},
                   chFlag()},
         .undoable = true,
         .body = polySplitCmd},
        {.name = "multiSliceSplit",
         .usage = "multiSliceSplit(mesh, slices, dropoffPower, subdivisions, {edges}, {vertex0s}, "
                  "{sideA}, {sideB}, {params}, startEdge, startT, endEdge, endT)",
         .minArgs = 13,
         .maxArgs = 13,
         .argTypes = {ArgType::String, ArgType::Int, ArgType::Float, ArgType::Int,
                      ArgType::IntArray, ArgType::IntArray, ArgType::IntArray, ArgType::IntArray,
                      ArgType::FloatArray, ArgType::Int, ArgType::Float, ArgType::Int,
                      ArgType::Float},
         .undoable = true,
         .body = multiSliceSplitCmd},
        {.name = "polySubdivideEdge",
         .usage = "polySubdivideEdge [-dv N] [-s SIZE] [-ws bool] [-ch bool] [edges...]",
         .maxArgs = kUnlimited,
         .flags = {{.longName = "divisions", .shortName = "dv", .args = {ArgType::Int}},
                   {.longName = "size", .shortName = "s", .args = {ArgType::Float}},
                   {.longName = "worldSpace", .shortName = "ws", .args = {ArgType::Bool}},
                   chFlag()},
         .undoable = true,
         .body = polySubdivideEdgeCmd},
        {.name = "polyCollapseEdge",
         .usage = "polyCollapseEdge [-ch bool] [edges...]",
         .maxArgs = kUnlimited,
         .flags = {chFlag()},
         .undoable = true,
         .body = polyCollapseEdgeCmd},
        {.name = "polyMergeVertex",
         .usage = "polyMergeVertex [-d DISTANCE] [-am bool] [-ch bool] [vertices...]",
         .maxArgs = kUnlimited,
         .flags = {{.longName = "distance", .shortName = "d", .args = {ArgType::Float}},
                   {.longName = "alwaysMergeTwoVertices",
                    .shortName = "am",
                    .args = {ArgType::Bool}},
                   chFlag()},
         .undoable = true,
         .body = polyMergeVertexCmd},
        {.name = "polyDelEdge",
         .usage = "polyDelEdge [-cv bool] [-ch bool] [edges...]",
         .maxArgs = kUnlimited,
         .flags = {{.longName = "cleanVertices", .shortName = "cv", .args = {ArgType::Bool}},
                   chFlag()},
         .undoable = true,
         .body = polyDelEdgeCmd},
        {.name = "polyDelVertex",
         .usage = "polyDelVertex [-ch bool] [vertices...]",
         .maxArgs = kUnlimited,
         .flags = {chFlag()},
         .undoable = true,
         .body = polyDelVertexCmd},
        {.name = "polyDeleteVertex",
         .usage = "polyDeleteVertex [vertices...]",
         .maxArgs = kUnlimited,
         .flags = {chFlag()},
         .undoable = true,
         .body = polyDeleteVertexCmd},
        {.name = "polyMapCut",
         .usage = "polyMapCut [-ch bool] [edges...]",
         .maxArgs = kUnlimited,
         .flags = {chFlag()},
         .undoable = true,
         .body = polyMapCutCmd},
        {.name = "polyMoveVertex",
         .usage = "polyMoveVertex [-t X Y Z] [-ch bool] [meshes or vertices...]",
         .maxArgs = kUnlimited,
         .flags = {{.longName = "translate",
                    .shortName = "t",
                    .args = {ArgType::Float, ArgType::Float, ArgType::Float}},
                   chFlag()},
         .undoable = true,
         .body = polyMoveVertexCmd},
        {.name = "polyListComponentConversion",
         .usage = "polyListComponentConversion [-fv -fe -ff] (-tv | -te | -tf) [-in] [-bo] "
                  "[components...]",
         .maxArgs = kUnlimited,
         .flags = {{.longName = "fromVertex", .shortName = "fv"},
                   {.longName = "fromEdge", .shortName = "fe"},
                   {.longName = "fromFace", .shortName = "ff"},
                   {.longName = "toVertex", .shortName = "tv"},
                   {.longName = "toEdge", .shortName = "te"},
                   {.longName = "toFace", .shortName = "tf"},
                   {.longName = "internal", .shortName = "in"},
                   {.longName = "border", .shortName = "bo"}},
         .body = polyListComponentConversionCmd},
        {.name = "polyOptions",
         .usage = "polyOptions [-q] [-gl] [-fb | -bc] [-r] [-dv bool] [meshes...]",
         .maxArgs = kUnlimited,
         .flags = {{.longName = "global", .shortName = "gl", .query = true},
                   {.longName = "fullBack", .shortName = "fb", .query = true},
                   {.longName = "backCulling", .shortName = "bc", .query = true},
                   {.longName = "relative", .shortName = "r"},
                   {.longName = "displayVertex",
                    .shortName = "dv",
                    .args = {ArgType::Bool},
                    .query = true}},
         .queryMode = true,
         .body = polyOptionsCmd},
    };
    for (const lang::CommandSpec& command : commands) registry.add(command);
}

}  // namespace tarn::commands
