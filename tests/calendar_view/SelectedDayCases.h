#pragma once
// The selected day's texts as the control and its month model both give them.
namespace nodo::test {

struct SelectedDayCase {
    int y, m, d;
    const char *cnMonth, *cnDay, *info, *starSign, *ganZhi, *animal;
};

inline const SelectedDayCase kSelectedDays[] = {
    {2013, 1, 2, "冬月", "廿一", "2013-01-02 农历冬月廿一", "摩羯", "壬辰", "龙年"},
    {2024, 2, 10, "正月", "初一", "2024-02-10 农历正月初一", "宝瓶", "甲辰", "龙年"},
    // Before 1949 the line begins with the era instead of the date.
    {1916, 2, 3, "正月", "初一", "[近、现代]中华民国  民国6年 农历正月初一", "宝瓶", "乙卯", "龙年"},
    {1948, 12, 31, "腊月", "初二", "[近、现代]中华民国  民国38年 农历腊月初二", "摩羯", "戊子", "鼠年"},
    {1949, 1, 1, "腊月", "初三", "1949-01-01 农历腊月初三", "摩羯", "戊子", "鼠年"},
};

} // namespace nodo::test
