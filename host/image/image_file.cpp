#include "host/image/image_file.h"

#include <filesystem>
#include <fstream>

#include "host/lang/atomic_file.h"

namespace tarn::image {

namespace {

namespace fs = std::filesystem;

/// Largest image file the reader takes in: far above any image of kMaxImageSide pixels a side.
constexpr std::uintmax_t kMaxFileBytes = std::uintmax_t(1) << 30;

bool fail(std::string* error, std::string message) {
    if (error) *error = std::move(message);
    return false;
}

/// Checks the target path alone: named, not a folder.
bool checkTarget(const std::string& path, std::string* error) {
    if (path.empty()) return fail(error, "no file name given");
    std::error_code ec;
    if (fs::is_directory(path, ec))
        return fail(error, "cannot write " + path + ": it is a directory");
    return true;
}

}  // namespace

bool writeImage(const std::string& path, const ImageView& view, ImageFormat format,
                std::string* error) {
    if (!checkTarget(path, error)) return false;
    std::string why;
    if (!checkView(view, &why)) return fail(error, "cannot write " + path + ": " + why);
    std::error_code ec;
    const fs::path parent = fs::path(path).parent_path();
    if (!parent.empty() && !fs::is_directory(parent, ec))
        return fail(error,
                    "cannot write " + path + ": the folder " + parent.string() + " does not exist");
    std::string bytes;
    if (!encodeImage(view, format, bytes, &why))
        return fail(error, "cannot write " + path + ": " + why);
    if (!lang::writeFileAtomically(path, bytes, &why)) return fail(error, why);
    return true;
}

bool checkImageExtension(const std::string& path, std::string* error) {
    if (formatOfPath(path)) return true;
    return fail(error, "cannot tell the image format of " + path +
                           ": give the name one of the extensions " + formatList());
}

bool writeImageByExtension(const std::string& path, const ImageView& view, std::string* error) {
    const std::optional<ImageFormat> format = formatOfPath(path);
    if (!format) return checkTarget(path, error) && checkImageExtension(path, error);
    return writeImage(path, view, *format, error);
}

bool readImage(const std::string& path, Image& out, std::string* error) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
        return fail(error, "cannot read " + path + ": " +
                               (fs::exists(path, ec) ? "not a file" : "no such file"));
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec || size > kMaxFileBytes) return fail(error, "cannot read " + path + ": too large");
    std::ifstream in(path, std::ios::binary);
    std::string bytes(std::size_t(size), '\0');
    if (!in.read(bytes.data(), std::streamsize(size))) return fail(error, "cannot read " + path);
    std::string why;
    if (!decodeImage(bytes, out, &why)) return fail(error, path + ": " + why);
    return true;
}

}  // namespace tarn::image
