#pragma once
/// Mesh data objects: a mesh held by a KObject of kind kMeshData (values of mesh-typed
/// attributes). The mesh is shared copy-on-write: a value flowing along a connection becomes a
/// new data object over the same mesh, and whoever edits one (KFnMesh, KFnGeometryData) copies
/// the mesh first when anything else holds it, so no edit reaches an upstream node's output or
/// a shape that took the mesh. Main thread only.

#include <memory>
#include <utility>

#include "frame/k_object.h"
#include "host/mesh/poly_mesh.h"

namespace tarn::scene {

class MeshDataImpl final : public ObjectImpl {
public:
    MeshDataImpl() : m_mesh(std::make_shared<PolyMesh>()) {}
    explicit MeshDataImpl(std::shared_ptr<const PolyMesh> mesh)
        : m_mesh(mesh ? std::move(mesh) : std::make_shared<PolyMesh>()) {}
    KFn::Type apiType() const override { return KFn::kMeshData; }
    static MeshDataImpl* from(const KObject& object) {
        return object.apiType() == KFn::kMeshData ? dynamic_cast<MeshDataImpl*>(object.impl())
                                                  : nullptr;
    }
    /// A new data object over `mesh` (shared, not copied).
    static KObject wrap(std::shared_ptr<const PolyMesh> mesh) {
        return KObject(std::make_shared<MeshDataImpl>(std::move(mesh)));
    }

    const PolyMesh& mesh() const { return *m_mesh; }
    /// The mesh for editing: copied first while another holder shares it.
    PolyMesh& editMesh() {
        if (m_mesh.use_count() != 1) m_mesh = std::make_shared<PolyMesh>(*m_mesh);
        // Note: every mesh held here was made as a non-const object.
        return const_cast<PolyMesh&>(*m_mesh);
    }
    /// The mesh, shared without copying.
    const std::shared_ptr<const PolyMesh>& shared() const { return m_mesh; }
    void setMesh(PolyMesh mesh) { m_mesh = std::make_shared<PolyMesh>(std::move(mesh)); }

private:
    std::shared_ptr<const PolyMesh> m_mesh;
};

}  // namespace tarn::scene
