#include "host/image/iff_codec.h"

#include "host/image/image_header.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace tarn::image {

namespace {

constexpr int kPlanes = 24;

void put16(std::string& out, unsigned v) {
    out.push_back(char((v >> 8) & 0xFF));
    out.push_back(char(v & 0xFF));
}

void put32(std::string& out, std::uint32_t v) {
    put16(out, v >> 16);
    put16(out, v & 0xFFFF);
}

void putId(std::string& out, const char* id) {
    out.append(id, 4);
}

unsigned get16(const unsigned char* p) {
    return unsigned(p[0]) << 8 | p[1];
}

std::uint32_t get32(const unsigned char* p) {
    return std::uint32_t(get16(p)) << 16 | get16(p + 2);
}

/// Bytes of one bit plane of one row: the row's bits padded to a multiple of 16.
std::size_t planeRowBytes(int width) {
    return std::size_t((width + 15) / 16) * 2;
}

/// Transposes an 8 x 8 bit matrix held as 8 bytes, first byte in the most significant place:
/// afterwards byte k (counting from the most significant) holds bit 7 - k of every input byte,
/// the first input byte's bit leftmost.
std::uint64_t transpose8(std::uint64_t x) {
    x = (x & 0xAA55AA55AA55AA55ull) | ((x & 0x00AA00AA00AA00AAull) << 7) |
        ((x >> 7) & 0x00AA00AA00AA00AAull);
    x = (x & 0xCCCC3333CCCC3333ull) | ((x & 0x0000CCCC0000CCCCull) << 14) |
        ((x >> 14) & 0x0000CCCC0000CCCCull);
    x = (x & 0xF0F0F0F00F0F0F0Full) | ((x & 0x00000000F0F0F0F0ull) << 28) |
        ((x >> 28) & 0x00000000F0F0F0F0ull);
    return x;
}

/// Channel c (0 red, 1 green, 2 blue, 3 alpha) of a pixel with `channels` channels.
inline std::uint8_t channelOf(const std::uint8_t* px, int channels, int c) {
    switch (channels) {
        case 1:
            return c == 3 ? 255 : px[0];
        case 2:
            return c == 3 ? px[1] : px[0];
        case 3:
            return c == 3 ? 255 : px[c];
        default:
            return px[c];
    }
}

bool fail(std::string* error, std::string message) {
    if (error) *error = std::move(message);
    return false;
}

/// Unpacks ByteRun1 data into exactly `size` bytes; false when the input runs out or overflows.
bool unpackByteRun1(const unsigned char*& in, const unsigned char* end, unsigned char* out,
                    std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        if (in >= end) return false;
        const int n = static_cast<signed char>(*in++);
        if (n >= 0) {
            const std::size_t count = std::size_t(n) + 1;
            if (count > size - done || std::size_t(end - in) < count) return false;
            std::memcpy(out + done, in, count);
            in += count;
            done += count;
        } else if (n != -128) {
            const std::size_t count = std::size_t(1 - n);
            if (count > size - done || in >= end) return false;
            std::memset(out + done, *in++, count);
            done += count;
        }
    }
    return true;
}

}  // namespace

void encodeIff(const ImageView& view, std::string& out) {
    const int w = view.width, h = view.height, ch = view.channels;
    const std::size_t rowBytes = planeRowBytes(w);
    const std::size_t bodySize = rowBytes * kPlanes * std::size_t(h);
    const std::size_t alphaSize = std::size_t(w) * std::size_t(h);
    const std::size_t alphaPadded = alphaSize + (alphaSize & 1);
    const std::size_t formSize = 4 + (8 + 20) + (8 + alphaPadded) + (8 + bodySize);
    const std::size_t start = out.size();
    out.reserve(start + 8 + formSize);

    putId(out, "FORM");
    put32(out, std::uint32_t(formSize));
    putId(out, "ILBM");
    putId(out, "BMHD");
    put32(out, 20);
    put16(out, unsigned(w));
    put16(out, unsigned(h));
    put16(out, 0);  // x, y origin
    put16(out, 0);
    out.push_back(char(kPlanes));
    out.push_back(0);  // masking: none
    out.push_back(0);  // compression: none
    out.push_back(0);  // pad
    put16(out, 0);     // transparent colour
    out.push_back(1);  // pixel aspect 1:1
    out.push_back(1);
    put16(out, unsigned(w));  // page size
    put16(out, unsigned(h));

    const std::size_t srcStride = std::size_t(w) * std::size_t(ch);
    auto srcRow = [&](int y) {
        const int row = view.bottomUp ? h - 1 - y : y;
        return view.pixels + std::size_t(row) * srcStride;
    };

    putId(out, "ALPH");
    put32(out, std::uint32_t(alphaSize));
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* src = srcRow(y);
        for (int x = 0; x < w; ++x)
            out.push_back(char(channelOf(src + std::size_t(x) * ch, ch, 3)));
    }
    if (alphaSize & 1) out.push_back(0);

    putId(out, "BODY");
    put32(out, std::uint32_t(bodySize));
    const std::size_t bodyStart = out.size();
    out.resize(bodyStart + bodySize, '\0');
    auto* body = reinterpret_cast<unsigned char*>(out.data() + bodyStart);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* src = srcRow(y);
        unsigned char* rowOut = body + std::size_t(y) * rowBytes * kPlanes;
        // Turn each group of 8 pixels' channel bytes into one byte of each of its 8 planes.
        for (int x0 = 0; x0 < w; x0 += 8) {
            const int count = w - x0 < 8 ? w - x0 : 8;
            for (int c = 0; c < 3; ++c) {
                std::uint64_t bits = 0;
                for (int k = 0; k < count; ++k)
                    bits |= std::uint64_t(channelOf(src + std::size_t(x0 + k) * ch, ch, c))
                            << (56 - 8 * k);
                bits = transpose8(bits);
                for (int b = 0; b < 8; ++b)
                    rowOut[std::size_t(c * 8 + b) * rowBytes + std::size_t(x0 / 8)] =
                        static_cast<unsigned char>(bits >> (8 * b));
            }
        }
    }
}

bool inspectIff(const ByteSource& source, IffLayout& out, std::string* error) {
    const std::size_t size = source.size();
    unsigned char head[12];
    if (!source.read(0, 12, head) || std::memcmp(head, "FORM", 4) != 0)
        return fail(error, "iff file too short for its FORM header");
    if (std::memcmp(head + 8, "ILBM", 4) != 0)
        return fail(error, "iff file of type " +
                               printableId(std::string_view(reinterpret_cast<char*>(head + 8), 4)) +
                               ", not an ILBM image");
    const std::size_t formEnd = std::min<std::size_t>(size, std::size_t(get32(head + 4)) + 8);

    bool haveHeader = false;
    int planes = 0;
    IffLayout layout;
    bool haveBody = false;
    for (std::size_t pos = 12; pos + 8 <= formEnd;) {
        unsigned char chunk[8];
        if (!source.read(pos, 8, chunk)) return fail(error, "iff file cannot be read");
        const std::string id = printableId(std::string_view(reinterpret_cast<char*>(chunk), 4));
        const std::size_t length = get32(chunk + 4);
        if (length > formEnd - pos - 8)
            return fail(error, "iff chunk " + id + " at byte " + std::to_string(pos) +
                                   " runs past the end of the file (" + std::to_string(size) +
                                   " bytes)");
        const std::size_t payload = pos + 8;
        if (std::memcmp(chunk, "BMHD", 4) == 0) {
            unsigned char h[20];
            if (length < 20 || !source.read(payload, 20, h))
                return fail(error, "iff BMHD chunk too short");
            layout.width = int(get16(h));
            layout.height = int(get16(h + 2));
            planes = h[8];
            layout.compression = h[10];
            haveHeader = true;
        } else if (std::memcmp(chunk, "ALPH", 4) == 0) {
            layout.alphaOffset = payload;
            layout.alphaSize = length;
        } else if (std::memcmp(chunk, "BODY", 4) == 0) {
            layout.bodyOffset = payload;
            layout.bodySize = length;
            haveBody = true;
        }
        pos += 8 + length + (length & 1);
    }
    const int width = layout.width, height = layout.height;
    if (!haveHeader) return fail(error, "iff ILBM without a BMHD header");
    if (width < 1 || height < 1 || width > kMaxImageSide || height > kMaxImageSide)
        return fail(error, "iff image of " + std::to_string(width) + " x " +
                               std::to_string(height) + " pixels: each side must be 1 to " +
                               std::to_string(kMaxImageSide));
    if (planes != kPlanes)
        return fail(error, "iff ILBM of " + std::to_string(planes) +
                               " planes: only 24-plane (deep RGB) images are read");
    if (layout.compression > 1)
        return fail(error,
                    "iff ILBM compression " + std::to_string(layout.compression) + " is not read");
    if (!haveBody) return fail(error, "iff ILBM without a BODY chunk");
    if (layout.alphaOffset && layout.alphaSize < std::size_t(width) * std::size_t(height))
        return fail(error, "iff ALPH chunk shorter than the image");
    const std::size_t planeBlock = planeRowBytes(width) * kPlanes;
    if (layout.compression == 0 && layout.bodySize < planeBlock * std::size_t(height))
        return fail(error, "iff BODY chunk shorter than the image");
    out = layout;
    return true;
}

bool decodeIff(std::string_view bytes, Image& out, std::string* error) {
    IffLayout layout;
    if (!inspectIff(MemorySource(bytes), layout, error)) return false;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const int width = layout.width, height = layout.height, compression = layout.compression;
    const unsigned char* alpha = layout.alphaOffset ? data + layout.alphaOffset : nullptr;
    const unsigned char* body = data + layout.bodyOffset;
    const std::size_t bodySize = layout.bodySize;
    const std::size_t rowBytes = planeRowBytes(width);
    const std::size_t planeBlock = rowBytes * kPlanes;

    out.width = width;
    out.height = height;
    out.channels = 4;
    out.pixels.assign(std::size_t(width) * std::size_t(height) * 4, 255);
    std::vector<unsigned char> rowPlanes(planeBlock);
    const unsigned char* in = body;
    const unsigned char* bodyEnd = body + bodySize;
    for (int y = 0; y < height; ++y) {
        const unsigned char* planesOfRow;
        if (compression == 0) {
            planesOfRow = in;
            in += planeBlock;
        } else {
            if (!unpackByteRun1(in, bodyEnd, rowPlanes.data(), planeBlock))
                return fail(error, "iff BODY damaged: its compressed data does not fill row " +
                                       std::to_string(y));
            planesOfRow = rowPlanes.data();
        }
        std::uint8_t* dst = out.pixels.data() + std::size_t(y) * std::size_t(width) * 4;
        for (int x = 0; x < width; ++x) {
            const std::size_t byte = std::size_t(x) >> 3;
            const unsigned mask = 0x80u >> (x & 7);
            for (int c = 0; c < 3; ++c) {
                unsigned value = 0;
                for (int b = 0; b < 8; ++b)
                    if (planesOfRow[std::size_t(c * 8 + b) * rowBytes + byte] & mask)
                        value |= 1u << b;
                dst[std::size_t(x) * 4 + c] = std::uint8_t(value);
            }
        }
    }
    if (alpha) {
        const std::size_t n = std::size_t(width) * std::size_t(height);
        for (std::size_t i = 0; i < n; ++i) out.pixels[i * 4 + 3] = alpha[i];
    }
    return true;
}

}  // namespace tarn::image
