#include "import/scene_reader_translator.h"

#include <cstdio>
#include <new>

#include "import/parse_scene.h"
#include "import/trib_render_tarn.h"

TsceneReader::~TsceneReader() = default;

void* TsceneReader::creator() {
    return new (std::nothrow) TsceneReader;
}

KPxFileTranslator::KFileKind TsceneReader::identifyFile(const KFileObject&, const char* buffer,
                                                        short) const {
    if (buffer && static_cast<unsigned char>(buffer[0]) == 0x4D &&
        static_cast<unsigned char>(buffer[1]) == 0x4D)
        return kIsMyFileType;
    return kNotMyFileType;
}

KStatus TsceneReader::reader(const KFileObject& file, const KString&, FileAccessMode) {
    try {
        return importQmfFile(file.fullName().asChar());
    } catch (const std::bad_alloc&) {
        return KStatus::kInsufficientMemory;
    } catch (const std::exception&) {
        return KStatus::kFailure;
    }
}

KStatus importQmfFile(const char* path) {
    FILE* fp = path ? std::fopen(path, "rb") : nullptr;
    if (!fp) return KStatus::kFailure;
    ChunkStream* cs = chunkStreamCreate(fp, 0);
    KStatus status = KStatus::kFailure;
    if (cs) {
        LclTparseFile source(cs);
        if (checkChunkMagic(cs, nullptr)) {
            TparseQmfFile parser(&source);
            if (parser.parse()) {
                TribRenderTarn backEnd;
                // The model is rebuilt by the next parse: each mesh's arrays can go as soon as
                // the host holds the mesh, which keeps the import's peak memory down.
                backEnd.setReleasePlayedMeshes(true);
                backEnd.play(riListHead(), 0);
                status = KStatus::kSuccess;
            }
        }
    }
    chunkStreamRelease(cs);
    std::fclose(fp);
    return status;
}
