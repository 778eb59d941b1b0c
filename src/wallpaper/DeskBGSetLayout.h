#pragma once
// The desktop background window's controls, from the top-left of its panel, as designed at 1020 x 734.
#include "ui/Layout.h"

namespace nodo::desk_bg_layout {

using layout::Place;

inline constexpr int kDesignWidth = 1020, kDesignHeight = 734;

// The scroll box keeps its distance to every edge of the panel; the content picture, placed by the
// user, keeps its distance to the scroll box's right edge.
inline constexpr Place kScrollBox{{0, 0, 1012, 650}, layout::kAllSides};
inline constexpr layout::Spot kContentPlace{335, 2};
inline constexpr unsigned kContentEdges = layout::kTopRight;

inline constexpr Place kTransparency{{516, 660, 169, 29}};
inline constexpr Place kTransparencyCaption{{480, 701, 0, 0}}; // "透明度:", sized by its text
inline constexpr Place kMakeContent{{49, 663, 140, 21}};
inline constexpr Place kPreview{{735, 663, 73, 21}};
inline constexpr Place kOk{{825, 663, 73, 21}};
inline constexpr Place kCancel{{913, 662, 73, 21}};

} // namespace nodo::desk_bg_layout
