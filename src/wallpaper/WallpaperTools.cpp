#include "wallpaper/WallpaperTools.h"

#include "pictures/MainContext.h"
#include "pictures/PicImage.h"
#include "pictures/uGlobal.h"
#include "platform/Platform.h"
#include "wallpaper/uDeskBGSet.h"
#include "wallpaper/uInfoFrm.h"
#include "wallpaper/uPicMix.h"
#include "wallpaper/uPicPreview.h"

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
      m_preview(new TPicPreviewFrm(mainWindow)), m_infor(new TInforFrm(platform, state, mainWindow)),
      m_mixPic(std::make_unique<TMixPicFrm>()) {
    m_deskBGSet->setPreviewFrm(m_preview);
}

WallpaperTools::~WallpaperTools() {
    delete m_infor.data();
    delete m_preview.data();
}

TPicPreviewFrm& WallpaperTools::picPreviewFrm() {
    return *m_preview;
}
TInforFrm& WallpaperTools::inforFrm() {
    return *m_infor;
}

pic::Bitmap WallpaperTools::MakeContentPic(MainContext& ctx) {
    if (!ctx.imgPicMix) { // no page: the same as an empty one
        SaveContentPic(m_deskBGSet->files(), pic::Bitmap());
        m_deskBGSet->SetContentImage(pic::Bitmap(), 0, 0);
        return {};
    }
    pic::Bitmap content = m_deskBGSet->SaveContentPic(*ctx.imgPicMix);
    m_deskBGSet->SetContentImage(content, ctx.imgPicMix->width(), ctx.imgPicMix->height());
    return content;
}

void WallpaperTools::imgAppToDeskClick(MainContext& ctx) {
    // Without a background there is nothing to blend over: no question, no file written.
    SharedState& state = *ctx.state;
    if (state.BGPicList.empty()) return;
    if (state.ShowSetBgInfo && m_infor && m_infor->ShowModal() == 0) return;

    WaitCursor wait;
    pic::Bitmap content;
    try {
        content = MakeContentPic(ctx);
    } catch (const std::exception& e) {
        m_platform.messages->errorReport(ctx.mainWindow, QString::fromStdString(e.what()));
        return;
    }
    m_deskBGSet->ContentPicFile = m_deskBGSet->files().content();
    m_last = ApplyBackground(m_deskBGSet->files(), *m_platform.wallpaper, state.BGPicList, state.BGPicIndex,
                             m_mixPic->holder(), &content);
    m_deskBGSet->BGPicFile = m_last.background;
    if (m_last.outcome == ApplyOutcome::WallpaperFailed)
        m_platform.messages->errorReport(ctx.mainWindow, WallpaperFailureReport(m_last));
}

QString WallpaperTools::WallpaperFailureReport(const ApplyResult& result) {
    return QStringLiteral("桌面壁纸没有更换：%1。\n合成的图片已保存为 %2，可以在桌面设置里选用它。\n"
                          "Nodo 能更换这些桌面的壁纸：GNOME、KDE Plasma、Xfce、MATE、Cinnamon、LXQt、LXDE、"
                          "sway，以及没有桌面环境的 X11。")
        .arg(QString::fromStdString(result.error), QString::fromStdString(result.wallpaperFile));
}

} // namespace nodo
