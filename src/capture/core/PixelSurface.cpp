#include "capture/core/PixelSurface.h"

#include <algorithm>

namespace nodo::capture {

Rect Ordered(int x1, int y1, int x2, int y2) {
    return {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

std::vector<Rect> BandStrips(int x1, int y1, int x2, int y2, int width, int height) {
    const Rect r = Ordered(x1, y1, x2, y2);
    std::vector<Rect> strips;
    if (r.empty()) return strips;
    auto add = [&](Rect s) {
        s.left = std::max(s.left, 0);
        s.top = std::max(s.top, 0);
        s.right = std::min(s.right, width);
        s.bottom = std::min(s.bottom, height);
        if (!s.empty()) strips.push_back(s);
    };
    add({r.left, r.top, r.right, r.top + 1});                           // top edge, corners included
    if (r.height() > 1) add({r.left, r.bottom - 1, r.right, r.bottom}); // bottom edge
    if (r.height() > 2) {
        add({r.left, r.top + 1, r.left + 1, r.bottom - 1}); // left edge between the corners
        if (r.width() > 1) add({r.right - 1, r.top + 1, r.right, r.bottom - 1});
    }
    return strips;
}

void InvertBand(const PixelSurface& surface, int x1, int y1, int x2, int y2) {
    constexpr uint32_t kColourBits = 0x00FFFFFFu;
    for (const Rect& s : BandStrips(x1, y1, x2, y2, surface.width, surface.height)) {
        for (int y = s.top; y < s.bottom; ++y) {
            uint32_t* p = surface.row(y);
            for (int x = s.left; x < s.right; ++x)
                p[x] ^= kColourBits;
        }
    }
}

} // namespace nodo::capture
