#pragma once
/// Byte-level writer of QMF chunk files, used by the fixture tests, the benchmarks and the sample
/// scene. It writes exactly what it is told, including malformed chunks, so that tests can build
/// broken files on purpose.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qmf {

/// Chunk ids the importer knows.
enum ChunkId : uint16_t {
    kMain = 0x4D4D,
    kMainAltA = 0x3DC2,
    kMainAltB = 0x3DAA,
    kEditor = 0x3D3D,
    kNamedObject = 0x4000,
    kHidden = 0x4010,
    kTriMesh = 0x4100,
    kVertexList = 0x4110,
    kFaceList = 0x4120,
    kFaceMaterial = 0x4130,
    kTexCoords = 0x4140,
    kLocalAxis = 0x4160,
    kLight = 0x4600,
    kLight2 = 0x4680,
    kCamera = 0x4700,
    kMaterial = 0xAFFF,
    kMaterialName = 0xA000,
    kAmbient = 0xA010,
    kDiffuse = 0xA020,
    kSpecular = 0xA030,
    kTransparency = 0xA050,
    kTextureMap = 0xA200,
    kMapFile = 0xA300,
    kColorFloat = 0x0010,
    kColorBytes = 0x0011,
    kPercentInt = 0x0030,
    kPercentFloat = 0x0031,
    kKeyframer = 0xB000,
    kObjectNode = 0xB002,
    kNodeHeader = 0xB010,
    kInstanceName = 0xB011,
    kPivot = 0xB013,
    kPositionTrack = 0xB020,
    kRotationTrack = 0xB021,
    kScaleTrack = 0xB022,
    kNodeId = 0xB030,
};

/// Appends little-endian values and nested chunks to a byte buffer. Not thread-safe.
class Writer {
public:
    /// Opens a chunk; its length is patched by the matching end(). Chunks nest.
    void begin(uint16_t id);
    /// Closes the innermost open chunk, writing its true length (header included).
    void end();
    /// Writes a chunk header with a given (possibly wrong) length; nothing is patched later.
    void header(uint16_t id, uint32_t length);

    void u8(uint8_t v);
    void u16(uint16_t v);
    void u32(uint32_t v);
    void f32(float v);
    /// Three floats in file order x, y, z.
    void vec3(float x, float y, float z);
    /// Text followed by a NUL byte.
    void str(std::string_view text);
    /// Text without a NUL byte (for malformed strings).
    void strNoNul(std::string_view text);
    void raw(const void* data, size_t count);

    /// Bytes written so far; open chunks still carry a zero length.
    const std::vector<uint8_t>& bytes() const { return m_bytes; }
    std::vector<uint8_t>& bytes() { return m_bytes; }
    size_t size() const { return m_bytes.size(); }
    /// Writes the bytes to a file; false when it cannot be written.
    bool save(const std::string& path) const;

private:
    std::vector<uint8_t> m_bytes;
    std::vector<size_t> m_open;
};

/// Writes a byte vector to a file; false on failure.
bool saveBytes(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace qmf
