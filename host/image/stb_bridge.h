#pragma once
/// The few questions the header checks ask of stb's decoders, which are compiled (with static
/// linkage) into image_codec.cpp only. Thread safe: stb keeps its failure reason per thread.

#include <string>

namespace tarn::image {

class ByteSource;

/// The channel count stb's decoder gives for the image in `source` (bmp, tga), read from the
/// header alone. False when stb does not read that kind of image.
bool stbInfo(const ByteSource& source, int& channels);

/// stb's reason for its last failure on this thread; "no reason given" when it gave none.
std::string stbFailureReason();

}  // namespace tarn::image
