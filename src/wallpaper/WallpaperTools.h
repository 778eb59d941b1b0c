#pragma once
// The composer's windows, made once at start-up, and the main window's apply handler.
#include "wallpaper/ApplyWallpaper.h"

#include <QPointer>
#include <QString>
#include <memory>

class QWidget;

namespace nodo {
struct Platform;
struct MainContext;
struct SharedState;
class TDeskBGSetFrm;
class TInforFrm;
class TMixPicFrm;
class TPicPreviewFrm;

class WallpaperTools {
public:
    // Makes, in this order, the settings window, its preview, the confirmation and the holder window.
    WallpaperTools(Platform& platform, SharedState& state, QWidget* mainWindow);
    ~WallpaperTools();

    // The click on the main window's "apply to desktop" image: ask, write Content.bmp from the
    // picture page, blend over the next background, install, step the index. Uses ctx.platform's
    // services as given at construction, ctx.mainWindow, ctx.imgPicMix and the shared state.
    void imgAppToDeskClick(MainContext& ctx);
    // Content.bmp from the picture page, and the picture written; throws when it cannot be written.
    pic::Bitmap MakeContentPic(MainContext& ctx);

    TDeskBGSetFrm& deskBGSetFrm() { return *m_deskBGSet; }
    // The two windows below are the main window's children: valid while it lives.
    TPicPreviewFrm& picPreviewFrm();
    TInforFrm& inforFrm();
    TMixPicFrm& mixPicFrm() { return *m_mixPic; }
    // What the user is told when the desktop could not be told: why, where the picture is, and
    // which desktops Nodo can change.
    static QString WallpaperFailureReport(const ApplyResult& result);
    // What the last apply that got past the confirmation did.
    const ApplyResult& lastResult() const { return m_last; }

private:
    Platform& m_platform;
    std::unique_ptr<TDeskBGSetFrm> m_deskBGSet;
    QPointer<TPicPreviewFrm> m_preview; // children of the main window, which may go first
    QPointer<TInforFrm> m_infor;
    std::unique_ptr<TMixPicFrm> m_mixPic;
    ApplyResult m_last;
};

} // namespace nodo
