#include "host/image/image_header.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <vector>

#include "host/image/iff_codec.h"
#include "host/image/stb_bridge.h"

namespace tarn::image {

namespace {

bool fail(std::string* error, std::string message) {
    if (error) *error = std::move(message);
    return false;
}

std::string sizeText(long long w, long long h) {
    return std::to_string(w) + " x " + std::to_string(h);
}

// The message for a side outside 1..kMaxImageSide, or "".
std::string sideProblem(const char* format, long long w, long long h) {
    if (w >= 1 && h >= 1 && w <= kMaxImageSide && h <= kMaxImageSide) return {};
    return std::string(format) + " image of " + sizeText(w, h) +
           " pixels: each side must be 1 to " + std::to_string(kMaxImageSide);
}

std::uint32_t be32(const unsigned char* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}
unsigned be16(const unsigned char* p) {
    return unsigned(p[0]) << 8 | p[1];
}
std::uint32_t le32(const unsigned char* p) {
    return std::uint32_t(p[3]) << 24 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
}
unsigned le16(const unsigned char* p) {
    return unsigned(p[1]) << 8 | p[0];
}

// Reads a source front to back in blocks, for walks that touch every byte (jpg entropy data,
// tga run-length packets) without holding the file.
class SequentialReader {
public:
    SequentialReader(const ByteSource& source, std::size_t pos) : m_source(source), m_pos(pos) {}
    std::size_t pos() const { return m_pos; }
    /// The next byte; false at the end of the file.
    bool next(unsigned char& c) {
        if (m_at == m_filled) {
            const std::size_t left = m_source.size() - std::min(m_source.size(), m_pos);
            const std::size_t n = std::min(left, m_block.size());
            if (n == 0 || !m_source.read(m_pos, n, m_block.data())) return false;
            m_at = 0;
            m_filled = n;
        }
        c = m_block[m_at++];
        ++m_pos;
        return true;
    }
    /// Moves `count` bytes on; false when that passes the end of the file.
    bool skip(std::size_t count) {
        const std::size_t buffered = m_filled - m_at;
        if (count <= buffered) {
            m_at += count;
            m_pos += count;
            return true;
        }
        m_pos += count;
        m_at = m_filled = 0;
        return m_pos <= m_source.size();
    }

private:
    const ByteSource& m_source;
    std::size_t m_pos;
    std::array<unsigned char, 1 << 16> m_block{};
    std::size_t m_at = 0, m_filled = 0;
};

// png: the signature, IHDR first, then chunk by chunk to IEND. Channels as the decoder gives
// them: a tRNS chunk adds alpha to grey, RGB and palette images.
bool inspectPng(const ByteSource& src, ImageHeader& out, std::string* error) {
    const std::size_t size = src.size();
    std::size_t pos = 8;
    bool seenHeader = false, seenPalette = false, seenData = false, transparent = false;
    unsigned colorType = 0;
    for (;;) {
        unsigned char head[8];
        if (!src.read(pos, 8, head))
            return fail(error, "png data ends at byte " + std::to_string(size) +
                                   " before the end of the image (no IEND chunk)");
        const std::uint32_t length = be32(head);
        const std::string type(reinterpret_cast<const char*>(head + 4), 4);
        if (length > 0x7FFFFFFFu || length > size - pos - 8 || size - pos - 8 - length < 4)
            return fail(error, "png chunk " + printableId(type) + " at byte " +
                                   std::to_string(pos) + " runs past the end of the file (" +
                                   std::to_string(size) + " bytes)");
        if (!seenHeader && type != "IHDR")
            return fail(error, "png file whose first chunk is " + printableId(type) +
                                   ", not the IHDR header");
        if (type == "IHDR") {
            unsigned char h[13];
            if (seenHeader || length != 13 || !src.read(pos + 8, 13, h))
                return fail(error, "png file with a damaged IHDR header");
            const std::uint32_t w = be32(h), hgt = be32(h + 4);
            const unsigned depth = h[8];
            colorType = h[9];
            if (std::string why = sideProblem("png", w, hgt); !why.empty()) return fail(error, why);
            // Bit depths each colour type allows.
            const bool depthOk =
                (colorType == 0 &&
                 (depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16)) ||
                (colorType == 3 && (depth == 1 || depth == 2 || depth == 4 || depth == 8)) ||
                ((colorType == 2 || colorType == 4 || colorType == 6) &&
                 (depth == 8 || depth == 16));
            if (!depthOk)
                return fail(error, "png image of colour type " + std::to_string(colorType) +
                                       " and bit depth " + std::to_string(depth) +
                                       ": no such png kind");
            if (h[10] != 0 || h[11] != 0 || h[12] > 1)
                return fail(error,
                            "png image with an unknown compression, filter or interlace "
                            "method");
            out.width = int(w);
            out.height = int(hgt);
            seenHeader = true;
        } else if (type == "PLTE") {
            seenPalette = true;
        } else if (type == "tRNS" && !seenData) {
            transparent = true;
        } else if (type == "IDAT") {
            seenData = true;
        } else if (type == "IEND") {
            break;
        }
        pos += 12 + std::size_t(length);
    }
    if (!seenData) return fail(error, "png file without image data (no IDAT chunk)");
    if (colorType == 3 && !seenPalette)
        return fail(error, "png palette image without its palette (no PLTE chunk)");
    static constexpr int kChannels[] = {1, 0, 3, 3, 2, 0, 4};
    out.channels = kChannels[colorType] +
                   (transparent && (colorType == 0 || colorType == 2 || colorType == 3) ? 1 : 0);
    out.format = ImageFormat::Png;
    return true;
}

// jpg: segment by segment from the start-of-image marker; a frame header the decoder reads
// (baseline or progressive), then the scans, each followed through its entropy-coded data to the
// next marker, up to the end-of-image marker.
bool inspectJpg(const ByteSource& src, ImageHeader& out, std::string* error) {
    const std::size_t size = src.size();
    auto endsEarly = [&](std::size_t at) {
        return fail(error, "jpg data ends at byte " + std::to_string(at) +
                               " before the end of the image (no end-of-image marker)");
    };
    std::size_t pos = 2;
    bool seenFrame = false, seenScan = false;
    for (;;) {
        // A marker: 0xFF (any fill bytes), then its code.
        unsigned char c = 0;
        if (!src.read(pos, 1, &c)) return endsEarly(size);
        if (c != 0xFF)
            return fail(error, "jpg data damaged at byte " + std::to_string(pos) +
                                   " (a marker was expected)");
        unsigned char code = 0xFF;
        while (code == 0xFF) {
            ++pos;
            if (!src.read(pos, 1, &code)) return endsEarly(size);
        }
        const std::size_t markerAt = pos - 1;
        ++pos;
        if (code == 0xD9) break;                                       // end of image
        if ((code >= 0xD0 && code <= 0xD7) || code == 0x01) continue;  // no length
        unsigned char len[2];
        if (!src.read(pos, 2, len)) return endsEarly(size);
        const std::size_t length = be16(len);
        if (length < 2 || length > size - pos)
            return fail(error, "jpg segment at byte " + std::to_string(markerAt) +
                                   " runs past the end of the file (" + std::to_string(size) +
                                   " bytes)");
        const bool frame =
            code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
        if (frame) {
            if (code > 0xC2)
                return fail(error, "jpg coding of frame type SOF" + std::to_string(code - 0xC0) +
                                       " is not read (baseline and progressive are)");
            unsigned char f[6];
            if (length < 8 || !src.read(pos + 2, 6, f))
                return fail(error, "jpg file with a damaged frame header");
            const unsigned h = be16(f + 1), w = be16(f + 3), components = f[5];
            if (h == 0)
                return fail(error,
                            "jpg image whose height comes after the scan (DNL) is not "
                            "read");
            if (std::string why = sideProblem("jpg", w, h); !why.empty()) return fail(error, why);
            if (components != 1 && components != 3 && components != 4)
                return fail(error, "jpg image of " + std::to_string(components) +
                                       " components: 1, 3 or 4 are read");
            out.width = int(w);
            out.height = int(h);
            out.channels = components >= 3 ? 3 : 1;
            seenFrame = true;
        }
        pos += length;
        if (code != 0xDA) continue;
        if (!seenFrame) return fail(error, "jpg scan before its frame header");
        seenScan = true;
        // Entropy-coded data runs to the next marker: 0xFF followed by neither a stuffed zero
        // nor a restart marker.
        SequentialReader r(src, pos);
        bool found = false;
        unsigned char b = 0;
        while (!found && r.next(b)) {
            if (b != 0xFF) continue;
            unsigned char n = 0xFF;
            bool more = true;
            while (n == 0xFF && (more = r.next(n))) {
            }
            if (!more) break;
            found = n != 0x00 && !(n >= 0xD0 && n <= 0xD7);
        }
        if (!found) return endsEarly(size);
        pos = r.pos() - 2;  // the 0xFF before the marker's code
    }
    if (!seenFrame || !seenScan) return fail(error, "jpg file without a frame or scan");
    out.format = ImageFormat::Jpg;
    return true;
}

// bmp: the file and info headers, then the pixel rows the header declares must all be there
// (rows padded to four bytes; a negative height is a top-down picture).
bool inspectBmp(const ByteSource& src, ImageHeader& out, std::string* error) {
    const std::size_t size = src.size();
    unsigned char h[54] = {};
    if (!src.read(0, std::min<std::size_t>(size, sizeof h), h) || size < 18)
        return fail(error,
                    "bmp file too short for its header (" + std::to_string(size) + " bytes)");
    const std::uint32_t offset = le32(h + 10), headerSize = le32(h + 14);
    if (headerSize != 12 && headerSize != 40 && headerSize != 56 && headerSize != 108 &&
        headerSize != 124)
        return fail(error, "bmp info header of " + std::to_string(headerSize) +
                               " bytes is not read (12, 40, 56, 108 or 124 are)");
    if (size < 14 + std::size_t(headerSize))
        return fail(error,
                    "bmp file too short for its header (" + std::to_string(size) + " bytes)");
    long long w = 0, height = 0;
    unsigned planes = 0, bits = 0;
    std::uint32_t compression = 0;
    if (headerSize == 12) {
        w = le16(h + 18);
        height = le16(h + 20);
        planes = le16(h + 22);
        bits = le16(h + 24);
    } else {
        w = std::int32_t(le32(h + 18));
        height = std::int32_t(le32(h + 22));
        planes = le16(h + 26);
        bits = le16(h + 28);
        compression = le32(h + 30);
    }
    const long long rows = height < 0 ? -height : height;
    if (std::string why = sideProblem("bmp", w, rows); !why.empty()) return fail(error, why);
    if (planes != 1) return fail(error, "bmp file with " + std::to_string(planes) + " planes");
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return fail(error, "bmp image of " + std::to_string(bits) + " bits per pixel");
    if (compression == 1 || compression == 2)
        return fail(error, "run-length compressed bmp is not read");
    if (compression > 3 || (compression == 3 && bits != 16 && bits != 32))
        return fail(error, "bmp compression " + std::to_string(compression) + " is not read");
    if (offset < 14 + headerSize || offset > size)
        return fail(error, "bmp pixel data said to start at byte " + std::to_string(offset) +
                               ", outside the file (" + std::to_string(size) + " bytes)");
    const std::uint64_t rowBytes = (std::uint64_t(w) * bits + 31) / 32 * 4;
    const std::uint64_t need = rowBytes * std::uint64_t(rows);
    if (need > size - offset)
        return fail(error, "bmp file too short: " + sizeText(w, rows) + " pixels of " +
                               std::to_string(bits) + " bits need " + std::to_string(need) +
                               " bytes from byte " + std::to_string(offset) + ", the file has " +
                               std::to_string(size - offset));
    out.width = int(w);
    out.height = int(rows);
    out.channels = 0;  // the decoder's count (alpha masks decide it) is asked for below
    out.format = ImageFormat::Bmp;
    return true;
}

// tga (no signature): a header whose every field holds a value the format allows, then the
// pixels: all there when uncompressed, and run-length packets that cover every pixel inside the
// file when compressed. `*isTga` says whether the header was one the format allows.
bool inspectTga(const ByteSource& src, ImageHeader& out, std::string* error, bool* isTga) {
    *isTga = false;
    const std::size_t size = src.size();
    unsigned char h[18];
    if (!src.read(0, 18, h))
        return fail(error,
                    "tga file too short for its header (" + std::to_string(size) + " bytes)");
    const unsigned idLength = h[0], mapType = h[1], type = h[2], mapLength = le16(h + 5),
                   mapBits = h[7], w = le16(h + 12), height = le16(h + 14), bits = h[16];
    bool known = false;
    if (mapType == 1)
        known = (type == 1 || type == 9) && (bits == 8 || bits == 16) &&
                (mapBits == 8 || mapBits == 15 || mapBits == 16 || mapBits == 24 || mapBits == 32);
    else if (mapType == 0)
        known =
            ((type == 2 || type == 10) && (bits == 15 || bits == 16 || bits == 24 || bits == 32)) ||
            ((type == 3 || type == 11) && (bits == 8 || bits == 16));
    if (!known)
        return fail(error, "not a tga image the host reads (image type " + std::to_string(type) +
                               ", colour map type " + std::to_string(mapType) + ", " +
                               std::to_string(bits) + " bits per pixel)");
    *isTga = true;
    if (std::string why = sideProblem("tga", w, height); !why.empty()) return fail(error, why);
    const std::uint64_t pixelBytes = (bits + 7) / 8;
    const std::uint64_t start =
        18 + idLength + (mapType == 1 ? std::uint64_t(mapLength) * ((mapBits + 7) / 8) : 0);
    const std::uint64_t pixels = std::uint64_t(w) * height;
    auto tooShort = [&](const std::string& what) {
        return fail(error, "tga file too short: " + sizeText(w, height) + " pixels " + what +
                               ", the file has " + std::to_string(size) + " bytes");
    };
    if (type < 9) {
        const std::uint64_t need = start + pixels * pixelBytes;
        if (need > size) return tooShort("need " + std::to_string(need) + " bytes");
    } else {
        SequentialReader r(src, 0);
        if (start > size || !r.skip(start)) return tooShort("and their colour map");
        for (std::uint64_t done = 0; done < pixels;) {
            unsigned char packet = 0;
            if (!r.next(packet))
                return tooShort("end in run-length data after " + std::to_string(done));
            const std::uint64_t count = (packet & 0x7Fu) + 1;
            if (!r.skip((packet & 0x80u) ? pixelBytes : count * pixelBytes))
                return tooShort("end in run-length data after " + std::to_string(done));
            done += count;
        }
    }
    out.width = int(w);
    out.height = int(height);
    out.channels = 0;  // asked of the decoder below
    out.format = ImageFormat::Tga;
    return true;
}

bool startsWith(const ByteSource& src, const char* signature, std::size_t n) {
    std::array<unsigned char, 8> head{};
    return n <= head.size() && src.read(0, n, head.data()) &&
           std::memcmp(head.data(), signature, n) == 0;
}

}  // namespace

bool MemorySource::read(std::size_t offset, std::size_t count, void* out) const {
    if (offset > m_bytes.size() || count > m_bytes.size() - offset) return false;
    std::memcpy(out, m_bytes.data() + offset, count);
    return true;
}

bool FileSource::read(std::size_t offset, std::size_t count, void* out) const {
    if (offset > m_size || count > m_size - offset) return false;
    auto* to = static_cast<char*>(out);
    while (count > 0) {
        const ssize_t got = ::pread(m_fd, to, count, off_t(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        to += got;
        offset += std::size_t(got);
        count -= std::size_t(got);
    }
    return true;
}

std::string printableId(std::string_view id) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : id) {
        if (c >= 0x20 && c < 0x7F) {
            out.push_back(char(c));
        } else {
            out += "\\x";
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        }
    }
    return out;
}

bool inspectImage(const ByteSource& source, ImageHeader& out, std::string* error,
                  std::optional<ImageFormat> named) {
    bool ok = false;
    if (startsWith(source, "\x89PNG\r\n\x1a\n", 8)) {
        ok = inspectPng(source, out, error);
    } else if (startsWith(source, "\xFF\xD8\xFF", 3)) {
        ok = inspectJpg(source, out, error);
    } else if (startsWith(source, "BM", 2)) {
        ok = inspectBmp(source, out, error);
    } else if (startsWith(source, "FORM", 4)) {
        IffLayout layout;
        ok = inspectIff(source, layout, error);
        out = {ImageFormat::Iff, layout.width, layout.height, 4};
        return ok;
    } else {
        std::string tgaWhy;
        bool isTga = false;
        ok = inspectTga(source, out, &tgaWhy, &isTga);
        if (!ok) {
            if (isTga || named == ImageFormat::Tga) return fail(error, tgaWhy);
            const std::string what =
                named ? std::string(*named == ImageFormat::Iff ? "not an " : "not a ") +
                            formatName(*named) + " file (" +
                            (source.size() == 0
                                 ? std::string("it is empty")
                                 : std::string("no ") + formatName(*named) + " signature") +
                            ")"
                      : "not an image the host reads (no png, jpg, bmp or iff signature, nor a "
                        "tga header)";
            return fail(error, what);
        }
    }
    if (!ok) return false;
    if (out.channels == 0) {
        // bmp and tga: the decoder's own count, from the header alone.
        if (!stbInfo(source, out.channels))
            return fail(error, std::string(formatName(out.format)) +
                                   " image of a kind the host does not read (" +
                                   stbFailureReason() + ")");
    }
    return true;
}

}  // namespace tarn::image
