#include "host/scenefile/scene_session.h"

#include <cstdint>

#include "host/dg/graph.h"
#include "host/dg/node_impl.h"
#include "host/lang/option_vars.h"
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

void clearSceneContents() {
    undo::undoQueue().clear();
    Graph& graph = Graph::instance();
    // Newest first, so what a node fed goes before it.
    const std::vector<KObject> nodes = graph.nodes();
    for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) {
        const NodeImpl* n = NodeImpl::from(*it);
        if (!n || !n->alive()) continue;
        std::string ignored;
        graph.deleteNode(*it, &ignored);
    }
    scene::resetSelectionState();
    scene::ensureSceneTypes();
    std::string ignored;
    view::ActiveView::instance().setCamera("", &ignored);
    lang::OptionVars& vars = lang::optionVars();
    const std::string prefix = kSceneOptionPrefix;
    for (const std::string& name : vars.names())
        if (name.compare(0, prefix.size(), prefix) == 0) vars.remove(name);
}

void newScene() {
    clearSceneContents();
    session().name.clear();
    markSceneSaved("");
}

}  // namespace tarn::scenefile
