#pragma once
// The apply's confirmation ("您确定要更换壁纸？"), a fixed 344 x 156, from its top-left corner.
#include "ui/Layout.h"

namespace nodo::infor_layout {

using layout::Place;

inline constexpr int kWidth = 344, kHeight = 156;

inline constexpr Place kQuestionSign{{32, 24, 45, 46}};
inline constexpr Place kMessage{{112, 40, 0, 0}}; // sized by its text
inline constexpr Place kDontAskAgain{{112, 82, 121, 17}};
inline constexpr Place kOk{{176, 120, 73, 21}};
inline constexpr Place kCancel{{256, 120, 73, 21}};
inline constexpr Place kClose{{321, 1, 20, 18}};

} // namespace nodo::infor_layout
