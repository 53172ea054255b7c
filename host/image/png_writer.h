#pragma once
/// Writing 8-bit RGB pictures, all or nothing (a thin form of image_file.h for the host's jobs).

#include <cstdint>
#include <string>

#include "host/image/image_codec.h"

namespace tarn::image {

/// Largest width or height the writer accepts, in pixels.
inline constexpr int kMaxPngSide = kMaxImageSide;

/// Writes width x height RGB pixels (rows top to bottom, 3 bytes each) to `path` as PNG. The
/// image goes to a temporary file beside `path` first and is renamed into place, so a failure
/// leaves no file and an existing file untouched. False with `*error` set on failure.
/// Thread safe for distinct paths.
bool writePngRgb(const std::string& path, int width, int height, const std::uint8_t* rgb,
                 std::string* error = nullptr);

/// The same, in the format the extension of `path` names (png, jpg/jpeg, tga, bmp, iff); a name
/// without one of those is refused before anything is written.
bool writeRgbByExtension(const std::string& path, int width, int height, const std::uint8_t* rgb,
                         std::string* error = nullptr);

}  // namespace tarn::image
