#pragma once
/// The scene being worked on as a whole: the file it was opened from or saved to, whether it
/// changed since, and emptying it for a new one. Main thread only.
///
/// "Modified" follows the undo queue's count of changes (host/undo): every recorded change,
/// undo and redo counts, whoever made it (commands, tools, the window), and so does an import.
/// Opening, saving and a new scene take the count as the saved state.

#include <memory>
#include <string>

namespace tarn::scenefile {

/// The scene's file ("" while it has none: a new scene never saved).
const std::string& sceneName();
/// True when the scene changed since it was opened, saved or made new.
bool sceneModified();
/// The scene now is what `path` holds (after a save or an open).
void markSceneSaved(const std::string& path);
/// Marks a change the undo queue does not see (a model import).
void markSceneModified();

/// The scene taken out of the graph whole, so that another can be built in its place: every
/// node is detached with its values, connections and DAG place (nothing is copied), the
/// selection, hilite list, view camera and the scene's option variables are kept. restore()
/// deletes whatever was built meanwhile and puts the old scene back exactly; discard() destroys
/// it (the new scene stays). Destroying an object that did neither discards.
class SetAsideScene {
public:
    SetAsideScene();
    ~SetAsideScene();
    SetAsideScene(const SetAsideScene&) = delete;
    SetAsideScene& operator=(const SetAsideScene&) = delete;
    void restore();
    void discard();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

/// Empties the scene for a new one: undo and redo lists, every node (the default shading
/// nodes are made again, as in a new session), the selection and hilite list, the view's
/// camera (back to its default) and the scene's option variables. Plug-ins stay loaded.
void clearSceneContents();
/// `file -new`: clearSceneContents, and the scene has no file and no changes.
void newScene();

}  // namespace tarn::scenefile
