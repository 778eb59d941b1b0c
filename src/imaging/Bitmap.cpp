#include "imaging/Bitmap.h"

#include "imaging/PictureError.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace nodo::pic {

namespace {

// A picture's pixels. Large ones sit on 2 MB boundaries and ask the kernel for huge pages: a
// picture of a few megabytes then costs a handful of page faults when first written instead of
// thousands, which is most of the time an apply spends outside its own loops.
constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::uint8_t* AllocatePixels(std::size_t bytes, bool zero) {
    void* p = nullptr;
    if (bytes >= kHugePage) {
        const std::size_t rounded = (bytes + kHugePage - 1) & ~(kHugePage - 1);
        p = std::aligned_alloc(kHugePage, rounded);
        if (!p) throw std::bad_alloc();
#if defined(__linux__) && defined(MADV_HUGEPAGE)
        ::madvise(p, rounded, MADV_HUGEPAGE); // advice only: without huge pages it still works
#endif
        if (zero) std::memset(p, 0, bytes);
    } else {
        p = zero ? std::calloc(bytes, 1) : std::malloc(bytes);
        if (!p) throw std::bad_alloc();
    }
    return static_cast<std::uint8_t*>(p);
}

} // namespace

void Bitmap::FreePixels::operator()(std::uint8_t* p) const noexcept {
    std::free(p);
}

Bitmap::Bitmap(int width, int height, int bitsPerPixel) : Bitmap(width, height, bitsPerPixel, true) {}

Bitmap Bitmap::uninitialized(int width, int height, int bitsPerPixel) {
    return Bitmap(width, height, bitsPerPixel, false);
}

Bitmap::Bitmap(int width, int height, int bitsPerPixel, bool zero) {
    if (bitsPerPixel != 24 && bitsPerPixel != 32)
        throw std::invalid_argument("Bitmap: bits per pixel must be 24 or 32, not " +
                                    std::to_string(bitsPerPixel));
    if (width < 0 || height < 0) throw std::invalid_argument("Bitmap: negative size");
    m_bpp = m_sourceBpp = bitsPerPixel;
    if (width == 0 || height == 0) return; // an empty bitmap is 0 x 0 whatever was asked
    if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > kMaxPixels)
        throw PictureError(PictureErrorKind::TooLarge, "picture of " + std::to_string(width) + " x " +
                                                           std::to_string(height) +
                                                           " pixels is larger than the 100-megapixel limit");
    m_width = width;
    m_height = height;
    const std::size_t bytes = sizeBytes();
    m_pixels.reset(AllocatePixels(bytes, zero));
}

Bitmap::Bitmap(const Bitmap& other)
    : m_width(other.m_width), m_height(other.m_height), m_bpp(other.m_bpp), m_sourceBpp(other.m_sourceBpp) {
    if (other.m_pixels) {
        m_pixels.reset(AllocatePixels(other.sizeBytes(), false));
        std::memcpy(m_pixels.get(), other.m_pixels.get(), other.sizeBytes());
    }
}

Bitmap& Bitmap::operator=(const Bitmap& other) {
    if (this != &other) {
        Bitmap copy(other);
        *this = std::move(copy);
    }
    return *this;
}

Bitmap::Bitmap(Bitmap&& other) noexcept
    : m_width(other.m_width), m_height(other.m_height), m_bpp(other.m_bpp), m_sourceBpp(other.m_sourceBpp),
      m_pixels(std::move(other.m_pixels)) {
    other.m_width = other.m_height = 0;
}

Bitmap& Bitmap::operator=(Bitmap&& other) noexcept {
    if (this != &other) {
        m_width = other.m_width;
        m_height = other.m_height;
        m_bpp = other.m_bpp;
        m_sourceBpp = other.m_sourceBpp;
        m_pixels = std::move(other.m_pixels);
        other.m_width = other.m_height = 0;
    }
    return *this;
}

Bgra Bitmap::pixel(int x, int y) const {
    const std::uint8_t* p = row(y) + static_cast<std::size_t>(x) * bytesPerPixel();
    return {p[0], p[1], p[2], m_bpp == 32 ? p[3] : std::uint8_t{255}};
}

void Bitmap::setPixel(int x, int y, Bgra c) {
    std::uint8_t* p = row(y) + static_cast<std::size_t>(x) * bytesPerPixel();
    p[0] = c.b;
    p[1] = c.g;
    p[2] = c.r;
    if (m_bpp == 32) p[3] = c.a;
}

void Bitmap::fill(Bgra c) {
    if (empty()) return;
    const int bpp = bytesPerPixel();
    std::uint8_t* first = row(0);
    for (int x = 0; x < m_width; ++x) {
        std::uint8_t* p = first + static_cast<std::size_t>(x) * bpp;
        p[0] = c.b;
        p[1] = c.g;
        p[2] = c.r;
        if (bpp == 4) p[3] = c.a;
    }
    for (int y = 1; y < m_height; ++y)
        std::memcpy(row(y), first, stride());
}

bool Bitmap::operator==(const Bitmap& other) const {
    if (m_width != other.m_width || m_height != other.m_height || m_bpp != other.m_bpp) return false;
    return empty() || std::memcmp(m_pixels.get(), other.m_pixels.get(), sizeBytes()) == 0;
}

} // namespace nodo::pic
