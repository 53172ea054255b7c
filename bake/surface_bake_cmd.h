#pragma once
/// surfaceBake: bakes one per-vertex attribute of every selected polygon mesh into an image in
/// the mesh's UV space, writes it, and by default makes a file texture that shows it on the mesh.

#include "bake/bake_settings.h"
#include "frame/k_command.h"
#include "frame/k_selection.h"

class surfaceBakeCmd : public KPxCommand {
public:
    surfaceBakeCmd() = default;

    /// Parses the flags, then bakes (redoIt). Failure for a bad flag, nothing selected, a size
    /// beyond the limit, a selected mesh without faces (nothing is written then), or an image
    /// that could not be written.
    KStatus doIt(const KArgList& args) override;
    /// Bakes the selected meshes. The first call also makes the texture nodes; a later call (a
    /// redo) rewrites the images only, since undo and redo of the host replay the nodes.
    KStatus redoIt() override;
    /// Reports the undo. The texture nodes and the selection change were made with undo on in
    /// the same undo step, so the host takes them back with it.
    KStatus undoIt() override;
    bool isUndoable() const override { return true; }

    static void* creator();

    /// The output file of a mesh: the base (-fileName value and "_", else nothing), the mesh's
    /// path name, "|" made "_" and "\" made "/", then "_<attribute>.<type>"; without -fileName
    /// all that goes into the default folder.
    static KString outputFileName(const bake::BakeSettings& settings, const KString& meshName);
    /// The folder files go to without -fileName: the user's temporary folder ($TMPDIR, or /tmp
    /// when it is unset or empty), with a trailing "/".
    static KString defaultFolder();
    /// The command text that makes a file texture and placement for `fileName` and connects them
    /// to `meshName` (su, sv and the UV minimum place the image over the UV range).
    static KString textureScript(const KString& fileName, const KString& meshName, double su,
                                 double sv, double umin, double vmin);
    /// The 17 help lines, in order.
    static const char* const kHelpLines[17];

    const bake::BakeSettings& settings() const { return m_settings; }

private:
    /// Reads the flags into m_settings. False with the error shown for an unknown flag; `help`
    /// set when -h/-help was met (parsing stops there).
    bool parseArgs(const KArgList& args, bool& help);
    KStatus bakeSelection(bool makeTextures);

    bake::BakeSettings m_settings;
    bool m_baked = false;
};
