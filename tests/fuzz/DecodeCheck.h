#pragma once
// What every fuzz target asks of its decoder: any input gives a picture or a PictureError, never a
// crash, and whatever decodes survives our own BMP round trip unchanged.
#include "imaging/Codecs.h"

#include <cstdlib>

namespace nodo::pic::fuzz {

using Decoder = Bitmap (*)(Bytes, const DecodeOptions&);

inline void CheckDecoder(Decoder decode, Bytes data) {
    DecodeOptions options;
    options.maxPixels = 4'000'000; // keeps each run fast; the real limit is tested elsewhere
    try {
        const Bitmap b = decode(data, options);
        // Small pictures only, also to keep runs fast.
        if (!b.empty() && b.sizeBytes() <= (1u << 20) && DecodeBmp(EncodeBmp(b, b.bitsPerPixel())) != b)
            std::abort();
    } catch (const PictureError&) {
    }
}

} // namespace nodo::pic::fuzz
