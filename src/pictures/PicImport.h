#pragma once
// Bringing a picture file onto the picture page ("插入图片"), and the page's picture at start.
#include <QString>
#include <string>

namespace nodo {
struct MainContext;
struct Platform;

inline const QString kLoadPicFailedText = QStringLiteral("加载该图片失败！");
// Shown as it is; the last brackets hold what the file dialog matches. Desktop-native dialogs may match
// case-sensitively, hence both spellings.
inline const QString kInsertPicFilter = QStringLiteral(
    "All(*.bmp;*.Jpg;*.PNG;*.JPEG;*.Gif;) (*.bmp *.BMP *.jpg *.JPG *.png *.PNG *.jpeg *.JPEG *.gif *.GIF)");

// The click on "插入图片": the user picks one or more files, the first is loaded onto the page,
// converted to a BMP when it is not one, named in CurPicFile and in the hand-over file, and shown
// from that BMP. Any failure shows "加载该图片失败！". Converted files go into the application's
// "tmp" folder, never beside the user's file.
void btnInsertPicClick(MainContext& ctx);

// The page as shown (transparent parts over white) saved as "tmp\tmp.bmp"; CurPicFile names it once
// it is written. Creates "tmp" when missing. Throws on failure.
void PicToTmpBmp(MainContext& ctx);

// The application's "tmp" folder, created when missing. Throws FileError when it cannot be.
std::string TmpFolder(Platform& platform);

// When the main window is first shown: the page loads CurPicFile if that file exists. A file that
// does not decode throws (the caller's error report shows it).
void ShowCurPicFile(MainContext& ctx);

} // namespace nodo
