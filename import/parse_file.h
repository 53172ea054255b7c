#pragma once
/// Byte sources under the scene parser: an abstract reader and its file implementation, which
/// either forwards to a ChunkStream or reads its own FILE*.

#include <cstdint>
#include <cstdio>

#include "import/chunk_stream.h"

class TparseBase {
public:
    explicit TparseBase(ChunkStream* stream = nullptr) : m_stream(stream) {}
    virtual ~TparseBase() = default;
    /// Reads exactly `length` bytes into buffer; true on success.
    virtual bool read(void* buffer, uint64_t length) = 0;
    /// Back to the start; the base clears the stream's swap switch and succeeds.
    virtual bool rewind();

    /// The stream this source forwards to, or null.
    ChunkStream* stream() const { return m_stream; }

    TparseBase(const TparseBase&) = delete;
    TparseBase& operator=(const TparseBase&) = delete;

protected:
    ChunkStream* m_stream;
};

class LclTparseFile : public TparseBase {
public:
    /// Forwards every operation to `stream` (not owned).
    explicit LclTparseFile(ChunkStream* stream);
    /// Opens `path` itself in mode "rb"; isOpen() tells whether that worked.
    explicit LclTparseFile(const char* path);
    ~LclTparseFile() override;

    bool read(void* buffer, uint64_t length) override;
    bool rewind() override;

    bool isOpen() const { return m_stream != nullptr || m_file != nullptr; }
    /// The path given at construction, or null in stream mode.
    const char* path() const { return m_path; }

private:
    FILE* m_file = nullptr;
    char* m_path = nullptr;
};
