// The calendar control's month change: a month fill (the facts of every day, the background with
// its watermark) plus a full repaint of the grid, against painting the same 9 x 7 grid of plain
// text cells in the same fonts with no lunar facts. The table at the end gives the absolute time
// and the ratio; the ratios are also taken interleaved, keeping the fastest round of each, which is
// the figure least disturbed by other work on a shared machine.
#include "calendar_view/ChnCalendarPicker.h"

#include "calendar/DateTime.h"
#include "ui/Chrome.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace {

nodo::TChnCalendar* Calendar() {
    static std::unique_ptr<nodo::TChnCalendar> cal = [] {
        auto c = std::make_unique<nodo::TChnCalendar>();
        c->setGeometry(0, 0, 419, 255);
        c->SetShowFrame(false);
        c->SetStretch(true);
        c->SetFontDate(nodo::UiFont(QStringLiteral("黑体"), 12, true));
        c->SetFontCnDate(nodo::UiFont(QStringLiteral("宋体"), 12));
        return c;
    }();
    return cal.get();
}

QImage& GridImage() {
    static QImage img(404, 188, QImage::Format_RGB32);
    return img;
}

// One month change: every call goes to the other of two months, so each is a full fill.
void MonthChange() {
    static bool odd = false;
    odd = !odd;
    nodo::TChnCalendar* cal = Calendar();
    cal->SetDateTime(nodo::calendar::EncodeDate(2024, odd ? 2 : 3, 10));
    QPainter p(&GridImage());
    cal->DayGrid()->PaintCells(p);
}

// The same grid as plain text: a white cell, the day number and a second line of text.
void PlainGrid() {
    static const QFont date = nodo::UiFont(QStringLiteral("黑体"), 12, true);
    static const QFont text = nodo::UiFont(QStringLiteral("宋体"), 12);
    static const QString lines[] = {QStringLiteral("初一"), QStringLiteral("十五"), QStringLiteral("廿九")};
    nodo::TDayGrid* g = Calendar()->DayGrid();
    QPainter p(&GridImage());
    for (int r = 0; r < nodo::TDayGrid::kRows; ++r)
        for (int c = 0; c < nodo::TDayGrid::kCols; ++c) {
            const QRect cell = g->CellRect(c, r);
            p.fillRect(cell, Qt::white);
            if (r == 0 || c == 0 || c == 8) continue;
            const int day = c + 7 * (r - 1);
            const int mid = cell.height() / 2;
            p.setFont(date);
            p.setPen(Qt::darkGray);
            p.drawText(QRect(cell.left() + 2, cell.top(), cell.width() - 4, mid),
                       Qt::AlignHCenter | Qt::AlignBottom, QString::number(day));
            p.setFont(text);
            p.setPen(Qt::darkGreen);
            p.drawText(QRect(cell.left() + 2, cell.top() + mid, cell.width() - 4, cell.height() - mid),
                       Qt::AlignHCenter | Qt::AlignTop, lines[day % 3]);
        }
}

void BM_MonthFillAndRepaint(benchmark::State& state) {
    for (auto _ : state)
        MonthChange();
}
BENCHMARK(BM_MonthFillAndRepaint)->Unit(benchmark::kMicrosecond);

void BM_PlainTextGrid(benchmark::State& state) {
    for (auto _ : state)
        PlainGrid();
}
BENCHMARK(BM_PlainTextGrid)->Unit(benchmark::kMicrosecond);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> micros; // per iteration, wall time
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& r : runs)
            if (r.run_type == Run::RT_Iteration && r.iterations > 0)
                micros[r.benchmark_name()] = r.GetAdjustedRealTime(); // in the unit asked: us
        ConsoleReporter::ReportRuns(runs);
    }
};

// The fastest of `rounds` interleaved runs of each, in seconds.
void BestOf(const std::function<void()>& a, const std::function<void()>& b, int rounds, double& ta,
            double& tb) {
    using Clock = std::chrono::steady_clock;
    ta = tb = 1e30;
    for (int i = 0; i < rounds; ++i) {
        auto t0 = Clock::now();
        a();
        auto t1 = Clock::now();
        b();
        auto t2 = Clock::now();
        ta = std::min(ta, std::chrono::duration<double>(t1 - t0).count());
        tb = std::min(tb, std::chrono::duration<double>(t2 - t1).count());
    }
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto& t = reporter.micros;
    const std::string fill = "BM_MonthFillAndRepaint", plain = "BM_PlainTextGrid";
    if (t.count(fill) && t.count(plain) && t[plain] > 0) {
        std::printf(
            "\nmonth fill + full repaint: %.3f ms; plain text grid: %.3f ms; ratio %.2f (target <= 3)\n",
            t[fill] / 1e3, t[plain] / 1e3, t[fill] / t[plain]);
        double a = 0, b = 0;
        BestOf(MonthChange, PlainGrid, 200, a, b);
        std::printf("interleaved, fastest of 200: %.3f ms against %.3f ms, ratio %.2f\n", a * 1e3, b * 1e3,
                    a / b);
    }
    benchmark::Shutdown();
    return 0;
}
