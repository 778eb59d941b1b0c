#pragma once
#include "platform/MessageBox.h"

namespace nodo {

class QtMessageBox : public MessageBox {
public:
    Result show(QWidget* parent, const QString& text, const QString& caption, Buttons buttons,
                Icon icon) override;
};

} // namespace nodo
