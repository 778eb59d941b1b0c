#pragma once
// The texts of the capture window's information panel.
#include <string>
#include <string_view>

namespace nodo::capture {

inline constexpr std::string_view kRGBDesign = "当前像素RGB值（255、255、255）";
inline constexpr std::string_view kActionSelect = "按住鼠标左键不放选择截取范围";
inline constexpr std::string_view kActionRelease = "松开鼠标左键以确定最终截取范围";
inline constexpr std::string_view kActionSend = "按空格/回车/双击左键发送当前选区的图像";
inline constexpr std::string_view kCancelExit = "按鼠标右键退出";
inline constexpr std::string_view kCancelClear = "按鼠标右键取消当前选区";
inline constexpr std::string_view kEscInfo = "按ESC键退出";

// "当前像素RGB值（r、g、b）", each component in plain decimal.
std::string RGBText(int red, int green, int blue);

} // namespace nodo::capture
