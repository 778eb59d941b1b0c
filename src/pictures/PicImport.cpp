#include "pictures/PicImport.h"

#include "imaging/PictureFile.h"
#include "pictures/MainContext.h"
#include "pictures/PicConvert.h"
#include "pictures/PicImage.h"
#include "pictures/uGlobal.h"
#include "platform/Errors.h"
#include "platform/Platform.h"

#include <exception>

namespace nodo {

std::string TmpFolder(Platform& platform) {
    std::string dir = platform.folder->path("tmp");
    if (!platform.kernel->directoryExists(dir) && !platform.kernel->createFolder(dir))
        throw FileError("Cannot create folder \"" + dir + "\"");
    return dir;
}

void PicToTmpBmp(MainContext& ctx) {
    // The page has just taken the picture's size, so this is the whole picture.
    const pic::Bitmap page = ctx.imgPicMix->renderOverWhite();
    TmpFolder(*ctx.platform);
    const std::string file = ctx.platform->folder->path("tmp\\tmp.bmp");
    pic::SaveBmpFile(file, page, 24);
    ctx.state->CurPicFile = file;
}

void btnInsertPicClick(MainContext& ctx) {
    Platform& p = *ctx.platform;
    const QStringList files =
        p.dialogs->openFiles(ctx.mainWindow, QStringLiteral("打开"), kInsertPicFilter, true);
    if (files.isEmpty()) return;
    const std::string chosen = files.first().toStdString(); // with several chosen, the first one
    if (chosen.empty() || !p.kernel->fileExists(chosen)) return;
    try {
        ctx.imgPicMix->LoadFromFile(chosen); // throws for anything but BMP, JPEG, PNG and GIF
        const pic::PictureFormat format = pic::FormatByExtension(chosen);
        if (format == pic::PictureFormat::Png) {
            PicToTmpBmp(ctx);
        } else if (format == pic::PictureFormat::Bmp) {
            ctx.state->CurPicFile = chosen;
        } else {
            // JPEG or GIF, decoded onto the page just now: written from there, not decoded again.
            const std::string bmp = BmpTargetFor(chosen, TmpFolder(p));
            pic::SaveBmpFile(bmp, ctx.imgPicMix->picture(), 24);
            ctx.state->CurPicFile = bmp;
        }
        TmpPicIni(0, *ctx.state, *p.folder, *p.text);
        ctx.imgPicMix->LoadFromFile(ctx.state->CurPicFile);
    } catch (const std::exception&) {
        p.messages->show(ctx.mainWindow, kLoadPicFailedText);
    }
}

void ShowCurPicFile(MainContext& ctx) {
    if (ctx.state->CurPicFile.empty()) return;
    // The hand-over file may spell the path in another case than the disk does.
    const std::string file = ResolveExisting(ctx.state->CurPicFile).string();
    if (!ctx.platform->kernel->fileExists(file)) return;
    ctx.imgPicMix->LoadFromFile(file);
}

} // namespace nodo
