#include "engine/geometry/mid_body.h"

#include <exception>
#include <new>
#include <utility>

#include "host/scene/mesh_data.h"

TmidBody::TmidBody(tarn::PolyMesh mesh) : m_geom(std::make_unique<TpolyGeom>(std::move(mesh))) {}

bool TmidBody::loadFromData(const KObject& data) {
    const tarn::scene::MeshDataImpl* impl = tarn::scene::MeshDataImpl::from(data);
    if (!impl) return false;
    m_geom = std::make_unique<TpolyGeom>(impl->mesh());
    return true;
}

bool TmidBody::setMidBody(TpolyGeom* geom) {
    m_geom.reset(geom);
    return !geom || geom->update(0);
}

int TmidBody::addGroup(TpolyGroup group) {
    m_groups.push_back(std::move(group));
    return static_cast<int>(m_groups.size()) - 1;
}

void TpolyIter::grpInit(const TmidBody& body, int grp) {
    m_members = &body.group(grp).members;
    m_at = 0;
}

bool TpolyIter::grpFwd(int& member) {
    if (!m_members || m_at >= m_members->size()) return false;
    member = (*m_members)[m_at++];
    return true;
}

TdataMesh::TdataMesh(TmidBody& body) {
    auto data = std::make_shared<tarn::scene::MeshDataImpl>();
    if (TpolyGeom* geom = body.geom()) {
        geom->update(0);
        data->setMesh(geom->takeMesh());
    }
    m_object = KObject(std::move(data));
}

const tarn::PolyMesh& TdataMesh::mesh() const {
    return tarn::scene::MeshDataImpl::from(m_object)->mesh();
}

int TmidModifierFty::doAction(TmidBody* body, const TpolyGroup* component) {
    m_message.clear();
    if (!body) return fail("there is no mesh to modify");
    try {
        if (component) body->setActiveGroup(body->addGroup(*component));
        return modify(*body);
    } catch (const std::bad_alloc&) {
        return fail("out of memory");
    } catch (const std::exception& e) {
        return fail(e.what());
    }
}

bool TmidModifierFty::getActiveGrpName(TmidBody* body, const TpolyGroup*, TpolyGrpType type,
                                       int& grp) {
    // doAction has made a given component the body's active group.
    if (!body) return false;
    const int active = body->activeGroup();
    if (active < 0 || active >= body->groupCount() || body->group(active).type != type)
        return false;
    grp = active;
    return true;
}
