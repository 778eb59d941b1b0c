#pragma once
// The main window's controls, from its top-left corner, as designed for a client area of 822 x 466;
// the window opens at 830 x 500 and the controls anchored right or bottom follow its size.
#include "ui/Layout.h"

namespace nodo::main_layout {

using layout::Box;
using layout::kAllSides;
using layout::kTopLeft;
using layout::kTopRight;
using layout::Place;

inline constexpr int kDesignWidth = 822, kDesignHeight = 466;
inline constexpr int kOpenWidth = 830, kOpenHeight = 500;

// The title bar's pictures: each state of the close and minimise buttons is a picture of its own.
inline constexpr Place kClose{{782, 1, 39, 20}, kTopRight};
inline constexpr Place kMiniNormal{{753, 1, 28, 20}, kTopRight};
inline constexpr Place kMiniPressed{{752, 1, 28, 20}, kTopRight}; // the highlight and down pictures
inline constexpr Place kLogo{{52, 13, 200, 57}};
inline constexpr Place kDateTime{{343, 19, 0, 0}};           // sized by its text
inline constexpr Place kOptions{{675, 56, 0, 0}, kTopRight}; // "|  选项", sized by its text
inline constexpr Place kApply{{734, 45, 84, 29}, kTopRight};
inline constexpr Place kInsertPicture{{328, 54, 64, 22}};
inline constexpr Place kCapture{{394, 54, 64, 22}};

// The left column: the start page's panel and the picture list's button under it.
inline constexpr Place kLeftColumn{{4, 80, 302, 441}};
inline constexpr Box kStartPanel{1, 1, 300, 250};     // in the left column
inline constexpr Box kStartPage{-11, -16, 2000, 841}; // in the start panel: its margins cut off
inline constexpr Box kPictureList{54, 264, 200, 93};  // in the left column

// The right column, which stretches with the window; its page control fills it.
inline constexpr Place kRightColumn{{315, 80, 503, 381}, kAllSides};
// The dated note's panel, in the right column below what it shows, and its calendar.
inline constexpr Box kNotePanel{49, 398, 423, 381};
inline constexpr Box kNoteCalendar{2, 2, 419, 255};

// Where a control is when the window has the size it opens with.
constexpr Box AtOpenSize(const Place& p) {
    return layout::Anchored(p, kOpenWidth - kDesignWidth, kOpenHeight - kDesignHeight);
}

} // namespace nodo::main_layout
