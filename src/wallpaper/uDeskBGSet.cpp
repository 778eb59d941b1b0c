#include "wallpaper/uDeskBGSet.h"

#include "imaging/PictureFile.h"
#include "pictures/PicImage.h"
#include "platform/Platform.h"
#include "ui/BitmapImage.h"
#include "ui/Chrome.h"
#include "wallpaper/PaintBmp.h"
#include "wallpaper/WallpaperTools.h"
#include "wallpaper/uPicPreview.h"

#include <QApplication>
#include <QBitmap>
#include <QDrag>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFont>
#include <QLabel>
#include <QLoggingCategory>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QVBoxLayout>
#include <exception>
#include <stdexcept>

namespace nodo {

namespace {

namespace dl = desk_bg_layout;
const QString kContentName = QStringLiteral("imgPicMix");

QPushButton* MakeButton(QWidget* parent, const QString& text, const layout::Place& place) {
    auto* b = new QPushButton(text, parent);
    PlaceAnchored(b, place);
    return b;
}

QPalette White(QPalette pal) {
    pal.setColor(QPalette::Window, Qt::white);
    return pal;
}

} // namespace

TDeskBGSetFrm::TDeskBGSetFrm(Platform& platform, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_platform(platform), m_files(*platform.folder) {
    setWindowTitle(QStringLiteral("桌面背景设置"));
    resize(dl::kDesignWidth, dl::kDesignHeight);
    setAutoFillBackground(true);
    setPalette(White(palette()));

    m_pngBG = new QWidget(this);
    m_pngBG->setObjectName(QStringLiteral("pngBG"));
    m_pngBG->setAutoFillBackground(true);
    m_pngBG->setPalette(White(m_pngBG->palette()));
    auto* fill = new QVBoxLayout(this);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(m_pngBG);
    m_pngBG->installEventFilter(this); // keeps the scroll box anchored on all sides

    m_scbBG = new QScrollArea(m_pngBG);
    m_scbBG->setObjectName(QStringLiteral("scbBG"));
    m_scbBG->setFrameShape(QFrame::NoFrame);
    m_panelAnchors.add(m_scbBG, dl::kScrollBox);
    m_scbBG->setWidgetResizable(false);
    m_scbBG->installEventFilter(this); // keeps the content image anchored top-right
    m_scbSize = m_scbBG->size();
    m_scbContent = new QWidget;
    m_scbContent->setAutoFillBackground(true);
    m_scbContent->setPalette(White(m_scbContent->palette()));
    m_scbBG->setWidget(m_scbContent);

    m_imgPicBG = new QLabel(m_scbContent);
    m_imgPicBG->setObjectName(QStringLiteral("imgPicBG"));
    m_imgPicBG->setGeometry(0, 0, 0, 0);
    m_imgPicBG->setAcceptDrops(true);
    m_imgPicBG->installEventFilter(this);

    m_imgPicMix = new QLabel(m_scbContent);
    m_imgPicMix->setObjectName(kContentName);
    m_imgPicMix->setGeometry(dl::kContentPlace.x, dl::kContentPlace.y, 0, 0);
    m_imgPicMix->setCursor(Qt::PointingHandCursor);
    // A drop over the content image itself (a short move) lands on the background below it.
    m_imgPicMix->setAcceptDrops(true);
    m_imgPicMix->installEventFilter(this);

    auto* track = new QSlider(Qt::Horizontal, m_pngBG);
    track->setObjectName(QStringLiteral("TrackBar1"));
    PlaceAnchored(track, dl::kTransparency);
    track->setRange(0, 10);
    track->setValue(2);
    track->hide();
    m_trackBar1 = track;

    m_lblTouming = new QLabel(QStringLiteral("透明度:"), m_pngBG);
    m_lblTouming->setObjectName(QStringLiteral("lblTouming"));
    m_lblTouming->setFont(UiFont(QStringLiteral("宋体"), 12));
    m_lblTouming->adjustSize();
    PlaceAnchored(m_lblTouming, dl::kTransparencyCaption);

    m_jvXPButton1 = MakeButton(m_pngBG, QStringLiteral("生成内容图片"), dl::kMakeContent);
    m_jvXPButton1->hide();
    m_btnPicPreview = MakeButton(m_pngBG, QStringLiteral("预  览"), dl::kPreview);
    m_btnPicPreview->hide();
    m_btnOk = MakeButton(m_pngBG, QStringLiteral("确  定"), dl::kOk);
    m_btnOk->setToolTip(QStringLiteral("应用到桌面背景"));
    m_btnCancel = MakeButton(m_pngBG, QStringLiteral("取  消"), dl::kCancel);
    connect(m_jvXPButton1, &QPushButton::clicked, this, [this] { JvXPButton1Click(); });
    connect(m_btnPicPreview, &QPushButton::clicked, this, [this] { btnPicPreviewClick(); });
    connect(m_btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });
    connect(m_btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });
    FormCreate();
}

void TDeskBGSetFrm::setPreviewFrm(TPicPreviewFrm* preview) {
    m_preview = preview;
}

void TDeskBGSetFrm::FormCreate() {
    DeskTopBGDir = m_files.dir();
    MonthCons.assign(kGridCells, TMonthCon{});
}

// --- content picture and month grid ---------------------------------------------------------------

pic::Bitmap TDeskBGSetFrm::SaveContentPic(TPicImage& image) {
    if (!image.isBitmap() || image.empty()) {
        image.clear();
        nodo::SaveContentPic(m_files, pic::Bitmap());
        return {};
    }
    nodo::SaveContentPic(m_files, image.picture());
    return image.picture();
}

void TDeskBGSetFrm::SetContentImage(const pic::Bitmap& content, int width, int height) {
    m_mixPicture = content;
    m_imgPicMix->resize(width, height);
    // A window nobody looks at does not turn the picture into a pixmap on every apply.
    m_mixShown = false;
    m_imgPicMix->clear();
    if (isVisible()) showContentPicture();
}

// The content image draws transparently: the colour of its bottom-left pixel is left out.
void TDeskBGSetFrm::showContentPicture() {
    m_mixShown = true;
    if (m_mixPicture.empty()) {
        m_imgPicMix->clear();
        return;
    }
    const QImage image = ToQImage(m_mixPicture);
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setMask(QBitmap::fromImage(image.createMaskFromColor(image.pixel(0, image.height() - 1))));
    m_imgPicMix->setPixmap(pixmap);
}

QString TDeskBGSetFrm::WeekDayTitle(int N) {
    switch (N) {
    case 1:
        return QStringLiteral("星期一");
    case 2:
        return QStringLiteral("星期二");
    case 3:
        return QStringLiteral("星期三");
    case 4:
        return QStringLiteral("星期四");
    case 5:
        return QStringLiteral("星期五");
    case 6:
        return QStringLiteral("星期六/日");
    default:
        return {};
    }
}

QImage TDeskBGSetFrm::RenderMonthGrid() const {
    QImage grid(kGridWidth, kGridHeight, QImage::Format_RGB32);
    grid.fill(Qt::white);
    QPainter p(&grid);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::black, 0)); // cosmetic: exactly one pixel
    // Lines end one pixel short of their end point, as the grid's coordinates are pixel edges.
    const auto hline = [&](int y) { p.drawLine(0, y, kGridWidth - 1, y); };
    const auto vline = [&](int x) { p.drawLine(x, 0, x, kGridHeight - 1); };
    hline(0);
    hline(kGridHeight - 1);
    vline(0);
    vline(kGridWidth - 1);
    const int header = 20;
    hline(header);

    p.setFont(UiFont(QStringLiteral("宋体"), 11)); // about 8 points
    const int cw = kGridWidth / 7;
    const auto title = [&](int x, const QString& text) {
        p.drawText(QRect(x, 3, cw - 26, header - 4), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    };
    title(24, QStringLiteral("星期日"));
    for (int c = 1; c <= 6; ++c) {
        vline(c * cw);
        title(c * cw + 24, WeekDayTitle(c));
    }

    const int rh = (kGridHeight - header) / 6;
    int k = 0;
    for (int r = 1; r <= 6; ++r) {
        if (r < 6) hline(rh * r + header);
        for (int j = 0; j < 7; ++j, ++k) {
            const TMonthCon& cell = MonthCons.at(static_cast<std::size_t>(k));
            const QRect rect(QPoint(j * cw + 2, (r - 1) * rh + 22), QPoint((j + 1) * cw - 3, rh * r + 17));
            const QString text = QString::fromStdString(cell.ConTitle) + QLatin1Char('\n') +
                                 QString::fromStdString(cell.ConText);
            p.save();
            p.setClipRect(rect);
            p.drawText(rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
            p.restore();
        }
    }
    return grid;
}

void TDeskBGSetFrm::DrawMonthGrid() {
    const int bits = m_platform.screen && m_platform.screen->depth() < 32 ? 24 : 32;
    const pic::Bitmap bitmap = FromQImage(RenderMonthGrid(), bits);
    pic::SaveBmpFile(m_files.content(), bitmap, bits);
}

bool TDeskBGSetFrm::SetWallpaper(const std::string& FileName, std::string& error) {
    return nodo::SetWallpaper(*m_platform.wallpaper, FileName, error);
}

bool TDeskBGSetFrm::ApplyWallpaperFile(const std::string& FileName, std::string& error) {
    try {
        return m_platform.wallpaper->apply(FileName, error);
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
}

// --- showing the window ---------------------------------------------------------------------------

void TDeskBGSetFrm::FormPaint() {
    // 1024 x 738, centred across the screen's width and a little above the middle, clear of a
    // taskbar 30 pixels high.
    const std::vector<QRect> areas = m_platform.screen ? m_platform.screen->areas() : std::vector<QRect>{};
    const QRect screen = areas.empty() ? QRect(0, 0, kShownSize.width(), kShownSize.height()) : areas.front();
    const QPoint place(screen.x() + (screen.width() - kShownSize.width()) / 2,
                       screen.y() + (screen.height() - kShownSize.height() - 30) / 2);
    if (size() != kShownSize) resize(kShownSize);
    if (pos() != place) move(place);
}

void TDeskBGSetFrm::paintEvent(QPaintEvent* event) {
    FormPaint();
    QWidget::paintEvent(event);
}

void TDeskBGSetFrm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FormPaint();
    FormShow();
}

void TDeskBGSetFrm::FormShow() {
    // After a failed load the window is on its way out: the second picture is not tried.
    if (LoadBGPic(BGPicFile)) LoadContentPic(ContentPicFile);
}

namespace {
// Sizes the scrolled area to hold both images, as a scroll box's range covers its children.
void FitScrollContent(QWidget* content, const QLabel* bg, const QLabel* mix) {
    const QRect all = bg->geometry().united(mix->geometry()).united(QRect(0, 0, 1, 1));
    content->resize(all.right() + 1, all.bottom() + 1);
}
} // namespace

bool TDeskBGSetFrm::loadPicture(const std::string& FileName, pic::Bitmap& into) {
    try {
        into = pic::LoadBitmapFile(FileName);
        return true;
    } catch (const std::exception&) {
        m_platform.messages->show(this, QStringLiteral("加载失败！"));
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        return false;
    }
}

bool TDeskBGSetFrm::LoadBGPic(const std::string& FileName) {
    if (!loadPicture(FileName, m_bgPicture)) return false;
    m_imgPicBG->setPixmap(QPixmap::fromImage(ToQImage(m_bgPicture)));
    m_imgPicBG->resize(m_bgPicture.width(), m_bgPicture.height());
    FitScrollContent(m_scbContent, m_imgPicBG, m_imgPicMix);
    return true;
}

bool TDeskBGSetFrm::LoadContentPic(const std::string& FileName) {
    if (!loadPicture(FileName, m_mixPicture)) return false;
    m_imgPicMix->resize(m_mixPicture.width(), m_mixPicture.height());
    showContentPicture();
    FitScrollContent(m_scbContent, m_imgPicBG, m_imgPicMix);
    return true;
}

// --- dragging the content into place ----------------------------------------------------------------

bool TDeskBGSetFrm::imgPicBGDragOver(const QMimeData& dragged) const {
    return dragged.hasFormat(kControlMime) && QString::fromUtf8(dragged.data(kControlMime)) == kContentName;
}

bool TDeskBGSetFrm::imgPicBGDragDrop(const QMimeData& dragged, const QPoint& point) {
    if (!imgPicBGDragOver(dragged)) return false;
    m_imgPicMix->move(m_imgPicBG->pos() + point);
    FitScrollContent(m_scbContent, m_imgPicBG, m_imgPicMix);
    return true;
}

bool TDeskBGSetFrm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pngBG && event->type() == QEvent::Resize) {
        m_panelAnchors.layOut(m_pngBG->size());
        return false;
    }
    if (watched == m_scbBG && event->type() == QEvent::Resize) {
        if (m_scbBG->width() != m_scbSize.width()) {
            FollowParent(m_imgPicMix, dl::kContentEdges, m_scbSize, m_scbBG->size());
            FitScrollContent(m_scbContent, m_imgPicBG, m_imgPicMix);
        }
        m_scbSize = m_scbBG->size();
        return false;
    }
    if (watched != m_imgPicBG && watched != m_imgPicMix) return QWidget::eventFilter(watched, event);
    auto* widget = static_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* e = static_cast<QDragMoveEvent*>(event);
        if (e->mimeData() && imgPicBGDragOver(*e->mimeData()))
            e->acceptProposedAction();
        else
            e->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto* e = static_cast<QDropEvent*>(event);
        const QPoint inContent = widget->mapTo(m_scbContent, e->position().toPoint());
        if (e->mimeData() && imgPicBGDragDrop(*e->mimeData(), inContent - m_imgPicBG->pos()))
            e->acceptProposedAction();
        else
            e->ignore();
        return true;
    }
    case QEvent::MouseButtonPress:
        if (watched == m_imgPicMix) m_pressAt = static_cast<QMouseEvent*>(event)->position().toPoint();
        return false;
    case QEvent::MouseMove: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (watched != m_imgPicMix || !(e->buttons() & Qt::LeftButton) ||
            (e->position().toPoint() - m_pressAt).manhattanLength() < QApplication::startDragDistance())
            return false;
        // The picture follows the pointer by its top-left corner, where the drop will put it.
        auto* drag = new QDrag(m_imgPicMix);
        auto* data = new QMimeData;
        data->setData(kControlMime, kContentName.toUtf8());
        drag->setMimeData(data);
        const QPixmap shown = m_imgPicMix->pixmap();
        if (!shown.isNull()) drag->setPixmap(shown);
        drag->setHotSpot(QPoint(0, 0));
        drag->exec(Qt::MoveAction);
        return true;
    }
    default:
        return false;
    }
}

// --- the buttons ----------------------------------------------------------------------------------------

namespace {
Q_LOGGING_CATEGORY(lcPreview, "nodo.wallpaper.preview", QtCriticalMsg)
}

void TDeskBGSetFrm::paintPreview(int x, int y) {
    if (!m_preview) throw std::runtime_error("no preview window");
    if (m_bgPicture.empty()) throw std::runtime_error("no background picture");
    pic::Bitmap& preview = m_preview->picture();
    preview = m_bgPicture;
    PaintBmp(m_mixPicture, preview, x, y);
    m_preview->showPicture();
    pic::SaveBmpFile(m_files.mixBmp(), preview, preview.bitsPerPixel());
}

void TDeskBGSetFrm::btnPicPreviewClick() {
    try {
        paintPreview(m_imgPicMix->x() - m_imgPicBG->x(), m_imgPicMix->y() - m_imgPicBG->y());
        m_preview->exec();
    } catch (const std::exception& e) {
        // A preview that cannot be made shows nothing.
        qCWarning(lcPreview) << "the preview was not made:" << e.what();
    } catch (...) {
        qCWarning(lcPreview) << "the preview was not made";
    }
}

void TDeskBGSetFrm::btnOkClick() {
    try {
        // The content's right edge 52 pixels left of the background's, 30 pixels below its top.
        const int x = m_imgPicBG->width() - m_imgPicMix->width() - 2 + m_scbBG->x() - 50;
        paintPreview(x, 30);
        std::string error;
        const std::string file = m_files.mixBmp();
        if (!ApplyWallpaperFile(file, error)) {
            ApplyResult failed;
            failed.error = error;
            failed.wallpaperFile = file;
            m_platform.messages->errorReport(this, WallpaperTools::WallpaperFailureReport(failed));
        }
        close();
    } catch (const std::exception& e) {
        m_platform.messages->errorReport(this, QString::fromStdString(e.what()));
    }
}

void TDeskBGSetFrm::btnCancelClick() {
    close();
}

void TDeskBGSetFrm::JvXPButton1Click() {
    QCoreApplication::processEvents();
    LoadContentPic(m_files.background("A.bmp"));
    try {
        DrawMonthGrid();
    } catch (const std::exception& e) {
        m_platform.messages->errorReport(this, QString::fromStdString(e.what()));
    }
}

} // namespace nodo
