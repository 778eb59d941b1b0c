#pragma once
// Where the controls of the program's windows are, from each window's top-left corner: read from
// the windows' own layout tables, so a control that moves there moves here.
#include "app/MainFrmLayout.h"
#include "e2e/Session.h"
#include "pictures/PicSelLayout.h"
#include "wallpaper/InforFrmLayout.h"

namespace e2e {

constexpr Point At(nodo::layout::Spot s) {
    return {s.x, s.y};
}

// The main window, at the size it opens with (830 x 500).
namespace at {
namespace ml = nodo::main_layout;
constexpr Point kClose = At(ml::AtOpenSize(ml::kClose).centre());
constexpr Point kMini = At(ml::AtOpenSize(ml::kMiniPressed).centre());
constexpr Point kApply = At(ml::AtOpenSize(ml::kApply).centre());
constexpr Point kOptions = At(ml::AtOpenSize(ml::kOptions).offset(17, 7)); // on "选项"
constexpr Point kInsert = At(ml::kInsertPicture.box.centre()), kCapture = At(ml::kCapture.box.centre());
constexpr Point kStartPanel{ml::kLeftColumn.box.x + ml::kStartPanel.centre().x,
                            ml::kLeftColumn.box.y + ml::kStartPanel.centre().y};
constexpr Point kList{ml::kLeftColumn.box.x + ml::kPictureList.centre().x,
                      ml::kLeftColumn.box.y + ml::kPictureList.centre().y};
constexpr Point kPage = At(ml::kRightColumn.box.offset(50, 30));
constexpr Point kBackground{280, 34}; // the bare background between the logo and the date
} // namespace at

// The picture list window.
namespace list {
namespace sl = nodo::pic_sel_layout;
constexpr Point kClose = At(sl::kClose.box.centre()), kRemove = At(sl::kRemove.box.centre());
constexpr Point kAdd = At(sl::kAdd.box.centre()), kOk = At(sl::kOk.box.centre());
constexpr Point kFirstRow = At(sl::kList.box.offset(51, 8));
} // namespace list

// The confirmation.
namespace infor {
namespace il = nodo::infor_layout;
constexpr Point kOk = At(il::kOk.box.centre()), kCancel = At(il::kCancel.box.centre());
constexpr Point kX = At(il::kClose.box.centre()), kDontAsk = At(il::kDontAskAgain.box.offset(6, 8));
} // namespace infor

} // namespace e2e
