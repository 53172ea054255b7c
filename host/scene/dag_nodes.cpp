#include "host/scene/dag_nodes.h"

#include <string>

#include "host/dg/attribute_impl.h"
#include "host/dg/data_flow.h"
#include "host/dg/graph.h"
#include "host/mesh/face_sources.h"
#include "host/scene/attribute_table.h"
#include "host/scene/dag.h"
#include "host/scene/history_nodes.h"
#include "host/scene/mesh_data.h"
#include "host/sdk/data_handle.h"
#include "host/shading/shading_nodes.h"

namespace tarn::scene {

KObject TransformNode::translate, TransformNode::rotate, TransformNode::scale,
    TransformNode::visibility;
KObject MeshNode::backfaceCulling, MeshNode::pnts, MeshNode::visibility,
    MeshNode::intermediateObject, MeshNode::inMesh, MeshNode::outMesh, MeshNode::worldMesh;
KObject CameraNode::focalLength, CameraNode::horizontalFilmAperture,
    CameraNode::verticalFilmAperture, CameraNode::nearClipPlane, CameraNode::farClipPlane,
    CameraNode::centerOfInterest, CameraNode::orthographic, CameraNode::orthographicWidth,
    CameraNode::visibility;

KStatus TransformNode::initialize() {
    AttrRow t{"translate", "t", AttrKind::Double3};
    t.keyable = true;
    t.children[0][0] = "translateX", t.children[0][1] = "tx";
    t.children[1][0] = "translateY", t.children[1][1] = "ty";
    t.children[2][0] = "translateZ", t.children[2][1] = "tz";
    t.handle = &translate;
    AttrRow r{"rotate", "r", AttrKind::Double3};
    r.keyable = true;
    r.children[0][0] = "rotateX", r.children[0][1] = "rx";
    r.children[1][0] = "rotateY", r.children[1][1] = "ry";
    r.children[2][0] = "rotateZ", r.children[2][1] = "rz";
    r.handle = &rotate;
    AttrRow s{"scale", "s", AttrKind::Double3, {1.0, 1.0, 1.0}};
    s.keyable = true;
    s.children[0][0] = "scaleX", s.children[0][1] = "sx";
    s.children[1][0] = "scaleY", s.children[1][1] = "sy";
    s.children[2][0] = "scaleZ", s.children[2][1] = "sz";
    s.handle = &scale;
    AttrRow v{"visibility", "v", AttrKind::Bool, {1.0}};
    v.keyable = true;
    v.handle = &visibility;
    return addAttributeTable({t, r, s, v});
}

KStatus MeshNode::initialize() {
    AttrRow bck{"backfaceCulling", "bck", AttrKind::Enum};
    bck.handle = &backfaceCulling;
    AttrRow pt{"pnts", "pt", AttrKind::Float3};
    pt.array = true;
    pt.keyable = true;
    pt.children[0][0] = "pntx", pt.children[0][1] = "px";
    pt.children[1][0] = "pnty", pt.children[1][1] = "py";
    pt.children[2][0] = "pntz", pt.children[2][1] = "pz";
    pt.handle = &pnts;
    AttrRow v{"visibility", "v", AttrKind::Bool, {1.0}};
    v.handle = &visibility;
    AttrRow io{"intermediateObject", "io", AttrKind::Bool};
    io.handle = &intermediateObject;
    AttrRow in{"inMesh", "i", AttrKind::MeshData};
    in.handle = &inMesh;
    AttrRow out{"outMesh", "o", AttrKind::MeshData};
    out.output = true;
    out.handle = &outMesh;
    AttrRow world{"worldMesh", "w", AttrKind::MeshData};
    world.output = true;
    world.handle = &worldMesh;
    if (KStatus s = addAttributeTable({bck, pt, v, io, in, out, world}); s.error()) return s;
    // The world matrix comes from the DAG, which the graph does not see.
    if (AttributeImpl* w = AttributeImpl::from(worldMesh)) w->computeOnEveryRead = true;
    for (const KObject* source : {&inMesh, &pnts})
        for (const KObject* output : {&outMesh, &worldMesh})
            if (KStatus s = attributeAffects(*source, *output); s.error()) return s;
    return KStatus::kSuccess;
}

KStatus MeshNode::compute(const KPlug& plug, KDataBlock& block) {
    const bool world = plug.attribute() == worldMesh;
    if (!world && plug.attribute() != outMesh) return KStatus::kUnknownParameter;
    // The graph pulled inMesh before this call.
    takeInput();
    std::shared_ptr<const PolyMesh> mesh = sharedMesh();
    if (world) {
        // World space: the points through the shape's world matrix.
        const KMatrix m = worldMatrix(thisKObject());
        auto moved = std::make_shared<PolyMesh>(*mesh);
        std::vector<Vec3> points = moved->points();
        for (Vec3& p : points) {
            const KPoint q = KPoint(p.x, p.y, p.z) * m;
            p = {q.x, q.y, q.z};
        }
        moved->setPoints(points);
        mesh = std::move(moved);
    }
    KDataHandle out = block.outputValue(plug);
    out.setKObject(MeshDataImpl::wrap(std::move(mesh)));
    block.setClean(plug);
    return KStatus::kSuccess;
}

KStatus CameraNode::initialize() {
    auto row = [](const char* l, const char* s, AttrKind k, double d, KObject* h) {
        AttrRow r{l, s, k, {d}};
        r.handle = h;
        return r;
    };
    return addAttributeTable({
        row("focalLength", "fl", AttrKind::Double, 35.0, &focalLength),
        row("horizontalFilmAperture", "hfa", AttrKind::Double, 1.41732, &horizontalFilmAperture),
        row("verticalFilmAperture", "vfa", AttrKind::Double, 0.94488, &verticalFilmAperture),
        row("nearClipPlane", "ncp", AttrKind::Double, 0.1, &nearClipPlane),
        row("farClipPlane", "fcp", AttrKind::Double, 10000.0, &farClipPlane),
        row("centerOfInterest", "coi", AttrKind::Double, 5.0, &centerOfInterest),
        row("orthographic", "o", AttrKind::Bool, 0.0, &orthographic),
        row("orthographicWidth", "ow", AttrKind::Double, 30.0, &orthographicWidth),
        row("visibility", "v", AttrKind::Bool, 1.0, &visibility),
    });
}

KStatus MeshNode::connectionBroken(const KPlug& plug, const KPlug&, bool asSrc) {
    if (!asSrc && plug.attribute() == inMesh) {
        // The shape keeps the last mesh it pulled: what inMesh holds while it is dirty is
        // older than the history's output (left from an earlier evaluation), not to be taken.
        NodeImpl* self = nodeImpl();
        const auto* in = static_cast<const AttributeImpl*>(inMesh.impl());
        if (self && in && !self->store().isDirty(*in)) takeInput();
        m_history = false;
        m_generationAtBreak = m_generation;
    }
    return KStatus::kSuccess;
}

KStatus MeshNode::connectionMade(const KPlug& plug, const KPlug&, bool asSrc) {
    if (!asSrc && plug.attribute() == inMesh) {
        m_history = true;
        // The shading base is the shape as it stands, unless it still holds from history that
        // was only reconnected (a node put in or taken out of the chain).
        // A shape with no faces yet (made for a creator) has nothing to carry: its faces keep
        // their groups by number, as a shape without history does.
        if (m_mesh->numFaces() == 0) {
            m_shading = {};
        } else if (!m_shading.baseMesh || m_generation != m_generationAtBreak) {
            faceGroups.resize(m_mesh->numFaces());
            m_shading.baseMesh = m_mesh;
            m_shading.base = faceGroups;
        }
    }
    return KStatus::kSuccess;
}

void MeshNode::groupsAssigned() {
    if (!m_history || !m_shading.baseMesh) {
        ++m_generation;
        return;
    }
    if (m_sourcesFor != m_mesh.get()) {
        m_sources = faceSources(*m_shading.baseMesh, *m_mesh);
        m_sourcesFor = m_mesh.get();
    }
    followAssignment(m_shading, faceGroups, *m_mesh, m_sources);
}

void MeshNode::carryShading() {
    if (!m_shading.active()) return;
    std::vector<int> sources;
    faceGroups = scene::carryShading(m_shading, faceGroups, *m_mesh, sources);
    m_sources = std::move(sources);
    m_sourcesFor = m_sources.empty() ? nullptr : m_mesh.get();
}

Vec3 MeshNode::tweak(int vertex) const {
    for (const auto& [v, t] : m_applied)
        if (v == vertex) return t;
    return {};
}

PolyMesh& MeshNode::mesh() {
    pullInput();
    syncTweaks();
    outputsChanged();
    ++m_generation;  // the caller may change it
    return ownMesh();
}

const PolyMesh& MeshNode::readMesh() {
    pullInput();
    syncTweaks();
    return *m_mesh;
}

const PolyMesh& MeshNode::storedMesh() {
    syncTweaks();
    return *m_mesh;
}

std::shared_ptr<const PolyMesh> MeshNode::sharedMesh() {
    pullInput();
    syncTweaks();
    return m_mesh;
}

std::shared_ptr<const PolyMesh> MeshNode::untweakedMesh() {
    syncTweaks();
    if (m_applied.empty() || m_base.size() != static_cast<size_t>(m_mesh->numVertices()))
        return m_mesh;
    auto copy = std::make_shared<PolyMesh>(*m_mesh);
    copy->setPoints(m_base);
    return copy;
}

void MeshNode::pullInput() {
    NodeImpl* self = nodeImpl();
    if (!self || !self->alive()) return;
    // Without history inMesh is never dirty: this test is all a plain shape pays.
    // Note: inMesh is this type's own attribute (no kind check needed).
    const auto* in = static_cast<const AttributeImpl*>(inMesh.impl());
    if (!in || !self->store().isDirty(*in)) return;
    if (Graph::instance().evaluate(*self, KPlug(thisKObject(), inMesh)).error()) return;
    takeInput();
}

void MeshNode::takeInput() {
    NodeImpl* self = nodeImpl();
    // Once history is disconnected inMesh still holds the last data it carried; the shape
    // keeps its own mesh (restored by undo, say) rather than take that again.
    if (!self || inMesh.isNull() || !m_history) return;
    const KDataHandle h = storeHandle(self->store(), *AttributeImpl::from(inMesh), -1, false);
    const KObject data = h.isNull() ? KObject() : h.data();
    const MeshDataImpl* input = MeshDataImpl::from(data);
    // Each pull hands over a new data object, maybe over the mesh already taken: no change.
    if (!input || input->shared() == m_taken) return;
    m_taken = input->shared();
    m_mesh = input->shared();
    m_made = false;
    m_base = {};
    m_applied.clear();
    carryShading();
    outputsChanged();
}

void MeshNode::outputsChanged() {
    NodeImpl* self = nodeImpl();
    if (!self || !self->alive() || outMesh.isNull()) return;
    DataStore& store = self->store();
    const AttributeImpl* out = AttributeImpl::from(outMesh);
    const AttributeImpl* world = AttributeImpl::from(worldMesh);
    if (store.isDirty(*out) && store.isDirty(*world)) return;
    store.setDirty(*out);
    store.setDirty(*world);
    Graph::instance().valueChanged(KPlug(thisKObject(), outMesh));
    Graph::instance().valueChanged(KPlug(thisKObject(), worldMesh));
}

PolyMesh& MeshNode::ownMesh() {
    if (!m_made || m_mesh.use_count() != 1) {
        m_mesh = std::make_shared<PolyMesh>(*m_mesh);
        m_made = true;
    }
    // Note: the node made this mesh itself (as a non-const object) and is its only holder.
    return const_cast<PolyMesh&>(*m_mesh);
}

void MeshNode::setMesh(PolyMesh mesh) {
    setMesh(std::make_shared<PolyMesh>(std::move(mesh)));
    m_made = true;
}

void MeshNode::setMesh(std::shared_ptr<const PolyMesh> mesh) {
    if (!mesh) {
        setMesh(PolyMesh());
        return;
    }
    m_taken = nullptr;
    m_mesh = std::move(mesh);
    m_made = false;
    m_base = {};
    m_applied.clear();
    ++m_generation;
    carryShading();
    syncTweaks();
    outputsChanged();
}

namespace {

void writeTweak(const KPlug& array, int vertex, const Vec3& t) {
    Graph& graph = Graph::instance();
    const KPlug element = array.elementByLogicalIndex(static_cast<unsigned>(vertex));
    KStatus status;
    KDataHandle h = graph.writeHandle(element, &status);
    if (status.error() || h.isNull()) return;
    h.set(t.x, t.y, t.z);
    graph.valueChanged(element);
}

}  // namespace

void MeshNode::setPoint(int vertex, const Vec3& p) {
    pullInput();
    syncTweaks();
    if (m_history) {
        const KObject self = thisKObject();
        if (self.isNull() || vertex < 0 || vertex >= m_mesh->numVertices()) return;
        writeTweak(KPlug(self, pnts), vertex, tweak(vertex) + (p - m_mesh->point(vertex)));
        syncTweaks();
        outputsChanged();
        return;
    }
    // Without tweaks the points are their own base.
    if (m_applied.empty()) {
        m_base = {};
        ownMesh().setPoint(vertex, p);
        outputsChanged();
        return;
    }
    Vec3 tweak;
    for (const auto& [v, t] : m_applied)
        if (v == vertex) tweak = t;
    m_base[vertex] = p - tweak;
    ownMesh().setPoint(vertex, p);
    outputsChanged();
}

std::vector<std::pair<int, Vec3>> MeshNode::bakeTweaks() {
    syncTweaks();
    std::vector<std::pair<int, Vec3>> baked = std::move(m_applied);
    m_applied.clear();
    m_base = {};
    const KObject self = thisKObject();
    if (self.isNull() || pnts.isNull()) return baked;
    const KPlug array(self, pnts);
    for (const auto& [v, t] : baked) writeTweak(array, v, Vec3{});
    outputsChanged();
    return baked;
}

void MeshNode::unbakeTweaks(const std::vector<std::pair<int, Vec3>>& tweaks) {
    syncTweaks();
    const KObject self = thisKObject();
    if (tweaks.empty() || self.isNull() || pnts.isNull()) return;
    PolyMesh& mesh = ownMesh();
    for (const auto& [v, t] : tweaks)
        if (v < mesh.numVertices()) mesh.setPoint(v, mesh.point(v) - t);
    const KPlug array(self, pnts);
    for (const auto& [v, t] : tweaks) writeTweak(array, v, t);
    // The next read finds the restored values, takes the points as the base and applies them.
    syncTweaks();
}

void MeshNode::syncTweaks() {
    // Read the tweak array; only a change touches the points.
    Graph& graph = Graph::instance();
    const KObject self = thisKObject();
    if (self.isNull() || pnts.isNull()) return;
    const KPlug array(self, pnts);
    std::vector<std::pair<int, Vec3>> tweaks;
    for (unsigned index : graph.elementIndices(array)) {
        KStatus status;
        const KDataHandle h = graph.readHandle(array.elementByLogicalIndex(index), &status);
        if (status.error()) continue;
        const KVector t = h.asVector();
        if (static_cast<int>(index) < m_mesh->numVertices() && (t.x != 0 || t.y != 0 || t.z != 0))
            tweaks.emplace_back(static_cast<int>(index), Vec3{t.x, t.y, t.z});
    }
    if (tweaks.size() == m_applied.size()) {
        bool same = true;
        for (size_t i = 0; same && i < tweaks.size(); ++i)
            same = tweaks[i].first == m_applied[i].first && tweaks[i].second == m_applied[i].second;
        if (same) return;
    }
    // The untweaked points are copied only once a tweak exists (and kept while one does).
    if (m_applied.empty() || m_base.size() != static_cast<size_t>(m_mesh->numVertices()))
        m_base = m_mesh->points();
    std::vector<Vec3> points = m_base;
    for (const auto& [v, t] : tweaks) points[v] = points[v] + t;
    ownMesh().setPoints(points);
    m_applied = std::move(tweaks);
    if (m_applied.empty()) m_base = {};
}

namespace {

struct TypeRow {
    const char* name;
    unsigned id;
    KCreatorFunction creator;
    KInitializeFunction initializer;
    KPxNode::Type kind;
    KFn::Type apiType;
};

constexpr TypeRow kDagTypes[] = {
    {"transform", kTransformId, TransformNode::creator, TransformNode::initialize,
     KPxNode::kTransformNode, KFn::kTransform},
    {"mesh", kMeshId, MeshNode::creator, MeshNode::initialize, KPxNode::kSurfaceShape, KFn::kMesh},
    {"camera", kCameraId, CameraNode::creator, CameraNode::initialize, KPxNode::kSurfaceShape,
     KFn::kCamera},
    {"nurbsCurve", kNurbsCurveId, NurbsCurveNode::creator, NurbsCurveNode::initialize,
     KPxNode::kSurfaceShape, KFn::kNurbsCurve},
    {"nurbsSurface", kNurbsSurfaceId, NurbsSurfaceNode::creator, NurbsSurfaceNode::initialize,
     KPxNode::kSurfaceShape, KFn::kNurbsSurface},
};

}  // namespace

void ensureSceneTypes() {
    Graph& graph = Graph::instance();
    for (const TypeRow& row : kDagTypes) {
        if (graph.findType(row.name)) continue;
        NodeTypeSpec decl;
        decl.name = row.name;
        decl.id = KTypeId(row.id);
        decl.creator = row.creator;
        decl.initializer = row.initializer;
        decl.nodeKind = row.kind;
        decl.apiType = row.apiType;
        std::string error;
        graph.registerType(decl, &error);
    }
    // Mesh data reaches each destination as its own object over a shared mesh.
    setDataFlowCopier(KFn::kMeshData, [](const KObject& value) {
        const MeshDataImpl* data = MeshDataImpl::from(value);
        return data ? MeshDataImpl::wrap(data->shared()) : value;
    });
    ensureHistoryTypes();
    shading::ensureShadingTypes();
}

}  // namespace tarn::scene
