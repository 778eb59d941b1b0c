#include "cli/CalendarContent.h"

#include "calendar/DateTime.h"
#include "calendar_view/MonthPicture.h"
#include "platform/Errors.h"
#include "ui/BitmapImage.h"

#include <QApplication>
#include <QByteArray>

#include <string>

namespace nodo::cli {

pic::Bitmap TodaysMonthPicture(int backgroundHeight) {
    const int scale = MonthPictureScale(backgroundHeight);
    // No window is shown: the offscreen platform needs no display, and its device pixel ratio is
    // the scale, so the control draws its text sharp at the size the desktop shows it.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_SCALE_FACTOR", QByteArray::number(scale));
    static int argc = 1;
    static char name[] = "nodo-cli";
    static char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    const QImage month = RenderMonthPicture(calendar::Today());
    if (month.isNull()) throw NodoError("today is outside the calendar's years 1..2100");
    return FromQImage(month, 24);
}

} // namespace nodo::cli
