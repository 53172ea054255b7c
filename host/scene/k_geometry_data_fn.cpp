// KFnGeometryData over mesh data: object groups of faces kept in the data's mesh.

#include <algorithm>

#include "frame/k_geometry_data.h"
#include "host/scene/component_impl.h"
#include "host/scene/mesh_data.h"

using namespace tarn;
using namespace tarn::scene;

namespace {

const PolyMesh::ObjectGroups* groupsOf(const KObject& data) {
    const MeshDataImpl* d = MeshDataImpl::from(data);
    return d ? &d->mesh().objectGroups() : nullptr;
}

// The elements of a face component on `mesh`, or false when it is another kind or an element
// lies outside the mesh.
bool faceElements(const KObject& component, const PolyMesh& mesh, std::vector<int>* out) {
    const ComponentImpl* c = ComponentImpl::from(component);
    if (!c || c->apiType() != KFn::kMeshPolygonComponent) return false;
    if (c->complete) {
        out->resize(static_cast<size_t>(mesh.numFaces()));
        for (int f = 0; f < mesh.numFaces(); ++f) (*out)[static_cast<size_t>(f)] = f;
        return true;
    }
    *out = c->elements();
    return std::all_of(out->begin(), out->end(),
                       [&](int f) { return f >= 0 && f < mesh.numFaces(); });
}

}  // namespace

KFnGeometryData::KFnGeometryData(const KObject& data, KStatus* status) {
    kSetStatus(status, setObject(data));
}

KStatus KFnGeometryData::setObject(const KObject& data) {
    if (!MeshDataImpl::from(data)) {
        m_data = KObject();
        return KStatus::kInvalidParameter;
    }
    m_data = data;
    return KStatus::kSuccess;
}

KObject KFnGeometryData::object(KStatus* status) const {
    kSetStatus(status, m_data.isNull() ? KStatus::kInvalidParameter : KStatus::kSuccess);
    return m_data;
}

int KFnGeometryData::objectGroupCount(KStatus* status) const {
    const auto* groups = groupsOf(m_data);
    kSetStatus(status, groups ? KStatus::kSuccess : KStatus::kInvalidParameter);
    return groups ? static_cast<int>(groups->size()) : 0;
}

int KFnGeometryData::objectGroup(int index, KStatus* status) const {
    const auto* groups = groupsOf(m_data);
    if (!groups || index < 0 || index >= static_cast<int>(groups->size())) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return -1;
    }
    kSetStatus(status, KStatus::kSuccess);
    return std::next(groups->begin(), index)->first;
}

bool KFnGeometryData::hasObjectGroup(int id, KStatus* status) const {
    const auto* groups = groupsOf(m_data);
    kSetStatus(status, groups ? KStatus::kSuccess : KStatus::kInvalidParameter);
    return groups && groups->count(id) != 0;
}

KObject KFnGeometryData::objectGroupComponent(int id, KStatus* status) const {
    const auto* groups = groupsOf(m_data);
    const auto it = groups ? groups->find(id) : PolyMesh::ObjectGroups::const_iterator();
    if (!groups || it == groups->end()) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return KObject();
    }
    kSetStatus(status, KStatus::kSuccess);
    return ComponentImpl::make(KFn::kMeshPolygonComponent, it->second);
}

KStatus KFnGeometryData::addObjectGroup(int id) {
    MeshDataImpl* d = MeshDataImpl::from(m_data);
    if (!d || id < 0 || d->mesh().objectGroups().count(id)) return KStatus::kInvalidParameter;
    d->editMesh().objectGroups()[id];
    return KStatus::kSuccess;
}

KStatus KFnGeometryData::removeObjectGroup(int id) {
    MeshDataImpl* d = MeshDataImpl::from(m_data);
    if (!d || !d->mesh().objectGroups().count(id)) return KStatus::kInvalidParameter;
    d->editMesh().objectGroups().erase(id);
    return KStatus::kSuccess;
}

KStatus KFnGeometryData::addObjectGroupComponent(int id, const KObject& component) {
    MeshDataImpl* d = MeshDataImpl::from(m_data);
    std::vector<int> faces;
    if (!d || !d->mesh().objectGroups().count(id) || !faceElements(component, d->mesh(), &faces))
        return KStatus::kInvalidParameter;
    std::vector<int>& members = d->editMesh().objectGroups()[id];
    members.insert(members.end(), faces.begin(), faces.end());
    std::sort(members.begin(), members.end());
    members.erase(std::unique(members.begin(), members.end()), members.end());
    return KStatus::kSuccess;
}

KStatus KFnGeometryData::removeObjectGroupComponent(int id, const KObject& component) {
    MeshDataImpl* d = MeshDataImpl::from(m_data);
    std::vector<int> faces;
    if (!d || !d->mesh().objectGroups().count(id) || !faceElements(component, d->mesh(), &faces))
        return KStatus::kInvalidParameter;
    std::vector<int>& members = d->editMesh().objectGroups()[id];
    std::erase_if(members,
                  [&](int f) { return std::binary_search(faces.begin(), faces.end(), f); });
    return KStatus::kSuccess;
}

KFn::Type KFnGeometryData::objectGroupType(int id, KStatus* status) const {
    const auto* groups = groupsOf(m_data);
    if (!groups || !groups->count(id)) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return KFn::kInvalid;
    }
    kSetStatus(status, KStatus::kSuccess);
    return KFn::kMeshPolygonComponent;
}
