#pragma once
// The background settings window: the background with the content picture over it, which can be
// dragged into place, previewed and applied. The program makes it at start-up and never shows it;
// what the apply uses is its folder, the two file fields, the content picture writer, the month grid
// and the wallpaper setter.
#include "ui/Anchoring.h"
#include "wallpaper/ApplyWallpaper.h"
#include "wallpaper/DeskBGSetLayout.h"

#include <QImage>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <string>
#include <vector>

class QLabel;
class QMimeData;
class QPushButton;
class QScrollArea;

namespace nodo {
struct Platform;
class TPicImage;
class TPicPreviewFrm;

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
    static constexpr QSize kShownSize{1024, 738};
    // The mime type of a control being dragged inside the window; its data is the control's name.
    static inline const QString kControlMime = QStringLiteral("application/x-nodo-control");

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
    const ComposerFiles& files() const { return m_files; }

    // The preview window the preview button shows; made after this one.
    void setPreviewFrm(TPicPreviewFrm* preview);

    // Loads a picture into the background or the content image. On failure: "加载失败！", the
    // window closes, and false.
    bool LoadBGPic(const std::string& FileName);
    bool LoadContentPic(const std::string& FileName);
    // Has the desktop show the file, without storing it; false with the reason when it could not.
    bool ApplyWallpaperFile(const std::string& FileName, std::string& error);

    void FormPaint();
    void FormShow();
    // Whether a drag over the background may drop there: only the content image may.
    bool imgPicBGDragOver(const QMimeData& dragged) const;
    // Moves the content image so that its top-left corner is at `point`, in the background's
    // coordinates; false when the dragged thing may not drop there.
    bool imgPicBGDragDrop(const QMimeData& dragged, const QPoint& point);
    void btnPicPreviewClick();
    void btnOkClick();
    void btnCancelClick();
    void JvXPButton1Click();

    QWidget* pngBG() const { return m_pngBG; }
    QScrollArea* scbBG() const { return m_scbBG; }
    QLabel* imgPicBG() const { return m_imgPicBG; }
    QLabel* imgPicMix() const { return m_imgPicMix; }
    QWidget* TrackBar1() const { return m_trackBar1; }
    QLabel* lblTouming() const { return m_lblTouming; }
    QPushButton* JvXPButton1() const { return m_jvXPButton1; }
    QPushButton* btnPicPreview() const { return m_btnPicPreview; }
    QPushButton* btnOk() const { return m_btnOk; }
    QPushButton* btnCancel() const { return m_btnCancel; }
    // The pictures the two images show.
    const pic::Bitmap& backgroundPicture() const { return m_bgPicture; }
    const pic::Bitmap& contentPicture() const { return m_mixPicture; }

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void showContentPicture();
    // Loads a file into `into`; on failure says "加载失败！" and closes the window.
    bool loadPicture(const std::string& FileName, pic::Bitmap& into);
    // The background with the content painted on at (x, y) into the preview, then saved as Mix.bmp.
    void paintPreview(int x, int y);

    Platform& m_platform;
    ComposerFiles m_files;
    QPointer<TPicPreviewFrm> m_preview;
    pic::Bitmap m_bgPicture;
    pic::Bitmap m_mixPicture;
    bool m_mixShown = false; // whether imgPicMix shows m_mixPicture yet
    QPoint m_pressAt;        // where a press on the content image began, for a drag
    QSize m_scbSize;         // the scroll box's size its anchored content was placed for
    Anchoring m_panelAnchors{{desk_bg_layout::kDesignWidth, desk_bg_layout::kDesignHeight}};

    QWidget* m_pngBG = nullptr;
    QScrollArea* m_scbBG = nullptr;
    QWidget* m_scbContent = nullptr;
    QLabel* m_imgPicBG = nullptr;
    QLabel* m_imgPicMix = nullptr;
    QWidget* m_trackBar1 = nullptr;
    QLabel* m_lblTouming = nullptr;
    QPushButton* m_jvXPButton1 = nullptr;
    QPushButton* m_btnPicPreview = nullptr;
    QPushButton* m_btnOk = nullptr;
    QPushButton* m_btnCancel = nullptr;
};

} // namespace nodo
