#pragma once
// A view of 32-bit pixels (0xAARRGGBB words) owned by someone else, and the rubber band drawn on it
// by inverting colours in place.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace nodo::capture {

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0; // right and bottom exclusive
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool empty() const { return right <= left || bottom <= top; }
    bool operator==(const Rect&) const = default;
};

// The rectangle spanned by two corners given in any order.
Rect Ordered(int x1, int y1, int x2, int y2);

struct PixelSurface {
    uint32_t* bits = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t bytesPerLine = 0;

    uint32_t* row(int y) const {
        return reinterpret_cast<uint32_t*>(reinterpret_cast<unsigned char*>(bits) + y * bytesPerLine);
    }
    uint32_t pixel(int x, int y) const { return row(y)[x]; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

// Inverts the colour of every pixel on the outline of the rectangle between the corners (its right
// and bottom edges exclusive), each pixel exactly once and clipped to the surface, so drawing the
// same band twice gives back the original pixels. Alpha is kept.
void InvertBand(const PixelSurface& surface, int x1, int y1, int x2, int y2);

// The up to four one-pixel strips that InvertBand touches, clipped to a width x height surface
// (what has to be repainted).
std::vector<Rect> BandStrips(int x1, int y1, int x2, int y2, int width, int height);

} // namespace nodo::capture
