#pragma once
#include "platform/Screen.h"

namespace nodo {

class QtScreen : public Screen {
public:
    QSize size() const override;
    int depth() const override;
    std::vector<QRect> areas() const override;
    bool canGrab(QString* why) const override;
    QImage grab() override;
};

} // namespace nodo
