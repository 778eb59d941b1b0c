#include "calendar_view/MonthPicture.h"

#include "calendar_view/ChnCalendarPicker.h"
#include "calendar_view/NoteCalendar.h"

#include <QCoreApplication>
#include <QPixmap>

#include <algorithm>

namespace nodo {

QImage RenderMonthPicture(calendar::TDateTime day) {
    int y = 0, m = 0, d = 0;
    if (!calendar::DecodeDate(day, y, m, d) || y > 2100) return {};
    TChnCalendar control;
    control.setAttribute(Qt::WA_DontShowOnScreen);
    control.setGeometry(0, 0, kMonthPictureSize.width(), kMonthPictureSize.height());
    ApplyNoteCalendarDesign(control); // as the main window shows it
    control.SetDateTime(day);
    // The title's "今天" link and the spin buttons are for a hand on the control; a picture on the
    // desktop cannot be clicked.
    control.ensurePolished();
    QCoreApplication::sendPostedEvents();
    control.TodayLabel()->hide();
    // The title mode shows the spin buttons again at every layout, so they are made empty instead.
    control.MonthSpin()->setFixedSize(0, 0);
    control.YearSpin()->setFixedSize(0, 0);
    QImage picture = control.grab().toImage().convertToFormat(QImage::Format_RGB888);
    return picture;
}

int MonthPictureScale(int backgroundHeight) {
    const int wanted = (backgroundHeight / 3 + kMonthPictureSize.height() / 2) / kMonthPictureSize.height();
    return std::max(1, wanted);
}

} // namespace nodo
