#pragma once
/// Image files in memory: the formats the host reads and writes, and their encoders and
/// decoders. Pixels are 8 bits per channel, 1 to 4 channels (grey, grey+alpha, RGB, RGBA),
/// channels interleaved. Thread safe: no shared state.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarn::image {

/// Largest width or height the host writes or reads, in pixels.
inline constexpr int kMaxImageSide = 8192;

enum class ImageFormat {
    Iff,  ///< IFF-85 ILBM: 24 bit planes of RGB plus an 8-bit alpha chunk (see iff_codec.h)
    Png,
    Tga,
    Bmp,
    Jpg,  ///< quality 95; alpha is dropped
};

/// The format a name stands for: "iff", "png", "tga", "bmp", "jpg" or "jpeg", any case.
std::optional<ImageFormat> formatNamed(std::string_view name);
/// The format a file name's extension stands for; none without a known extension.
std::optional<ImageFormat> formatOfPath(std::string_view path);
/// The format's usual extension, without the dot ("iff", "png", ...).
const char* formatName(ImageFormat format);
/// "iff, png, tga, bmp, jpg": for messages that list what is accepted.
const char* formatList();

/// Pixels to encode. Rows are `stride` bytes apart; `bottomUp` says that the first row in
/// memory is the bottom row of the picture (files store the top row first).
struct ImageView {
    int width = 0;
    int height = 0;
    int channels = 0;
    const std::uint8_t* pixels = nullptr;
    bool bottomUp = false;
};

/// A decoded picture, top row first, channels interleaved.
struct Image {
    int width = 0;
    int height = 0;
    int channels = 0;
    std::vector<std::uint8_t> pixels;
};

/// Checks that a view can be encoded: sizes 1..kMaxImageSide, 1..4 channels, pixels given.
/// False with a reason in `*error`.
bool checkView(const ImageView& view, std::string* error);

/// Encodes `view` as a file of `format` into `out` (replaced). False with a reason in `*error`
/// for a view checkView refuses or an encoder failure; `out` is then unspecified.
bool encodeImage(const ImageView& view, ImageFormat format, std::string& out,
                 std::string* error = nullptr);

/// Decodes a whole file held in memory, after checking its header and layout (inspectImage in
/// image_header.h): the format by the file's signature, `named` (the format the file's name
/// gives) only for the message about a file of no known format. Channels are kept as stored
/// (IFF always gives 4). False with a reason that names the format in `*error`.
bool decodeImage(std::string_view bytes, Image& out, std::string* error = nullptr,
                 std::optional<ImageFormat> named = std::nullopt);

}  // namespace tarn::image
