#include "import/chunk_records.h"

#include <cstdlib>
#include <cstring>

void freeFaceGroups(ObjectRecord* o) {
    std::free(o->groups.materialName);
    std::free(o->groups.faces);
    FaceGroup* g = o->groups.next;
    while (g) {
        FaceGroup* next = g->next;
        std::free(g->materialName);
        std::free(g->faces);
        std::free(g);
        g = next;
    }
    std::memset(&o->groups, 0, sizeof(FaceGroup));
    o->groupCount = 0;
}

void clearObjectRecord(ObjectRecord* o) {
    std::free(o->name);
    std::free(o->camera);
    std::free(o->points);
    std::free(o->uvs);
    std::free(o->faceSizes);
    std::free(o->faceIndices);
    freeFaceGroups(o);
    std::memset(o, 0, sizeof(ObjectRecord));
    for (int i = 0; i < 4; ++i) o->inverseMatrix[i][i] = 1.0f;
}

void clearMaterialRecord(MaterialRecord* m) {
    std::free(m->shaderName);
    std::free(m->textureName);
    std::free(m->materialName);
    m->shaderName = m->textureName = m->materialName = nullptr;
    for (int i = 0; i < 3; ++i) m->specular[i] = m->diffuse[i] = m->opacity[i] = 1.0f;
}

NodeRecord* createNodeRecord() {
    auto* n = static_cast<NodeRecord*>(std::calloc(1, sizeof(NodeRecord)));
    if (!n) return nullptr;
    n->nodeId = -1;
    n->parentId = -1;
    return n;
}

void freeNodeRecord(NodeRecord* n) {
    if (!n) return;
    std::free(n->name);
    for (KeyTrack* t : n->tracks) {
        if (!t) continue;
        std::free(t->keys);
        std::free(t);
    }
    std::free(n);
}
