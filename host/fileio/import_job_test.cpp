#include "host/fileio/import_job.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include <unistd.h>

#include <nlohmann/json.hpp>

#include "frame/host_sdk.h"
#include "host/plugins/plugin_loader.h"
#include "tools/qmf/qmf_scene.h"

namespace {

struct JobRun {
    int status;
    std::string out, err;
};

JobRun runJob(const std::vector<std::string>& args) {
    tarn::plugins::PluginLoader::instance().setExplicitPath(TARN_PLUGIN_DIR);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    JobRun r;
    r.status = runImportJob(args);
    r.out = testing::internal::GetCapturedStdout();
    r.err = testing::internal::GetCapturedStderr();
    return r;
}

std::string tempPath(const std::string& name) {
    return "/tmp/import_job_test_" + std::to_string(::getpid()) + "_" + name;
}

}  // namespace

TEST(ImportJob, BadArgumentsAreUsageErrors) {
    const std::vector<std::vector<std::string>> cases = {
        {}, {"--obj"}, {"a.qmf", "b.qmf"}, {"--bogus", "a.qmf"}, {"--summary"}};
    for (const auto& args : cases) {
        const JobRun r = runJob(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("usage: tarn import"), std::string::npos) << r.err;
    }
}

TEST(ImportJob, MissingAndBrokenFilesFail) {
    const std::string broken = tempPath("broken.qmf");
    qmf::saveBytes(broken, {0x12, 0x34, 6, 0, 0, 0});
    const struct {
        std::string path;
        std::string message;
    } cases[] = {{"/nonexistent/scene.qmf", "File not found: /nonexistent/scene.qmf"},
                 {broken, "Translator QMF could not import " + broken}};
    for (const auto& c : cases) {
        const JobRun r = runJob({c.path});
        EXPECT_EQ(r.status, 1) << c.path;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    std::remove(broken.c_str());
}

TEST(ImportJob, SampleSceneSummaryAndObj) {
    const std::string scene = tempPath("sample.qmf");
    const std::string obj = tempPath("sample.obj");
    ASSERT_TRUE(qmf::saveBytes(scene, qmf::writeScene(qmf::sampleScene())));
    const JobRun r = runJob({scene, "--summary", "--obj", obj});
    EXPECT_EQ(r.status, 0) << r.err;
    // Four meshes: floor (4 vertices, 2 faces) and three boxes (8 vertices, 12 faces each).
    EXPECT_NE(r.out.find("meshes: 4 (28 vertices, 38 faces)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("ghostShape: 8 vertices, 12 faces, UVs, hidden"), std::string::npos);
    EXPECT_NE(r.out.find("cameras: 1\n  camera01\n"), std::string::npos) << r.out;
    // Notes of success go to the error stream, with the job's prefix; data stays on stdout.
    EXPECT_NE(r.err.find("tarn import: wrote " + obj), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("wrote "), std::string::npos) << r.out;
    // Every host command the import ran that failed is listed as a warning.
    const auto w = r.out.find("warnings: ");
    ASSERT_NE(w, std::string::npos);
    const int warnings = std::atoi(r.out.c_str() + w + 10);
    size_t listed = 0;
    for (size_t p = r.out.find("\n  ", w); p != std::string::npos; p = r.out.find("\n  ", p + 1))
        ++listed;
    EXPECT_EQ(listed, size_t(warnings));
    FILE* f = std::fopen(obj.c_str(), "r");
    EXPECT_NE(f, nullptr);
    if (f) std::fclose(f);
    std::remove(scene.c_str());
    std::remove(obj.c_str());
    std::remove((obj.substr(0, obj.size() - 4) + ".mtl").c_str());
}

TEST(ImportJob, JsonIsTheSceneDescriptionAndNothingElse) {
    // With an export and a snapshot asked for too, stdout must still parse as one JSON value.
    const std::string scene = tempPath("json.qmf");
    const std::string obj = tempPath("json.obj");
    ASSERT_TRUE(qmf::saveBytes(scene, qmf::writeScene(qmf::sampleScene())));
    const JobRun r = runJob({scene, "--json", "--obj", obj});
    EXPECT_EQ(r.status, 0) << r.err;
    const nlohmann::json doc = nlohmann::json::parse(r.out, nullptr, false);
    ASSERT_FALSE(doc.is_discarded()) << r.out;
    EXPECT_TRUE(doc.is_object());
    EXPECT_NE(r.out.find("\"camera01\""), std::string::npos);
    EXPECT_EQ(r.out.find("meshes: "), std::string::npos) << "no summary unless asked";
    EXPECT_NE(r.err.find("wrote " + obj), std::string::npos) << r.err;
    std::remove(scene.c_str());
    std::remove(obj.c_str());
    std::remove((obj.substr(0, obj.size() - 4) + ".mtl").c_str());
}

TEST(ImportJob, FileCutShortImportsWhatItCouldWithAWarning) {
    const std::vector<uint8_t> full = qmf::writeScene(qmf::sampleScene());
    const std::string scene = tempPath("half.qmf");
    ASSERT_TRUE(
        qmf::saveBytes(scene, std::vector<uint8_t>(full.begin(), full.begin() + full.size() / 2)));
    const JobRun r = runJob({scene, "--summary"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("warnings: "), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("warnings: 0"), std::string::npos) << r.out;
    const std::string where = "the data ends at offset " + std::to_string(full.size() / 2);
    EXPECT_NE(r.out.find(where), std::string::npos) << r.out;
    // The whole file imports without that warning.
    ASSERT_TRUE(qmf::saveBytes(scene, full));
    const JobRun whole = runJob({scene, "--summary"});
    EXPECT_EQ(whole.out.find("data ends"), std::string::npos) << whole.out;
    std::remove(scene.c_str());
}

TEST(ImportJob, SnapshotOptionsNeedASnapshotAndAreChecked) {
    const std::vector<std::vector<std::string>> cases = {
        {"a.qmf", "--camera", "persp"},
        {"a.qmf", "--wireframe"},
        {"a.qmf", "--snapshot", "x.png", "--width", "0"},
        {"a.qmf", "--snapshot", "x.png", "--height", "8193"},
        {"a.qmf", "--snapshot", "x.png", "--width", "12px"},
        {"a.qmf", "--snapshot", "x.png", "--size", "0"},
        {"a.qmf", "--snapshot", "x.png", "--size", "40x"},
        {"a.qmf", "--snapshot", "x.png", "--size", "8193x2"},
        {"a.qmf", "--size", "40"},
    };
    for (const auto& args : cases) EXPECT_EQ(runJob(args).status, 2) << args.back();
}

TEST(ImportJob, SnapshotWritesAPngOrFailsCleanly) {
    const std::string scene = tempPath("snap.qmf");
    ASSERT_TRUE(qmf::saveBytes(scene, qmf::writeScene(qmf::sampleScene())));
    const struct {
        std::string png;
        int status;
        bool written;
    } cases[] = {{tempPath("snap.png"), 0, true},
                 {tempPath("with \"quotes\" and \\ slash.png"), 0, true},
                 {"/nonexistent/dir/snap.png", 1, false}};
    for (const auto& c : cases) {
        const JobRun r = runJob({scene, "--snapshot", c.png});
        EXPECT_EQ(r.status, c.status) << c.png << "\n" << r.err;
        EXPECT_EQ(r.err.find("wrote " + c.png) != std::string::npos, c.written) << r.err;
        FILE* f = std::fopen(c.png.c_str(), "rb");
        EXPECT_EQ(f != nullptr, c.written) << c.png;
        if (!f) continue;
        unsigned char sig[8] = {};
        EXPECT_EQ(std::fread(sig, 1, 8, f), 8u);
        std::fclose(f);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(sig + 1), 3), "PNG") << c.png;
        std::remove(c.png.c_str());
    }
    // The view's options are passed on: a wireframe picture of a given size, given as --size N,
    // --size WxH or (the older spelling) --width and --height.
    const std::string small = tempPath("small.png");
    const struct {
        std::vector<std::string> size;
        int width, height;
    } sizes[] = {{{"--width", "40", "--height", "24"}, 40, 24},
                 {{"--size", "40x24"}, 40, 24},
                 {{"--size", "32"}, 32, 32}};
    for (const auto& c : sizes) {
        std::vector<std::string> args = {scene, "--snapshot", small, "--wireframe"};
        args.insert(args.end(), c.size.begin(), c.size.end());
        const JobRun r = runJob(args);
        EXPECT_EQ(r.status, 0) << r.err;
        FILE* f = std::fopen(small.c_str(), "rb");
        ASSERT_NE(f, nullptr);
        unsigned char header[24] = {};
        EXPECT_EQ(std::fread(header, 1, 24, f), 24u);
        std::fclose(f);
        // The PNG header's width and height, big-endian at bytes 16 and 20.
        EXPECT_EQ(header[18] * 256 + header[19], c.width) << c.size.back();
        EXPECT_EQ(header[22] * 256 + header[23], c.height) << c.size.back();
        std::remove(small.c_str());
    }
    std::remove(scene.c_str());
}

// A texture file the scene names is looked for beside the scene when the working folder does
// not have it; one found nowhere is reported, since its surfaces then show a plain colour.
TEST(ImportJob, TextureFilesAreFoundBesideTheSceneOrReported) {
    namespace fs = std::filesystem;
    const fs::path dir = tempPath("textures");
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string scene = (dir / "sample.qmf").string();
    ASSERT_TRUE(qmf::saveBytes(scene, qmf::writeScene(qmf::sampleScene())));
    const std::string missing = "the texture file \"checker.png\" of ";

    const JobRun without = runJob({scene, "--summary"});
    EXPECT_EQ(without.status, 0) << without.err;
    EXPECT_NE(without.out.find(missing), std::string::npos) << without.out;
    EXPECT_NE(without.err.find(missing), std::string::npos) << without.err;

    // With the picture beside the scene, the file texture reads it from there, silently.
    fs::copy_file(fs::path(TARN_SOURCE_DIR) / "examples/qmf/checker.png", dir / "checker.png");
    const JobRun with = runJob({scene, "--json"});
    EXPECT_EQ(with.status, 0) << with.err;
    EXPECT_EQ(with.err.find(missing), std::string::npos) << with.err;
    const std::string beside = (dir / "checker.png").string();
    // Some node of the description names the picture beside the scene.
    std::function<bool(const nlohmann::json&)> names = [&](const nlohmann::json& j) {
        if (j.is_object() && j.contains("fileTextureName") && j["fileTextureName"] == beside)
            return true;
        if (j.is_structured())
            for (const auto& item : j)
                if (names(item)) return true;
        return false;
    };
    EXPECT_TRUE(names(nlohmann::json::parse(with.out, nullptr, false))) << with.out;
    fs::remove_all(dir);
}
