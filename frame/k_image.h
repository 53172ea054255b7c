#pragma once
/// Images in memory and image files. A KImage holds width x height pixels of `depth()` channels,
/// one byte each. Layout: pixel (x, y) starts at byte (x + y * width) * depth, channels in the
/// order R, G, B, A (grey, grey+alpha for one and two channels); row y = 0 is the bottom row of
/// the picture, so v grows with y as it does in texture space. Files store the top row first;
/// reading and writing turn the rows over. Not thread safe; distinct images may be used on
/// distinct threads.

#include <cstdint>
#include <vector>

#include "frame/k_status.h"
#include "frame/k_string.h"

class KImage {
public:
    enum KPixelType { kUnknown = 0, kByte = 1, kFloat = 2 };

    KImage() = default;
    KImage(const KImage&) = delete;
    KImage& operator=(const KImage&) = delete;
    KImage(KImage&&) = default;
    KImage& operator=(KImage&&) = default;
    ~KImage() = default;

    /// Makes a width x height image of `channels` (1..4) bytes per pixel, every byte 0.
    /// kInvalidParameter (image unchanged) for a side of 0 or above 8192, another channel
    /// count, or a pixel type other than kByte.
    KStatus create(unsigned width, unsigned height, unsigned channels = 4, KPixelType type = kByte);
    /// Drops the pixels; the image is empty again.
    void release();

    KStatus getSize(unsigned& width, unsigned& height) const;
    /// Bytes per pixel (the channel count); 0 for an empty image.
    unsigned depth() const { return m_channels; }
    KPixelType pixelType() const { return m_pixels.empty() ? kUnknown : kByte; }
    /// The pixels in the layout above; null for an empty image. Owned by the image.
    unsigned char* pixels() { return m_pixels.empty() ? nullptr : m_pixels.data(); }
    const unsigned char* pixels() const { return m_pixels.empty() ? nullptr : m_pixels.data(); }

    /// Reads an image file (iff, png, tga, bmp or jpg, told apart by content), replacing the
    /// image. kFailure (image unchanged) when the file is missing or not a readable image.
    KStatus readFromFile(const KString& path);
    /// Writes the image to `path` in `format` ("iff" when empty; "iff", "png", "tga", "bmp",
    /// "jpg", any case). The folder must exist. All or nothing: on failure an existing file is
    /// untouched and nothing is left behind. kInvalidParameter for an unknown format or an
    /// empty image, kFailure when the file cannot be written.
    KStatus writeToFile(const KString& path, const KString& format = KString()) const;
    /// Why the last read or write failed; empty after a success.
    KString errorString() const { return m_error; }

private:
    unsigned m_width = 0;
    unsigned m_height = 0;
    unsigned m_channels = 0;
    std::vector<std::uint8_t> m_pixels;
    mutable KString m_error;
};
