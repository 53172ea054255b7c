#pragma once
// Writing 8-bit RGB images as PNG files.

#include <cstdint>
#include <string>

namespace tarn::render {

/// Writes width x height RGB pixels (rows top to bottom, 3 bytes each) to `path` as PNG.
/// False when the file cannot be written. Thread safe.
bool writePngRgb(const std::string& path, int width, int height, const std::uint8_t* rgb);

}  // namespace tarn::render
