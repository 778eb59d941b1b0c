#pragma once
// The background picture list window, a fixed 524 x 286, from its top-left corner.
#include "ui/Layout.h"

namespace nodo::pic_sel_layout {

using layout::Place;

inline constexpr int kWidth = 524, kHeight = 286;

inline constexpr Place kClose{{484, 0, 39, 20}}; // each of its three pictures
inline constexpr Place kLogo{{5, 1, 200, 57}};
inline constexpr Place kListFrame{{8, 55, 321, 162}};
inline constexpr Place kList{{9, 56, 319, 160}};
inline constexpr Place kHint{{352, 64, 161, 153}};
inline constexpr Place kSelected{{408, 168, 0, 0}}; // the picture's own size
inline constexpr Place kRemove{{12, 240, 73, 21}};
inline constexpr Place kAdd{{108, 240, 73, 21}};
inline constexpr Place kOk{{209, 240, 73, 21}};

} // namespace nodo::pic_sel_layout
