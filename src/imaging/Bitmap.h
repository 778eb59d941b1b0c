#pragma once
// An uncompressed picture in memory: top-down rows of BGR (24 bits) or BGRA (32 bits) pixels with no
// padding between rows, so a whole row can be handed to a loop through one pointer.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace nodo::pic {

// A picture larger than this is refused before its pixels are allocated.
inline constexpr std::uint64_t kMaxPixels = 100'000'000;

struct Bgra {
    std::uint8_t b = 0, g = 0, r = 0, a = 255;
    friend bool operator==(const Bgra&, const Bgra&) = default;
};

class Bitmap {
public:
    Bitmap() = default; // empty: 0 x 0
    // Zero-filled (black; alpha 0 in a 32-bit bitmap). bitsPerPixel is 24 or 32.
    Bitmap(int width, int height, int bitsPerPixel);
    // For decoders that write every byte themselves: skips the zero fill.
    static Bitmap uninitialized(int width, int height, int bitsPerPixel);

    Bitmap(const Bitmap& other);
    Bitmap& operator=(const Bitmap& other);
    Bitmap(Bitmap&& other) noexcept;
    Bitmap& operator=(Bitmap&& other) noexcept;
    ~Bitmap() = default;

    int width() const { return m_width; }
    int height() const { return m_height; }
    bool empty() const { return m_width == 0 || m_height == 0; }
    int bitsPerPixel() const { return m_bpp; } // 24 or 32 (24 for an empty bitmap)
    int bytesPerPixel() const { return m_bpp / 8; }
    std::size_t stride() const { return static_cast<std::size_t>(m_width) * bytesPerPixel(); }
    std::size_t sizeBytes() const { return stride() * static_cast<std::size_t>(m_height); }

    // Bits per pixel of the file it was decoded from (1, 4, 8, 16, 24 or 32 for a BMP); equals
    // bitsPerPixel() for a bitmap made in memory.
    int sourceBitsPerPixel() const { return m_sourceBpp; }
    void setSourceBitsPerPixel(int bpp) { m_sourceBpp = bpp; }

    std::uint8_t* row(int y) { return m_pixels.get() + stride() * static_cast<std::size_t>(y); }
    const std::uint8_t* row(int y) const { return m_pixels.get() + stride() * static_cast<std::size_t>(y); }
    std::uint8_t* data() { return m_pixels.get(); }
    const std::uint8_t* data() const { return m_pixels.get(); }

    // Convenience accessors for tests and small drawings; loops over a whole picture use row().
    Bgra pixel(int x, int y) const;      // alpha is 255 in a 24-bit bitmap
    void setPixel(int x, int y, Bgra c); // alpha is dropped in a 24-bit bitmap
    void fill(Bgra c);

    // Same size, depth and pixels (the source depth is not compared).
    bool operator==(const Bitmap& other) const;

private:
    Bitmap(int width, int height, int bitsPerPixel, bool zero);

    int m_width = 0;
    int m_height = 0;
    int m_bpp = 24;
    int m_sourceBpp = 24;
    struct FreePixels {
        void operator()(std::uint8_t* p) const noexcept;
    };
    std::unique_ptr<std::uint8_t[], FreePixels> m_pixels;
};

} // namespace nodo::pic
