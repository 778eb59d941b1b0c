#include "app/Tools.h"

namespace nodo {

struct AppTools::Impl {
    Platform& platform;
    TMainFrm& mainFrm;
};

AppTools::AppTools(Platform& platform, TMainFrm& mainFrm) : m(new Impl{platform, mainFrm}) {}
AppTools::~AppTools() = default;

MainTools AppTools::mainTools() {
    MainTools t;
    return t;
}

} // namespace nodo
