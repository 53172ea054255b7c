#include "host/fileio/model_import.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>

#include "host/fileio/assimp_reader.h"
#include "host/fileio/isolated_read.h"
#include "host/fileio/model_builder.h"
#include "host/fileio/obj_reader.h"
#include "host/lang/text_file.h"

namespace tarn::fileio {

namespace {

// Largest model or material library read (4 GiB).
constexpr std::size_t kMaxModelBytes = std::size_t(1) << 32;

struct FormatName {
    const char* name;
    ModelFormat format;
};
// Extensions and type names, compared without case.
constexpr FormatName kFormats[] = {
    {"obj", ModelFormat::Obj},     {"ply", ModelFormat::Ply},         {"stl", ModelFormat::Stl},
    {"gltf", ModelFormat::Gltf},   {"glb", ModelFormat::Gltf},        {"fbx", ModelFormat::Fbx},
    {"dae", ModelFormat::Collada}, {"collada", ModelFormat::Collada},
};

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// True when the file's first megabyte holds the line that ends a PLY header.
bool plyHeaderEnds(const std::string& path) {
    const int fd = lang::openRegularFile(path);
    if (fd < 0) return false;
    std::string head(std::size_t(1) << 20, '\0');
    std::size_t got = 0;
    while (got < head.size()) {
        const ssize_t n = ::read(fd, head.data() + got, head.size() - got);
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    head.resize(got);
    return head.find("end_header") != std::string::npos;
}

bool readLibrary(const std::string& path, std::string& text) {
    return lang::readWholeFile(path, kMaxModelBytes, text, nullptr);
}

}  // namespace

ModelFormat modelFormat(const std::string& extensionOrType) {
    const std::string key = lower(extensionOrType);
    for (const FormatName& f : kFormats)
        if (key == f.name) return f.format;
    return ModelFormat::None;
}

std::string extensionOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return lower(path.substr(dot + 1));
}

ModelImportOutcome importModel(const std::string& path, ModelFormat format) {
    ModelImportOutcome out;
    const std::string problem = lang::regularFileProblem(path);
    if (!problem.empty()) {
        out.error = problem == lang::kFileMissing ? "File not found: " + path
                                                  : "Cannot import \"" + path + "\": " + problem;
        return out;
    }
    const std::string folder = std::filesystem::path(path).parent_path().string();
    auto model = std::make_shared<ImportedScene>();
    std::string why;
    bool read = false;
    if (format == ModelFormat::Obj) {
        std::string text;
        read = lang::readWholeFile(path, kMaxModelBytes, text, &why) &&
               parseObj(text, folder, readLibrary, *model, &why);
        if (!read && !why.empty() && std::isdigit(static_cast<unsigned char>(why[0])))
            why = path + ":" + why;  // "LINE: ..." from the reader
    } else if (format == ModelFormat::Ply && !plyHeaderEnds(path)) {
        // Note: assimp loops for ever on a PLY header that does not end.
        why = "not a PLY file: its header does not end (no end_header line)";
    } else {
        // In a child process: assimp may crash or loop on a damaged file. The time allowed
        // grows with the file (ten seconds, and a second a megabyte).
        std::error_code ec;
        const auto bytes = std::filesystem::file_size(path, ec);
        const int seconds =
            10 + static_cast<int>(ec ? 0 : std::min<std::uintmax_t>(bytes >> 20, 3600));
        read = readInChildProcess(
            [&](ImportedScene& scene, std::string* e) { return readWithAssimp(path, scene, e); },
            seconds, *model, &why);
    }
    if (!read) {
        out.error = "Cannot import \"" + path + "\": " + why;
        return out;
    }
    model->name = std::filesystem::path(path).stem().string();
    out.warnings = model->warnings;
    out.made = buildModel(model, folder);
    out.ok = true;
    return out;
}

}  // namespace tarn::fileio
