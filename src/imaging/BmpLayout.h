#pragma once
// What a BMP header says, checked against the file size. Shared by the in-memory decoder and the
// file loader, which reads plain 24/32-bit rows straight into a bitmap.
#include "imaging/PictureError.h"

#include <array>
#include <cstdint>

namespace nodo::pic::detail {

inline constexpr std::uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiAlphaBitfields = 6;

struct BmpLayout {
    int width = 0;
    int height = 0; // always positive; topDown says the row order
    bool topDown = false;
    int bpp = 0;
    std::uint32_t compression = kBiRgb;
    std::uint64_t pixelOffset = 0;
    std::uint64_t rowBytes = 0;            // padded to 4 bytes
    std::uint32_t masks[4] = {0, 0, 0, 0}; // red, green, blue, alpha (16/32 bits only)
    int paletteSize = 0;
    std::array<std::uint32_t, 256> palette{}; // 0x00RRGGBB; entries past paletteSize are black

    // Plain BGR or BGRA rows that can be copied as they are.
    bool plainRows() const;
    // Bits per pixel of the decoded bitmap.
    int outputBpp() const;
};

// head: the start of the file (at least the file and info headers and the palette); fileSize: the
// size of the whole file. Throws PictureError for anything that cannot be decoded.
BmpLayout ParseBmpLayout(Bytes head, std::uint64_t fileSize, const DecodeOptions& options);

// The alpha rule for 32-bit BI_RGB files: an all-zero alpha channel means the writer left it unused.
// Leaves the bitmaps of other files alone.
void MakeOpaqueIfNoAlpha(const BmpLayout& layout, Bitmap& bitmap);

} // namespace nodo::pic::detail
