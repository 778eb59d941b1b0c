#include "app/Tools.h"

#include "capture/CaptureTool.h"
#include "capture/CopyScreenFrm.h"
#include "pictures/PicImage.h"
#include "pictures/PicImport.h"
#include "pictures/uPicSel.h"
#include "wallpaper/WallpaperTools.h"
#include "wallpaper/uDeskBGSet.h"
#include "wallpaper/uInfoFrm.h"
#include "wallpaper/uPicMix.h"

namespace nodo {

struct AppTools::Impl {
    Impl(Platform& platform, TMainFrm& mainFrm)
        : wallpaper(platform, mainFrm.state(), &mainFrm), picSel(platform, &mainFrm), capture(&mainFrm) {}

    WallpaperTools wallpaper; // the settings window, the confirmation and the holder window
    TPicSelFrm picSel;        // the background list window
    CaptureTool capture;      // makes a fresh capture window for every capture
};

AppTools::AppTools(Platform& platform, TMainFrm& mainFrm) : m(std::make_unique<Impl>(platform, mainFrm)) {}
AppTools::~AppTools() = default;

MainTools AppTools::mainTools() {
    MainTools t;
    Impl* impl = m.get();
    t.imgAppToDeskClick = [impl](MainContext& ctx) { impl->wallpaper.imgAppToDeskClick(ctx); };
    t.imgAddToDeskClick = [impl](MainContext& ctx) { imgAddToDeskClick(ctx, impl->picSel); };
    t.btnInsertPicClick = [](MainContext& ctx) { btnInsertPicClick(ctx); };
    t.SpeedButton1Click = [impl](MainContext& ctx) { impl->capture.SpeedButton1Click(ctx); };
    t.Copyscreanform = [impl](MainContext& ctx) { impl->capture.Copyscreanform(ctx); };
    t.LoadBGPicList = [](MainContext& ctx, bool byChoice) { LoadBGPicList(ctx, byChoice); };
    t.ShowCurPicFile = [](MainContext& ctx) { ShowCurPicFile(ctx); };
    t.copyScreenEventType = kCopyScreenEvent;
    return t;
}

} // namespace nodo
