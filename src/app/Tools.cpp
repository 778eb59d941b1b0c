#include "app/Tools.h"

#include "pictures/PicImage.h"

namespace nodo {

struct AppTools::Impl {
    Platform& platform;
    TMainFrm& mainFrm;
};

AppTools::AppTools(Platform& platform, TMainFrm& mainFrm) : m(new Impl{platform, mainFrm}) {}
AppTools::~AppTools() = default;

MainTools AppTools::mainTools() {
    MainTools t;
    t.LoadPicture = [](TPicImage& page, const std::string& file) { page.LoadFromFile(file); };
    return t;
}

} // namespace nodo
