#pragma once
/// How the faces of a mesh shape keep their shading groups while the mesh comes from
/// construction history, whatever the history does to the faces. Main thread only.
///
/// A shape's `faceGroups` always describe the mesh it shows. While the shape has history it
/// also keeps a ShadingMemory:
/// - `base`: the groups of the faces of the mesh the history started from (the shape's own mesh
///   when history was first connected). A mesh the history gives takes, for each of its faces,
///   the group of the base face it comes from (host/mesh/face_sources.h: the same face where the
///   faces are laid out alike, else the nearest one), so a face a modifier splits or adds joins
///   the group of the face it came from.
/// - `seen`: the groups of the last few face layouts faces were assigned on, so that a layout
///   coming back (an undo, a parameter set back) shows its faces as they were assigned, faces
///   assigned one by one included.
/// Assigning faces while the shape has history also updates `base`: a base face all of whose
/// pieces are now in one group takes that group (so deleting the history node keeps it).

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "host/mesh/poly_mesh.h"
#include "host/scene/face_group_runs.h"

namespace tarn::scene {

/// A face layout's fingerprint: the face count and every face's loop (equal meshes, equal keys).
struct LayoutKey {
    std::uint64_t hash = 0;
    int faces = 0;
    bool operator==(const LayoutKey&) const = default;
};
LayoutKey layoutKey(const PolyMesh& mesh);

struct ShadingMemory {
    /// Layouts remembered in `seen` (the oldest is forgotten first).
    static constexpr size_t kLayouts = 8;

    std::shared_ptr<const PolyMesh> baseMesh;  // null: no base (no history)
    FaceGroupRuns base;
    std::vector<std::pair<LayoutKey, FaceGroupRuns>> seen;  // newest last

    bool active() const { return baseMesh || !seen.empty(); }
    /// Remembers how the faces of `layout` are grouped (replacing what was remembered of it).
    void remember(const LayoutKey& layout, FaceGroupRuns runs);
    /// The runs remembered for `layout`, or null.
    const FaceGroupRuns* recall(const LayoutKey& layout) const;
};

/// The groups for the faces of `now`, which replaces the mesh `groups` describe: as assigned on
/// its layout when remembered, else carried from the base. `sources` receives the base face of
/// each face of `now` when they were worked out (else it is left empty).
FaceGroupRuns carryShading(ShadingMemory& memory, const FaceGroupRuns& groups, const PolyMesh& now,
                           std::vector<int>& sources);

/// After `groups` (for `now`) changed by an assignment: each base face whose pieces in `now`
/// (found through `sources`, the base face of each face of `now`) are all in one group takes
/// it; what is remembered of other layouts is forgotten when the base changed; the layout of
/// `now` is remembered with `groups`.
void followAssignment(ShadingMemory& memory, const FaceGroupRuns& groups, const PolyMesh& now,
                      const std::vector<int>& sources);

}  // namespace tarn::scene
