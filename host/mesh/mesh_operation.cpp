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
    m_smooth.clear();
    std::vector<int> edges = m_edges;
    if (edges.empty()) {
        edges.resize(mesh.numEdges());
        for (int e = 0; e < mesh.numEdges(); ++e) edges[e] = e;
    }
    if (!std::isfinite(m_angle)) return OpStatus::failure("the angle must be a finite number");
    const double limit = std::clamp(m_angle, 0.0, 180.0);
    for (int e : edges) {
        if (e < 0 || e >= mesh.numEdges())
            return OpStatus::failure("edge " + std::to_string(e) + " is out of range (mesh has " +
                                     std::to_string(mesh.numEdges()) + " edges)");
        bool smooth = limit > 0.0;
        const auto faces = mesh.edgeFaces(e);
        for (size_t i = 1; smooth && i < faces.size(); ++i) {
            const double c =
                std::clamp(dot(mesh.faceNormal(faces[0]), mesh.faceNormal(faces[i])), -1.0, 1.0);
            const double degrees = std::acos(c) * 180.0 / std::numbers::pi;
            smooth = limit >= 180.0 || degrees <= limit + 1e-9;
        }
        m_smooth.emplace_back(e, smooth);
    }
    return OpStatus::success();
}

OpStatus SoftEdgeOperation::apply(PolyMesh& mesh) {
    for (const auto& [e, smooth] : m_smooth) mesh.setEdgeSmooth(e, smooth);
    return OpStatus::success();
}

}  // namespace tarn
