#include "host/image/png_writer.h"

#include "host/image/image_file.h"

namespace tarn::image {

namespace {

bool fail(std::string* error, std::string message) {
    if (error) *error = std::move(message);
    return false;
}

bool checkRgb(const std::string& path, int width, int height, const std::uint8_t* rgb,
              std::string* error) {
    if (path.empty()) return fail(error, "no file name given");
    if (width <= 0 || height <= 0 || width > kMaxPngSide || height > kMaxPngSide || !rgb)
        return fail(error,
                    "bad image size " + std::to_string(width) + " x " + std::to_string(height));
    return true;
}

}  // namespace

bool writePngRgb(const std::string& path, int width, int height, const std::uint8_t* rgb,
                 std::string* error) {
    if (!checkRgb(path, width, height, rgb, error)) return false;
    return writeImage(path, ImageView{width, height, 3, rgb, false}, ImageFormat::Png, error);
}

bool writeRgbByExtension(const std::string& path, int width, int height, const std::uint8_t* rgb,
                         std::string* error) {
    if (!checkRgb(path, width, height, rgb, error)) return false;
    return writeImageByExtension(path, ImageView{width, height, 3, rgb, false}, error);
}

}  // namespace tarn::image
