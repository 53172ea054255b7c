#pragma once
/// Mesh data objects: a PolyMesh held by a KObject of kind kMeshData (values of mesh-typed
/// attributes). Copy-on-write is not done: whoever writes into data read from an input should
/// copy it first.

#include <memory>

#include "frame/k_object.h"
#include "host/mesh/poly_mesh.h"

namespace tarn::scene {

class MeshDataImpl final : public ObjectImpl {
public:
    KFn::Type apiType() const override { return KFn::kMeshData; }
    static MeshDataImpl* from(const KObject& object) {
        return object.apiType() == KFn::kMeshData ? dynamic_cast<MeshDataImpl*>(object.impl())
                                                  : nullptr;
    }
    PolyMesh mesh;
};

}  // namespace tarn::scene
