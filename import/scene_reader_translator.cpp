#include "import/scene_reader_translator.h"

#include <cstdio>
#include <new>
#include <string>

#include "frame/k_global.h"
#include "import/chunk_parser.h"
#include "import/parse_scene.h"
#include "import/trib_render_tarn.h"

namespace {

std::string hex4(unsigned v) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", v & 0xFFFFu);
    return text;
}

// Why a file was refused before anything was imported.
std::string refusalReason(ChunkStream* cs) {
    if (cs->fileSize == 0) return "the file is empty";
    uint16_t id = 0;
    chunkStreamReset(cs);
    if (!chunkStreamReadU16(cs, &id)) return "the file is too short for a chunk header";
    if (!isQmfMagic(id))
        return "the first chunk id is " + hex4(id) +
               ", not a QMF main chunk (0x4D4D, 0x3DC2 or 0x3DAA)";
    return "the file ends inside the first chunk header";
}

// The warning for a chunk walk that stopped before the end of the file's data: what the
// import kept is everything before the offset it names.
std::string stopWarning(const WalkStop& stop, uint64_t fileSize) {
    const std::string at = "offset " + std::to_string(stop.offset);
    if (stop.headerCut)
        return "the data ends at offset " + std::to_string(fileSize) +
               ", inside a chunk header at " + at +
               "; the scene after it is missing (imported what came before)";
    if (stop.badLength)
        return "chunk " + hex4(stop.id) + " at " + at + " has a bad length (" +
               std::to_string(stop.length) + ", below its 6-byte header); the import stopped there";
    if (stop.offset + stop.length > fileSize)
        return "the data ends at offset " + std::to_string(fileSize) + ", inside chunk " +
               hex4(stop.id) + " at " + at + " (which claims " + std::to_string(stop.length) +
               " bytes); the scene after it is missing (imported what came before)";
    return "chunk " + hex4(stop.id) + " at " + at + " (" + std::to_string(stop.length) +
           " bytes) is malformed; the import stopped there (imported what came before)";
}

}  // namespace

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
    if (!fp) {
        KGlobal::displayError(
            KString(std::string("QMF import: cannot open ") + (path ? path : "(no file)")));
        return KStatus::kFailure;
    }
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
                if (lastWalkStop().stopped)
                    KGlobal::displayWarning(
                        KString("QMF import: " + stopWarning(lastWalkStop(), cs->fileSize)));
            }
        } else {
            KGlobal::displayError(KString("QMF import: " + refusalReason(cs)));
        }
    }
    chunkStreamRelease(cs);
    std::fclose(fp);
    return status;
}
