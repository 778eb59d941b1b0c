// The vector row loops and the 24-to-32-bit expansion for x86 processors (SSE2, SSSE3, AVX2),
// each picked at run time by what the processor supports.
#include "wallpaper/MixRowVector.h"

#include <cstddef>
#include <immintrin.h>

namespace nodo::mixrow {

namespace {

// Four pixels per shuffle; the 16-byte load reads four bytes past the twelve it uses, so the last
// pixels of a row go through the scalar loop and no load leaves the row.
__attribute__((target("ssse3"))) void Expand24To32Ssse3(const std::uint8_t* s, std::uint8_t* d, int width) {
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    std::ptrdiff_t x = 0; // pixel offsets are computed in the pointer's own width
    for (; x + 6 <= width; x += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 3 * x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 4 * x), _mm_shuffle_epi8(v, spread));
    }
    Expand24To32Scalar(s + 3 * x, d + 4 * x, static_cast<int>(width - x));
}

// Percentages the vector loops handle: |a - b| * percent stays within 16 bits, and
// (m * 5243) >> 19 equals m / 100 for every such m (checked exhaustively by the tests).
constexpr int kVectorMaxPercent = 128;
constexpr int kDiv100Magic = 5243;
constexpr int kPrefetchAhead = 1024; // bytes

// Eight 16-bit lanes: b + trunc((a - b) * p / 100).
inline __m128i MixLanes(__m128i a16, __m128i b16, __m128i p, __m128i magic) {
    const __m128i d = _mm_sub_epi16(a16, b16);
    const __m128i s = _mm_srai_epi16(d, 15);
    const __m128i ad = _mm_sub_epi16(_mm_xor_si128(d, s), s);
    const __m128i q = _mm_srli_epi16(_mm_mulhi_epu16(_mm_mullo_epi16(ad, p), magic), 3);
    return _mm_add_epi16(b16, _mm_sub_epi16(_mm_xor_si128(q, s), s));
}

// At 50 percent the mix is the mean of a and b with the half dropped toward b: the rounded-up
// average, less one where a > b and a + b is odd. min(a -sat b, (a ^ b) & 1) is that one: the
// saturated difference is 0 unless a > b, and then at least 1. No widening to 16 bits is needed.
inline __m128i HalfMix(__m128i va, __m128i vb) {
    const __m128i odd = _mm_and_si128(_mm_xor_si128(va, vb), _mm_set1_epi8(1));
    return _mm_sub_epi8(_mm_avg_epu8(va, vb), _mm_min_epu8(_mm_subs_epu8(va, vb), odd));
}

// Pure white in blue, green and red: the 32-bit lane with its fourth byte forced to 255 is all ones.
inline __m128i WhiteMask(__m128i va, __m128i fourth, __m128i ones) {
    return _mm_cmpeq_epi32(_mm_or_si128(va, fourth), ones);
}

void MixRowSse2(const std::uint8_t* a, std::uint8_t* b, int width, int percent) {
    const __m128i ones = _mm_set1_epi8(-1);
    const __m128i fourth = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    std::ptrdiff_t x = 0; // pixel offsets are computed in the pointer's own width
    if (percent == 50) {
        for (; x + 4 <= width; x += 4) {
            const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + 4 * x));
            const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 4 * x));
            const __m128i white = WhiteMask(va, fourth, ones);
            const __m128i out =
                _mm_or_si128(_mm_and_si128(white, vb), _mm_andnot_si128(white, HalfMix(va, vb)));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(b + 4 * x), out);
        }
        MixRowScalar(a + 4 * x, b + 4 * x, static_cast<int>(width - x), percent);
        return;
    }
    const __m128i zero = _mm_setzero_si128();
    const __m128i p = _mm_set1_epi16(static_cast<short>(percent));
    const __m128i magic = _mm_set1_epi16(static_cast<short>(kDiv100Magic));
    for (; x + 4 <= width; x += 4) {
        const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + 4 * x));
        const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 4 * x));
        const __m128i lo = MixLanes(_mm_unpacklo_epi8(va, zero), _mm_unpacklo_epi8(vb, zero), p, magic);
        const __m128i hi = MixLanes(_mm_unpackhi_epi8(va, zero), _mm_unpackhi_epi8(vb, zero), p, magic);
        const __m128i mixed = _mm_packus_epi16(lo, hi);
        const __m128i white = WhiteMask(va, fourth, ones);
        const __m128i out = _mm_or_si128(_mm_and_si128(white, vb), _mm_andnot_si128(white, mixed));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(b + 4 * x), out);
    }
    MixRowScalar(a + 4 * x, b + 4 * x, static_cast<int>(width - x), percent);
}

__attribute__((target("avx2"))) inline __m256i MixLanes256(__m256i a16, __m256i b16, __m256i p,
                                                           __m256i magic) {
    const __m256i d = _mm256_sub_epi16(a16, b16);
    const __m256i s = _mm256_srai_epi16(d, 15);
    const __m256i ad = _mm256_sub_epi16(_mm256_xor_si256(d, s), s);
    const __m256i q = _mm256_srli_epi16(_mm256_mulhi_epu16(_mm256_mullo_epi16(ad, p), magic), 3);
    return _mm256_add_epi16(b16, _mm256_sub_epi16(_mm256_xor_si256(q, s), s));
}

__attribute__((target("avx2"))) inline __m256i HalfMix256(__m256i va, __m256i vb) {
    const __m256i odd = _mm256_and_si256(_mm256_xor_si256(va, vb), _mm256_set1_epi8(1));
    return _mm256_sub_epi8(_mm256_avg_epu8(va, vb), _mm256_min_epu8(_mm256_subs_epu8(va, vb), odd));
}

// Eight pixels at 50 percent, white kept.
__attribute__((target("avx2"))) inline void HalfMixEight(const std::uint8_t* a, std::uint8_t* b,
                                                         __m256i fourth, __m256i ones) {
    const __m256i va = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a));
    const __m256i vb = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b));
    const __m256i white = _mm256_cmpeq_epi32(_mm256_or_si256(va, fourth), ones);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(b), _mm256_blendv_epi8(HalfMix256(va, vb), vb, white));
}

// Unpack and pack both work within 128-bit halves, so the pixel order comes out unchanged.
// `Far`: the pictures are too large for the caches. This loop holds too few iterations in flight
// for its loads alone to keep memory busy, so the lines a kilobyte ahead are asked for early; in
// the cache that only costs time.
template <bool Far>
__attribute__((target("avx2"))) void MixRowAvx2(const std::uint8_t* a, std::uint8_t* b, int width,
                                                int percent) {
    const __m256i ones = _mm256_set1_epi8(-1);
    const __m256i fourth = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    std::ptrdiff_t x = 0; // pixel offsets are computed in the pointer's own width
    if (percent == 50) {
        // Sixteen pixels, one cache line of each picture, per turn.
        for (; x + 16 <= width; x += 16) {
            if (Far) {
                _mm_prefetch(reinterpret_cast<const char*>(a + 4 * x + kPrefetchAhead), _MM_HINT_T0);
                _mm_prefetch(reinterpret_cast<const char*>(b + 4 * x + kPrefetchAhead), _MM_HINT_T0);
            }
            HalfMixEight(a + 4 * x, b + 4 * x, fourth, ones);
            HalfMixEight(a + 4 * x + 32, b + 4 * x + 32, fourth, ones);
        }
        if (x + 8 <= width) {
            HalfMixEight(a + 4 * x, b + 4 * x, fourth, ones);
            x += 8;
        }
        MixRowSse2(a + 4 * x, b + 4 * x, static_cast<int>(width - x), percent);
        return;
    }
    const __m256i zero = _mm256_setzero_si256();
    const __m256i p = _mm256_set1_epi16(static_cast<short>(percent));
    const __m256i magic = _mm256_set1_epi16(static_cast<short>(kDiv100Magic));
    for (; x + 8 <= width; x += 8) {
        const __m256i va = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + 4 * x));
        const __m256i vb = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + 4 * x));
        const __m256i lo =
            MixLanes256(_mm256_unpacklo_epi8(va, zero), _mm256_unpacklo_epi8(vb, zero), p, magic);
        const __m256i hi =
            MixLanes256(_mm256_unpackhi_epi8(va, zero), _mm256_unpackhi_epi8(vb, zero), p, magic);
        const __m256i mixed = _mm256_packus_epi16(lo, hi);
        const __m256i white = _mm256_cmpeq_epi32(_mm256_or_si256(va, fourth), ones);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(b + 4 * x), _mm256_blendv_epi8(mixed, vb, white));
    }
    MixRowSse2(a + 4 * x, b + 4 * x, static_cast<int>(width - x), percent);
}

// The vector loops take percentages 0 .. kVectorMaxPercent; others always go to the scalar loop.
void ScalarOutsideRange(MixRowFn fn, const std::uint8_t* a, std::uint8_t* b, int width, int percent) {
    if (percent < 0 || percent > kVectorMaxPercent) fn = MixRowScalar;
    fn(a, b, width, percent);
}

void CheckedSse2(const std::uint8_t* a, std::uint8_t* b, int width, int percent) {
    ScalarOutsideRange(MixRowSse2, a, b, width, percent);
}
void CheckedAvx2(const std::uint8_t* a, std::uint8_t* b, int width, int percent) {
    ScalarOutsideRange(MixRowAvx2<false>, a, b, width, percent);
}
void CheckedAvx2Far(const std::uint8_t* a, std::uint8_t* b, int width, int percent) {
    ScalarOutsideRange(MixRowAvx2<true>, a, b, width, percent);
}

} // namespace

void AddVectorLoops(std::vector<MixRowLoop>& loops) {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("sse2")) loops.push_back({"sse2", CheckedSse2});
    if (__builtin_cpu_supports("avx2")) {
        loops.push_back({"avx2", CheckedAvx2});
        loops.push_back({"avx2-far", CheckedAvx2Far});
    }
}

ExpandFn VectorExpand24To32() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("ssse3") ? Expand24To32Ssse3 : nullptr;
}

} // namespace nodo::mixrow
