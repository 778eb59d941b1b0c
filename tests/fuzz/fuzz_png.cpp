// libFuzzer target of DecodePng; what it checks is in DecodeCheck.h.
#include "DecodeCheck.h"

#include <vector>

#include <zlib.h>

namespace {

// Mutated chunks almost always fail their CRC, which would stop libpng at the first chunk; writing
// the right CRCs lets the fuzzer reach the decoding itself.
std::vector<std::uint8_t> withGoodCrcs(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> v(data, data + size);
    std::size_t pos = 8;
    while (pos + 12 <= v.size()) {
        const std::uint64_t len =
            (std::uint64_t{v[pos]} << 24) | (v[pos + 1] << 16) | (v[pos + 2] << 8) | v[pos + 3];
        if (pos + 12 + len > v.size()) break;
        const uLong crc = crc32(0, &v[pos + 4], static_cast<uInt>(len + 4));
        for (int i = 0; i < 4; ++i)
            v[pos + 8 + len + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
        pos += 12 + len;
    }
    return v;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    nodo::pic::fuzz::CheckDecoder(nodo::pic::DecodePng, {data, size});
    nodo::pic::fuzz::CheckDecoder(nodo::pic::DecodePng, withGoodCrcs(data, size));
    return 0;
}
