// Fuzz target of the image readers: the bytes inspected as an image file (header and layout
// alone) and decoded. A refusal must say why; what the header check takes must decode to the
// size it declared (or be refused aloud by the decoder), and what it refuses the decoder must
// refuse too.
#include <string>
#include <string_view>

#include "fuzz/fuzz_targets.h"
#include "host/image/image_codec.h"
#include "host/image/image_header.h"

namespace tarn::fuzz {

void imageReaderSetup() {}

void imageReaderOne(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    image::ImageHeader header;
    std::string inspectError;
    const bool inspected = image::inspectImage(image::MemorySource(bytes), header, &inspectError);
    if (!inspected && inspectError.empty()) reportFinding("a refused header said nothing", bytes);

    image::Image decoded;
    std::string decodeError;
    if (!image::decodeImage(bytes, decoded, &decodeError)) {
        if (decodeError.empty()) reportFinding("a refused image said nothing", bytes);
        return;
    }
    if (!inspected) {
        reportFinding("an image whose header was refused decoded", bytes);
        return;
    }
    if (decoded.width != header.width || decoded.height != header.height)
        reportFinding("an image decoded to another size than its header declares", bytes);
    if (decoded.channels < 1 || decoded.channels > 4 ||
        decoded.pixels.size() != static_cast<std::size_t>(decoded.width) *
                                     static_cast<std::size_t>(decoded.height) *
                                     static_cast<std::size_t>(decoded.channels))
        reportFinding("a decoded image's pixels do not fill its size", bytes);
}

}  // namespace tarn::fuzz
