#include "import/chunk_parser.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "tools/qmf/qmf_writer.h"

namespace {

constexpr uint64_t kStringMax = 80;  // characters; the buffer holds one more for the NUL

// Bytes the current chunk can still supply: bounded by its end and by the file's end.
uint64_t bytesLeft(const ChunkStream* cs, uint64_t chunkEnd) {
    const uint64_t pos = chunkStreamTell(cs);
    const uint64_t inChunk = chunkEnd > pos ? chunkEnd - pos : 0;
    return std::min(inChunk, chunkStreamRemaining(cs));
}

// File axes to Tarn axes: (x, y, z) -> (-x, z, -y).
void convertPoint(const float in[3], float out[3]) {
    const float x = in[0], y = in[1], z = in[2];
    out[0] = -x;
    out[1] = z;
    out[2] = -y;
}

int readConvertedVector(ChunkStream* cs, float out[3]) {
    float v[3];
    if (!chunkStreamReadVector(cs, v)) return 0;
    convertPoint(v, out);
    return 1;
}

char* dupString(const char* s) {
    return s ? strdup(s) : nullptr;
}

inline uint16_t u16At(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline float floatAt(const uint8_t* p) {
    const uint32_t bits =
        uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
    float v;
    std::memcpy(&v, &bits, 4);
    return v;
}

WalkStop g_walkStop;

// Keeps the first (innermost) failure of a walk; the levels above it fail after it.
void noteStop(uint64_t offset, uint16_t id, uint64_t length, bool badLength, bool headerCut) {
    if (g_walkStop.stopped) return;
    g_walkStop = {true, offset, id, length, badLength, headerCut};
}

struct Walker {
    ChunkStream* cs;
    ParseState* s;
    bool inObject = false;  // inside a named object's chunk

    int readChunks(uint64_t end);
    // Each handler returns its status and sets seekEnd when the walk resumes at the chunk's end.
    int handle(uint16_t id, uint64_t chunkEnd, bool& seekEnd);
    int namedObject(uint64_t length, uint64_t chunkEnd);
    int vertexList(uint64_t chunkEnd);
    int faceList(uint64_t chunkEnd);
    int faceGroup(uint64_t chunkEnd);
    int texCoords(uint64_t chunkEnd);
    int localAxis();
    int camera();
    int material(uint64_t length, uint64_t chunkEnd);
    int track(int kind, uint64_t chunkEnd);
    void toObjectSpace();
};

int Walker::readChunks(uint64_t end) {
    int status = 1;
    for (;;) {
        const uint64_t p = chunkStreamTell(cs);
        if (p >= end) break;
        uint16_t id;
        uint32_t length;
        if (!chunkStreamReadU16(cs, &id)) {
            noteStop(p, 0, 0, false, true);
            return 0;
        }
        if (!chunkStreamReadU32(cs, &length)) {
            noteStop(p, id, 0, false, true);
            return 0;
        }
        // Note: a length below the header size would send the walk backwards; treat it as a
        // broken chunk and stop this level.
        if (length < 6) {
            noteStop(p, id, length, true, false);
            return 0;
        }
        const uint64_t chunkEnd = p + length;
        bool seekEnd = true;
        status = handle(id, chunkEnd, seekEnd);
        if (seekEnd) chunkStreamSeek(cs, chunkEnd);
        if (status != 1) {
            noteStop(p, id, length, false, false);
            break;
        }
    }
    const int sought = chunkStreamSeek(cs, end);
    return sought == 1 && status == 1 ? 1 : 0;
}

int Walker::handle(uint16_t id, uint64_t chunkEnd, bool& seekEnd) {
    const uint64_t length = chunkEnd - (chunkStreamTell(cs) - 6);
    ObjectRecord& o = s->object;
    MaterialRecord& m = s->material;
    char text[kStringMax + 1];
    switch (id) {
        case qmf::kEditor:
        case qmf::kTriMesh:
        case qmf::kTextureMap:
            seekEnd = false;
            return readChunks(chunkEnd);
        case qmf::kNamedObject:
            seekEnd = false;
            return namedObject(length, chunkEnd);
        case qmf::kHidden:
            o.hidden = 1;
            return 1;
        case qmf::kVertexList:
            seekEnd = false;
            return vertexList(chunkEnd);
        case qmf::kFaceList:
            seekEnd = false;
            return faceList(chunkEnd);
        case qmf::kFaceMaterial:
            seekEnd = false;
            return faceGroup(chunkEnd);
        case qmf::kTexCoords:
            seekEnd = false;
            return texCoords(chunkEnd);
        case qmf::kLocalAxis:
            return localAxis();
        case qmf::kLight:
        case qmf::kLight2:
            o.faceCount = -1;
            return 1;
        case qmf::kCamera:
            return camera();
        case qmf::kMaterial:
            seekEnd = false;
            return material(length, chunkEnd);
        case qmf::kMaterialName:
        case qmf::kMapFile: {
            if (!chunkStreamReadString(cs, text, kStringMax)) return 0;
            char*& slot = id == qmf::kMaterialName ? m.materialName : m.textureName;
            std::free(slot);
            slot = dupString(text);
            return 1;
        }
        case qmf::kAmbient:
        case qmf::kDiffuse:
        case qmf::kSpecular:
        case qmf::kTransparency: {
            seekEnd = false;
            const int st = readChunks(chunkEnd);
            if (st != 1) return st;
            for (int i = 0; i < 3; ++i) {
                if (id == qmf::kDiffuse) m.diffuse[i] = s->currentColor[i];
                if (id == qmf::kSpecular) m.specular[i] = s->currentColor[i];
                if (id == qmf::kTransparency) m.opacity[i] = 1.0f - s->currentPercent / 100.0f;
            }
            return 1;
        }
        case qmf::kColorBytes: {
            float rgb[3];
            if (!chunkStreamReadColorBytes(cs, rgb)) return 0;
            for (int i = 0; i < 3; ++i) s->currentColor[i] = rgb[i] / 255.0f;
            return 1;
        }
        case qmf::kPercentInt: {
            uint16_t v;
            if (!chunkStreamReadU16(cs, &v)) return 0;
            s->currentPercent = v;
            return 1;
        }
        case qmf::kPercentFloat:
            return chunkStreamReadFloat(cs, &s->currentPercent);
        case qmf::kKeyframer:
            if (!s->keyframeSwitch) return 1;
            seekEnd = false;
            return readChunks(chunkEnd);
        case qmf::kObjectNode: {
            // Note: object nodes do not nest in a sound file; one found inside another is read
            // as a node of its own, and the outer node goes on after it.
            NodeRecord* outer = s->node;
            s->node = createNodeRecord();
            if (!s->node) {
                s->node = outer;
                return 0;
            }
            const int st = readChunks(chunkEnd);
            if (st == 1 && s->node->name) s->sink(kEventNode, s->node, s->user);
            freeNodeRecord(s->node);
            s->node = outer;
            return st;
        }
        default:
            break;
    }
    // Keyframer node contents, read only inside an open node.
    NodeRecord* n = s->node;
    if (!n) return 1;
    switch (id) {
        case qmf::kNodeHeader: {
            uint16_t ignored, parent;
            chunkStreamReadString(cs, text, kStringMax);  // stored as read, even when cut short
            std::free(n->name);
            n->name = dupString(text);
            if (!chunkStreamReadU16(cs, &ignored) || !chunkStreamReadU16(cs, &ignored) ||
                !chunkStreamReadU16(cs, &parent))
                return 0;
            n->parentId = static_cast<int16_t>(parent);
            return 1;
        }
        case qmf::kInstanceName: {
            const int st = chunkStreamReadString(cs, text, kStringMax);
            std::free(n->name);
            n->name = dupString(text);
            return st;
        }
        case qmf::kPivot:
            return readConvertedVector(cs, n->pivot);
        case qmf::kPositionTrack:
        case qmf::kRotationTrack:
        case qmf::kScaleTrack:
            return track(id, chunkEnd);
        case qmf::kNodeId: {
            uint16_t v;
            if (!chunkStreamReadU16(cs, &v)) return 0;
            n->nodeId = static_cast<int16_t>(v);
            return 1;
        }
        default:
            return 1;
    }
}

int Walker::namedObject(uint64_t length, uint64_t chunkEnd) {
    // Note: named objects do not nest in a sound file. One found inside another would clear
    // and hand over the record the outer object is still filling; it is skipped instead.
    if (inObject) {
        chunkStreamSeek(cs, chunkEnd);
        return 1;
    }
    // Serve the many small payload reads of the object from memory.
    chunkStreamPreload(cs, length);
    char name[kStringMax + 1];
    chunkStreamReadString(cs, name, kStringMax);  // stored as read, even when cut short
    if (s->sink(kEventQuerySkip, name, s->user)) {
        chunkStreamSeek(cs, chunkEnd);
        return 1;
    }
    ObjectRecord& o = s->object;
    clearObjectRecord(&o);
    o.name = dupString(name);
    inObject = true;
    const int st = readChunks(chunkEnd);
    inObject = false;
    if (st == 1 && o.faceCount > 0) {
        if (s->keyframeSwitch) toObjectSpace();
        s->sink(kEventMesh, &o, s->user);
    } else if (o.faceCount == -2) {
        s->sink(kEventCamera, &o, s->user);
        std::free(o.camera);
        o.camera = nullptr;
    } else if (o.faceCount == -1) {
        s->sink(kEventLight, &o, s->user);
    }
    return st;
}

int Walker::vertexList(uint64_t chunkEnd) {
    uint16_t n;
    if (!chunkStreamReadU16(cs, &n)) return 0;
    // A count the chunk cannot hold is a broken chunk: nothing is allocated from it.
    if (uint64_t(n) * 12 > bytesLeft(cs, chunkEnd)) return 0;
    // The count was checked against the chunk, so the span holds every vertex.
    const uint8_t* src = chunkStreamSpan(cs, uint64_t(n) * 12);
    if (!src) return 0;
    auto* pts = static_cast<float*>(std::malloc(sizeof(float) * 3 * std::max<int>(n, 1)));
    if (!pts) return 0;
    for (int i = 0; i < n; ++i, src += 12) {
        const float v[3] = {floatAt(src), floatAt(src + 4), floatAt(src + 8)};
        convertPoint(v, pts + 3 * i);
    }
    std::free(s->object.points);
    s->object.points = pts;
    s->object.pointCount = n;
    return 1;
}

int Walker::faceList(uint64_t chunkEnd) {
    uint16_t n;
    if (!chunkStreamReadU16(cs, &n)) return 0;
    if (uint64_t(n) * 8 > bytesLeft(cs, chunkEnd)) return 0;
    const size_t count = std::max<int>(n, 1);
    auto* sizes = static_cast<int*>(std::malloc(sizeof(int) * count));
    auto* indices = static_cast<int*>(std::malloc(sizeof(int) * 3 * count));
    if (!sizes || !indices) {
        std::free(sizes);
        std::free(indices);
        return 0;
    }
    const uint8_t* src = chunkStreamSpan(cs, uint64_t(n) * 8);
    if (!src) {
        std::free(sizes);
        std::free(indices);
        return 0;
    }
    for (int i = 0; i < n; ++i, src += 8) {
        const int f[4] = {u16At(src), u16At(src + 2), u16At(src + 4), u16At(src + 6)};
        sizes[i] = 3;
        indices[3 * i] = f[0];
        // Any of the low three flag bits flips the winding.
        const bool swap = (f[3] & 7) != 0;
        indices[3 * i + 1] = swap ? f[2] : f[1];
        indices[3 * i + 2] = swap ? f[1] : f[2];
    }
    ObjectRecord& o = s->object;
    std::free(o.faceSizes);
    std::free(o.faceIndices);
    o.faceSizes = sizes;
    o.faceIndices = indices;
    o.faceCount = n;
    return 1;
}

int Walker::faceGroup(uint64_t chunkEnd) {
    char name[kStringMax + 1];
    chunkStreamReadString(cs, name, kStringMax);  // stored as read, even when cut short
    uint16_t m;
    if (!chunkStreamReadU16(cs, &m)) return 0;
    if (uint64_t(m) * 2 > bytesLeft(cs, chunkEnd)) return 0;
    const uint8_t* src = chunkStreamSpan(cs, uint64_t(m) * 2);
    if (!src) return 0;
    auto* faces = static_cast<uint16_t*>(std::malloc(sizeof(uint16_t) * std::max<int>(m, 1)));
    if (!faces) return 0;
    for (int i = 0; i < m; ++i) faces[i] = u16At(src + 2 * i);
    ObjectRecord& o = s->object;
    FaceGroup* g = &o.groups;
    if (o.groupCount > 0) {
        g = static_cast<FaceGroup*>(std::calloc(1, sizeof(FaceGroup)));
        if (!g) {
            std::free(faces);
            return 0;
        }
        FaceGroup* tail = &o.groups;
        while (tail->next) tail = tail->next;
        tail->next = g;
    }
    g->materialName = dupString(name);
    g->faceCount = m;
    g->faces = faces;
    ++o.groupCount;
    return 1;
}

int Walker::texCoords(uint64_t chunkEnd) {
    uint16_t n;
    if (!chunkStreamReadU16(cs, &n)) return 0;
    if (uint64_t(n) * 8 > bytesLeft(cs, chunkEnd)) return 0;
    const uint8_t* src = chunkStreamSpan(cs, uint64_t(n) * 8);
    if (!src) return 0;
    auto* uvs = static_cast<float*>(std::malloc(sizeof(float) * 2 * std::max<int>(n, 1)));
    if (!uvs) return 0;
    for (int i = 0; i < n; ++i, src += 8) {
        uvs[2 * i] = floatAt(src);
        uvs[2 * i + 1] = 1.0f - floatAt(src + 4);
    }
    std::free(s->object.uvs);
    s->object.uvs = uvs;
    s->object.uvCount = n;
    return 1;
}

int Walker::localAxis() {
    float rows[4][4] = {};
    for (int r = 0; r < 4; ++r) {
        if (!chunkStreamReadVector(cs, rows[r])) return 0;
        rows[r][3] = r == 3 ? 1.0f : 0.0f;
    }
    float inv[4][4];
    if (invertMatrix4(rows, inv)) std::memcpy(s->object.inverseMatrix, inv, sizeof(inv));
    return 1;
}

int Walker::camera() {
    float pos[3], target[3], bank, lens;
    if (!readConvertedVector(cs, pos) || !readConvertedVector(cs, target) ||
        !chunkStreamReadFloat(cs, &bank) || !chunkStreamReadFloat(cs, &lens))
        return 0;
    auto* c = static_cast<CameraRecord*>(std::calloc(1, sizeof(CameraRecord)));
    if (!c) return 0;
    std::memcpy(c->position, pos, sizeof(pos));
    std::memcpy(c->target, target, sizeof(target));
    c->bank = bank;
    c->lens = lens;
    std::free(s->object.camera);
    s->object.camera = c;
    s->object.faceCount = -2;
    return 1;
}

int Walker::material(uint64_t length, uint64_t chunkEnd) {
    chunkStreamPreload(cs, length);
    MaterialRecord& m = s->material;
    clearMaterialRecord(&m);
    m.shaderName = strdup("paintedplastic");
    const int st = readChunks(chunkEnd);
    if (st == 1) s->sink(kEventMaterial, &m, s->user);
    return st;
}

int Walker::track(int kind, uint64_t chunkEnd) {
    uint16_t flags;
    uint32_t ignored, k;
    if (!chunkStreamReadU16(cs, &flags) || !chunkStreamReadU32(cs, &ignored) ||
        !chunkStreamReadU32(cs, &ignored) || !chunkStreamReadU32(cs, &k))
        return 0;
    const int values = kind == qmf::kRotationTrack ? 4 : 3;
    // Smallest key: frame, spline flags, values. Bound the count before allocating.
    if (uint64_t(k) * (6 + 4 * values) > bytesLeft(cs, chunkEnd)) return 0;
    const int first = kind == qmf::kPositionTrack   ? kTrackPosX
                      : kind == qmf::kRotationTrack ? kTrackRotAngle
                                                    : kTrackScaleX;
    NodeRecord* n = s->node;
    for (int c = 0; c < values; ++c) {
        KeyTrack*& t = n->tracks[first + c];
        if (t) {
            std::free(t->keys);
            std::free(t);
        }
        t = static_cast<KeyTrack*>(std::calloc(1, sizeof(KeyTrack)));
        if (!t) return 0;
        t->keys =
            static_cast<float*>(std::calloc(size_t(std::max<uint32_t>(k, 1)) * 6, sizeof(float)));
        if (!t->keys) return 0;
        t->keyCount = static_cast<int>(k);
    }
    for (uint32_t i = 0; i < k; ++i) {
        uint32_t frame;
        uint16_t spline;
        if (!chunkStreamReadU32(cs, &frame) || !chunkStreamReadU16(cs, &spline)) return 0;
        for (int bit = 0; bit < 5; ++bit) {
            float skip;
            if ((spline & (1 << bit)) && !chunkStreamReadFloat(cs, &skip)) return 0;
        }
        float v[4];
        for (int c = 0; c < values; ++c)
            if (!chunkStreamReadFloat(cs, &v[c])) return 0;
        float out[4];
        if (kind == qmf::kPositionTrack) {
            out[0] = -v[0], out[1] = v[2], out[2] = -v[1];
        } else if (kind == qmf::kRotationTrack) {
            out[0] = v[0] / 0.017453292f, out[1] = -v[1], out[2] = v[3], out[3] = -v[2];
        } else {
            out[0] = v[0], out[1] = v[2], out[2] = v[1];
        }
        const float time = static_cast<float>(frame) / 0.033333335f;
        for (int c = 0; c < values; ++c) {
            float* key = n->tracks[first + c]->keys + 6 * i;
            key[0] = time;
            key[1] = out[c];
        }
    }
    return 1;
}

void Walker::toObjectSpace() {
    ObjectRecord& o = s->object;
    const float(*m)[4] = o.inverseMatrix;
    for (int i = 0; i < o.pointCount; ++i) {
        float* p = o.points + 3 * i;
        const float x = o.origin[0] - p[0], y = o.origin[2] - p[2], z = p[1] - o.origin[1];
        const float rx = x * m[0][0] + y * m[1][0] + z * m[2][0] + m[3][0];
        const float ry = x * m[0][1] + y * m[1][1] + z * m[2][1] + m[3][1];
        const float rz = x * m[0][2] + y * m[1][2] + z * m[2][2] + m[3][2];
        p[0] = -rx;
        p[1] = rz;
        p[2] = -ry;
    }
}

}  // namespace

bool isQmfMagic(uint16_t id) {
    return id == qmf::kMain || id == qmf::kMainAltA || id == qmf::kMainAltB;
}

int checkChunkMagic(ChunkStream* cs, uint32_t* length) {
    uint16_t id;
    chunkStreamReset(cs);
    if (!chunkStreamReadU16(cs, &id) || !isQmfMagic(id)) return 0;
    uint32_t len;
    if (!chunkStreamReadU32(cs, &len)) return 0;
    if (length) *length = len;
    return 1;
}

const WalkStop& lastWalkStop() {
    return g_walkStop;
}

int parseChunkFile(ChunkStream* cs, ParseSink sink, void* user, int keyframeSwitch) {
    g_walkStop = WalkStop();
    if (!cs || !sink) return 0;
    uint32_t end;
    if (!checkChunkMagic(cs, &end)) return 0;

    ParseState state;
    std::memset(&state, 0, sizeof(state));
    state.sink = sink;
    state.user = user;
    state.keyframeSwitch = keyframeSwitch;
    clearObjectRecord(&state.object);
    clearMaterialRecord(&state.material);

    Walker walker{cs, &state};
    sink(kEventBegin, nullptr, user);
    const int st = walker.readChunks(end);
    sink(kEventEnd, nullptr, user);

    clearObjectRecord(&state.object);
    clearMaterialRecord(&state.material);
    freeNodeRecord(state.node);
    return st == 1 ? 1 : 0;
}

bool invertMatrix4(const float in[4][4], float out[4][4]) {
    const float* m = &in[0][0];
    float inv[16];
    inv[0] = m[5] * m[10] * m[15] - m[5] * m[11] * m[14] - m[9] * m[6] * m[15] +
             m[9] * m[7] * m[14] + m[13] * m[6] * m[11] - m[13] * m[7] * m[10];
    inv[4] = -m[4] * m[10] * m[15] + m[4] * m[11] * m[14] + m[8] * m[6] * m[15] -
             m[8] * m[7] * m[14] - m[12] * m[6] * m[11] + m[12] * m[7] * m[10];
    inv[8] = m[4] * m[9] * m[15] - m[4] * m[11] * m[13] - m[8] * m[5] * m[15] +
             m[8] * m[7] * m[13] + m[12] * m[5] * m[11] - m[12] * m[7] * m[9];
    inv[12] = -m[4] * m[9] * m[14] + m[4] * m[10] * m[13] + m[8] * m[5] * m[14] -
              m[8] * m[6] * m[13] - m[12] * m[5] * m[10] + m[12] * m[6] * m[9];
    inv[1] = -m[1] * m[10] * m[15] + m[1] * m[11] * m[14] + m[9] * m[2] * m[15] -
             m[9] * m[3] * m[14] - m[13] * m[2] * m[11] + m[13] * m[3] * m[10];
    inv[5] = m[0] * m[10] * m[15] - m[0] * m[11] * m[14] - m[8] * m[2] * m[15] +
             m[8] * m[3] * m[14] + m[12] * m[2] * m[11] - m[12] * m[3] * m[10];
    inv[9] = -m[0] * m[9] * m[15] + m[0] * m[11] * m[13] + m[8] * m[1] * m[15] -
             m[8] * m[3] * m[13] - m[12] * m[1] * m[11] + m[12] * m[3] * m[9];
    inv[13] = m[0] * m[9] * m[14] - m[0] * m[10] * m[13] - m[8] * m[1] * m[14] +
              m[8] * m[2] * m[13] + m[12] * m[1] * m[10] - m[12] * m[2] * m[9];
    inv[2] = m[1] * m[6] * m[15] - m[1] * m[7] * m[14] - m[5] * m[2] * m[15] + m[5] * m[3] * m[14] +
             m[13] * m[2] * m[7] - m[13] * m[3] * m[6];
    inv[6] = -m[0] * m[6] * m[15] + m[0] * m[7] * m[14] + m[4] * m[2] * m[15] -
             m[4] * m[3] * m[14] - m[12] * m[2] * m[7] + m[12] * m[3] * m[6];
    inv[10] = m[0] * m[5] * m[15] - m[0] * m[7] * m[13] - m[4] * m[1] * m[15] +
              m[4] * m[3] * m[13] + m[12] * m[1] * m[7] - m[12] * m[3] * m[5];
    inv[14] = -m[0] * m[5] * m[14] + m[0] * m[6] * m[13] + m[4] * m[1] * m[14] -
              m[4] * m[2] * m[13] - m[12] * m[1] * m[6] + m[12] * m[2] * m[5];
    inv[3] = -m[1] * m[6] * m[11] + m[1] * m[7] * m[10] + m[5] * m[2] * m[11] -
             m[5] * m[3] * m[10] - m[9] * m[2] * m[7] + m[9] * m[3] * m[6];
    inv[7] = m[0] * m[6] * m[11] - m[0] * m[7] * m[10] - m[4] * m[2] * m[11] + m[4] * m[3] * m[10] +
             m[8] * m[2] * m[7] - m[8] * m[3] * m[6];
    inv[11] = -m[0] * m[5] * m[11] + m[0] * m[7] * m[9] + m[4] * m[1] * m[11] - m[4] * m[3] * m[9] -
              m[8] * m[1] * m[7] + m[8] * m[3] * m[5];
    inv[15] = m[0] * m[5] * m[10] - m[0] * m[6] * m[9] - m[4] * m[1] * m[10] + m[4] * m[2] * m[9] +
              m[8] * m[1] * m[6] - m[8] * m[2] * m[5];
    const float det = m[0] * inv[0] + m[1] * inv[4] + m[2] * inv[8] + m[3] * inv[12];
    if (det == 0.0f) return false;
    for (int i = 0; i < 16; ++i) (&out[0][0])[i] = inv[i] / det;
    return true;
}
