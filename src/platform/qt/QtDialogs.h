#pragma once
#include "platform/Dialogs.h"

namespace nodo {

class QtDialogs : public Dialogs {
public:
    QStringList openFiles(QWidget* parent, const QString& title, const QString& filter,
                          bool multiSelect) override;
    QString saveFile(QWidget* parent, const QString& title, const QString& filter,
                     const QString& proposedName = {}) override;
    std::optional<QColor> chooseColor(QWidget* parent, const QColor& initial) override;
};

} // namespace nodo
