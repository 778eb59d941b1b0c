#pragma once
// Row conversions between 24 and 32 bits, shared by the whole-bitmap conversions and the BMP writer
// (which converts row by row so that it never holds a second copy of the picture).
#include <cstddef>
#include <cstdint>

namespace nodo::pic::detail {

// BGRA -> BGR, straight alpha laid over white, rounded.
inline void FlattenRowOverWhite(const std::uint8_t* bgra, std::uint8_t* bgr, int width) {
    for (std::size_t x = 0, n = width > 0 ? std::size_t(width) : 0; x < n; ++x) {
        const unsigned a = bgra[4 * x + 3];
        for (std::size_t c = 0; c < 3; ++c)
            bgr[3 * x + c] = static_cast<std::uint8_t>((bgra[4 * x + c] * a + 255 * (255 - a) + 127) / 255);
    }
}

// BGR -> opaque BGRA.
inline void AddOpaqueAlpha(const std::uint8_t* bgr, std::uint8_t* bgra, int width) {
    for (std::size_t x = 0, n = width > 0 ? std::size_t(width) : 0; x < n; ++x) {
        bgra[4 * x] = bgr[3 * x];
        bgra[4 * x + 1] = bgr[3 * x + 1];
        bgra[4 * x + 2] = bgr[3 * x + 2];
        bgra[4 * x + 3] = 255;
    }
}

} // namespace nodo::pic::detail
