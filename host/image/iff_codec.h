#pragma once
/// The host's IFF image layout: an IFF-85 "FORM" of type "ILBM" holding
///   BMHD  the bitmap header: width, height, 24 planes, no mask, no compression;
///   ALPH  width x height alpha bytes, top row first (readers that do not know it skip it);
///   BODY  per row, top row first: 24 bit planes (red bits 0..7, green 0..7, blue 0..7), each
///         plane the row's pixels one bit each, most significant bit leftmost, padded to 16 bits.
/// That is a "deep" ILBM, which common ILBM readers decode as 24-bit RGB; the alpha survives
/// only through readers that know ALPH (ours). Thread safe.

#include <string>
#include <string_view>

#include "host/image/image_codec.h"

namespace tarn::image {

/// Appends the IFF file of a view checkView accepts (channels expand to RGBA: grey to R=G=B,
/// missing alpha to 255).
void encodeIff(const ImageView& view, std::string& out);

/// Decodes an ILBM of 24 planes (uncompressed or ByteRun1) with an optional ALPH chunk into RGBA.
/// Every size read from the file is checked against what the file holds before anything is
/// allocated from it. False with a reason in `*error`.
bool decodeIff(std::string_view bytes, Image& out, std::string* error = nullptr);

}  // namespace tarn::image
