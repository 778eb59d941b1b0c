#pragma once
// The program's own artwork, drawn as SVG and compiled in as resources (":/art/<name>.svg").
#include <QPixmap>
#include <QSize>
#include <QString>

namespace nodo::art {

// Renders the named picture at exactly `size` device-independent pixels. A name that is not there
// gives a null pixmap.
QPixmap Pixmap(const QString& name, const QSize& size);
// The picture at its own design size.
QPixmap Pixmap(const QString& name);

} // namespace nodo::art
