#include "imaging/Stretch.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace nodo::pic {

namespace {

constexpr int kWeightBits = 14;
constexpr int kWeightOne = 1 << kWeightBits;

// For each output position: the first source index and the weights of the following ones. A tent
// filter whose width grows with the shrink factor, so that shrinking averages instead of skipping.
struct Taps {
    std::vector<int> first, count, weights, start;
};

Taps computeTaps(int srcSize, int dstSize) {
    Taps taps;
    taps.first.resize(dstSize);
    taps.count.resize(dstSize);
    taps.start.resize(dstSize);
    const double scale = double(srcSize) / dstSize;
    const double radius = std::max(1.0, scale);
    std::vector<double> w;
    for (int o = 0; o < dstSize; ++o) {
        const double center = (o + 0.5) * scale - 0.5;
        int lo = int(std::ceil(center - radius));
        int hi = int(std::floor(center + radius));
        lo = std::clamp(lo, 0, srcSize - 1);
        hi = std::clamp(hi, 0, srcSize - 1);
        w.assign(hi - lo + 1, 0.0);
        double sum = 0;
        for (int i = lo; i <= hi; ++i) {
            const double v = std::max(0.0, 1.0 - std::abs(i - center) / radius);
            w[i - lo] = v;
            sum += v;
        }
        if (sum <= 0) { // only reachable at the clamped edges: take the nearest pixel
            std::fill(w.begin(), w.end(), 0.0);
            w[std::clamp(int(std::lround(center)), lo, hi) - lo] = 1.0;
            sum = 1.0;
        }
        // Integer weights that add up to exactly one, the rounding error given to the largest.
        taps.first[o] = lo;
        taps.count[o] = hi - lo + 1;
        taps.start[o] = int(taps.weights.size());
        int total = 0;
        std::size_t largest = taps.weights.size();
        for (double v : w) {
            const int iw = int(std::lround(v / sum * kWeightOne));
            if (largest == taps.weights.size() || iw > taps.weights[largest]) largest = taps.weights.size();
            taps.weights.push_back(iw);
            total += iw;
        }
        taps.weights[largest] += kWeightOne - total;
    }
    return taps;
}

inline std::uint8_t clampByte(int v) {
    v = (v + kWeightOne / 2) >> kWeightBits;
    return std::uint8_t(std::clamp(v, 0, 255));
}

} // namespace

Bitmap StretchBitmap(const Bitmap& source, int width, int height) {
    if (source.empty() || width <= 0 || height <= 0) return {};
    const int sw = source.width(), sh = source.height(), bpp = source.bytesPerPixel();
    Bitmap out = Bitmap::uninitialized(width, height, 24);
    if (sw == width && sh == height) {
        for (int y = 0; y < sh; ++y) {
            const std::uint8_t* s = source.row(y);
            std::uint8_t* d = out.row(y);
            if (bpp == 3) {
                std::memcpy(d, s, std::size_t(sw) * 3);
            } else {
                for (int x = 0; x < sw; ++x, s += bpp, d += 3)
                    d[0] = s[0], d[1] = s[1], d[2] = s[2];
            }
        }
        return out;
    }

    const Taps tx = computeTaps(sw, width);
    const Taps ty = computeTaps(sh, height);

    // Horizontal pass over every source row, then the vertical pass over those rows.
    std::vector<std::uint8_t> mid(std::size_t(width) * 3 * sh);
    for (int y = 0; y < sh; ++y) {
        const std::uint8_t* s = source.row(y);
        std::uint8_t* d = mid.data() + std::size_t(width) * 3 * y;
        for (int x = 0; x < width; ++x) {
            int b = 0, g = 0, r = 0;
            const int* w = tx.weights.data() + tx.start[x];
            const std::uint8_t* p = s + std::size_t(tx.first[x]) * bpp;
            for (int k = 0; k < tx.count[x]; ++k, p += bpp) {
                b += p[0] * w[k];
                g += p[1] * w[k];
                r += p[2] * w[k];
            }
            std::uint8_t* out = d + std::size_t(x) * 3;
            out[0] = clampByte(b);
            out[1] = clampByte(g);
            out[2] = clampByte(r);
        }
    }
    const std::size_t midStride = std::size_t(width) * 3;
    std::vector<int> acc(midStride);
    for (int y = 0; y < height; ++y) {
        std::fill(acc.begin(), acc.end(), 0);
        const int* w = ty.weights.data() + ty.start[y];
        for (int k = 0; k < ty.count[y]; ++k) {
            const std::uint8_t* m = mid.data() + midStride * (ty.first[y] + k);
            const int wk = w[k];
            if (wk == 0) continue;
            for (std::size_t i = 0; i < midStride; ++i)
                acc[i] += m[i] * wk;
        }
        std::uint8_t* d = out.row(y);
        for (std::size_t i = 0; i < midStride; ++i)
            d[i] = clampByte(acc[i]);
    }
    return out;
}

} // namespace nodo::pic
