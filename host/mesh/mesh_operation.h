#pragma once
/// The shape of every mesh edit: prepare (check the input, plan, change nothing) -> apply
/// (carry out the plan) -> cleanup (drop what the plan kept). Each operation states the mesh it
/// assumes (triangles or any polygons, manifold or not, with or without borders).

#include <string>
#include <vector>

#include "host/mesh/poly_mesh.h"

namespace tarn {

struct OpStatus {
    bool ok = true;
    std::string message;  // why it failed, for the user

    static OpStatus success() { return {}; }
    static OpStatus failure(std::string text) { return {false, std::move(text)}; }
};

class MeshOperation {
public:
    virtual ~MeshOperation() = default;
    /// Checks the mesh and plans the edit; must not change anything.
    virtual OpStatus prepare(const PolyMesh& mesh) = 0;
    /// Carries out the plan made by prepare on the same mesh.
    virtual OpStatus apply(PolyMesh& mesh) = 0;
    /// Drops what prepare and apply kept; always called.
    virtual void cleanup() {}
};

/// Runs prepare -> apply -> cleanup. The edit is made on a copy that replaces the mesh only on
/// success, so a failing operation leaves the mesh exactly as it was.
OpStatus runMeshOperation(MeshOperation& op, PolyMesh& mesh);

/// Makes edges soft where the angle between their two faces' normals is at most `angleDegrees`
/// and hard elsewhere; border edges follow the same rule with no angle (soft unless the angle
/// is 0). 180 softens every edge, 0 hardens every edge. Any polygon mesh, manifold or not.
/// The flags are set in place; `changes()` then lists the edges whose flag changed with their
/// previous flag, so an undo record can hold just those.
class SoftEdgeOperation : public MeshOperation {
public:
    /// `edges` empty means every edge of the mesh.
    SoftEdgeOperation(double angleDegrees, std::vector<int> edges)
        : m_angle(angleDegrees), m_edges(std::move(edges)) {}
    OpStatus prepare(const PolyMesh& mesh) override;
    OpStatus apply(PolyMesh& mesh) override;
    void cleanup() override;
    /// (edge, previous smooth flag) of every edge apply changed, in edge-list order; filled only
    /// when `keepChanges` was set before apply.
    /// When apply turned a mesh whose edges all had one flag into one whose edges all have
    /// another, no edge is listed: `uniformBefore()` is that earlier flag (0 or 1), else -1.
    const std::vector<std::pair<int, bool>>& changes() const { return m_changes; }
    int uniformBefore() const { return m_uniformBefore; }
    void setKeepChanges(bool keep) { m_keepChanges = keep; }

private:
    // The planned flag of the i-th edge of the plan (every edge when m_edges is empty).
    bool plannedFlag(size_t i) const { return m_uniform >= 0 ? m_uniform != 0 : m_flags[i] != 0; }

    double m_angle;
    std::vector<int> m_edges;
    int m_uniform = -1;            // 0 or 1 when every planned edge gets the same flag
    std::vector<uint8_t> m_flags;  // planned flag per edge otherwise
    bool m_keepChanges = false;
    std::vector<std::pair<int, bool>> m_changes;
    int m_uniformBefore = -1;
};

}  // namespace tarn
