#pragma once
/// The QMF chunk walk: reads the chunk tree front to back and raises one event per finished
/// material, mesh, camera, light and keyframer node. Knows nothing of the scene model.

#include <cstdint>

#include "import/chunk_records.h"
#include "import/chunk_stream.h"

enum ParseEvent : int {
    kEventBegin = 0,
    kEventMaterial = 1,   ///< record: MaterialRecord*
    kEventMesh = 2,       ///< record: ObjectRecord*
    kEventLight = 3,      ///< record: ObjectRecord*
    kEventCamera = 4,     ///< record: ObjectRecord*
    kEventNode = 5,       ///< record: NodeRecord*
    kEventQuerySkip = 6,  ///< record: const char* object name; non-zero answer skips the object
    kEventEnd = 7,
};

/// Receives the events; its answer matters only for kEventQuerySkip.
using ParseSink = int (*)(int event, void* record, void* user);

struct ParseState {
    ParseSink sink;
    void* user;
    int keyframeSwitch;
    ObjectRecord object;
    MaterialRecord material;
    NodeRecord* node;
    float currentColor[3];
    float currentPercent;
};

/// Where and why the last chunk walk stopped before the end of its file (the innermost chunk
/// that failed). Set by parseChunkFile; `stopped` is false after a complete walk.
struct WalkStop {
    bool stopped = false;
    uint64_t offset = 0;     ///< file offset of the failing chunk's header
    uint16_t id = 0;         ///< its chunk id (0 when the header itself could not be read)
    uint64_t length = 0;     ///< the length its header claims
    bool badLength = false;  ///< the length is below the 6-byte header
    bool headerCut = false;  ///< the data ended inside the chunk header
};
const WalkStop& lastWalkStop();

/// Accepted first chunk ids.
bool isQmfMagic(uint16_t id);
/// Resets the stream and checks the first id; returns 1 and the first chunk's length when the id
/// is accepted.
int checkChunkMagic(ChunkStream* cs, uint32_t* length);
/// Walks the whole file; 1 when the walk succeeded. kEventBegin and kEventEnd are raised whenever
/// the magic is accepted. Main thread; not re-entrant.
int parseChunkFile(ChunkStream* cs, ParseSink sink, void* user, int keyframeSwitch);
/// Inverts a 4x4 row-major matrix by cofactors; false (out untouched) when the determinant is 0.
bool invertMatrix4(const float in[4][4], float out[4][4]);
