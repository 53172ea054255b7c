// KImage: creation limits, the pixel layout (bottom row first) and files in every format.
#include "frame/k_image.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include "stb_image.h"
#pragma GCC diagnostic pop

namespace fs = std::filesystem;

namespace {

class KImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("tarn_kimage_test_" + std::to_string(::getpid()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }
    KString path(const std::string& name) const { return KString((m_dir / name).string()); }

    fs::path m_dir;
};

// A 3 x 2 RGBA image whose pixel (x, y) is (x * 80, y * 200, 7, 100 + x + y).
KImage sample() {
    KImage image;
    EXPECT_TRUE(image.create(3, 2));
    unsigned char* px = image.pixels();
    for (unsigned y = 0; y < 2; ++y)
        for (unsigned x = 0; x < 3; ++x) {
            unsigned char* p = px + (x + y * 3) * 4;
            p[0] = (unsigned char)(x * 80);
            p[1] = (unsigned char)(y * 200);
            p[2] = 7;
            p[3] = (unsigned char)(100 + x + y);
        }
    return image;
}

TEST(KImage, CreateChecksItsRequest) {
    struct Case {
        unsigned width, height, channels;
        KImage::KPixelType type;
        bool ok;
    };
    const Case cases[] = {
        {2, 2, 4, KImage::kByte, true},     {8192, 1, 1, KImage::kByte, true},
        {0, 2, 4, KImage::kByte, false},    {2, 0, 4, KImage::kByte, false},
        {8193, 1, 4, KImage::kByte, false}, {2, 2, 5, KImage::kByte, false},
        {2, 2, 0, KImage::kByte, false},    {2, 2, 4, KImage::kFloat, false},
    };
    for (const Case& c : cases) {
        KImage image;
        EXPECT_EQ(bool(image.create(c.width, c.height, c.channels, c.type)), c.ok)
            << c.width << "x" << c.height << "x" << c.channels;
        unsigned w = 0, h = 0;
        EXPECT_EQ(bool(image.getSize(w, h)), c.ok);
        EXPECT_EQ(image.pixels() != nullptr, c.ok);
        if (c.ok) {
            EXPECT_EQ(w, c.width);
            EXPECT_EQ(image.depth(), c.channels);
            EXPECT_EQ(image.pixels()[w * h * c.channels - 1], 0);
        }
    }
}

TEST_F(KImageTest, RowZeroIsTheBottomOfTheFile) {
    const KImage image = sample();
    ASSERT_TRUE(image.writeToFile(path("s.png"), "png"));
    int w = 0, h = 0, n = 0;
    stbi_uc* file = stbi_load(path("s.png").asChar(), &w, &h, &n, 4);
    ASSERT_NE(file, nullptr);
    // The file's first row is the image's row 1 (green 200).
    EXPECT_EQ(file[1], 200);
    EXPECT_EQ(file[3 * 4 + 1], 0);
    EXPECT_EQ(file[3 * 4 + 2 * 4 + 3], 102);
    stbi_image_free(file);
}

TEST_F(KImageTest, EveryFormatReadsBack) {
    const KImage image = sample();
    struct Case {
        const char* format;
        const char* file;
        bool exact;
        unsigned channels;
    };
    const Case cases[] = {
        {"", "default.iff", true, 4}, {"iff", "a.iff", true, 4},  {"PNG", "a.png", true, 4},
        {"tga", "a.tga", true, 4},    {"bmp", "a.bmp", false, 0}, {"jpg", "a.jpg", false, 3},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(image.writeToFile(path(c.file), c.format)) << c.file;
        KImage back;
        ASSERT_TRUE(back.readFromFile(path(c.file))) << back.errorString().asChar();
        unsigned w = 0, h = 0;
        back.getSize(w, h);
        EXPECT_EQ(w, 3u);
        EXPECT_EQ(h, 2u);
        if (c.channels) {
            EXPECT_EQ(back.depth(), c.channels) << c.file;
        }
        if (!c.exact) continue;
        EXPECT_TRUE(std::equal(image.pixels(), image.pixels() + 24, back.pixels())) << c.file;
    }
}

TEST_F(KImageTest, FailuresSayWhyAndWriteNothing) {
    const KImage image = sample();
    EXPECT_EQ(image.writeToFile(path("a.gif"), "gif"), KStatus::kInvalidParameter);
    EXPECT_NE(std::string(image.errorString().asChar()).find("unknown image format \"gif\""),
              std::string::npos);
    EXPECT_EQ(image.writeToFile(path("no/such/dir/a.iff")), KStatus::kFailure);
    EXPECT_NE(std::string(image.errorString().asChar()).find("does not exist"), std::string::npos);
    KImage empty;
    EXPECT_EQ(empty.writeToFile(path("e.iff")), KStatus::kInvalidParameter);
    EXPECT_TRUE(fs::is_empty(m_dir));

    ASSERT_TRUE(image.writeToFile(path("ok.iff")));
    EXPECT_TRUE(image.errorString().length() == 0);
    KImage back;
    EXPECT_EQ(back.readFromFile(path("missing.iff")), KStatus::kFailure);
    EXPECT_NE(std::string(back.errorString().asChar()).find("no such file"), std::string::npos);
    EXPECT_EQ(back.pixels(), nullptr);
}

}  // namespace
