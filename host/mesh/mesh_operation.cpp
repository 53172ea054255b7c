#include "host/mesh/mesh_operation.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tarn {

OpStatus runMeshOperation(MeshOperation& op, PolyMesh& mesh) {
    OpStatus status = op.prepare(mesh);
    if (status.ok) {
        PolyMesh edited = mesh;
        status = op.apply(edited);
        if (status.ok) mesh = std::move(edited);
    }
    op.cleanup();
    return status;
}

OpStatus SoftEdgeOperation::prepare(const PolyMesh& mesh) {
    m_flags.clear();
    m_uniform = -1;
    m_changes.clear();
    m_uniformBefore = -1;
    if (!std::isfinite(m_angle)) return OpStatus::failure("the angle must be a finite number");
    for (int e : m_edges)
        if (e < 0 || e >= mesh.numEdges())
            return OpStatus::failure("edge " + std::to_string(e) + " is out of range (mesh has " +
                                     std::to_string(mesh.numEdges()) + " edges)");
    const double limit = std::clamp(m_angle, 0.0, 180.0);
    // 0 and 180 decide every edge without looking at the normals.
    if (limit <= 0.0 || limit >= 180.0) {
        m_uniform = limit > 0.0 ? 1 : 0;
        return OpStatus::success();
    }
    const size_t count = m_edges.empty() ? static_cast<size_t>(mesh.numEdges()) : m_edges.size();
    m_flags.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const int e = m_edges.empty() ? static_cast<int>(i) : m_edges[i];
        bool smooth = true;
        const auto faces = mesh.edgeFaces(e);
        for (size_t k = 1; smooth && k < faces.size(); ++k) {
            const double c =
                std::clamp(dot(mesh.faceNormal(faces[0]), mesh.faceNormal(faces[k])), -1.0, 1.0);
            smooth = std::acos(c) * 180.0 / std::numbers::pi <= limit + 1e-9;
        }
        m_flags[i] = smooth ? 1 : 0;
    }
    return OpStatus::success();
}

OpStatus SoftEdgeOperation::apply(PolyMesh& mesh) {
    // Every edge to one flag: nothing to do when the mesh already says so for all its edges,
    // and no per-edge walk (nor edge table) when no changes need listing or the mesh had one
    // flag for all its edges before.
    if (m_edges.empty() && m_uniform >= 0) {
        const int before = mesh.uniformEdgeSmoothing();
        if (before == m_uniform) return OpStatus::success();
        if (!m_keepChanges || before >= 0) {
            if (m_keepChanges) m_uniformBefore = before;
            mesh.setAllEdgesSmooth(m_uniform != 0);
            return OpStatus::success();
        }
    }
    const size_t count = m_edges.empty() ? static_cast<size_t>(mesh.numEdges()) : m_edges.size();
    for (size_t i = 0; i < count; ++i) {
        const int e = m_edges.empty() ? static_cast<int>(i) : m_edges[i];
        const bool smooth = plannedFlag(i);
        const bool was = mesh.isEdgeSmooth(e);
        if (was == smooth) continue;
        if (m_keepChanges) m_changes.emplace_back(e, was);
        mesh.setEdgeSmooth(e, smooth);
    }
    return OpStatus::success();
}

void SoftEdgeOperation::cleanup() {
    m_flags.clear();
    m_flags.shrink_to_fit();
    m_uniform = -1;
}

}  // namespace tarn
