#include "uvproject/poly_map_cut_faces_border_cmd.h"

#include <cstdio>

#include "frame/k_global.h"
#include "frame/k_mesh.h"
#include "frame/k_selection.h"
#include "frame/k_types.h"
#include "uvproject/border_edges.h"

namespace {

/// Writes a message to standard error as is (the caller supplies the line feed).
KStatus fail(const char* message, KStatus status) {
    std::fputs(message, stderr);
    return status;
}

}  // namespace

polyMapCutFacesBorder::polyMapCutFacesBorder() = default;
polyMapCutFacesBorder::~polyMapCutFacesBorder() = default;

void* polyMapCutFacesBorder::creator() {
    return new polyMapCutFacesBorder;
}

KString polyMapCutFacesBorder::cutCommand(const KString& transformName, const KIntArray& edges) {
    KString command("polyMapCut");
    for (unsigned i = 0; i < edges.length(); ++i) {
        command += " ";
        command += transformName;
        command += ".e[";
        command += edges[i];
        command += "]";
    }
    return command;
}

KStatus polyMapCutFacesBorder::doIt(const KArgList&) {
    // The command works on the active selection only; whatever words it is given are ignored.
    return redoIt();
}

KStatus polyMapCutFacesBorder::redoIt() {
    if (!m_walked) {
        m_walked = true;
        return walkSelection();
    }
    // Redo: the same meshes and edges as the first run, whatever is selected now.
    for (std::size_t i = 0; i < m_cuts.size(); ++i) {
        if (KStatus status = applyCut(m_cuts[i]); !status) {
            restoreCuts(i);
            return fail("error executing the command\n", status);
        }
    }
    return KStatus::kSuccess;
}

KStatus polyMapCutFacesBorder::undoIt() {
    return restoreCuts(m_cuts.size());
}

KStatus polyMapCutFacesBorder::walkSelection() {
    // A failure after some meshes were cut takes those cuts back before it is reported.
    auto abandon = [this](const char* message, KStatus status) {
        restoreCuts(m_cuts.size());
        m_cuts.clear();
        return fail(message, status);
    };

    KSelectionList list;
    KStatus status = KGlobal::getActiveSelectionList(list);
    if (!status) return fail("failed to get selection list\n", status);

    for (unsigned i = 0; i < list.length(); ++i) {
        // Take the item's path and component; only face components are cut.
        KDagPath path;
        KObject component;
        if (!(status = list.getDagPath(i, path, component)))
            return abandon("failed to get dagpath\n", status);
        // A whole object or another component kind ends the walk quietly.
        if (component.isNull()) return KStatus::kSuccess;
        KFnComponent kind(component, &status);
        if (!status) return abandon("invalid component\n", status);
        if (kind.type() != KFn::kMeshPolygonComponent) return KStatus::kSuccess;
        KFnSingleIndexedComponent members(component, &status);
        if (!status) return abandon("invalid component\n", status);
        KIntArray faces;
        if (!(status = members.getElements(faces))) return abandon("error getting faces\n", status);

        // Keep the edges used by an odd number of the selected faces.
        KItMeshPolygon polygon(path, KObject::kNullObj, &status);
        if (!status) return abandon("error creating mesh iterator\n", status);
        uvproject::BorderEdges border;
        for (unsigned f = 0; f < faces.length(); ++f) {
            if (!(status = polygon.setIndex(faces[f])))
                return abandon("invalid poly face index\n", status);
            KIntArray edges;
            if (!(status = polygon.getEdges(edges)))
                return abandon("error getting face edges\n", status);
            for (unsigned e = 0; e < edges.length(); ++e) border.toggle(edges[e]);
        }

        // Cut along them, naming the edges through the mesh's transform.
        const KObject transform = path.transform(&status);
        KFnTransform transformFn;
        if (status) transformFn = KFnTransform(transform, &status);
        if (!status) return abandon("error getting transform\n", status);
        const KString name = transformFn.name();
        Cut cut{name, cutCommand(name, border.edges()), {}, {}};
        if (!(status = applyCut(cut))) return abandon("error executing the command\n", status);
        m_cuts.push_back(std::move(cut));
    }
    return KStatus::kSuccess;
}

KStatus polyMapCutFacesBorder::meshNamed(const KString& transformName, KFnMesh& mesh) {
    KSelectionList list;
    KDagPath path;
    KStatus status = list.add(transformName);
    if (status) status = list.getDagPath(0, path);
    if (status) status = mesh.setObject(path);
    return status;
}

KStatus polyMapCutFacesBorder::applyCut(Cut& cut) {
    // Save every UV set of the mesh: "polyMapCut" runs with undo off, so undo restores these.
    KFnMesh mesh;
    KStatus status = meshNamed(cut.transformName, mesh);
    if (!status) return status;
    KStringArray names;
    if (!(status = mesh.getUVSetNames(names))) return status;
    cut.before.assign(names.length(), SavedSet{});
    for (unsigned i = 0; i < names.length(); ++i) {
        SavedSet& saved = cut.before[i];
        saved.name = names[i];
        if (!(status = mesh.getUVs(saved.u, saved.v, &saved.name))) return status;
        if (!(status = mesh.getAssignedUVs(saved.counts, saved.ids, &saved.name))) return status;
    }
    cut.currentSet = names.length() ? mesh.currentUVSetName() : KString();
    return KGlobal::executeCommand(cut.command, false, false);
}

KStatus polyMapCutFacesBorder::restoreSet(KFnMesh& mesh, const SavedSet& saved) {
    // The host keeps assignments within the UV table: a smaller table goes in after the
    // assignments that fit it, a larger one before the assignments that need it.
    KStatus status = mesh.assignUVs(saved.counts, saved.ids, &saved.name);
    if (status) return mesh.setUVs(saved.u, saved.v, &saved.name);
    status = mesh.setUVs(saved.u, saved.v, &saved.name);
    if (status) status = mesh.assignUVs(saved.counts, saved.ids, &saved.name);
    return status;
}

KStatus polyMapCutFacesBorder::restoreCuts(std::size_t count) {
    KStatus result;
    for (std::size_t i = count; i-- > 0;) {
        const Cut& cut = m_cuts[i];
        KFnMesh mesh;
        KStatus status = meshNamed(cut.transformName, mesh);
        for (const SavedSet& saved : cut.before) {
            if (status) status = restoreSet(mesh, saved);
        }
        if (status && !cut.before.empty()) status = mesh.setCurrentUVSetName(cut.currentSet);
        if (status) status = mesh.updateSurface();
        if (!status) result = status;  // go on: the other meshes can still be restored
    }
    return result;
}
