#pragma once
// The tool windows that the main window opens, created once in the program's fixed order, and the
// main window's handlers that hand over to them.
#include "app/uMain.h"

#include <memory>

namespace nodo {

class AppTools {
public:
    AppTools(Platform& platform, TMainFrm& mainFrm);
    ~AppTools();
    MainTools mainTools();

private:
    struct Impl;
    std::unique_ptr<Impl> m;
};

} // namespace nodo
