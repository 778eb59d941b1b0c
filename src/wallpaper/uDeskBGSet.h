#pragma once
// The background settings window. It is made at start-up and never shown; what lives is its
// folder, the two file fields the apply fills, the content picture writer, the month grid and the
// wallpaper setter.
#include "wallpaper/ApplyWallpaper.h"

#include <QImage>
#include <QString>
#include <QWidget>
#include <string>
#include <vector>

class QLabel;

namespace nodo {
struct Platform;
class TPicImage;

// The two texts of one month-grid cell.
struct TMonthCon {
    std::string ConTitle;
    std::string ConText;
};

class TDeskBGSetFrm : public QWidget {
    Q_OBJECT
public:
    static constexpr int kGridWidth = 660;
    static constexpr int kGridHeight = 500;
    static constexpr int kGridCells = 42;

    explicit TDeskBGSetFrm(Platform& platform, QWidget* parent = nullptr);

    std::string DeskTopBGDir;   // the application folder + "source\DeskTopBG\"
    std::string BGPicFile;      // the background of the last apply
    std::string ContentPicFile; // its Content.bmp
    std::vector<TMonthCon> MonthCons;

    // Writes the page's picture to Content.bmp and gives the picture written. A page that holds no
    // bitmap (nothing, or a picture left undecoded as BMP) is emptied first and gives a 0-byte file.
    // Throws when it cannot write.
    pic::Bitmap SaveContentPic(TPicImage& image);
    // Draws the 660 x 500 weekday grid and writes it to Content.bmp at the display's depth.
    void DrawMonthGrid();
    // The grid as drawn, without writing it.
    QImage RenderMonthGrid() const;
    static QString WeekDayTitle(int N);
    // Stores the wallpaper values and tells the desktop; false with the reason when that failed.
    bool SetWallpaper(const std::string& FileName, std::string& error);

    // Keeps this window's content image in step with Content.bmp: its picture, at the page's size.
    void SetContentImage(const pic::Bitmap& content, int width, int height);
    QLabel* imgPicMix() const { return m_imgPicMix; }
    const ComposerFiles& files() const { return m_files; }

private:
    void FormCreate();

    Platform& m_platform;
    ComposerFiles m_files;
    QLabel* m_imgPicMix = nullptr;
};

} // namespace nodo
