#pragma once
// Where the controls of the program's windows are, from each window's top-left corner.
#include "e2e/Session.h"

namespace e2e {

// The main window, at its default width of 830.
namespace at {
constexpr Point kClose{809, 11}, kMini{774, 11}, kOptions{700, 63}, kApply{784, 59};
constexpr Point kInsert{360, 65}, kCapture{426, 65}, kStartPanel{155, 206}, kList{158, 390};
constexpr Point kBackground{280, 34}, kPage{365, 110};
} // namespace at
// The picture list window (524 x 286).
namespace list {
constexpr Point kClose{503, 10}, kRemove{48, 250}, kAdd{144, 250}, kOk{245, 250}, kFirstRow{60, 64};
}
// The confirmation (344 x 156).
namespace infor {
constexpr Point kOk{212, 130}, kCancel{292, 130}, kX{331, 10}, kDontAsk{118, 90};
}

} // namespace e2e
