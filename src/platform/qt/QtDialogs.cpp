#include "platform/qt/QtDialogs.h"
#include "platform/Dialogs.h"
#include "platform/qt/DialogOwner.h"

#include <QColorDialog>
#include <QFileDialog>

namespace nodo {

QStringList QtDialogs::openFiles(QWidget* parent, const QString& title, const QString& filter,
                                 bool multiSelect) {
    parent = DialogOwner(parent);
    if (multiSelect) return QFileDialog::getOpenFileNames(parent, title, QString(), filter);
    const QString one = QFileDialog::getOpenFileName(parent, title, QString(), filter);
    return one.isEmpty() ? QStringList() : QStringList{one};
}

QString QtDialogs::saveFile(QWidget* parent, const QString& title, const QString& filter,
                            const QString& proposedName) {
    parent = DialogOwner(parent);
    return QFileDialog::getSaveFileName(parent, title, proposedName, filter);
}

std::optional<QColor> QtDialogs::chooseColor(QWidget* parent, const QColor& initial) {
    const QColor c = QColorDialog::getColor(initial, DialogOwner(parent));
    if (!c.isValid()) return std::nullopt;
    return c;
}

} // namespace nodo
