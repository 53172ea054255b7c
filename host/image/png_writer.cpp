#include "host/image/png_writer.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

// The PNG encoder's functions are static, so no clash with other copies in the host.
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include "stb_image_write.h"
#pragma GCC diagnostic pop

namespace tarn::image {

namespace {

bool fail(std::string* error, std::string message) {
    if (error) *error = std::move(message);
    return false;
}

}  // namespace

bool writePngRgb(const std::string& path, int width, int height, const std::uint8_t* rgb,
                 std::string* error) {
    if (path.empty()) return fail(error, "no file name given");
    if (width <= 0 || height <= 0 || width > kMaxPngSide || height > kMaxPngSide || !rgb)
        return fail(error,
                    "bad image size " + std::to_string(width) + " x " + std::to_string(height));
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        return fail(error, "cannot write " + path + ": it is a directory");
    // The temporary name is unique per process, so concurrent writers of one path do not mix.
    const std::string temp = path + ".tmp" + std::to_string(::getpid());
    if (stbi_write_png(temp.c_str(), width, height, 3, rgb, width * 3) == 0) {
        std::remove(temp.c_str());
        return fail(error, "cannot write " + path);
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        std::remove(temp.c_str());
        return fail(error, "cannot write " + path + ": " + reason);
    }
    return true;
}

}  // namespace tarn::image
