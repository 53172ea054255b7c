#include "host/image/image_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "host/image/image_header.h"
#include "host/lang/atomic_file.h"
#include "host/lang/text_file.h"

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
    // Through a symbolic link the folder checked above may not be the one written into: the
    // writer refuses a missing folder there too instead of making it.
    lang::AtomicWriteOptions options;
    options.createFolders = false;
    if (!lang::writeFileAtomically(path, bytes, options, &why)) return fail(error, why);
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
    if (!decodeImage(bytes, out, &why, formatOfPath(path))) return fail(error, path + ": " + why);
    return true;
}

bool readImageHeader(const std::string& path, ImageHeader& out, std::string* error) {
    std::string why;
    const int fd = lang::openRegularFile(path, &why);
    if (fd < 0) return fail(error, "cannot read " + path + ": " + why);
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0;
    if (!ok) why = std::strerror(errno);
    ok = ok && inspectImage(FileSource(fd, std::size_t(st.st_size)), out, &why, formatOfPath(path));
    ::close(fd);
    if (!ok) return fail(error, path + ": " + why);
    return true;
}

}  // namespace tarn::image
