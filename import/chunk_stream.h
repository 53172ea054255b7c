#pragma once
/// Buffered little-endian reader over an open file, used by the QMF chunk parser. A plain record
/// with free functions; every function returns 1 for success and 0 for failure. One stream is
/// used by one thread at a time.

#include <cstdint>
#include <cstdio>

struct ChunkStream {
    FILE* file;            ///< opened by the caller in mode "rb"; not closed by the stream
    uint64_t endOffset;    ///< file offset just past the bytes now in the buffer
    int swap;              ///< byte-order switch; always 0, values are read as stored
    uint64_t bufferStart;  ///< file offset of buffer byte 0
    uint64_t index;        ///< read position inside the buffer
    uint64_t filled;       ///< valid bytes in the buffer
    uint8_t* buffer;       ///< malloc'ed read buffer
    uint64_t capacity;     ///< buffer size, 1024 unless preload grew it
    uint64_t fileSize;     ///< size of the file when the stream was created (UINT64_MAX if unknown)
};

constexpr uint64_t kChunkStreamDefaultCapacity = 1024;

/// Creates a stream over `file` positioned at offset 0; null when out of memory or file is null.
ChunkStream* chunkStreamCreate(FILE* file, int swap);
/// Frees the buffer and the record (not the file). Accepts null.
void chunkStreamRelease(ChunkStream* cs);
/// Back to offset 0 with an empty buffer and the swap switch off.
int chunkStreamReset(ChunkStream* cs);
/// Logical read position (file offset).
uint64_t chunkStreamTell(const ChunkStream* cs);
/// Moves the logical position; inside the buffered window only the index moves. Always 1.
int chunkStreamSeek(ChunkStream* cs, uint64_t offset);
/// Copies the next n bytes to dst. Fails (0) unless all n bytes were really read from the file.
int chunkStreamRead(ChunkStream* cs, void* dst, uint64_t n);
int chunkStreamReadU8(ChunkStream* cs, uint8_t* v);
int chunkStreamReadU16(ChunkStream* cs, uint16_t* v);
int chunkStreamReadU32(ChunkStream* cs, uint32_t* v);
int chunkStreamReadFloat(ChunkStream* cs, float* v);
/// Three floats in a row.
int chunkStreamReadVector(ChunkStream* cs, float v[3]);
/// Three unsigned bytes as floats in 0..255.
int chunkStreamReadColorBytes(ChunkStream* cs, float rgb[3]);
/// Reads a NUL-terminated string into dst (which holds max + 1 bytes). Stops with 0 after
/// max + 1 bytes without a NUL or on a short read; dst then holds the first max bytes read.
int chunkStreamReadString(ChunkStream* cs, char* dst, uint64_t max);
/// Makes the next n bytes (at most what the file still holds) available from memory.
int chunkStreamPreload(ChunkStream* cs, uint64_t n);
/// Hands out the next n bytes straight from the buffer (loading them first when needed) and
/// moves past them; null, position unchanged, when the file does not hold n more bytes. The
/// pointer is valid until the next call on the stream.
const uint8_t* chunkStreamSpan(ChunkStream* cs, uint64_t n);
/// Bytes between the logical position and the end of the file (0 past the end).
uint64_t chunkStreamRemaining(const ChunkStream* cs);
