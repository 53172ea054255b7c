// Image files: every format reads back through an independent reader, IFF through netpbm too,
// and failed writes leave what was there.
#include "host/image/image_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/image/iff_codec.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include "stb_image.h"
#pragma GCC diagnostic pop

namespace fs = std::filesystem;
using tarn::image::Image;
using tarn::image::ImageFormat;
using tarn::image::ImageView;

namespace {

class ImageFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("tarn_image_test_" + std::to_string(::getpid()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string path(const std::string& name) const { return (m_dir / name).string(); }
    std::vector<std::string> files() const {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(m_dir)) out.push_back(e.path().filename());
        std::sort(out.begin(), out.end());
        return out;
    }
    static std::string contents(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    fs::path m_dir;
};

// Every byte depends on its row, column and channel, so flips and shifts show.
std::vector<std::uint8_t> pattern(int width, int height, int channels) {
    std::vector<std::uint8_t> px(std::size_t(width) * height * channels);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < channels; ++c)
                px[(std::size_t(y) * width + x) * channels + c] =
                    std::uint8_t(x * 37 + y * 101 + c * 71 + (x * y) % 13);
    return px;
}

// A smooth picture for the lossy format.
std::vector<std::uint8_t> gradient(int width, int height) {
    std::vector<std::uint8_t> px(std::size_t(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = &px[(std::size_t(y) * width + x) * 3];
            p[0] = std::uint8_t(x * 255 / (width - 1));
            p[1] = std::uint8_t(y * 255 / (height - 1));
            p[2] = 128;
        }
    return px;
}

TEST(ImageFormats, NamesAndExtensions) {
    struct Case {
        const char* text;
        std::optional<ImageFormat> named, ofPath;
    };
    const Case cases[] = {
        {"iff", ImageFormat::Iff, std::nullopt},
        {"PNG", ImageFormat::Png, std::nullopt},
        {"jpeg", ImageFormat::Jpg, std::nullopt},
        {"gif", std::nullopt, std::nullopt},
        {"", std::nullopt, std::nullopt},
        {"out/a.tga", std::nullopt, ImageFormat::Tga},
        {"a.b.BMP", std::nullopt, ImageFormat::Bmp},
        {"shot.jpg", std::nullopt, ImageFormat::Jpg},
        {"dir.png/file", std::nullopt, std::nullopt},
        {"noextension", std::nullopt, std::nullopt},
        {"x.png.tmp", std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(tarn::image::formatNamed(c.text), c.named) << c.text;
        EXPECT_EQ(tarn::image::formatOfPath(c.text), c.ofPath) << c.text;
    }
}

TEST_F(ImageFileTest, LosslessFormatsReadBackThroughStb) {
    struct Case {
        ImageFormat format;
        int width, height, channels;
    };
    const Case cases[] = {
        {ImageFormat::Png, 17, 9, 4}, {ImageFormat::Png, 1, 1, 1}, {ImageFormat::Png, 5, 3, 3},
        {ImageFormat::Tga, 17, 9, 4}, {ImageFormat::Tga, 6, 2, 3}, {ImageFormat::Bmp, 7, 5, 3},
        {ImageFormat::Bmp, 1, 4, 3},
    };
    for (const Case& c : cases) {
        const std::string file = path(std::string("out.") + tarn::image::formatName(c.format));
        const std::vector<std::uint8_t> px = pattern(c.width, c.height, c.channels);
        std::string error;
        ASSERT_TRUE(tarn::image::writeImage(file, {c.width, c.height, c.channels, px.data()},
                                            c.format, &error))
            << error;
        int w = 0, h = 0, n = 0;
        stbi_uc* back = stbi_load(file.c_str(), &w, &h, &n, c.channels);
        ASSERT_NE(back, nullptr) << file;
        EXPECT_EQ(w, c.width);
        EXPECT_EQ(h, c.height);
        EXPECT_TRUE(std::equal(px.begin(), px.end(), back)) << file << " " << c.channels;
        stbi_image_free(back);
        EXPECT_EQ(files().size(), 1u) << "no temporary file is left";
        fs::remove(file);
    }
}

TEST_F(ImageFileTest, JpegIsCloseToThePicture) {
    const int w = 32, h = 16;
    const std::vector<std::uint8_t> px = gradient(w, h);
    const std::string file = path("out.jpg");
    ASSERT_TRUE(tarn::image::writeImageByExtension(file, {w, h, 3, px.data()}));
    int bw = 0, bh = 0, n = 0;
    stbi_uc* back = stbi_load(file.c_str(), &bw, &bh, &n, 3);
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(bw, w);
    ASSERT_EQ(bh, h);
    int worst = 0;
    for (std::size_t i = 0; i < px.size(); ++i) worst = std::max(worst, std::abs(px[i] - back[i]));
    EXPECT_LE(worst, 12);
    stbi_image_free(back);
    EXPECT_EQ(contents(file).substr(0, 2), "\xFF\xD8");
}

TEST_F(ImageFileTest, IffKeepsEveryChannelAndAlpha) {
    struct Case {
        int width, height, channels;
    };
    // Widths around the 8- and 16-pixel plane groups.
    const Case cases[] = {{1, 1, 4},  {7, 3, 4},  {8, 2, 4}, {16, 2, 4},
                          {17, 5, 4}, {33, 4, 3}, {9, 2, 1}, {5, 5, 2}};
    for (const Case& c : cases) {
        const std::vector<std::uint8_t> px = pattern(c.width, c.height, c.channels);
        const std::string file = path("out.iff");
        std::string error;
        ASSERT_TRUE(tarn::image::writeImageByExtension(
            file, {c.width, c.height, c.channels, px.data()}, &error))
            << error;
        Image back;
        ASSERT_TRUE(tarn::image::readImage(file, back, &error)) << error;
        ASSERT_EQ(back.width, c.width);
        ASSERT_EQ(back.height, c.height);
        ASSERT_EQ(back.channels, 4);
        for (int i = 0; i < c.width * c.height; ++i) {
            const std::uint8_t* src = &px[std::size_t(i) * c.channels];
            const std::uint8_t* got = &back.pixels[std::size_t(i) * 4];
            const bool grey = c.channels < 3;
            const std::uint8_t want[4] = {src[0], grey ? src[0] : src[1], grey ? src[0] : src[2],
                                          c.channels == 4   ? src[3]
                                          : c.channels == 2 ? src[1]
                                                            : std::uint8_t(255)};
            ASSERT_TRUE(std::equal(want, want + 4, got))
                << c.width << "x" << c.height << "x" << c.channels << " pixel " << i;
        }
    }
}

TEST_F(ImageFileTest, IffDecodesInNetpbm) {
    if (std::system("command -v ilbmtoppm >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "ilbmtoppm (Debian package netpbm) is not installed";
    for (int width : {1, 13, 16, 40}) {
        const int height = 3;
        const std::vector<std::uint8_t> px = pattern(width, height, 4);
        const std::string file = path("n.iff"), ppm = path("n.ppm");
        ASSERT_TRUE(tarn::image::writeImage(file, {width, height, 4, px.data()}, ImageFormat::Iff));
        const std::string cmd = "ilbmtoppm " + file + " > " + ppm + " 2>/dev/null";
        ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
        int w = 0, h = 0, n = 0;
        stbi_uc* back = stbi_load(ppm.c_str(), &w, &h, &n, 3);
        ASSERT_NE(back, nullptr);
        ASSERT_EQ(w, width);
        ASSERT_EQ(h, height);
        for (int i = 0; i < width * height; ++i)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(back[i * 3 + c], px[std::size_t(i) * 4 + c]) << width << " px " << i;
        stbi_image_free(back);
    }
}

TEST_F(ImageFileTest, BottomUpViewsAreWrittenTopRowFirst) {
    const std::uint8_t rows[] = {10, 20, 30, 40, 50, 60};  // 1 x 2 RGB, bottom row first
    const std::string file = path("flip.png");
    ASSERT_TRUE(tarn::image::writeImage(file, {1, 2, 3, rows, true}, ImageFormat::Png));
    int w = 0, h = 0, n = 0;
    stbi_uc* back = stbi_load(file.c_str(), &w, &h, &n, 3);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back[0], 40);
    EXPECT_EQ(back[3], 10);
    stbi_image_free(back);
    Image iff;
    ASSERT_TRUE(tarn::image::writeImage(path("flip.iff"), {1, 2, 3, rows, true}, ImageFormat::Iff));
    ASSERT_TRUE(tarn::image::readImage(path("flip.iff"), iff));
    EXPECT_EQ(iff.pixels[0], 40);
    EXPECT_EQ(iff.pixels[4], 10);
}

TEST_F(ImageFileTest, FailedWritesLeaveOldFilesAlone) {
    const std::vector<std::uint8_t> px = pattern(4, 4, 3);
    const std::string kept = path("kept.png");
    { std::ofstream(kept, std::ios::binary) << "old bytes"; }
    struct Case {
        std::string file;
        ImageView view;
        const char* message;
    };
    const Case cases[] = {
        {kept, {0, 4, 3, px.data()}, "bad image size 0 x 4"},
        {kept, {4, 4, 5, px.data()}, "bad channel count 5"},
        {kept, {4, 4, 3, nullptr}, "no pixels"},
        {"", {4, 4, 3, px.data()}, "no file name"},
        {m_dir.string(), {4, 4, 3, px.data()}, "it is a directory"},
        {path("missing/out.png"), {4, 4, 3, px.data()}, "does not exist"},
        {path("kept.gif"), {4, 4, 3, px.data()}, "cannot tell the image format"},
        {path("kept"), {4, 4, 3, px.data()}, "cannot tell the image format"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(tarn::image::writeImageByExtension(c.file, c.view, &error)) << c.file;
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
        EXPECT_EQ(contents(kept), "old bytes");
        EXPECT_EQ(files(), std::vector<std::string>{"kept.png"}) << error;
    }
}

// A symbolic link into folders that do not exist: the write is refused like a missing folder
// named directly, and no folder is made; a link to an existing folder writes through it.
TEST_F(ImageFileTest, LinksIntoMissingFoldersAreRefused) {
    const std::vector<std::uint8_t> px = pattern(4, 4, 3);
    const std::string link = path("link.png");
    fs::create_symlink("a/b/c/x.png", link);
    std::string error;
    EXPECT_FALSE(tarn::image::writeImageByExtension(link, {4, 4, 3, px.data()}, &error));
    EXPECT_NE(error.find("does not exist"), std::string::npos) << error;
    EXPECT_NE(error.find("a/b/c"), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(path("a")));
    EXPECT_EQ(files(), std::vector<std::string>{"link.png"});

    fs::create_directories(path("a/b/c"));
    ASSERT_TRUE(tarn::image::writeImageByExtension(link, {4, 4, 3, px.data()}, &error)) << error;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_TRUE(fs::is_regular_file(path("a/b/c/x.png")));
}

// A full disk: the file-size limit makes the write fail part way, as a full disk would.
TEST_F(ImageFileTest, FullDiskKeepsTheOldFile) {
    const std::string kept = path("kept.iff");
    { std::ofstream(kept, std::ios::binary) << "old bytes"; }
    const std::vector<std::uint8_t> px = pattern(256, 256, 4);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string error;
    const bool ok =
        tarn::image::writeImage(kept, {256, 256, 4, px.data()}, ImageFormat::Iff, &error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(ok);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(contents(kept), "old bytes");
    EXPECT_EQ(files(), std::vector<std::string>{"kept.iff"});
}

TEST_F(ImageFileTest, DamagedIffFilesFailCleanly) {
    const std::vector<std::uint8_t> px = pattern(9, 4, 4);
    std::string good;
    tarn::image::encodeIff({9, 4, 4, px.data()}, good);
    Image out;
    ASSERT_TRUE(tarn::image::decodeIff(good, out));
    // Every cut of the file fails with a reason (or, cut inside trailing padding, still decodes).
    for (std::size_t cut = 0; cut < good.size(); ++cut) {
        std::string error;
        if (!tarn::image::decodeImage(std::string_view(good).substr(0, cut), out, &error)) {
            EXPECT_FALSE(error.empty()) << cut;
        }
    }
    struct Case {
        std::size_t offset;
        char value;
        const char* message;
    };
    // Offsets into the file: 8 form type, 20..21 width (high byte), 28 planes, 30 compression.
    const Case cases[] = {
        {8, 'X', "not an ILBM image"},
        {20, char(0x7F), "each side must be 1 to 8192"},
        {28, 8, "only 24-plane"},
        {30, 7, "ILBM compression 7 is not read"},
    };
    for (const Case& c : cases) {
        std::string bad = good, error;
        bad[c.offset] = c.value;
        EXPECT_FALSE(tarn::image::decodeImage(bad, out, &error)) << c.message;
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
    }
    std::string error;
    EXPECT_FALSE(tarn::image::decodeImage("not an image at all", out, &error));
    EXPECT_NE(error.find("not an image"), std::string::npos) << error;
}

TEST(IffCodec, ReadsByteRun1Bodies) {
    // A 2 x 1 deep ILBM, compressed: each row is 24 planes x 2 bytes = 48 bytes; a run of 48
    // bytes of 0x80 sets every plane bit of pixel 0 (white) and leaves pixel 1 black.
    std::string file = "FORM";
    const std::string header(
        "\x00\x02\x00\x01\x00\x00\x00\x00\x18\x00\x01\x00\x00\x00\x01\x01"
        "\x00\x02\x00\x01",
        20);
    const std::string body("\xD1\x80", 2);  // -47: repeat the next byte 48 times
    std::string chunks = "ILBM";
    chunks += std::string("BMHD\x00\x00\x00\x14", 8) + header;
    chunks += std::string("BODY\x00\x00\x00\x02", 8) + body;
    file += std::string("\x00\x00\x00", 3) + char(chunks.size()) + chunks;
    Image out;
    std::string error;
    ASSERT_TRUE(tarn::image::decodeIff(file, out, &error)) << error;
    ASSERT_EQ(out.width, 2);
    const std::vector<std::uint8_t> want = {255, 255, 255, 255, 0, 0, 0, 255};
    EXPECT_EQ(out.pixels, want);
    // A run that overflows the row is refused.
    file[file.size() - 2] = char(0x80 + 0x20);  // -96: 97 bytes
    EXPECT_FALSE(tarn::image::decodeIff(file, out, &error));
}

}  // namespace
