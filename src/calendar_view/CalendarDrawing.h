#pragma once
// The drawing helpers of the calendar control: its colour values as Qt colours, the gradient of the
// selected cell, the fitting and blending of a background picture, and the fonts and text lines the
// control draws in.
#include "calendar_view/MonthModel.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>

#include <cstdint>

class QPainter;

namespace nodo {

QColor ToQColor(TColor c);

// Fills `rect` with `bands` bands running from just after colour b to colour a; vertical bands
// are stacked top to bottom, horizontal ones left to right. Nothing for bands < 1.
void GradientFill(QPainter& p, const QRect& rect, int bands, bool vertical, TColor a, TColor b);
// The rows (or columns) band k (1..bands) of that gradient covers in a span `length` long: [from, to).
void GradientBandSpan(int k, int bands, int length, int& from, int& to);
// The colour of band k (1..bands) of that gradient.
TColor GradientBand(int k, int bands, TColor a, TColor b);

// The rectangle a picture of pw x ph takes stretched into bw x bh with its proportions kept,
// centred when asked; `r` is left as it was for a picture without height.
void FitPicture(int pw, int ph, int bw, int bh, bool centre, QRect& r);

// Mixes `src` into `dst` at (x0, y0): every source pixel that differs from `key` (-1: the source's
// top-left pixel) takes percent mod 100 of the result. Both become 24-bit.
void BlendPicture(QImage& dst, QImage& src, int x0, int y0, std::int64_t key, int percent);

// What the control's own code draws with; kept apart from the names above that its owners use.
namespace calendar_drawing {

// The sizes the control was laid out in are points on a 96-dpi screen.
int PointsToPixels(int points);
// "黑体"/"宋体" through the one font list of the program; the Latin faces fall back the same way.
QFont Face(const QString& face, int points, bool bold = false);
// "宋体" at 9 points: the control's own font, its small labels, week numbers and information cells.
QFont SmallFace();
// "Arial Black" at its heaviest: the year of the title and the watermark.
QFont HeavyFace(int points);

TColor Rgb(int r, int g, int b);

// Single-line text in `r`, cut with an ellipsis when it is too wide.
void DrawLine(QPainter& p, const QRect& r, Qt::Alignment align, const QString& text);

} // namespace calendar_drawing

} // namespace nodo
