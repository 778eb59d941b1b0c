// The calendar control alone in a window, for the real-input tests: it starts on 2024-02-10 and
// writes what the user selected to "calendar.txt" in the working folder after every event, as
// "date clicks selects changes" (the date as YYYY-MM-DD).
#include "calendar_view/ChnCalendarPicker.h"

#include "calendar/DateTime.h"
#include "ui/Chrome.h"

#include <QApplication>
#include <QWidget>

#include <fstream>

namespace {

struct Counts {
    int clicks = 0, selects = 0, changes = 0;
};

void Report(const nodo::TChnCalendar& cal, const Counts& n) {
    nodo::calendar::CivilDate d;
    nodo::calendar::DecodeDate(cal.DateTime(), d);
    std::ofstream out("calendar.txt.new", std::ios::trunc);
    out << nodo::calendar::FormatIsoDate(d.year, d.month, d.day) << ' ' << n.clicks << ' ' << n.selects << ' '
        << n.changes << '\n';
    out.close();
    std::rename("calendar.txt.new", "calendar.txt");
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("农历日历"));
    window.resize(423, 259);
    auto* cal = new nodo::TChnCalendar(&window);
    cal->setGeometry(2, 2, 419, 255);
    cal->SetShowFrame(false);
    cal->SetStretch(true);
    cal->SetTransparent(true);
    cal->SetFontDate(nodo::UiFont(QStringLiteral("黑体"), 12, true));
    cal->SetFontCnDate(nodo::UiFont(QStringLiteral("宋体"), 12));
    Counts n;
    cal->OnChange = [&](nodo::TChnCalendar* c) {
        ++n.changes;
        Report(*c, n);
    };
    cal->OnDateClick = [&](nodo::TChnCalendar* c) {
        ++n.clicks;
        Report(*c, n);
    };
    cal->OnDateSelect = [&](nodo::TChnCalendar* c) {
        ++n.selects;
        Report(*c, n);
    };
    cal->SetDateTime(nodo::calendar::EncodeDate(2024, 2, 10));
    window.show();
    return app.exec();
}
