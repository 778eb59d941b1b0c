#pragma once
// The blend of the content picture over a background: white content is transparent, every other
// pixel is mixed by a percentage, and the content's top-right corner sits 50 pixels in from the
// background's right edge and 30 pixels down.
#include "imaging/Bitmap.h"

#include <cstdint>
#include <vector>

namespace nodo {

inline constexpr int kMixRightMargin = 50;
inline constexpr int kMixTopMargin = 30;

// Where the content lands on the background: columns x0 .. x0 + w - 1, rows y0 .. y0 + h - 1, taken
// from the content's own top-left w x h pixels. w or h <= 0 means nothing is blended.
struct MixArea {
    int x0 = 0, y0 = kMixTopMargin, w = 0, h = 0;
    bool empty() const { return w <= 0 || h <= 0; }
};
MixArea MixPlacement(int contentWidth, int contentHeight, int backgroundWidth, int backgroundHeight);

// A 32-bit copy (blue, green, red, fourth byte); a 24-bit picture gets a fourth byte of 0.
pic::Bitmap ToMix32(const pic::Bitmap& bitmap);

// Blends `content` into `background` in place and returns it. Both are turned into 32 bits first
// (the arguments themselves are converted, as the caller's holders keep the converted pictures).
pic::Bitmap& MixPic(pic::Bitmap& content, pic::Bitmap& background, int percent);

// One row of `width` 32-bit pixels: b = b + trunc((a - b) * percent / 100), clamped to 0..255, for
// all four bytes, except where a's blue, green and red are all 255.
void MixRow(const std::uint8_t* a, std::uint8_t* b, int width, int percent);
// The plain per-byte loop MixRow must agree with exactly.
void MixRowScalar(const std::uint8_t* a, std::uint8_t* b, int width, int percent);
// Which row loop MixRow uses on this processor ("avx2", "sse2" or "scalar").
const char* MixRowKind();

// Every row loop this processor can run, so tests can hold each against the scalar one. Names
// ending in "-far" are the variants MixPic uses for pictures larger than the caches.
using MixRowFn = void (*)(const std::uint8_t* a, std::uint8_t* b, int width, int percent);
struct MixRowLoop {
    const char* name;
    MixRowFn fn;
};
std::vector<MixRowLoop> MixRowLoops();

} // namespace nodo
