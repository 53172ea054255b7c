#pragma once
/// Random sessions of mesh edits, construction history and shading assignments on primitives,
/// for the undo/redo property test and the mesh_history fuzz target. Each step is one command
/// text chosen for the scene as it stands (its meshes, their counts, their history nodes), so
/// most steps are meant to go through and the rest must fail cleanly. Main thread only.

#include <functional>
#include <string>
#include <vector>

namespace tarn::fuzz {

/// Picks a number in [0, n) for n >= 1: a seeded engine for the property test, the input's
/// bytes for the fuzz target.
using Chooser = std::function<int(int n)>;

/// What a session found wrong, empty when nothing.
struct SessionReport {
    std::string fault;   // what went wrong, for the finding
    std::string detail;  // the steps and the texts that differ
    int done = 0;        // steps that went through (each one undo step)
    int history = 0;     // of those, steps that put a node into a history or changed one
};

class MeshHistorySession {
public:
    /// Loads meshKit and makes the shading groups the steps assign faces to (undo off).
    /// False with `*error` when that fails.
    static bool setUp(std::string* error);

    /// The next command text for the scene as it stands.
    std::string nextStep(const Chooser& choose);

    /// Runs `steps` steps, each with undo on, and checks after each that a failure changed
    /// nothing and that every mesh is valid (host/mesh/mesh_validity.h; an edge of more than
    /// two faces only counts where a host edit made more of them than there were, since a
    /// plug-in's history node may make some); then undoes every step
    /// and compares `describeScene -json` with the start, redoes them and compares with the
    /// end. Stops at the first fault.
    SessionReport run(int steps, const Chooser& choose);

private:
    std::vector<std::string> m_meshes;  // transforms made by the session
    int m_made = 0;
};

/// Every mesh shape's first validity fault, as "shape: fault" lines ("" when all are valid).
std::string meshFaults();

}  // namespace tarn::fuzz
