#pragma once
// Helpers for the importer tests: temporary files and an event-collecting sink.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "import/chunk_parser.h"

namespace qmftest {

/// A file in a per-process temporary folder, removed on destruction.
class TempFile {
public:
    explicit TempFile(const std::vector<uint8_t>& bytes, const std::string& name = "case.qmf");
    ~TempFile();
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

/// An open stream over a byte vector (through a temp file).
class StreamFixture {
public:
    explicit StreamFixture(const std::vector<uint8_t>& bytes);
    ~StreamFixture();
    ChunkStream* stream() const { return m_stream; }

private:
    TempFile m_file;
    FILE* m_fp = nullptr;
    ChunkStream* m_stream = nullptr;
};

/// One line per event: "begin", "material NAME diff=r,g,b decl=... opac=... tex=T",
/// "mesh NAME v=N uv=N f=N groups=G hidden=H", "camera NAME", "light NAME", "node NAME", "end".
struct EventLog {
    std::vector<std::string> lines;
    std::vector<std::string> skipQueries;
    std::string skipName;  ///< object name the sink asks to skip
    ObjectRecord lastMesh{};
    std::vector<int> lastIndices;
    std::vector<float> lastPoints, lastUvs;
    std::vector<std::pair<std::string, std::vector<int>>> lastGroups;
    float lastCamera[8] = {};
};

int collectingSink(int event, void* record, void* user);

/// Parses bytes with the collecting sink; returns the parse result.
int parseBytes(const std::vector<uint8_t>& bytes, EventLog& log, int keyframeSwitch = 0);

}  // namespace qmftest
