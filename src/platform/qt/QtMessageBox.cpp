#include "platform/qt/QtMessageBox.h"
#include "platform/MessageBox.h"
#include "platform/qt/DialogOwner.h"

#include <QAbstractButton>
#include <QMessageBox>

namespace nodo {

MessageBox::Result QtMessageBox::show(QWidget* parent, const QString& text, const QString& caption,
                                      Buttons buttons, Icon icon) {
    QWidget* owner = DialogOwner(parent);
    QMessageBox box(owner);
    AttachToOwner(box, owner);
    box.setWindowTitle(caption);
    box.setText(text);
    switch (icon) {
    case Icon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    if (buttons == Buttons::OkCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    if (auto* cancel = box.button(QMessageBox::Cancel)) cancel->setText(QStringLiteral("取消"));
    return box.exec() == QMessageBox::Ok ? Result::Ok : Result::Cancel;
}

} // namespace nodo
