#pragma once
// A growing output buffer for the C libraries' write callbacks. It uses malloc, never throws, and
// reports failure instead, because no C++ exception may cross a C library's frames.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace nodo::pic::detail {

struct MemoryWriter {
    std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t capacity = 0;

    MemoryWriter() = default;
    MemoryWriter(const MemoryWriter&) = delete;
    MemoryWriter& operator=(const MemoryWriter&) = delete;
    ~MemoryWriter() { std::free(data); }

    bool append(const void* bytes, std::size_t n) {
        if (size + n > capacity) {
            std::size_t want = capacity ? capacity * 2 : 65536;
            while (want < size + n)
                want *= 2;
            void* grown = std::realloc(data, want);
            if (!grown) return false;
            data = static_cast<std::uint8_t*>(grown);
            capacity = want;
        }
        std::memcpy(data + size, bytes, n);
        size += n;
        return true;
    }
    std::vector<std::uint8_t> take() const { return std::vector<std::uint8_t>(data, data + size); }
};

} // namespace nodo::pic::detail
