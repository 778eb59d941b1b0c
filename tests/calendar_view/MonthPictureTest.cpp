#include "calendar_view/MonthPicture.h"

#include <gtest/gtest.h>

#include <QColor>

namespace nodo {
namespace {

TEST(MonthPicture, ScaleIsAboutAThirdOfTheBackground) {
    // The picture is 305 pixels high at scale 1: the nearest whole scale to a third of the height.
    const std::pair<int, int> cases[] = {{0, 1},    {200, 1},  {768, 1},  {1080, 1}, {1200, 1},
                                         {1440, 2}, {1600, 2}, {2160, 2}, {4320, 5}};
    for (const auto& [height, scale] : cases)
        EXPECT_EQ(MonthPictureScale(height), scale) << height;
}

TEST(MonthPicture, ShowsTheMonthOnWhiteWithTheDaySelected) {
    const QImage a = RenderMonthPicture(calendar::EncodeDate(2026, 2, 17));
    ASSERT_EQ(a.size(), kMonthPictureSize);
    // The corners are the control's white ground, which the blend leaves out.
    EXPECT_EQ(a.pixelColor(0, a.height() - 1), QColor(Qt::white));
    EXPECT_EQ(a.pixelColor(a.width() - 1, a.height() - 1), QColor(Qt::white));
    // Another day of the same month moves the selection: the pictures differ.
    const QImage b = RenderMonthPicture(calendar::EncodeDate(2026, 2, 18));
    ASSERT_EQ(b.size(), a.size());
    EXPECT_NE(a, b);
}

TEST(MonthPicture, NothingOutsideTheCalendarsYears) {
    EXPECT_TRUE(RenderMonthPicture(calendar::EncodeDate(2101, 1, 1)).isNull());
    EXPECT_FALSE(RenderMonthPicture(calendar::EncodeDate(2100, 12, 31)).isNull());
}

} // namespace
} // namespace nodo
