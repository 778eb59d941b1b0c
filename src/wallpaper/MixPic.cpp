#include "wallpaper/MixPic.h"

#include "wallpaper/MixRowVector.h"

#include <algorithm>
#include <cstring>

namespace nodo {

MixArea MixPlacement(int contentWidth, int contentHeight, int backgroundWidth, int backgroundHeight) {
    MixArea area;
    area.h = contentHeight;
    area.w = contentWidth;
    if (contentHeight + kMixTopMargin >= backgroundHeight) area.h = backgroundHeight - kMixTopMargin;
    if (contentWidth + kMixRightMargin >= backgroundWidth) area.w = backgroundWidth - kMixRightMargin;
    area.x0 = backgroundWidth - area.w - kMixRightMargin;
    area.y0 = kMixTopMargin;
    return area;
}

void mixrow::Expand24To32Scalar(const std::uint8_t* s, std::uint8_t* d, int width) {
    for (int x = 0; x < width; ++x, s += 3, d += 4) {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
        d[3] = 0;
    }
}

pic::Bitmap ToMix32(const pic::Bitmap& bitmap) {
    if (bitmap.bitsPerPixel() == 32) return bitmap;
    static const mixrow::ExpandFn expand =
        mixrow::VectorExpand24To32() ? mixrow::VectorExpand24To32() : mixrow::Expand24To32Scalar;
    pic::Bitmap out = pic::Bitmap::uninitialized(bitmap.width(), bitmap.height(), 32);
    out.setSourceBitsPerPixel(bitmap.sourceBitsPerPixel());
    for (int y = 0; y < bitmap.height(); ++y)
        expand(bitmap.row(y), out.row(y), bitmap.width());
    return out;
}

void MixRowScalar(const std::uint8_t* a, std::uint8_t* b, int width, int percent) {
    for (int x = 0; x < width; ++x, a += 4, b += 4) {
        if (a[0] == 255 && a[1] == 255 && a[2] == 255) continue;
        for (int k = 0; k < 4; ++k) {
            // 64-bit so that any percentage is safe; '/' truncates toward zero as required.
            const long long v = b[k] + (static_cast<long long>(a[k]) - b[k]) * percent / 100;
            b[k] = static_cast<std::uint8_t>(std::clamp<long long>(v, 0, 255));
        }
    }
}

namespace {

// The loops for pictures in the cache and for pictures out of it.
struct Loops {
    MixRowLoop near, far;
};

const Loops& Loop() {
    static const Loops loops = [] {
        const auto all = MixRowLoops();
        Loops l{all.front(), all.front()};
        for (const auto& loop : all) {
            if (std::strstr(loop.name, "-far"))
                l.far = loop;
            else
                l.near = l.far = loop;
        }
        return l;
    }();
    return loops;
}

// Above this many bytes of content the blend runs from memory rather than the cache.
constexpr std::size_t kFarBytes = 4u << 20;

} // namespace

std::vector<MixRowLoop> MixRowLoops() {
    std::vector<MixRowLoop> loops{{"scalar", MixRowScalar}};
    mixrow::AddVectorLoops(loops);
    return loops;
}

void MixRow(const std::uint8_t* a, std::uint8_t* b, int width, int percent) {
    if (width <= 0) return;
    Loop().near.fn(a, b, width, percent);
}

const char* MixRowKind() {
    return Loop().near.name;
}

pic::Bitmap& MixPic(pic::Bitmap& content, pic::Bitmap& background, int percent) {
    if (content.bitsPerPixel() != 32) content = ToMix32(content);
    if (background.bitsPerPixel() != 32) background = ToMix32(background);
    const MixArea area =
        MixPlacement(content.width(), content.height(), background.width(), background.height());
    if (area.empty()) return background;
    const std::size_t bytes = 4 * static_cast<std::size_t>(area.w) * static_cast<std::size_t>(area.h);
    const MixRowFn row = bytes > kFarBytes ? Loop().far.fn : Loop().near.fn;
    for (int r = 0; r < area.h; ++r)
        row(content.row(r), background.row(area.y0 + r) + 4 * static_cast<std::size_t>(area.x0), area.w,
            percent);
    return background;
}

} // namespace nodo
