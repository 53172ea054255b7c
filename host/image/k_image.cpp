// KImage: pixels in memory, and the host's image files behind readFromFile / writeToFile.
#include "frame/k_image.h"

#include <cstring>

#include "host/image/image_file.h"

KStatus KImage::create(unsigned width, unsigned height, unsigned channels, KPixelType type) {
    const unsigned maxSide = unsigned(tarn::image::kMaxImageSide);
    if (width == 0 || height == 0 || width > maxSide || height > maxSide || channels == 0 ||
        channels > 4 || type != kByte)
        return KStatus::kInvalidParameter;
    m_pixels.assign(std::size_t(width) * height * channels, 0);
    m_width = width;
    m_height = height;
    m_channels = channels;
    return KStatus::kSuccess;
}

void KImage::release() {
    m_pixels.clear();
    m_pixels.shrink_to_fit();
    m_width = m_height = m_channels = 0;
}

KStatus KImage::getSize(unsigned& width, unsigned& height) const {
    width = m_width;
    height = m_height;
    return m_pixels.empty() ? KStatus::kFailure : KStatus::kSuccess;
}

KStatus KImage::readFromFile(const KString& path) {
    tarn::image::Image decoded;
    std::string error;
    if (!tarn::image::readImage(path.asChar(), decoded, &error)) {
        m_error = error;
        return KStatus::kFailure;
    }
    // Files hold the top row first; this image holds the bottom row first.
    const std::size_t stride = std::size_t(decoded.width) * std::size_t(decoded.channels);
    m_pixels.resize(decoded.pixels.size());
    for (int y = 0; y < decoded.height; ++y)
        std::memcpy(m_pixels.data() + std::size_t(y) * stride,
                    decoded.pixels.data() + std::size_t(decoded.height - 1 - y) * stride, stride);
    m_width = unsigned(decoded.width);
    m_height = unsigned(decoded.height);
    m_channels = unsigned(decoded.channels);
    m_error = KString();
    return KStatus::kSuccess;
}

KStatus KImage::writeToFile(const KString& path, const KString& format) const {
    const std::string name = format.length() == 0 ? "iff" : format.asChar();
    const std::optional<tarn::image::ImageFormat> chosen = tarn::image::formatNamed(name);
    if (!chosen) {
        m_error =
            "unknown image format \"" + name + "\" (use one of " + tarn::image::formatList() + ")";
        return KStatus::kInvalidParameter;
    }
    if (m_pixels.empty()) {
        m_error = "the image is empty";
        return KStatus::kInvalidParameter;
    }
    const tarn::image::ImageView view{int(m_width), int(m_height), int(m_channels), m_pixels.data(),
                                      true};
    std::string error;
    if (!tarn::image::writeImage(path.asChar(), view, *chosen, &error)) {
        m_error = error;
        return KStatus::kFailure;
    }
    m_error = KString();
    return KStatus::kSuccess;
}
