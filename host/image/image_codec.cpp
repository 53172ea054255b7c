#include "host/image/image_codec.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>

#include "host/image/iff_codec.h"

// stb's functions are static here, so no clash with other copies in the host or its tests.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include "stb_image_write.h"
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_NO_HDR
#define STBI_NO_LINEAR
// Only the formats the host names; the header checks (image_header.h) run before stb sees bytes.
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_BMP
#define STBI_ONLY_TGA
#include "stb_image.h"
#pragma GCC diagnostic pop

#include "host/image/image_header.h"
#include "host/image/stb_bridge.h"

namespace tarn::image {

namespace {

struct FormatRow {
    const char* name;
    ImageFormat format;
};

// Every name a format answers to; the first row of each format is its usual extension.
constexpr FormatRow kFormats[] = {
    {"iff", ImageFormat::Iff}, {"png", ImageFormat::Png}, {"tga", ImageFormat::Tga},
    {"bmp", ImageFormat::Bmp}, {"jpg", ImageFormat::Jpg}, {"jpeg", ImageFormat::Jpg},
};

constexpr int kJpegQuality = 95;

bool fail(std::string* error, std::string message) {
    if (error) *error = std::move(message);
    return false;
}

bool equalsIgnoringCase(std::string_view a, const char* b) {
    const std::size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (std::size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != b[i]) return false;
    return true;
}

void appendTo(void* context, void* data, int size) {
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), std::size_t(size));
}

}  // namespace

std::optional<ImageFormat> formatNamed(std::string_view name) {
    for (const FormatRow& row : kFormats)
        if (equalsIgnoringCase(name, row.name)) return row.format;
    return std::nullopt;
}

std::optional<ImageFormat> formatOfPath(std::string_view path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return std::nullopt;
    return formatNamed(path.substr(dot + 1));
}

const char* formatName(ImageFormat format) {
    for (const FormatRow& row : kFormats)
        if (row.format == format) return row.name;
    return "";
}

const char* formatList() {
    return "iff, png, tga, bmp, jpg";
}

bool checkView(const ImageView& view, std::string* error) {
    if (view.width < 1 || view.height < 1 || view.width > kMaxImageSide ||
        view.height > kMaxImageSide)
        return fail(error, "bad image size " + std::to_string(view.width) + " x " +
                               std::to_string(view.height) + " (each side 1 to " +
                               std::to_string(kMaxImageSide) + " pixels)");
    if (view.channels < 1 || view.channels > 4)
        return fail(error, "bad channel count " + std::to_string(view.channels));
    if (!view.pixels) return fail(error, "no pixels given");
    return true;
}

bool encodeImage(const ImageView& view, ImageFormat format, std::string& out, std::string* error) {
    if (!checkView(view, error)) return false;
    out.clear();
    if (format == ImageFormat::Iff) {
        encodeIff(view, out);
        return true;
    }
    // stb wants the top row first: turn a bottom-up picture over in a copy.
    const std::size_t stride = std::size_t(view.width) * std::size_t(view.channels);
    std::vector<std::uint8_t> flipped;
    const std::uint8_t* pixels = view.pixels;
    if (view.bottomUp) {
        flipped.resize(stride * std::size_t(view.height));
        for (int y = 0; y < view.height; ++y)
            std::memcpy(flipped.data() + std::size_t(y) * stride,
                        view.pixels + std::size_t(view.height - 1 - y) * stride, stride);
        pixels = flipped.data();
    }
    const int w = view.width, h = view.height, c = view.channels;
    int ok = 0;
    switch (format) {
        case ImageFormat::Png:
            ok = stbi_write_png_to_func(appendTo, &out, w, h, c, pixels, int(stride));
            break;
        case ImageFormat::Tga:
            ok = stbi_write_tga_to_func(appendTo, &out, w, h, c, pixels);
            break;
        case ImageFormat::Bmp:
            ok = stbi_write_bmp_to_func(appendTo, &out, w, h, c, pixels);
            break;
        case ImageFormat::Jpg:
            ok = stbi_write_jpg_to_func(appendTo, &out, w, h, c, pixels, kJpegQuality);
            break;
        case ImageFormat::Iff:
            break;
    }
    if (!ok) return fail(error, std::string("the ") + formatName(format) + " encoder failed");
    return true;
}

bool stbInfo(const ByteSource& source, int& channels) {
    struct Cursor {
        const ByteSource* source;
        std::size_t pos;
    } cursor{&source, 0};
    // Reads what it can of what stb asks for; stb treats a short read as the end of the file.
    auto read = [](void* user, char* data, int size) -> int {
        auto* c = static_cast<Cursor*>(user);
        const std::size_t n =
            std::min<std::size_t>(std::size_t(std::max(size, 0)), c->source->size() - c->pos);
        if (n == 0 || !c->source->read(c->pos, n, data)) return 0;
        c->pos += n;
        return int(n);
    };
    auto skip = [](void* user, int n) {
        auto* c = static_cast<Cursor*>(user);
        const long long to = static_cast<long long>(c->pos) + n;
        c->pos =
            std::size_t(std::clamp<long long>(to, 0, static_cast<long long>(c->source->size())));
    };
    auto atEnd = [](void* user) -> int {
        auto* c = static_cast<Cursor*>(user);
        return c->pos >= c->source->size() ? 1 : 0;
    };
    stbi_io_callbacks callbacks{read, skip, atEnd};
    int w = 0, h = 0, c = 0;
    if (!stbi_info_from_callbacks(&callbacks, &cursor, &w, &h, &c) || c < 1 || c > 4) return false;
    channels = c;
    return true;
}

std::string stbFailureReason() {
    const char* reason = stbi_failure_reason();
    return reason && *reason ? std::string(reason) : std::string("no reason given");
}

bool decodeImage(std::string_view bytes, Image& out, std::string* error,
                 std::optional<ImageFormat> named) {
    ImageHeader header;
    if (!inspectImage(MemorySource(bytes), header, error, named)) return false;
    if (header.format == ImageFormat::Iff) return decodeIff(bytes, out, error);
    if (bytes.size() > std::size_t(INT_MAX))
        return fail(error, std::string(formatName(header.format)) + " file too large");
    const auto* data = reinterpret_cast<const stbi_uc*>(bytes.data());
    // The channel count is asked for, so the pixels come in the layout the header promised.
    int w = 0, h = 0, c = 0;
    stbi_uc* pixels = stbi_load_from_memory(data, int(bytes.size()), &w, &h, &c, header.channels);
    if (!pixels)
        return fail(error, std::string("damaged ") + formatName(header.format) + " data (" +
                               stbFailureReason() + ")");
    if (w != header.width || h != header.height) {
        stbi_image_free(pixels);
        return fail(error, std::string("damaged ") + formatName(header.format) +
                               " data (the decoder read another size)");
    }
    out.width = w;
    out.height = h;
    out.channels = header.channels;
    out.pixels.assign(pixels, pixels + std::size_t(w) * std::size_t(h) * std::size_t(out.channels));
    stbi_image_free(pixels);
    return true;
}

}  // namespace tarn::image
