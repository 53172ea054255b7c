#pragma once
/// Off-screen OpenGL contexts of the one GL implementation in the process (Mesa's OSMesa, linked
/// into libtarn so that its GL entry points are the ones plug-ins bind to). Each context draws
/// into its own RGBA buffer held here. Main thread only.

#include <cstdint>
#include <string>
#include <vector>

namespace tarn::view {

class GlContext {
public:
    /// Byte order of the context's pixels: RGBA, or BGRA (the order of the usual 32-bit window
    /// surfaces, so a finished frame is copied to a window as it is).
    enum class Format { kRgba, kBgra };

    explicit GlContext(Format format = Format::kRgba) : m_format(format) {}
    ~GlContext();
    GlContext(const GlContext&) = delete;
    GlContext& operator=(const GlContext&) = delete;

    /// Makes the context current on a buffer of width x height RGBA pixels (rows bottom to
    /// top), creating the context or resizing the buffer as needed; a resize clears the buffer.
    /// `depthBits` only counts when the context is first made. False with `*error` when Mesa
    /// refuses.
    bool makeCurrent(int width, int height, int depthBits, std::string* error);
    /// Makes the context current on a caller's buffer: a width x height rectangle whose rows
    /// lie `rowLength` pixels apart, top row first, starting at `buffer` (so a tile of a larger
    /// picture is drawn in place). The buffer must outlive the drawing (until the next
    /// makeCurrent or glFinish). False with `*error` when Mesa refuses.
    bool makeCurrentOn(std::uint8_t* buffer, int width, int height, int rowLength, int depthBits,
                       std::string* error);
    Format format() const { return m_format; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    /// The colour buffer, RGBA bytes, bottom row first.
    const std::vector<std::uint8_t>& pixels() const { return m_pixels; }
    std::vector<std::uint8_t>& pixels() { return m_pixels; }
    bool isCurrent() const;

private:
    bool create(int depthBits, std::string* error);

    Format m_format = Format::kRgba;
    void* m_context = nullptr;  // OSMesaContext
    int m_depthBits = 0;
    int m_width = 0, m_height = 0;
    std::vector<std::uint8_t> m_pixels;
};

/// Restores whatever context (and buffer) was current when it was made, or leaves none current
/// when none was.
class GlCurrentGuard {
public:
    GlCurrentGuard();
    ~GlCurrentGuard();
    GlCurrentGuard(const GlCurrentGuard&) = delete;
    GlCurrentGuard& operator=(const GlCurrentGuard&) = delete;

private:
    void* m_context = nullptr;
    void* m_buffer = nullptr;
    int m_width = 0, m_height = 0, m_format = 0;
};

/// The overlay palette: colour index i (taken modulo the palette size) as RGB bytes.
/// Index 2 is a bright yellow that stands out on the default background.
const std::uint8_t* paletteColor(int index);
inline constexpr int kPaletteSize = 8;

}  // namespace tarn::view
