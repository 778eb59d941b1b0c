#include "imaging/Bitmap.h"

#include "imaging/PictureError.h"

#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

namespace nodo::pic {

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
    m_pixels.reset(zero ? new std::uint8_t[bytes]() : new std::uint8_t[bytes]);
}

Bitmap::Bitmap(const Bitmap& other)
    : m_width(other.m_width), m_height(other.m_height), m_bpp(other.m_bpp), m_sourceBpp(other.m_sourceBpp) {
    if (other.m_pixels) {
        m_pixels.reset(new std::uint8_t[other.sizeBytes()]);
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
