#include "import/chunk_stream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>

#include "import/parse_file.h"
#include "test_files.h"
#include "tools/qmf/qmf_writer.h"

using qmftest::StreamFixture;

namespace {

std::vector<uint8_t> counting(size_t n) {
    std::vector<uint8_t> v(n);
    std::iota(v.begin(), v.end(), uint8_t(0));
    return v;
}

}  // namespace

TEST(ChunkStream, ReadsLittleEndianValues) {
    qmf::Writer w;
    w.u16(0x4D4D);
    w.u32(0x01020304);
    w.f32(2.5f);
    w.vec3(1, -2, 3);
    w.u8(0);
    w.u8(128);
    w.u8(255);
    StreamFixture f(w.bytes());
    uint16_t a;
    uint32_t b;
    float c, v[3], rgb[3];
    ASSERT_EQ(chunkStreamReadU16(f.stream(), &a), 1);
    ASSERT_EQ(chunkStreamReadU32(f.stream(), &b), 1);
    ASSERT_EQ(chunkStreamReadFloat(f.stream(), &c), 1);
    ASSERT_EQ(chunkStreamReadVector(f.stream(), v), 1);
    ASSERT_EQ(chunkStreamReadColorBytes(f.stream(), rgb), 1);
    EXPECT_EQ(a, 0x4D4D);
    EXPECT_EQ(b, 0x01020304u);
    EXPECT_EQ(c, 2.5f);
    EXPECT_EQ(v[1], -2.0f);
    EXPECT_EQ(rgb[0], 0.0f);
    EXPECT_EQ(rgb[1], 128.0f);
    EXPECT_EQ(rgb[2], 255.0f);
    EXPECT_EQ(chunkStreamTell(f.stream()), w.size());
}

TEST(ChunkStream, ReadsAcrossBufferRefills) {
    const auto bytes = counting(5000);
    StreamFixture f(bytes);
    // Reads of 4 bytes from offsets that straddle the 1024-byte buffer boundary.
    for (uint64_t off : {0ull, 1021ull, 1022ull, 2047ull, 4996ull}) {
        chunkStreamSeek(f.stream(), off);
        uint8_t got[4];
        ASSERT_EQ(chunkStreamRead(f.stream(), got, 4), 1) << off;
        for (int i = 0; i < 4; ++i) EXPECT_EQ(got[i], bytes[off + i]) << off;
    }
}

TEST(ChunkStream, ShortReadAtEndOfFileFails) {
    // The old reader copied bytes past what fread delivered; none may be handed out now.
    struct Case {
        size_t fileSize;
        uint64_t offset;
        uint64_t n;
        int expected;
    } cases[] = {
        {5, 2, 4, 0}, {5, 1, 4, 1},       {6, 6, 1, 0},
        {0, 0, 2, 0}, {1030, 1028, 4, 0}, {1030, 1026, 4, 1},
    };
    for (const Case& c : cases) {
        StreamFixture f(counting(c.fileSize));
        chunkStreamSeek(f.stream(), c.offset);
        uint8_t got[8];
        std::memset(got, 0xEE, sizeof(got));
        EXPECT_EQ(chunkStreamRead(f.stream(), got, c.n), c.expected)
            << c.fileSize << "@" << c.offset;
        if (!c.expected) {
            EXPECT_EQ(got[0], 0xEE) << "no bytes may be copied on failure";
        }
    }
}

TEST(ChunkStream, SeekInsideWindowKeepsBuffer) {
    StreamFixture f(counting(3000));
    uint8_t b;
    ASSERT_EQ(chunkStreamReadU8(f.stream(), &b), 1);
    EXPECT_EQ(f.stream()->filled, 1024u);
    chunkStreamSeek(f.stream(), 500);
    EXPECT_EQ(f.stream()->filled, 1024u);
    EXPECT_EQ(f.stream()->index, 500u);
    chunkStreamSeek(f.stream(), 2000);
    EXPECT_EQ(f.stream()->filled, 0u);
    EXPECT_EQ(f.stream()->bufferStart, 2000u);
    EXPECT_EQ(chunkStreamTell(f.stream()), 2000u);
    ASSERT_EQ(chunkStreamReadU8(f.stream(), &b), 1);
    EXPECT_EQ(b, uint8_t(2000 & 0xFF));
}

TEST(ChunkStream, ReadStringCases) {
    struct Case {
        std::string body;  // bytes written, NUL included where wanted
        int expected;
        std::string text;
    };
    const std::string s80(80, 'a'), s81(81, 'b'), s200(200, 'c');
    const Case cases[] = {
        {std::string("box\0", 4), 1, "box"},  {std::string("\0", 1), 1, ""},
        {s80 + std::string("\0", 1), 1, s80}, {s81 + std::string("\0", 1), 0, std::string(80, 'b')},
        {s200, 0, std::string(80, 'c')},      {"abc", 0, "abc"},  // file ends before the NUL
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes(c.body.begin(), c.body.end());
        StreamFixture f(bytes);
        struct {
            char text[81];
            char guard[16];
        } buf;
        std::memset(&buf, 0x5A, sizeof(buf));
        EXPECT_EQ(chunkStreamReadString(f.stream(), buf.text, 80), c.expected) << c.body.size();
        EXPECT_EQ(std::string(buf.text), c.text);
        for (char g : buf.guard) EXPECT_EQ(g, 0x5A) << "string read wrote past its 81 bytes";
    }
}

TEST(ChunkStream, PreloadGrowsClampsAndShrinks) {
    StreamFixture f(counting(10000));
    ChunkStream* cs = f.stream();
    chunkStreamSeek(cs, 100);
    ASSERT_EQ(chunkStreamPreload(cs, 5000), 1);
    EXPECT_EQ(cs->capacity, 5000u);
    EXPECT_GE(cs->filled, 5000u);
    // A length read from a file may claim gigabytes: never more than the file still holds.
    chunkStreamSeek(cs, 9000);
    ASSERT_EQ(chunkStreamPreload(cs, 0xFFFFFFFFu), 1);
    EXPECT_LE(cs->capacity, 1024u);
    EXPECT_EQ(cs->filled, 1000u);
    chunkStreamSeek(cs, 200);
    ASSERT_EQ(chunkStreamPreload(cs, 4000000000u), 1);
    EXPECT_EQ(cs->capacity, 9800u);
    chunkStreamSeek(cs, 300);
    ASSERT_EQ(chunkStreamPreload(cs, 10), 1);  // already buffered: nothing changes
    EXPECT_EQ(cs->capacity, 9800u);
    chunkStreamSeek(cs, 9900);
    ASSERT_EQ(chunkStreamPreload(cs, 50), 1);
    EXPECT_EQ(cs->capacity, 9800u) << "window still holds the bytes";
    chunkStreamSeek(cs, 0);
    ASSERT_EQ(chunkStreamPreload(cs, 10), 1);  // outside the window: back to 1024
    EXPECT_EQ(cs->capacity, 1024u);
    uint8_t first;
    ASSERT_EQ(chunkStreamReadU8(cs, &first), 1);
    EXPECT_EQ(first, 0);
    chunkStreamSeek(cs, 0);
    chunkStreamSeek(cs, 20000);
    ASSERT_EQ(chunkStreamPreload(cs, 3000), 1);
    uint8_t b;
    EXPECT_EQ(chunkStreamReadU8(cs, &b), 0);
}

TEST(ChunkStream, ResetClearsPositionAndSwap) {
    StreamFixture f(counting(100));
    ChunkStream* cs = f.stream();
    cs->swap = 1;
    chunkStreamSeek(cs, 50);
    ASSERT_EQ(chunkStreamReset(cs), 1);
    EXPECT_EQ(chunkStreamTell(cs), 0u);
    EXPECT_EQ(cs->swap, 0);
    EXPECT_EQ(cs->filled, 0u);
}

TEST(LclTparseFile, StreamModeForwards) {
    StreamFixture f(counting(64));
    LclTparseFile src(f.stream());
    uint8_t buf[8];
    ASSERT_TRUE(src.read(buf, 8));
    EXPECT_EQ(buf[7], 7);
    EXPECT_TRUE(src.rewind());
    EXPECT_EQ(chunkStreamTell(f.stream()), 0u);
    uint8_t big[100];
    EXPECT_FALSE(src.read(big, 100));
}

TEST(LclTparseFile, PathModeReadsItsOwnFile) {
    qmftest::TempFile file(counting(16));
    LclTparseFile src(file.path().c_str());
    ASSERT_TRUE(src.isOpen());
    EXPECT_STREQ(src.path(), file.path().c_str());
    uint8_t buf[16];
    EXPECT_FALSE(src.read(nullptr, 4));
    EXPECT_FALSE(src.read(buf, 0));
    ASSERT_TRUE(src.read(buf, 10));
    EXPECT_EQ(buf[9], 9);
    EXPECT_FALSE(src.read(buf, 10)) << "only 6 bytes remain";
    EXPECT_TRUE(src.rewind());
    ASSERT_TRUE(src.read(buf, 16));
    EXPECT_EQ(buf[15], 15);

    LclTparseFile missing("/nonexistent/qmf/file.qmf");
    EXPECT_FALSE(missing.isOpen());
    EXPECT_FALSE(missing.read(buf, 1));
    EXPECT_FALSE(missing.rewind());
}
