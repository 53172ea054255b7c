#pragma once
/// Host state for the fuzz targets: a private working folder, and a reset between inputs so that
/// every input meets the same empty scene (runs are deterministic and findings replay alone).
/// Main thread only.

#include <string>

namespace tarn::fuzz {

/// Creates a private folder under $TMPDIR (or /tmp), makes it the working folder and points the
/// preferences there. Copies the sample scene in as "sample.qmf" for scripts that import it.
/// Idempotent: later calls answer the same folder.
const std::string& enterScratchFolder();

/// Makes the commands that name files or plug-ins (file, source, exportObj, viewSnapshot,
/// loadPlugin, unloadPlugin) refuse, with a message, any word holding a '/': a fuzzed input
/// then reads and writes only inside the scratch folder and loads only the built plug-ins.
/// `python` refuses always (Python code could reach anything). Idempotent.
void installPathSandbox();

/// Empties the scene: undo and redo lists, every node and connection, the selection, the idle
/// queue and the journal; then the scene's node types and default nodes are made again.
/// Loaded plug-ins stay loaded (their node types go with the graph, so call this only when
/// no plug-in with node types is loaded: see unloadPluginsAndReset).
void resetScene();

/// Unloads every plug-in (forced, newest first), then resetScene(); option variables are
/// forgotten and their file removed.
void unloadPluginsAndReset();

}  // namespace tarn::fuzz
