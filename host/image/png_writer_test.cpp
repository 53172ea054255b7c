// The PNG writer: pictures read back byte for byte, bad requests fail with a message and leave
// no file behind (and an existing file untouched).
#include "host/image/png_writer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include "stb_image.h"
#pragma GCC diagnostic pop

namespace fs = std::filesystem;

namespace {

class PngWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("tarn_png_test_" + std::to_string(::getpid()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string path(const char* name) const { return (m_dir / name).string(); }
    // Names of the files in the test directory.
    std::vector<std::string> files() const {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(m_dir)) out.push_back(e.path().filename());
        return out;
    }
    static std::string contents(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    fs::path m_dir;
};

// A pattern where every byte depends on its row, column and channel.
std::vector<std::uint8_t> pattern(int width, int height) {
    std::vector<std::uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                rgb[(static_cast<size_t>(y) * width + x) * 3 + c] =
                    static_cast<std::uint8_t>(x * 37 + y * 101 + c * 71);
    return rgb;
}

TEST_F(PngWriterTest, PicturesReadBackExactly) {
    struct Case {
        int width, height;
    };
    const Case cases[] = {{1, 1}, {3, 2}, {2, 5}, {17, 9}, {tarn::image::kMaxPngSide, 1}};
    for (const Case& c : cases) {
        const std::string file = path("out.png");
        const std::vector<std::uint8_t> rgb = pattern(c.width, c.height);
        std::string error;
        ASSERT_TRUE(tarn::image::writePngRgb(file, c.width, c.height, rgb.data(), &error)) << error;
        int w = 0, h = 0, channels = 0;
        stbi_uc* back = stbi_load(file.c_str(), &w, &h, &channels, 3);
        ASSERT_NE(back, nullptr) << c.width << "x" << c.height;
        EXPECT_EQ(w, c.width);
        EXPECT_EQ(h, c.height);
        EXPECT_EQ(channels, 3);
        EXPECT_TRUE(std::equal(rgb.begin(), rgb.end(), back)) << c.width << "x" << c.height;
        stbi_image_free(back);
        // Only the picture is left: no temporary file.
        EXPECT_EQ(files(), std::vector<std::string>{"out.png"});
    }
}

TEST_F(PngWriterTest, BadRequestsFailAndLeaveFilesAlone) {
    const std::vector<std::uint8_t> rgb = pattern(4, 4);
    const std::string kept = path("kept.png");
    { std::ofstream(kept, std::ios::binary) << "old bytes"; }
    struct Case {
        std::string file;
        int width, height;
        const std::uint8_t* pixels;
        const char* message;
    };
    const Case cases[] = {
        {kept, 0, 4, rgb.data(), "bad image size 0 x 4"},
        {kept, 4, 0, rgb.data(), "bad image size 4 x 0"},
        {kept, -3, 4, rgb.data(), "bad image size -3 x 4"},
        {kept, tarn::image::kMaxPngSide + 1, 1, rgb.data(), "bad image size"},
        {kept, 1, tarn::image::kMaxPngSide + 1, rgb.data(), "bad image size"},
        {kept, 4, 4, nullptr, "bad image size"},
        {"", 4, 4, rgb.data(), "no file name given"},
        {m_dir.string(), 4, 4, rgb.data(), "it is a directory"},
        {path("missing/sub/out.png"), 4, 4, rgb.data(), "cannot write"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(tarn::image::writePngRgb(c.file, c.width, c.height, c.pixels, &error))
            << c.file << " " << c.width << "x" << c.height;
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
        EXPECT_EQ(contents(kept), "old bytes");
        EXPECT_EQ(files(), std::vector<std::string>{"kept.png"}) << error;
    }
    // A null error pointer is allowed.
    EXPECT_FALSE(tarn::image::writePngRgb(kept, 0, 0, rgb.data()));

    // A good write replaces the old file whole.
    ASSERT_TRUE(tarn::image::writePngRgb(kept, 4, 4, rgb.data()));
    EXPECT_EQ(contents(kept).substr(1, 3), "PNG");
    EXPECT_EQ(files(), std::vector<std::string>{"kept.png"});
}

}  // namespace

namespace {

// The jobs' -o: the bytes follow the name's extension, and an unknown one writes nothing.
TEST_F(PngWriterTest, OutputByExtensionWritesWhatTheNameSays) {
    const std::vector<std::uint8_t> rgb = pattern(6, 4);
    struct Case {
        const char* name;
        std::string signature;  // the first bytes of such a file; empty: refused
    };
    const Case cases[] = {
        {"a.png", "\x89PNG"},
        {"a.PNG", "\x89PNG"},
        {"a.jpg", "\xFF\xD8\xFF"},
        {"a.jpeg", "\xFF\xD8\xFF"},
        {"a.bmp", "BM"},
        {"a.iff", "FORM"},
        {"a.gif", ""},
        {"a.png.txt", ""},
        {"noextension", ""},
    };
    for (const Case& c : cases) {
        const std::string file = path(c.name);
        std::string error;
        const bool ok = tarn::image::writeRgbByExtension(file, 6, 4, rgb.data(), &error);
        if (c.signature.empty()) {
            EXPECT_FALSE(ok) << c.name;
            EXPECT_NE(error.find("cannot tell the image format"), std::string::npos) << error;
            EXPECT_TRUE(files().empty()) << c.name;
            continue;
        }
        ASSERT_TRUE(ok) << c.name << ": " << error;
        EXPECT_EQ(contents(file).substr(0, c.signature.size()), c.signature) << c.name;
        int w = 0, h = 0, n = 0;
        stbi_uc* back = stbi_load(file.c_str(), &w, &h, &n, 3);
        if (std::string(c.name) != "a.iff") {
            ASSERT_NE(back, nullptr) << c.name;
            EXPECT_EQ(w, 6);
            EXPECT_EQ(h, 4);
        }
        stbi_image_free(back);
        fs::remove(file);
    }
    // TGA has no signature at its start: read it back instead.
    ASSERT_TRUE(tarn::image::writeRgbByExtension(path("a.tga"), 6, 4, rgb.data()));
    int w = 0, h = 0, n = 0;
    stbi_uc* back = stbi_load(path("a.tga").c_str(), &w, &h, &n, 3);
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(std::equal(rgb.begin(), rgb.end(), back));
    stbi_image_free(back);
}

}  // namespace
