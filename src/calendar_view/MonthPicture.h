#pragma once
// The month view as a picture of its own, for the desktop: the calendar control set up as the main
// window shows it, drawn off screen with a given day selected.
#include "calendar/DateTime.h"

#include <QImage>
#include <QSize>

namespace nodo {

// The control's size in the calendar window. At the main window's 419 x 255 the six weeks get 28
// pixels a row, and each day's lunar line runs into the next week's day numbers; on the desktop,
// where the month is there to be read, it gets the rows the calendar window gives it.
inline constexpr QSize kMonthPictureSize{419, 305};

// The control with `day` selected (its month shown, lunar days, festivals and solar terms under the
// day numbers), on white, drawn at `scale` device pixels per pixel of its layout, so the text stays
// sharp when the picture is large. A running Q(Gui)Application is needed; `scale` must match the
// device pixel ratio the application was started with (QT_SCALE_FACTOR), as the control draws its
// own bitmaps at the screen's ratio. A null image for a day outside the years 1..2100.
QImage RenderMonthPicture(calendar::TDateTime day);

// The whole-number scale at which a month picture suits a background of `height` pixels: about a
// third of it, never below 1.
int MonthPictureScale(int backgroundHeight);

} // namespace nodo
