#include "wallpaper/PaintBmp.h"

#include <algorithm>
#include <cstring>

namespace nodo {

void PaintBmp(const pic::Bitmap& bitmap, pic::Bitmap& target, int x, int y) {
    // The part of the picture that lands on the target, in the picture's own coordinates; worked
    // out in 64 bits so no place, however far off, can overflow.
    const auto clampTo = [](long long v, long long hi) { return static_cast<int>(std::clamp(v, 0LL, hi)); };
    const int x0 = clampTo(-static_cast<long long>(x), bitmap.width());
    const int y0 = clampTo(-static_cast<long long>(y), bitmap.height());
    const int x1 = clampTo(static_cast<long long>(target.width()) - x, bitmap.width());
    const int y1 = clampTo(static_cast<long long>(target.height()) - y, bitmap.height());
    if (x1 <= x0 || y1 <= y0) return;

    const int sb = bitmap.bytesPerPixel();
    const int tb = target.bytesPerPixel();
    const auto count = static_cast<std::size_t>(x1 - x0);
    for (int sy = y0; sy < y1; ++sy) {
        const std::uint8_t* s = bitmap.row(sy) + static_cast<std::size_t>(x0) * static_cast<std::size_t>(sb);
        std::uint8_t* t =
            target.row(sy + y) + static_cast<std::size_t>(x0 + x) * static_cast<std::size_t>(tb);
        if (sb == 3 && tb == 3) {
            std::memcpy(t, s, count * 3);
            continue;
        }
        for (std::size_t i = 0; i < count; ++i, s += sb, t += tb) {
            t[0] = s[0];
            t[1] = s[1];
            t[2] = s[2];
            if (tb == 4) t[3] = 255;
        }
    }
}

} // namespace nodo
