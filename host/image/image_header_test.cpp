// The readers' header checks: each format's own files accepted with their size and channels,
// every file cut short refused with a reason that names its format, kinds a format allows
// (top-down bmp, png transparency) read, and imageInfo answering from the header alone. The
// files are made here: by the host's encoders, then cut, patched or assembled byte by byte.
#include "host/image/image_header.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/image/iff_codec.h"
#include "host/image/image_file.h"

namespace fs = std::filesystem;
using namespace tarn::image;

namespace {

std::vector<std::uint8_t> pixels(int w, int h, int c) {
    std::vector<std::uint8_t> px(std::size_t(w) * h * c);
    for (std::size_t i = 0; i < px.size(); ++i) px[i] = std::uint8_t(i * 29 + i / 7);
    return px;
}

std::string encoded(ImageFormat format, int w, int h, int c) {
    const std::vector<std::uint8_t> px = pixels(w, h, c);
    std::string out, error;
    EXPECT_TRUE(encodeImage({w, h, c, px.data()}, format, out, &error)) << error;
    return out;
}

void put32le(std::string& s, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = char((v >> (8 * i)) & 0xFF);
}

std::uint32_t crc32(const std::string& bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char b : bytes) {
        crc ^= b;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A png chunk: length, type, data, CRC.
std::string pngChunk(const std::string& type, const std::string& data) {
    std::string out;
    for (int i = 3; i >= 0; --i) out.push_back(char((data.size() >> (8 * i)) & 0xFF));
    out += type + data;
    const std::uint32_t crc = crc32(type + data);
    for (int i = 3; i >= 0; --i) out.push_back(char((crc >> (8 * i)) & 0xFF));
    return out;
}

bool printable(const std::string& s) {
    for (unsigned char c : s)
        if (c < 0x20 || c >= 0x7F) return false;
    return true;
}

const struct FormatRow {
    ImageFormat format;
    const char* name;
    int channels;  // encoded with these
} kFormats[] = {
    {ImageFormat::Png, "png", 3}, {ImageFormat::Png, "png", 2}, {ImageFormat::Jpg, "jpg", 3},
    {ImageFormat::Bmp, "bmp", 4}, {ImageFormat::Bmp, "bmp", 3}, {ImageFormat::Tga, "tga", 3},
    {ImageFormat::Tga, "tga", 4}, {ImageFormat::Iff, "iff", 4},
};

}  // namespace

TEST(ImageHeader, EveryFormatIsReadWithItsSizeAndChannels) {
    for (const FormatRow& f : kFormats) {
        SCOPED_TRACE(f.name + std::to_string(f.channels));
        const std::string file = encoded(f.format, 13, 7, f.channels);
        ImageHeader header;
        std::string error;
        ASSERT_TRUE(inspectImage(MemorySource(file), header, &error)) << error;
        EXPECT_EQ(header.format, f.format);
        EXPECT_EQ(header.width, 13);
        EXPECT_EQ(header.height, 7);
        Image image;
        ASSERT_TRUE(decodeImage(file, image, &error)) << error;
        EXPECT_EQ(image.channels, header.channels);
        EXPECT_EQ(image.pixels.size(), std::size_t(13 * 7 * header.channels));
        if (f.format != ImageFormat::Jpg && f.format != ImageFormat::Iff) {
            EXPECT_EQ(header.channels, f.channels);
        }
    }
}

TEST(ImageHeader, EveryCutFileIsRefusedNamingItsFormat) {
    for (const FormatRow& f : kFormats) {
        const std::string file = encoded(f.format, 9, 5, f.channels);
        for (std::size_t cut = 0; cut < file.size(); ++cut) {
            const std::string_view part = std::string_view(file).substr(0, cut);
            Image image;
            std::string error;
            EXPECT_FALSE(decodeImage(part, image, &error, f.format)) << f.name << " cut " << cut;
            EXPECT_NE(error.find(f.name), std::string::npos) << cut << ": " << error;
            if (f.format != ImageFormat::Png) {
                EXPECT_EQ(error.find("png"), std::string::npos) << cut << ": " << error;
            }
            EXPECT_TRUE(printable(error)) << error;
        }
    }
}

TEST(ImageHeader, ShortFilesThatDeclareWholePicturesAreRefused) {
    // 60 bytes of bmp declaring 64 x 48 at 24 bits (9216 bytes of pixels).
    std::string bmp(60, '\0');
    bmp[0] = 'B', bmp[1] = 'M';
    put32le(bmp, 2, 60);
    put32le(bmp, 10, 54);
    put32le(bmp, 14, 40);
    put32le(bmp, 18, 64);
    put32le(bmp, 22, 48);
    bmp[26] = 1, bmp[28] = 24;
    // 30 bytes of tga declaring 64 x 48 uncompressed RGB.
    std::string tga(30, '\0');
    tga[2] = 2, tga[12] = 64, tga[14] = 48, tga[16] = 24;
    const struct {
        std::string bytes;
        const char* reason;
    } cases[] = {{bmp, "bmp file too short: 64 x 48 pixels of 24 bits need 9216 bytes"},
                 {tga, "tga file too short: 64 x 48 pixels need 9234 bytes"}};
    for (const auto& c : cases) {
        Image image;
        ImageHeader header;
        std::string error;
        EXPECT_FALSE(inspectImage(MemorySource(c.bytes), header, &error));
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
        EXPECT_FALSE(decodeImage(c.bytes, image, &error));
    }
}

TEST(ImageHeader, TopDownBmpReadsLikeTheBottomUpOne) {
    const std::string bottomUp = encoded(ImageFormat::Bmp, 6, 4, 3);
    // Same pixels stored top row first, as a negative height says.
    std::string topDown = bottomUp;
    const std::uint32_t offset = std::uint8_t(bottomUp[10]) | std::uint8_t(bottomUp[11]) << 8;
    const std::size_t row = (6 * 3 + 3) / 4 * 4;
    for (int y = 0; y < 4; ++y)
        std::memcpy(&topDown[offset + y * row], &bottomUp[offset + (3 - y) * row], row);
    put32le(topDown, 22, std::uint32_t(-4));
    Image a, b;
    std::string error;
    ASSERT_TRUE(decodeImage(bottomUp, a, &error)) << error;
    ASSERT_TRUE(decodeImage(topDown, b, &error)) << error;
    EXPECT_EQ(b.height, 4);
    EXPECT_EQ(a.pixels, b.pixels);
}

TEST(ImageHeader, PngTransparencyAddsAnAlphaChannel) {
    // A grey png with a tRNS chunk before its data: the grey of pixel 4 is transparent.
    const std::vector<std::uint8_t> px = pixels(5, 3, 1);
    const std::string grey = encoded(ImageFormat::Png, 5, 3, 1);
    const std::size_t afterHeader = 8 + 25;  // signature, IHDR chunk
    const std::string file = grey.substr(0, afterHeader) +
                             pngChunk("tRNS", std::string{'\0', char(px[4])}) +
                             grey.substr(afterHeader);
    ImageHeader header;
    Image image;
    std::string error;
    ASSERT_TRUE(inspectImage(MemorySource(file), header, &error)) << error;
    EXPECT_EQ(header.channels, 2);
    ASSERT_TRUE(decodeImage(file, image, &error)) << error;
    ASSERT_EQ(image.channels, 2);
    for (std::size_t i = 0; i < px.size(); ++i) {
        EXPECT_EQ(image.pixels[2 * i], px[i]) << i;
        EXPECT_EQ(image.pixels[2 * i + 1], px[i] == px[4] ? 0 : 255) << i;
    }
}

TEST(ImageHeader, DamagedHeadersGiveTheirReasonInPrintableWords) {
    std::string iff = encoded(ImageFormat::Iff, 3, 2, 4);
    iff.replace(8, 4,
                std::string("\x01\xff"
                            "AB",
                            4));
    std::string png = encoded(ImageFormat::Png, 3, 2, 3);
    png.replace(12, 4, std::string("\x00\x00zz", 4));  // IHDR's type bytes
    std::string bigPng = encoded(ImageFormat::Png, 3, 2, 3);
    bigPng[16] = 0x01;  // width 0x01000003
    std::string jpg = encoded(ImageFormat::Jpg, 3, 2, 3);
    jpg.resize(jpg.size() - 2);  // the end-of-image marker
    const struct {
        std::string bytes;
        const char* reason;
    } cases[] = {
        {iff, "iff file of type \\x01\\xffAB, not an ILBM image"},
        {png, "png file whose first chunk is \\x00\\x00zz, not the IHDR header"},
        {bigPng, "png image of 16777219 x 2 pixels: each side must be 1 to 8192"},
        {jpg, "jpg data ends at byte"},
        {"GIF89a...", "not an image the host reads"},
        {"", "not an image the host reads"},
    };
    for (const auto& c : cases) {
        Image image;
        std::string error;
        EXPECT_FALSE(decodeImage(c.bytes, image, &error));
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
        EXPECT_TRUE(printable(error)) << error;
    }
    // Valid layout, damaged compressed data: the decoder's own reason, never an empty one.
    std::string data = encoded(ImageFormat::Png, 8, 8, 3);
    const std::size_t idat = data.find("IDAT");
    ASSERT_NE(idat, std::string::npos);
    for (std::size_t i = idat + 4; i < idat + 12; ++i) data[i] = char(0xFF);
    Image image;
    std::string error;
    EXPECT_FALSE(decodeImage(data, image, &error));
    EXPECT_EQ(error.rfind("damaged png data (", 0), 0u) << error;
    EXPECT_EQ(error.find("()"), std::string::npos) << error;
}

TEST(ImageHeader, InfoReadsTheHeaderWithoutDecodingThePixels) {
    const fs::path dir =
        fs::temp_directory_path() / ("tarn_image_header_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    // A png of `side` x `side` RGB pixels whose data would never decode.
    auto declared = [&](unsigned side, const std::string& name) {
        std::string ihdr("\0\0\0\0\0\0\0\0\x08\x02\0\0\0", 13);
        ihdr[2] = ihdr[6] = char(side >> 8);
        ihdr[3] = ihdr[7] = char(side & 0xFF);
        const std::string path = (dir / name).string();
        std::ofstream(path, std::ios::binary)
            << std::string("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", ihdr) +
                   pngChunk("IDAT", std::string(1 << 16, 'x')) + pngChunk("IEND", "");
        return path;
    };
    // The largest picture: the header answers, nothing is decoded.
    ImageHeader header;
    std::string error;
    ASSERT_TRUE(readImageHeader(declared(8192, "declared.png"), header, &error)) << error;
    EXPECT_EQ(header.width, 8192);
    EXPECT_EQ(header.height, 8192);
    EXPECT_EQ(header.channels, 3);
    // Reading the pixels of the same kind of file finds the damage.
    const std::string small = declared(64, "small.png");
    ASSERT_TRUE(readImageHeader(small, header, &error)) << error;
    Image image;
    EXPECT_FALSE(readImage(small, image, &error));
    EXPECT_NE(error.find("damaged png data"), std::string::npos) << error;
    // The name's format words the refusal of a file that is none.
    const std::string fake = (dir / "fake.tga").string();
    std::ofstream(fake, std::ios::binary) << "hello";
    EXPECT_FALSE(readImageHeader(fake, header, &error));
    EXPECT_NE(error.find("tga"), std::string::npos) << error;
    EXPECT_FALSE(readImageHeader((dir / "missing.png").string(), header, &error));
    EXPECT_NE(error.find("does not exist"), std::string::npos) << error;
    fs::remove_all(dir);
}
