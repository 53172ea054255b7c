// Fuzz target of the QMF chunk walk alone, over the raw bytes held in memory. It needs only the
// importer's core layers, so its libFuzzer binary builds without the host.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_targets.h"
#include "import/chunk_parser.h"

namespace tarn::fuzz {

namespace {

// Reads every array a record hands over up to its stated count, so that a count larger than
// its allocation shows as an out-of-bounds read here and not somewhere later.
float touch(const float* values, long count) {
    float sum = 0;
    for (long i = 0; values && i < count; ++i) sum += values[i];
    return sum;
}

int touchingSink(int event, void* record, void* user) {
    float& sum = *static_cast<float*>(user);
    switch (event) {
        case kEventMesh: {
            const auto& o = *static_cast<ObjectRecord*>(record);
            sum += touch(o.points, 3L * o.pointCount) + touch(o.uvs, 2L * o.uvCount);
            // Indices past the points and group faces past the face count are legal here
            // (later layers drop them); only the arrays' own bounds are checked.
            for (long i = 0; o.faceIndices && i < 3L * o.faceCount; ++i) sum += o.faceIndices[i];
            for (const FaceGroup* g = o.groupCount ? &o.groups : nullptr; g; g = g->next)
                for (int i = 0; g->faces && i < g->faceCount; ++i) sum += g->faces[i];
            break;
        }
        case kEventMaterial: {
            const auto& m = *static_cast<MaterialRecord*>(record);
            for (const char* s : {m.shaderName, m.textureName, m.materialName})
                if (s) sum += float(std::string(s).size());
            break;
        }
        case kEventNode: {
            const auto& n = *static_cast<NodeRecord*>(record);
            for (const KeyTrack* t : n.tracks)
                if (t) sum += touch(t->keys, 6L * t->keyCount);
            break;
        }
        case kEventQuerySkip:
            return 0;
        default:
            break;
    }
    return 1;
}

}  // namespace

namespace {

// The bytes go through a regular file, as every import does: the stream bounds what a chunk
// length may preload by the file's size, which only a regular file tells.
FILE* inputFile() {
    static FILE* file = std::tmpfile();
    return file;
}

}  // namespace

void qmfParserSetup() {
    if (!inputFile()) {
        std::perror("tarn fuzz: no temporary file");
        std::exit(2);
    }
}

void qmfParserOne(const std::uint8_t* data, std::size_t size) {
    FILE* file = inputFile();
    if (!file || ftruncate(fileno(file), 0) != 0) return;
    std::rewind(file);
    if (std::fwrite(data, 1, size, file) != size || std::fflush(file) != 0) return;
    ChunkStream* stream = chunkStreamCreate(file, 0);
    float sum = 0;
    for (int keyframes : {0, 1}) parseChunkFile(stream, touchingSink, &sum, keyframes);
    chunkStreamRelease(stream);
}

}  // namespace tarn::fuzz
