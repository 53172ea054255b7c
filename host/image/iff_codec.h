#pragma once
/// The host's IFF image layout: an IFF-85 "FORM" of type "ILBM" holding
///   BMHD  the bitmap header: width, height, 24 planes, no mask, no compression;
///   ALPH  width x height alpha bytes, top row first (readers that do not know it skip it);
///   BODY  per row, top row first: 24 bit planes (red bits 0..7, green 0..7, blue 0..7), each
///         plane the row's pixels one bit each, most significant bit leftmost, padded to 16 bits.
/// That is a "deep" ILBM, which common ILBM readers decode as 24-bit RGB; the alpha survives
/// only through readers that know ALPH (ours). Thread safe.

#include <cstddef>
#include <string>
#include <string_view>

#include "host/image/image_codec.h"

namespace tarn::image {

/// Appends the IFF file of a view checkView accepts (channels expand to RGBA: grey to R=G=B,
/// missing alpha to 255).
void encodeIff(const ImageView& view, std::string& out);

class ByteSource;

/// Where an ILBM keeps its parts, as its chunks declare them.
struct IffLayout {
    int width = 0;
    int height = 0;
    int compression = 0;          ///< 0 none, 1 ByteRun1
    std::size_t alphaOffset = 0;  ///< of the ALPH payload (alphaSize 0: no ALPH chunk)
    std::size_t alphaSize = 0;
    std::size_t bodyOffset = 0;  ///< of the BODY payload
    std::size_t bodySize = 0;
};

/// Walks the chunks of an IFF file (reading only their headers and BMHD) and checks what
/// decodeIff reads: an ILBM with a BMHD of 24 planes, a known compression, sides 1 to
/// kMaxImageSide, a BODY (as long as the pixels when uncompressed) and an ALPH, when there is
/// one, as long as the pixels; no chunk past the end. False with a reason naming the format.
bool inspectIff(const ByteSource& source, IffLayout& out, std::string* error = nullptr);

/// Decodes an ILBM of 24 planes (uncompressed or ByteRun1) with an optional ALPH chunk into RGBA.
/// Every size read from the file is checked against what the file holds before anything is
/// allocated from it. False with a reason in `*error`.
bool decodeIff(std::string_view bytes, Image& out, std::string* error = nullptr);

}  // namespace tarn::image
