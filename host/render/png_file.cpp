#include "host/render/png_file.h"

// A private copy of the PNG writer: static functions, so no clash with other copies in the host.
// Note: unused-function warnings of the static writer are reported at the end of the file, so
// they stay off for this whole (writer-only) file.
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include "stb_image_write.h"
#pragma GCC diagnostic pop

namespace tarn::render {

bool writePngRgb(const std::string& path, int width, int height, const std::uint8_t* rgb) {
    if (width <= 0 || height <= 0 || !rgb) return false;
    return stbi_write_png(path.c_str(), width, height, 3, rgb, width * 3) != 0;
}

}  // namespace tarn::render
