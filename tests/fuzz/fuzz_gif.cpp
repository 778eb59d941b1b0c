// libFuzzer target: DecodeGif must turn any input into a picture or a PictureError, never a crash.
#include "pictures/core/Codecs.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    nodo::pic::DecodeOptions options;
    options.maxPixels = 4'000'000; // keeps each run fast; the real limit is tested elsewhere
    try {
        const nodo::pic::Bitmap b = nodo::pic::DecodeGif({data, size}, options);
        // Whatever decodes must survive our own BMP round trip unchanged (small pictures: keeps runs fast).
        if (!b.empty() && b.sizeBytes() <= (1u << 20) &&
            nodo::pic::DecodeBmp(nodo::pic::EncodeBmp(b, b.bitsPerPixel())) != b)
            std::abort();
    } catch (const nodo::pic::PictureError&) {
    }
    return 0;
}
