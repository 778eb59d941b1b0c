#pragma once
// The processor-specific parts of the blend. CMake builds one implementation file: the x86 loops,
// or a portable one that adds nothing, so the scalar loop is used.
#include "wallpaper/MixPic.h"

#include <cstdint>
#include <vector>

namespace nodo::mixrow {

using ExpandFn = void (*)(const std::uint8_t* s, std::uint8_t* d, int width);

// 24-bit pixels to 32 bits with a fourth byte of 0.
void Expand24To32Scalar(const std::uint8_t* s, std::uint8_t* d, int width);

// Appends the vector row loops this processor can run, best last; each variant named "...-far"
// follows the loop it is the large-picture form of.
void AddVectorLoops(std::vector<MixRowLoop>& loops);
// The vector form of Expand24To32Scalar, or null when there is none.
ExpandFn VectorExpand24To32();

} // namespace nodo::mixrow
