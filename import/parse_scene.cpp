#include "import/parse_scene.h"

#include <cstring>

namespace {

// Process-wide model state; see the header.
struct SceneModel {
    RtMaterial* materials = nullptr;
    std::unique_ptr<RtNodeData> root;
    std::vector<std::unique_ptr<RtCameraData>> cameras;  // file cameras held by nodes
};

SceneModel& model() {
    static SceneModel m;
    return m;
}

RtNodeData* newNode(const char* name, int kind, RtData* ref) {
    auto* n = new RtNodeData;
    n->name = name ? name : "";
    n->kind = kind;
    n->ref = ref;
    return n;
}

void appendChild(RtNodeData* parent, RtNodeData* child) {
    std::unique_ptr<RtNodeData>* slot = &parent->firstChild;
    while (*slot) slot = &(*slot)->nextSibling;
    slot->reset(child);
}

RtMaterial* lastMaterial() {
    RtMaterial* m = model().materials;
    while (m && m->next) m = m->next;
    return m;
}

// First material whose name matches; the walk ends on the last (oldest) one otherwise.
RtMaterial* findMaterial(const char* name) {
    RtMaterial* m = model().materials;
    while (m && m->next && !(name && m->materialName == name)) m = m->next;
    return m;
}

std::string takeString(char*& s) {
    std::string out = s ? s : "";
    std::free(s);
    s = nullptr;
    return out;
}

// Frees the materials and the node tree (the call list is left alone).
void freeModelObjects() {
    SceneModel& m = model();
    m.root.reset();
    m.cameras.clear();
    while (m.materials) {
        RtMaterial* next = m.materials->next;
        delete m.materials;
        m.materials = next;
    }
}

}  // namespace

RtMaterial* sceneMaterials() {
    return model().materials;
}
RtNodeData* sceneRoot() {
    return model().root.get();
}

void resetSceneModel() {
    freeModelObjects();
    riResetRecorder();
}

void recordMaterial(const RtMaterial& m) {
    if (m.shaderName == "paintedplastic") {
        const char* tex = m.textureName.c_str();
        RiSurface("paintedplastic", "texturename", static_cast<RtPointer>(&tex), "Ka",
                  static_cast<RtPointer>(&m.Ka), "Kd", static_cast<RtPointer>(&m.Kd), "Ks",
                  static_cast<RtPointer>(&m.Ks), "roughness", static_cast<RtPointer>(&m.roughness),
                  "specularcolor", static_cast<RtPointer>(m.specularColor), nullptr);
    } else {
        RiSurface(m.shaderName.c_str(), nullptr);
    }
    RiOpacity(m.opacity);
    RiColor(m.color);
}

TparseQmfFile::~TparseQmfFile() = default;

int TparseQmfFile::parse() {
    if (!m_source || !m_source->stream()) return 0;
    if (!checkChunkMagic(m_source->stream(), nullptr)) return 0;
    resetSceneModel();

    // View, default camera, lights and the default surface.
    const float fov = 30.0f, one = 1.0f;
    const float ambient[3] = {0.390625f, 0.390625f, 0.390625f};
    const float white[3] = {0.996094f, 0.996094f, 0.996094f};
    const float from[3] = {0, 0, 0}, to[3] = {-0.40558f, -0.707107f, -0.579228f};
    const float camFrom[3] = {50, 50, -2000}, camTo[3] = {0, 5, 0};
    RiBegin(nullptr);
    RiProjection("perspective", "fov", static_cast<RtPointer>(&fov), nullptr);
    RiClipping(1, 5000);
    m_defaultCamera = RiCamera(camFrom, camTo, 0);
    m_cameraTaken = false;
    RiWorldBegin();
    RiLightSource("ambientlight", "intensity", static_cast<RtPointer>(&one), "lightcolor",
                  static_cast<RtPointer>(ambient), nullptr);
    RiLightSource("distantlight", "from", static_cast<RtPointer>(from), "to",
                  static_cast<RtPointer>(to), "intensity", static_cast<RtPointer>(&one),
                  "lightcolor", static_cast<RtPointer>(white), nullptr);
    RiSurface("plastic", nullptr);

    runChunkWalk();

    RiWorldEnd();
    RiEnd();

    // Texture-making calls go directly after the begin call.
    RtScene* begin = riListHead();
    riSaveList();
    for (RtMaterial* m = sceneMaterials(); m; m = m->next)
        if (m->shaderName == "paintedplastic" && !m->textureName.empty())
            RiMakeTexture(m->pictureName.c_str(), m->textureName.c_str(), "black", "black",
                          RiBoxFilter, 1.0f, 1.0f, nullptr);
    RtScene* textures = riRestoreList();
    RtScene* calls = textures->next;
    textures->next = nullptr;
    delete textures;
    if (calls) riSplice(begin, calls);
    return 1;
}

int TparseQmfFile::runChunkWalk() {
    return parseChunkFile(m_source->stream(), &TparseQmfFile::sink, this, m_keyframeSwitch);
}

int TparseQmfFile::sink(int event, void* record, void* user) {
    return static_cast<TparseQmfFile*>(user)->onEvent(event, record);
}

int TparseQmfFile::onEvent(int event, void* record) {
    switch (event) {
        case kEventBegin: {
            freeModelObjects();
            auto* plastic = new RtMaterial;
            plastic->shaderName = "plastic";
            plastic->materialName = "plastic";
            model().materials = plastic;
            RtNodeData* root = newNode("world", kNodeWorld, nullptr);
            model().root.reset(root);
            appendChild(root, newNode("Materials", kNodeFolder, nullptr));
            RiAttributeBegin();
            return 1;
        }
        case kEventMaterial:
            onMaterial(*static_cast<MaterialRecord*>(record));
            return 1;
        case kEventMesh:
            onMesh(*static_cast<ObjectRecord*>(record));
            return 1;
        case kEventLight:
            onLight(*static_cast<ObjectRecord*>(record));
            return 1;
        case kEventCamera:
            onCamera(*static_cast<ObjectRecord*>(record));
            return 1;
        case kEventNode:
            onNode(*static_cast<NodeRecord*>(record));
            return 1;
        case kEventQuerySkip: {
            const char* name = static_cast<const char*>(record);
            return m_exclusions.contains(name ? name : "") ? 1 : 0;
        }
        case kEventEnd:
            RiAttributeEnd();
            return 1;
        default:
            return 1;
    }
}

void TparseQmfFile::onMaterial(MaterialRecord& r) {
    auto* m = new RtMaterial;
    m->shaderName = takeString(r.shaderName);
    std::memcpy(m->specularColor, r.specular, sizeof(m->specularColor));
    // Note: a textured material is white; the texture carries its colour.
    if (r.textureName) {
        for (float& c : m->color) c = 1.0f;
    } else {
        std::memcpy(m->color, r.diffuse, sizeof(m->color));
    }
    std::memcpy(m->opacity, r.opacity, sizeof(m->opacity));
    m->textureName = r.textureName ? r.textureName : "";
    m->materialName = takeString(r.materialName);
    RtMaterial* head = model().materials;
    m->next = head->next;
    head->next = m;
    appendChild(model().root->firstChild.get(), newNode(m->materialName.c_str(), kNodeMaterial, m));
}

void TparseQmfFile::onMesh(ObjectRecord& o) {
    auto* mesh = new RtMaterialPointsPolygons;
    mesh->field = 1;
    mesh->groups.material = lastMaterial();

    RtFaceGroup* tail = nullptr;
    for (FaceGroup* g = o.groupCount > 0 ? &o.groups : nullptr; g; g = g->next) {
        RtFaceGroup* slot = tail ? new RtFaceGroup : &mesh->groups;
        if (tail) tail->next.reset(slot);
        slot->material = findMaterial(g->materialName);
        slot->faceCount = g->faceCount;
        slot->faces.reset(g->faces);
        g->faces = nullptr;
        g->faceCount = 0;
        tail = slot;
        ++mesh->groupCount;
    }

    mesh->polygonCount = o.faceCount;
    mesh->hidden = static_cast<int16_t>(o.hidden);
    // A record whose points are missing counts none, whatever its count says.
    mesh->P = std::make_unique<RtFloatArray>(o.points, o.points ? size_t(o.pointCount) * 3 : 0);
    o.points = nullptr;
    if (o.uvs) {
        mesh->st = std::make_unique<RtFloatArray>(o.uvs, size_t(o.uvCount) * 2);
        o.uvs = nullptr;
    }
    mesh->counts.reset(o.faceSizes);
    mesh->indices.reset(o.faceIndices);
    mesh->indexCount = size_t(o.faceCount) * 3;
    o.faceSizes = nullptr;
    o.faceIndices = nullptr;
    std::memcpy(mesh->objectMatrix.m, o.inverseMatrix, sizeof(o.inverseMatrix));
    std::memcpy(mesh->origin, o.origin, sizeof(o.origin));

    const char* name = o.name ? o.name : "";
    RiAttributeBegin();
    RtScene* first = riListTail();
    RiAttribute("identifier", "name", static_cast<RtPointer>(&name), nullptr);
    recordMaterial(*mesh->groups.material);
    RiPointsPolygonsObject(mesh);
    RiAttributeEnd();

    RtNodeData* node = newNode(name, kNodeMesh, mesh);
    node->firstCall = first;
    node->lastCall = riListTail();
    appendChild(model().root.get(), node);
}

void TparseQmfFile::onCamera(ObjectRecord& o) {
    RtCameraData* cam = nullptr;
    if (o.camera) {
        auto owned = std::make_unique<RtCameraData>();
        std::memcpy(owned->from, o.camera->position, sizeof(owned->from));
        std::memcpy(owned->to, o.camera->target, sizeof(owned->to));
        owned->roll = o.camera->bank;
        owned->computeViewMatrix();
        cam = owned.get();
        model().cameras.push_back(std::move(owned));
        if (!m_cameraTaken && m_defaultCamera) {
            std::memcpy(m_defaultCamera->from, cam->from, sizeof(cam->from));
            std::memcpy(m_defaultCamera->to, cam->to, sizeof(cam->to));
            std::memcpy(m_defaultCamera->up, cam->up, sizeof(cam->up));
            m_defaultCamera->roll = cam->roll;
            std::memcpy(m_defaultCamera->m, cam->m, sizeof(cam->m));
            m_cameraTaken = true;
        }
    }
    // Newest camera first, directly after the materials folder.
    RtNodeData* folder = model().root->firstChild.get();
    RtNodeData* node = newNode(o.name, kNodeCamera, cam);
    node->nextSibling = std::move(folder->nextSibling);
    folder->nextSibling.reset(node);
}

void TparseQmfFile::onLight(ObjectRecord& o) {
    // Before the first mesh, or at the end.
    RtNodeData* node = newNode(o.name, kNodeLight, nullptr);
    std::unique_ptr<RtNodeData>* slot = &model().root->firstChild;
    while (*slot && (*slot)->kind != kNodeMesh) slot = &(*slot)->nextSibling;
    node->nextSibling = std::move(*slot);
    slot->reset(node);
}

void TparseQmfFile::onNode(NodeRecord& n) {
    m_nodesArrived = true;
    auto node = std::unique_ptr<RtNodeData>(newNode(n.name, kNodeMesh, nullptr));
    node->nodeId = n.nodeId;
    node->parentId = n.parentId;
    std::memcpy(node->pivot, n.pivot, sizeof(n.pivot));
    for (int t = 0; t < kTrackCount; ++t) {
        const KeyTrack* track = n.tracks[t];
        if (!track) continue;
        auto keys = std::make_unique<RtKeyList>();
        keys->keyCount = track->keyCount;
        keys->channel = t;
        for (int k = 0; k < track->keyCount; ++k) {
            keys->times.push_back(track->keys[6 * k]);
            keys->values.push_back(track->keys[6 * k + 1]);
        }
        node->keys[t] = std::move(keys);
    }
    m_pendingNodes.push_back(std::move(node));
}
