#pragma once
/// Writing 8-bit RGB images as PNG files, all or nothing.

#include <cstdint>
#include <string>

namespace tarn::image {

/// Largest width or height the writer accepts, in pixels.
inline constexpr int kMaxPngSide = 8192;

/// Writes width x height RGB pixels (rows top to bottom, 3 bytes each) to `path` as PNG. The
/// image goes to a temporary file beside `path` first and is renamed into place, so a failure
/// leaves no file and an existing file untouched. False with `*error` set on failure.
/// Thread safe for distinct paths.
bool writePngRgb(const std::string& path, int width, int height, const std::uint8_t* rgb,
                 std::string* error = nullptr);

}  // namespace tarn::image
