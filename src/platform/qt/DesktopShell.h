#pragma once
#include "platform/Shell.h"

namespace nodo {

class DesktopShell : public Shell {
public:
    bool open(const QString& url) override;
};

} // namespace nodo
