#include "import/chunk_stream.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

uint64_t fileSizeOf(FILE* f) {
    struct stat st;
    if (fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode)) return static_cast<uint64_t>(st.st_size);
    return UINT64_MAX;
}

// Refill the whole buffer from the logical position.
int refill(ChunkStream* cs) {
    const uint64_t pos = cs->bufferStart + cs->index;
    cs->bufferStart = pos;
    cs->index = 0;
    cs->filled = 0;
    cs->endOffset = pos;
    if (fseeko(cs->file, static_cast<off_t>(pos), SEEK_SET) != 0) return 0;
    const size_t got = fread(cs->buffer, 1, cs->capacity, cs->file);
    cs->filled = got;
    cs->endOffset = pos + got;
    return ferror(cs->file) ? 0 : 1;
}

int resize(ChunkStream* cs, uint64_t capacity) {
    if (capacity == cs->capacity) return 1;
    auto* fresh = static_cast<uint8_t*>(std::malloc(capacity));
    if (!fresh) return 0;
    std::free(cs->buffer);
    cs->buffer = fresh;
    cs->capacity = capacity;
    // The old contents are gone: the next read refills from the logical position.
    cs->bufferStart += cs->index;
    cs->index = 0;
    cs->filled = 0;
    cs->endOffset = cs->bufferStart;
    return 1;
}

}  // namespace

ChunkStream* chunkStreamCreate(FILE* file, int swap) {
    if (!file) return nullptr;
    auto* cs = static_cast<ChunkStream*>(std::calloc(1, sizeof(ChunkStream)));
    if (!cs) return nullptr;
    cs->buffer = static_cast<uint8_t*>(std::malloc(kChunkStreamDefaultCapacity));
    if (!cs->buffer) {
        std::free(cs);
        return nullptr;
    }
    cs->file = file;
    cs->swap = swap;
    cs->capacity = kChunkStreamDefaultCapacity;
    cs->fileSize = fileSizeOf(file);
    return cs;
}

void chunkStreamRelease(ChunkStream* cs) {
    if (!cs) return;
    std::free(cs->buffer);
    std::free(cs);
}

int chunkStreamReset(ChunkStream* cs) {
    cs->bufferStart = 0;
    cs->index = 0;
    cs->filled = 0;
    cs->endOffset = 0;
    cs->swap = 0;
    clearerr(cs->file);
    return 1;
}

uint64_t chunkStreamTell(const ChunkStream* cs) {
    return cs->bufferStart + cs->index;
}

int chunkStreamSeek(ChunkStream* cs, uint64_t offset) {
    if (offset >= cs->bufferStart && offset < cs->bufferStart + cs->filled) {
        cs->index = offset - cs->bufferStart;
        return 1;
    }
    cs->bufferStart = offset;
    cs->endOffset = offset;
    cs->index = 0;
    cs->filled = 0;
    return 1;
}

uint64_t chunkStreamRemaining(const ChunkStream* cs) {
    const uint64_t pos = chunkStreamTell(cs);
    return pos < cs->fileSize ? cs->fileSize - pos : 0;
}

int chunkStreamRead(ChunkStream* cs, void* dst, uint64_t n) {
    if (cs->filled - cs->index < n) {
        if (ferror(cs->file)) return 0;
        // Note: a request larger than the buffer grows it, but never beyond what the file holds.
        if (n > cs->capacity) {
            if (n > chunkStreamRemaining(cs)) return 0;
            if (!resize(cs, n)) return 0;
        }
        if (!refill(cs)) return 0;
        // Only bytes that really came from the file are handed out.
        if (cs->filled < n) return 0;
    }
    std::memcpy(dst, cs->buffer + cs->index, n);
    cs->index += n;
    return 1;
}

int chunkStreamReadU8(ChunkStream* cs, uint8_t* v) {
    return chunkStreamRead(cs, v, 1);
}

int chunkStreamReadU16(ChunkStream* cs, uint16_t* v) {
    uint8_t b[2];
    if (!chunkStreamRead(cs, b, 2)) return 0;
    *v = static_cast<uint16_t>(b[0] | (b[1] << 8));
    return 1;
}

int chunkStreamReadU32(ChunkStream* cs, uint32_t* v) {
    uint8_t b[4];
    if (!chunkStreamRead(cs, b, 4)) return 0;
    *v = uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
    return 1;
}

int chunkStreamReadFloat(ChunkStream* cs, float* v) {
    uint32_t bits;
    if (!chunkStreamReadU32(cs, &bits)) return 0;
    std::memcpy(v, &bits, 4);
    return 1;
}

int chunkStreamReadVector(ChunkStream* cs, float v[3]) {
    return chunkStreamReadFloat(cs, &v[0]) && chunkStreamReadFloat(cs, &v[1]) &&
           chunkStreamReadFloat(cs, &v[2]);
}

int chunkStreamReadColorBytes(ChunkStream* cs, float rgb[3]) {
    uint8_t b[3];
    if (!chunkStreamRead(cs, b, 3)) return 0;
    for (int i = 0; i < 3; ++i) rgb[i] = b[i];
    return 1;
}

int chunkStreamReadString(ChunkStream* cs, char* dst, uint64_t max) {
    uint64_t count = 0;
    for (;;) {
        uint8_t c;
        if (!chunkStreamRead(cs, &c, 1)) {
            dst[std::min(count, max)] = '\0';
            return 0;
        }
        if (c == 0) {
            dst[count] = '\0';
            return 1;
        }
        // Keep at most max characters so the terminator always fits in max + 1 bytes.
        if (count < max) dst[count] = static_cast<char>(c);
        ++count;
        if (count == max + 1) {
            dst[max] = '\0';
            return 0;
        }
    }
}

int chunkStreamPreload(ChunkStream* cs, uint64_t n) {
    // A length read from the file never asks for more than the file still holds.
    n = std::min(n, chunkStreamRemaining(cs));
    if (cs->filled - cs->index >= n) return 1;
    if (!resize(cs, std::max(n, kChunkStreamDefaultCapacity))) return 0;
    return refill(cs);
}

const uint8_t* chunkStreamSpan(ChunkStream* cs, uint64_t n) {
    if (cs->filled - cs->index < n) {
        if (n > chunkStreamRemaining(cs) || !chunkStreamPreload(cs, n)) return nullptr;
        if (cs->filled - cs->index < n) return nullptr;
    }
    const uint8_t* p = cs->buffer + cs->index;
    cs->index += n;
    return p;
}
