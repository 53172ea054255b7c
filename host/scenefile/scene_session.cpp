#include "host/scenefile/scene_session.h"

#include <cstdint>
#include <map>
#include <set>

#include "host/dg/graph.h"
#include "host/dg/node_impl.h"
#include "host/lang/option_vars.h"
#include "host/scene/dag.h"
#include "host/scene/dag_nodes.h"
#include "host/scene/selection.h"
#include "host/scenefile/scene_writer.h"
#include "host/undo/undo.h"
#include "host/view/active_view.h"

namespace tarn::scenefile {

namespace {

struct Session {
    std::string name;
    std::uint64_t savedAt = 0;  // the undo queue's change count when last saved or opened
    bool forced = false;        // a change the queue did not count
};

Session& session() {
    static Session s;
    return s;
}

}  // namespace

const std::string& sceneName() {
    return session().name;
}

bool sceneModified() {
    return session().forced || undo::undoQueue().changeCount() != session().savedAt;
}

void markSceneSaved(const std::string& path) {
    session().name = path;
    session().savedAt = undo::undoQueue().changeCount();
    session().forced = false;
}

void markSceneModified() {
    session().forced = true;
}

namespace {

bool isSceneOption(const std::string& name) {
    const std::string prefix = kSceneOptionPrefix;
    return name.compare(0, prefix.size(), prefix) == 0;
}

void removeSceneOptions() {
    lang::OptionVars& vars = lang::optionVars();
    for (const std::string& name : vars.names())
        if (isSceneOption(name)) vars.remove(name);
}

// Deletes every live node, newest first (so what a node fed goes before it).
void deleteAllNodes() {
    Graph& graph = Graph::instance();
    const std::vector<KObject> nodes = graph.nodes();
    for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) {
        const NodeImpl* n = NodeImpl::from(*it);
        if (!n || !n->alive()) continue;
        std::string ignored;
        graph.deleteNode(*it, &ignored);
    }
}

}  // namespace

struct SetAsideScene::State {
    struct Kept {
        DetachedNode detached;
        KObject dagParent;
        int dagIndex = -1;
        bool dag = false;
    };
    std::vector<Kept> kept;  // in detaching order
    KSelectionList selection;
    std::vector<std::string> hilite;
    std::string camera;
    bool automatic = false;  // the view had a camera of its own
    view::ViewCamera automaticCamera;
    std::map<std::string, lang::Value> options;
    bool done = false;
};

SetAsideScene::SetAsideScene() : m_state(std::make_unique<State>()) {
    State& s = *m_state;
    s.selection = scene::activeSelection();
    s.hilite = scene::hiliteList();
    const view::ActiveView& v = view::ActiveView::instance();
    s.camera = v.cameraName();
    if (const view::ViewCamera* c = v.hasAutomaticCamera() ? &v.automaticCamera() : nullptr) {
        s.automaticCamera = *c;
        s.automatic = true;
    }
    lang::OptionVars& vars = lang::optionVars();
    for (const std::string& name : vars.names())
        if (isSceneOption(name))
            if (auto value = vars.get(name)) s.options.emplace(name, *value);
    // DAG nodes children first (deepest last in depth-first order), then the others, newest
    // first; they come back in the opposite order, each at its place.
    std::vector<KObject> order;
    std::set<const NodeImpl*> inDag;
    const std::vector<KObject> dag = scene::allDagNodes();
    for (auto it = dag.rbegin(); it != dag.rend(); ++it) {
        order.push_back(*it);
        inDag.insert(NodeImpl::from(*it));
    }
    const std::vector<KObject> all = Graph::instance().nodes();
    for (auto it = all.rbegin(); it != all.rend(); ++it)
        if (!inDag.count(NodeImpl::from(*it))) order.push_back(*it);
    for (const KObject& node : order) {
        const NodeImpl* n = NodeImpl::from(node);
        if (!n || !n->alive()) continue;
        State::Kept k;
        k.dag = scene::dagNode(node) != nullptr;
        if (k.dag) {
            k.dagParent = scene::parentOf(node);
            k.dagIndex = scene::childIndex(node);
        }
        std::string ignored;
        if (Graph::instance().detachNode(node, &k.detached, &ignored))
            s.kept.push_back(std::move(k));
    }
    scene::resetSelectionState();
    removeSceneOptions();
    std::string ignored;
    view::ActiveView::instance().setCamera("", &ignored);
}

SetAsideScene::~SetAsideScene() {
    if (!m_state->done) discard();
}

void SetAsideScene::restore() {
    State& s = *m_state;
    if (s.done) return;
    s.done = true;
    deleteAllNodes();
    Graph& graph = Graph::instance();
    for (auto it = s.kept.rbegin(); it != s.kept.rend(); ++it) {
        std::string ignored;
        if (!graph.reattachNode(it->detached, &ignored)) continue;
        if (it->dag) scene::relink(KObject(it->detached.node), it->dagParent, it->dagIndex);
    }
    scene::resetSelectionState();
    scene::setActiveSelection(s.selection);
    scene::hiliteList() = s.hilite;
    std::string ignored;
    view::ActiveView& v = view::ActiveView::instance();
    v.setCamera(s.camera, &ignored);
    if (s.automatic) v.setAutomaticCamera(s.automaticCamera);
    removeSceneOptions();
    for (const auto& [name, value] : s.options) lang::optionVars().set(name, value);
}

void SetAsideScene::discard() {
    State& s = *m_state;
    if (s.done) return;
    s.done = true;
    // The undo lists may hold the old nodes by name; they go with them.
    undo::undoQueue().clear();
    for (auto it = s.kept.rbegin(); it != s.kept.rend(); ++it)
        Graph::instance().destroyDetached(it->detached.node);
}

void clearSceneContents() {
    undo::undoQueue().clear();
    deleteAllNodes();
    scene::resetSelectionState();
    scene::ensureSceneTypes();
    std::string ignored;
    view::ActiveView::instance().setCamera("", &ignored);
    removeSceneOptions();
}

void newScene() {
    clearSceneContents();
    session().name.clear();
    markSceneSaved("");
}

}  // namespace tarn::scenefile
