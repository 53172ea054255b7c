#pragma once
/// Image files on disk: the one writer and reader of the host. Writes are all or nothing: the
/// encoded file goes to a temporary file beside the target and is renamed into place only when
/// every byte and the close succeeded, so a failure (full disk, missing folder, bad request)
/// leaves an existing file untouched and no stray file. Thread safe for distinct paths.

#include <string>

#include "host/image/image_codec.h"

namespace tarn::image {

/// Writes `view` to `path` as `format`. The folder must exist (it is not created). False with a
/// reason in `*error`.
bool writeImage(const std::string& path, const ImageView& view, ImageFormat format,
                std::string* error = nullptr);

/// Writes `view` in the format `path`'s extension names (.iff .png .tga .bmp .jpg/.jpeg); a path
/// without one of those is refused, so the bytes always match the name.
bool writeImageByExtension(const std::string& path, const ImageView& view,
                           std::string* error = nullptr);

/// Checks that `path` has an extension writeImageByExtension accepts. False with a reason.
bool checkImageExtension(const std::string& path, std::string* error = nullptr);

/// Reads and decodes a whole image file (see decodeImage). False with a reason in `*error`.
bool readImage(const std::string& path, Image& out, std::string* error = nullptr);

struct ImageHeader;

/// Reads only what the header and layout of an image file need (see inspectImage), not its
/// pixels: what `imageInfo` answers. False with a reason in `*error`.
bool readImageHeader(const std::string& path, ImageHeader& out, std::string* error = nullptr);

}  // namespace tarn::image
