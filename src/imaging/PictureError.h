#pragma once
// The one error type of the picture core. Callers turn it into the user's message; what() says what
// was wrong with the file in plain English.
#include "imaging/Bitmap.h"

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

namespace nodo::pic {

enum class PictureErrorKind {
    Io,          // the file could not be read or written
    Unsupported, // not a picture format we know, or a variant of it we do not read
    Corrupt,     // the data contradicts itself
    Truncated,   // the file ends before the data it announces
    TooLarge,    // over kMaxPixels, or more pixels than the file could hold
};

class PictureError : public std::runtime_error {
public:
    PictureError(PictureErrorKind kind, const std::string& message)
        : std::runtime_error(message), m_kind(kind) {}
    PictureErrorKind kind() const { return m_kind; }

private:
    PictureErrorKind m_kind;
};

using Bytes = std::span<const std::uint8_t>;

struct DecodeOptions {
    // Pictures with more pixels than this are refused (fuzzers lower it to stay fast).
    std::uint64_t maxPixels = kMaxPixels;
};

} // namespace nodo::pic
