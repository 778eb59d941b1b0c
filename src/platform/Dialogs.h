#pragma once
#include <QColor>
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace nodo {

// The common file and colour dialogs.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Empty list when cancelled. With `multiSelect` several files may come back; the first is the
    // one the dialog names.
    virtual QStringList openFiles(QWidget* parent, const QString& title, const QString& filter,
                                  bool multiSelect) = 0;
    // Empty when cancelled. `proposedName` is the file name the dialog starts with.
    virtual QString saveFile(QWidget* parent, const QString& title, const QString& filter,
                             const QString& proposedName = {}) = 0;
    virtual std::optional<QColor> chooseColor(QWidget* parent, const QColor& initial) = 0;
};

} // namespace nodo
