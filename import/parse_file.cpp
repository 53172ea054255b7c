#include "import/parse_file.h"

#include <cstdlib>
#include <cstring>

bool TparseBase::rewind() {
    if (m_stream) m_stream->swap = 0;
    return true;
}

LclTparseFile::LclTparseFile(ChunkStream* stream) : TparseBase(stream) {}

LclTparseFile::LclTparseFile(const char* path) : TparseBase(nullptr) {
    if (!path) return;
    m_path = strdup(path);
    m_file = std::fopen(path, "rb");
}

LclTparseFile::~LclTparseFile() {
    if (m_file) std::fclose(m_file);
    std::free(m_path);
}

bool LclTparseFile::read(void* buffer, uint64_t length) {
    if (m_stream) return chunkStreamRead(m_stream, buffer, length) == 1;
    if (!buffer || length == 0 || !m_file || std::feof(m_file) || std::ferror(m_file)) return false;
    return std::fread(buffer, length, 1, m_file) == 1 && !std::ferror(m_file);
}

bool LclTparseFile::rewind() {
    if (m_stream) return chunkStreamReset(m_stream) == 1;
    if (!m_file) return false;
    if (std::fseek(m_file, 0, SEEK_SET) != 0 || std::ferror(m_file) || std::feof(m_file))
        return false;
    return TparseBase::rewind();
}
