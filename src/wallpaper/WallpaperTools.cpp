#include "wallpaper/WallpaperTools.h"

#include "ui/MainContext.h"
#include "pictures/PicImage.h"
#include "pictures/uGlobal.h"
#include "platform/Platform.h"
#include "wallpaper/uDeskBGSet.h"
#include "wallpaper/uInfoFrm.h"
#include "wallpaper/uPicMix.h"

#include <QApplication>
#include <QCursor>
#include <exception>

namespace nodo {

namespace {
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};
} // namespace

WallpaperTools::WallpaperTools(Platform& platform, SharedState& state, QWidget* mainWindow)
    : m_platform(platform), m_deskBGSet(std::make_unique<TDeskBGSetFrm>(platform)),
      m_infor(new TInforFrm(platform, state, mainWindow)), m_mixPic(std::make_unique<TMixPicFrm>()) {}

WallpaperTools::~WallpaperTools() { delete m_infor.data(); }

void WallpaperTools::MakeContentPic(MainContext& ctx) {
    if (!ctx.imgPicMix) { // no page: the same as an empty one
        SaveContentPic(m_deskBGSet->files(), pic::Bitmap());
        m_deskBGSet->LoadContentImage(0, 0);
        return;
    }
    m_deskBGSet->SaveContentPic(*ctx.imgPicMix);
    m_deskBGSet->LoadContentImage(ctx.imgPicMix->width(), ctx.imgPicMix->height());
}

void WallpaperTools::imgAppToDeskClick(MainContext& ctx) {
    // Without a background there is nothing to blend over: no question, no file written.
    SharedState& state = *ctx.state;
    if (state.BGPicList.empty()) return;
    if (state.ShowSetBgInfo && m_infor && m_infor->ShowModal() == 0) return;

    WaitCursor wait;
    try {
        MakeContentPic(ctx);
    } catch (const std::exception& e) {
        m_platform.messages->errorReport(ctx.mainWindow, QString::fromStdString(e.what()));
        return;
    }
    m_deskBGSet->ContentPicFile = m_deskBGSet->files().content();
    m_last = ApplyBackground(m_deskBGSet->files(), *m_platform.wallpaper, state.BGPicList, state.BGPicIndex,
                             m_mixPic->holder());
    m_deskBGSet->BGPicFile = m_last.background;
}

} // namespace nodo
