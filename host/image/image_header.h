#pragma once
/// What an image file declares, read from its header and its chunk or segment layout without
/// decoding a pixel: the format (by the file's own signature), the size and the channels, and
/// whether the file holds all the bytes that layout needs. The readers check this before they
/// hand bytes to a decoder, so a short or damaged file is refused with its format and the real
/// reason, and `imageInfo` answers from the header alone. Thread safe: no shared state.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "host/image/image_codec.h"

namespace tarn::image {

/// Random access to the bytes of an image file (in memory or on disk).
class ByteSource {
public:
    virtual ~ByteSource() = default;
    /// Size of the file in bytes.
    virtual std::size_t size() const = 0;
    /// Copies bytes [offset, offset + count) to `out`; false when they are not all there or the
    /// read fails.
    virtual bool read(std::size_t offset, std::size_t count, void* out) const = 0;
};

/// The bytes of a file held in memory.
class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::string_view bytes) : m_bytes(bytes) {}
    std::size_t size() const override { return m_bytes.size(); }
    bool read(std::size_t offset, std::size_t count, void* out) const override;

private:
    std::string_view m_bytes;
};

/// The bytes of an open file, read on demand with pread (the descriptor stays the caller's).
class FileSource final : public ByteSource {
public:
    FileSource(int fd, std::size_t size) : m_fd(fd), m_size(size) {}
    std::size_t size() const override { return m_size; }
    bool read(std::size_t offset, std::size_t count, void* out) const override;

private:
    int m_fd;
    std::size_t m_size;
};

/// What a file holds, as its header declares it.
struct ImageHeader {
    ImageFormat format = ImageFormat::Png;
    int width = 0;
    int height = 0;
    int channels = 0;  ///< channels the decoder gives: 1 grey, 2 grey+alpha, 3 RGB, 4 RGBA
};

/// Reads and checks the header and layout of the image in `source`. The format comes from the
/// file's signature (png, jpg, bmp, iff; tga, which has none, from a header that fits the
/// format); `named`, the format the file's name gives, only words the message when no format
/// is recognised. Refused, with a reason that names the format: sides outside 1..kMaxImageSide,
/// kinds the decoders do not read (bmp run-length compression, jpg arithmetic coding, ILBM
/// other than 24 planes), and a file shorter than its layout (a png without IEND, a jpg without
/// an end-of-image marker, a bmp or tga short of its pixel bytes, an IFF chunk past the end).
bool inspectImage(const ByteSource& source, ImageHeader& out, std::string* error = nullptr,
                  std::optional<ImageFormat> named = std::nullopt);

/// A four-byte chunk or type id for messages: printable ASCII as it is, any other byte as \xHH.
std::string printableId(std::string_view id);

}  // namespace tarn::image
