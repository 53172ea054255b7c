#pragma once
/// polyMapCutFacesBorder: cuts the UVs of each mesh with selected faces along the outline of
/// those faces (the host's "polyMapCut" on the border edges), so that the selected region
/// becomes a UV shell of its own. Works on the active selection; arguments are ignored.

#include <vector>

#include "frame/k_arrays.h"
#include "frame/k_command.h"
#include "frame/k_mesh.h"
#include "frame/k_scene.h"
#include "frame/k_string.h"

class polyMapCutFacesBorder : public KPxCommand {
public:
    polyMapCutFacesBorder();
    ~polyMapCutFacesBorder() override;

    /// Ignores `args` and runs redoIt.
    KStatus doIt(const KArgList& args) override;
    /// Puts back the UVs each cut mesh had before the command, last mesh first.
    KStatus undoIt() override;
    /// The first call walks the selection: for each face item, in order, it cuts the mesh along
    /// the region's border edges. A whole-object item or another component kind stops the walk
    /// quietly with success. When an item fails, the cuts already made are taken
    /// back before the failure is answered. Later calls (redo) run the same cuts again.
    KStatus redoIt() override;
    bool isUndoable() const override { return true; }

    static void* creator();

    /// The command for border edges `edges` of the transform `transformName`: "polyMapCut"
    /// followed by " <transform>.e[<edge>]" per edge, in list order.
    static KString cutCommand(const KString& transformName, const KIntArray& edges);

private:
    /// The UVs of one set of a mesh, as the SDK reads and writes them.
    struct SavedSet {
        KString name;
        KFloatArray u, v;
        KIntArray counts, ids;
    };
    /// One mesh cut by the command: its transform's name, the command text and the UVs it had
    /// before. The mesh is found by name each time, since undo and redo of earlier commands may
    /// delete it and make it anew under the same name.
    struct Cut {
        KString transformName;
        KString command;
        std::vector<SavedSet> before;
        KString currentSet;
    };

    KStatus walkSelection();
    /// The mesh named `transformName`.
    static KStatus meshNamed(const KString& transformName, KFnMesh& mesh);
    /// Saves the UVs of the cut's mesh, then executes its command (display and undo off).
    KStatus applyCut(Cut& cut);
    static KStatus restoreSet(KFnMesh& mesh, const SavedSet& saved);
    /// Restores the saved UVs of the first `count` cuts, last first.
    KStatus restoreCuts(std::size_t count);

    KDGModifier m_modifier;  ///< kept with the command; the cuts go through command strings
    std::vector<Cut> m_cuts;
    bool m_walked = false;
};
