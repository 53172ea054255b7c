#include "fuzz/mesh_history_session.h"

#include <algorithm>
#include <map>

#include "host/dg/graph.h"
#include "host/dg/node_impl.h"
#include "host/lang/execute.h"
#include "host/mesh/mesh_validity.h"
#include "host/plugins/plugin_loader.h"
#include "host/scene/dag.h"
#include "host/scene/dag_nodes.h"
#include "host/scene/history.h"
#include "host/sdk/host_output.h"
#include "host/undo/undo.h"

namespace tarn::fuzz {

namespace {

// Shading groups the steps assign faces to.
constexpr const char* kGroups[] = {"redSG", "blueSG", "initialShadingGroup"};

lang::RunResult runQuiet(const std::string& text, bool undo) {
    output::Capture capture;
    lang::ExecuteOptions options;
    options.undo = undo;
    options.origin = "test";
    return lang::executeText(text, options);
}

std::string describe() {
    const lang::RunResult r = runQuiet("describeScene -json", false);
    return r.ok ? r.value.asString() : "describeScene failed: " + r.error;
}

// Where two descriptions first differ: the name of the node being described there and the
// lines around the difference in both.
std::string firstDifference(const std::string& want, const std::string& got) {
    size_t at = 0;
    while (at < want.size() && at < got.size() && want[at] == got[at]) ++at;
    const size_t name = want.rfind("\"name\":", at);
    const std::string node =
        name == std::string::npos ? "" : want.substr(name, want.find('\n', name) - name);
    auto excerpt = [&](const std::string& s) {
        size_t begin = at;
        for (int lines = 0; begin > 0 && lines < 8; --begin)
            if (s[begin - 1] == '\n') ++lines;
        return s.substr(begin, std::min<size_t>(600, s.size() - begin));
    };
    return "in " + node + "\nwanted:\n" + excerpt(want) + "\ngot:\n" + excerpt(got);
}

const PolyMesh* meshOf(const std::string& transform) {
    const KObject shape = scene::meshShapeOf(scene::findNode(transform));
    scene::MeshNode* node = scene::meshNode(shape);
    return node ? &node->readMesh() : nullptr;
}

std::string range(const std::string& mesh, const char* kind, int first, int last) {
    std::string s = mesh + "." + kind + "[" + std::to_string(first);
    if (last > first) s += ":" + std::to_string(last);
    return s + "]";
}

}  // namespace

std::string meshFaults() {
    std::string faults;
    for (const KObject& node : scene::allDagNodes()) {
        scene::MeshNode* mesh = scene::meshNode(node);
        if (!mesh) continue;
        const std::string fault = meshFault(mesh->readMesh());
        if (!fault.empty()) faults += scene::nodeName(node) + ": " + fault + "\n";
    }
    return faults;
}

namespace {

// Edges of more than two faces per mesh shape: a plug-in's history node may make some (the
// dual of a mesh with borders); the host's edits must never add any.
std::map<std::string, int> overloadedPerMesh() {
    std::map<std::string, int> counts;
    for (const KObject& node : scene::allDagNodes())
        if (scene::MeshNode* mesh = scene::meshNode(node))
            counts[scene::nodeName(node)] = overloadedEdges(mesh->readMesh());
    return counts;
}

// Faults of every mesh, edges of more than two faces counted only where a host edit (not a
// history step) made more of them than there were.
std::string stepFaults(const std::string& step, const std::map<std::string, int>& before) {
    bool history = false;
    for (const char* word : {"polyTriPatch", "polySubdivideFaceAny", "polyDual", "polyObjectGroup",
                             "setAttr", "delete", "undo", "redo"})
        history |= step.rfind(word, 0) == 0;
    std::string faults;
    for (const KObject& node : scene::allDagNodes()) {
        scene::MeshNode* mesh = scene::meshNode(node);
        if (!mesh) continue;
        const std::string name = scene::nodeName(node);
        const PolyMesh& m = mesh->readMesh();
        std::string fault = meshFault(m, true);
        const auto was = before.find(name);
        const int now = overloadedEdges(m);
        if (fault.empty() && !history && now > (was == before.end() ? 0 : was->second))
            fault = "the edit gave " + std::to_string(now) + " edges more than two faces";
        if (!fault.empty()) faults += name + ": " + fault + "\n";
    }
    return faults;
}

}  // namespace

bool MeshHistorySession::setUp(std::string* error) {
    std::string loaded;
    if (!plugins::PluginLoader::instance().find("meshKit") &&
        plugins::PluginLoader::instance().load("meshKit", error, &loaded).error())
        return false;
    for (const char* group : {"redSG", "blueSG"}) {
        const lang::RunResult r = runQuiet(
            std::string("sets -renderable true -noSurfaceShader true -empty -name ") + group,
            false);
        if (!r.ok) {
            *error = r.error;
            return false;
        }
    }
    undo::undoQueue().clear();
    return true;
}

std::string MeshHistorySession::nextStep(const Chooser& choose) {
    // Keep the meshes that still exist (a step may delete one through its history).
    std::erase_if(m_meshes, [](const std::string& m) { return meshOf(m) == nullptr; });
    if (m_meshes.empty() || (m_meshes.size() < 3 && choose(8) == 0)) {
        const std::string name = "m" + std::to_string(m_made++);
        m_meshes.push_back(name);
        const int a = 1 + choose(3), b = 1 + choose(3);
        switch (choose(4)) {
            case 0:
                return "polyCube -sx " + std::to_string(a) + " -sy " + std::to_string(b) +
                       " -sz 1 -n " + name;
            case 1:
                return "polyPlane -sx " + std::to_string(a + 1) + " -sy " + std::to_string(b + 1) +
                       " -n " + name;
            case 2:
                return "polySphere -sx " + std::to_string(a + 4) + " -sy " + std::to_string(b + 2) +
                       " -n " + name;
            default:
                return "polyCylinder -sx " + std::to_string(a + 3) + " -sy " + std::to_string(b) +
                       " -sc " + std::to_string(choose(2)) + " -n " + name;
        }
    }
    const std::string mesh =
        m_meshes[static_cast<size_t>(choose(static_cast<int>(m_meshes.size())))];
    const PolyMesh& m = *meshOf(mesh);
    const int nv = m.numVertices(), ne = m.numEdges(), nf = m.numFaces();
    if (nf == 0 || ne == 0) return "delete " + mesh;
    auto vertex = [&] { return choose(nv); };
    auto edge = [&] { return choose(ne); };
    auto face = [&] { return choose(nf); };
    const char* params[] = {"0.25", "0.5", "0.75", "0", "1"};
    // The history nodes of the mesh that steps may change or delete.
    std::vector<std::string> modifiers;
    for (const KObject& n : scene::listHistory(scene::findNode(mesh)))
        if (scene::isMeshModifier(n)) modifiers.push_back(scene::nodeName(n));
    switch (choose(18)) {
        case 0: {
            const int e = edge();
            return "polySubdivideEdge -dv " + std::to_string(1 + choose(3)) + " " +
                   range(mesh, "e", e, std::min(ne - 1, e + choose(2)));
        }
        case 1:
            return "polyCollapseEdge " + range(mesh, "e", edge(), -1);
        case 2: {
            const int a = vertex(), b = vertex();
            return "polyMergeVertex -d " + std::string(choose(2) ? "10" : "0.3") + " " +
                   range(mesh, "vtx", a, -1) + " " + range(mesh, "vtx", b, -1);
        }
        case 3: {
            const int e = edge();
            return std::string("polyDelEdge -cv ") + (choose(2) ? "on " : "off ") +
                   range(mesh, "e", e, std::min(ne - 1, e + choose(4)));
        }
        case 4:
            return "polyDelVertex " + range(mesh, "vtx", vertex(), -1);
        case 5:
            return "polyDeleteVertex " + range(mesh, "vtx", vertex(), -1);
        case 6: {
            // Two edges of one face.
            const int f = face();
            const auto edges = m.faceEdges(f);
            const int n = static_cast<int>(edges.size());
            const int i = choose(n), j = (i + 1 + choose(n - 1)) % n;
            return "polySplit -ep " + std::to_string(edges[i]) + " " + params[choose(3)] + " -ep " +
                   std::to_string(edges[j]) + " " + params[choose(5)] + " " + mesh;
        }
        case 7:
            return "polyMapCut " + range(mesh, "e", edge(), -1);
        case 8:
            return "polyMoveVertex -t 0 " + std::string(choose(2) ? "0.2" : "-0.1") + " 0 " +
                   range(mesh, "vtx", vertex(), -1);
        case 9:
            return "polySoftEdge -a " + std::string(choose(2) ? "180" : "30") + " " + mesh;
        case 10:
        case 11: {
            const int f = face();
            return std::string("sets -edit -forceElement ") + kGroups[choose(3)] + " " +
                   range(mesh, "f", f, std::min(nf - 1, f + choose(4)));
        }
        case 12:
            return "polyTriPatch " + range(mesh, "f", face(), -1);
        case 13:
            return "polySubdivideFaceAny " + range(mesh, "f", face(), -1);
        case 14:
            return "polyObjectGroup " + range(mesh, "f", face(), -1);
        case 15: {
            if (modifiers.empty()) return "polyDual " + mesh;
            const std::string& node =
                modifiers[static_cast<size_t>(choose(static_cast<int>(modifiers.size())))];
            const KObject n = Graph::instance().findNode(node);
            const std::string type = n.isNull() ? "" : NodeImpl::from(n)->type().name;
            if (type == "polyTriPatch")
                return "setAttr " + node + ".divisions " + std::to_string(choose(3));
            if (type == "polySubdFaceAny")
                return "setAttr " + node + ".divisions " + std::to_string(1 + choose(2));
            if (type == "polyDual")
                return "setAttr " + node + ".nbSteps " + std::to_string(1 + choose(2));
            return "delete " + node;
        }
        case 16:
            if (!modifiers.empty())
                return "delete " +
                       modifiers[static_cast<size_t>(choose(static_cast<int>(modifiers.size())))];
            return "delete -ch " + mesh;
        default:
            return "delete -ch " + mesh;
    }
}

SessionReport MeshHistorySession::run(int steps, const Chooser& choose) {
    SessionReport report;
    const std::string start = describe();
    std::string log;
    int done = 0;
    for (int i = 0; i < steps; ++i) {
        const std::string text = nextStep(choose);
        log += text + "\n";
        const std::string before = describe();
        const std::map<std::string, int> overloaded = overloadedPerMesh();
        const std::size_t chunks = undo::undoQueue().undoCount();
        const lang::RunResult r = runQuiet(text, true);
        if (!r.ok) {
            if (describe() != before || undo::undoQueue().undoCount() != chunks) {
                report.fault = "a failed step changed the scene";
                report.detail = log + r.error + "\n" + firstDifference(before, describe());
                return report;
            }
            continue;
        }
        if (undo::undoQueue().undoCount() > chunks) {
            ++done;
            for (const char* word : {"polyTriPatch", "polySubdivideFaceAny", "polyDual",
                                     "polyObjectGroup", "setAttr", "delete"})
                if (text.rfind(word, 0) == 0) ++report.history;
        }
        if (const std::string faults = stepFaults(text, overloaded); !faults.empty()) {
            report.fault = "a step left a mesh that is not valid";
            report.detail = log + faults;
            return report;
        }
    }
    report.done = done;
    const std::string end = describe();
    for (int i = 0; i < done; ++i) undo::undoQueue().undo();
    if (const std::string now = describe(); now != start) {
        report.fault = "undoing every step did not give the start back";
        report.detail = log + firstDifference(start, now);
        return report;
    }
    for (int i = 0; i < done; ++i) undo::undoQueue().redo();
    if (const std::string now = describe(); now != end) {
        report.fault = "redoing every step did not give the end back";
        report.detail = log + firstDifference(end, now);
        return report;
    }
    if (const std::string faults = stepFaults("redo", {}); !faults.empty()) {
        report.fault = "redo left a mesh that is not valid";
        report.detail = log + faults;
    }
    return report;
}

}  // namespace tarn::fuzz
