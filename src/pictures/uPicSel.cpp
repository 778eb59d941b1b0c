#include "pictures/uPicSel.h"

#include "pictures/BGPicList.h"
#include "pictures/MainContext.h"
#include "pictures/PicConvert.h"
#include "pictures/PicImage.h"
#include "pictures/PicSelLayout.h"
#include "pictures/uGlobal.h"
#include "platform/Errors.h"
#include "platform/Platform.h"
#include "ui/Anchoring.h"
#include "ui/Art.h"
#include "ui/Chrome.h"

#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>
#include <QWindow>
#include <exception>
#include <filesystem>

namespace nodo {

namespace {

constexpr int kMaxBGWidth = 1280;
constexpr int kMaxBGHeightAfterStretch = 768;

namespace sl = pic_sel_layout;

QLabel* MakeImage(QWidget* parent, const QRect& place, const QPixmap& pixmap) {
    auto* label = new QLabel(parent);
    label->setGeometry(place);
    label->setScaledContents(true);
    if (!pixmap.isNull()) label->setPixmap(pixmap);
    return label;
}

QPushButton* MakeButton(QWidget* parent, const layout::Place& place, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    PlaceAnchored(button, place);
    button->setAutoDefault(false);
    return button;
}

} // namespace

TPicSelFrm::TPicSelFrm(Platform& platform, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_platform(platform) {
    setWindowTitle(QStringLiteral("背景图片选择"));
    setFixedSize(sl::kWidth, sl::kHeight);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Button));
    setPalette(pal);

    imgBG = MakeImage(this, rect(), art::Pixmap(QStringLiteral("picsel_bg"), size()));
    imgBG->setMouseTracking(true);

    const QRect closePlace = ToRect(sl::kClose.box);
    img_close_normal =
        MakeImage(this, closePlace, art::Pixmap(QStringLiteral("close_normal"), closePlace.size()));
    img_close_highlight =
        MakeImage(this, closePlace, art::Pixmap(QStringLiteral("close_highlight"), closePlace.size()));
    img_close_down =
        MakeImage(this, closePlace, art::Pixmap(QStringLiteral("close_down"), closePlace.size()));
    // Without the artwork the button must still be seen and used.
    const QString fallback[] = {QStringLiteral("QLabel{color:#404040;}"),
                                QStringLiteral("QLabel{color:white;background:#e04040;}"),
                                QStringLiteral("QLabel{color:white;background:#a02020;}")};
    QLabel* states[] = {img_close_normal, img_close_highlight, img_close_down};
    for (int i = 0; i < 3; ++i) {
        if (states[i]->pixmap().isNull()) {
            states[i]->setText(QStringLiteral("×"));
            states[i]->setAlignment(Qt::AlignCenter);
            states[i]->setStyleSheet(fallback[i]);
        }
    }
    closeButton = new StateButton(img_close_normal, img_close_highlight, img_close_down);
    connect(closeButton, &StateButton::hovered, this, [this] { setCloseState(CloseState::Highlight); });
    connect(closeButton, &StateButton::left, this, [this] { setCloseState(CloseState::Normal); });
    connect(closeButton, &StateButton::pressed, this, [this] { setCloseState(CloseState::Down); });
    connect(closeButton, &StateButton::clicked, this, [this] {
        setCloseState(CloseState::Normal);
        close();
    });
    imgBG->installEventFilter(this);
    m_drag = new BackgroundDrag(this, nullptr);

    const QRect logoPlace = ToRect(sl::kLogo.box);
    imgLogo = MakeImage(this, logoPlace, art::Pixmap(QStringLiteral("logo"), logoPlace.size()));

    Shape1 = new QFrame(this);
    PlaceAnchored(Shape1, sl::kListFrame);
    Shape1->setStyleSheet(QStringLiteral("QFrame{border:1px solid rgb(64,128,128);background:transparent;}"));

    LVpic = new QTreeWidget(this);
    PlaceAnchored(LVpic, sl::kList);
    LVpic->setFrameShape(QFrame::NoFrame);
    LVpic->setColumnCount(1);
    LVpic->setHeaderLabels({QStringLiteral("默认图片")});
    LVpic->setHeaderHidden(true);
    LVpic->setColumnWidth(0, 300);
    LVpic->setRootIsDecorated(false);
    LVpic->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LVpic->setSelectionBehavior(QAbstractItemView::SelectRows);
    LVpic->setSelectionMode(QAbstractItemView::SingleSelection);
    LVpic->setFont(UiFont(QStringLiteral("宋体"), 12));

    lblTishi = new QLabel(this);
    PlaceAnchored(lblTishi, sl::kHint);
    lblTishi->setWordWrap(true);
    lblTishi->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblTishi->setFont(UiFont(QStringLiteral("幼圆"), 15));
    lblTishi->setText(QStringLiteral("注：可添加多个壁纸大 小1024*768/1400*900之间") +
                      QString(36, QLatin1Char(' ')) + QStringLiteral("图像格式：") +
                      QString(28, QLatin1Char(' ')) + QStringLiteral("BMP,JPG"));

    imgSel = new TPicImage(this);
    PlaceAnchored(imgSel, sl::kSelected);
    imgSel->hide();

    btnRemove = MakeButton(this, sl::kRemove, QStringLiteral("移  除"));
    btnAdd = MakeButton(this, sl::kAdd, QStringLiteral("添  加"));
    btnOk = MakeButton(this, sl::kOk, QStringLiteral("确  定"));
    connect(btnRemove, &QPushButton::clicked, this, [this] { reportErrors([this] { btnRemoveClick(); }); });
    connect(btnAdd, &QPushButton::clicked, this, [this] { reportErrors([this] { btnAddClick(); }); });
    connect(btnOk, &QPushButton::clicked, this, [this] { reportErrors([this] { btnOkClick(); }); });

    setCloseState(CloseState::Normal);
    SelBGPic.clear();
}

template <class F> void TPicSelFrm::reportErrors(F&& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        m_platform.messages->errorReport(this, QString::fromStdString(e.what()));
    }
}

std::vector<std::string> TPicSelFrm::rows() const {
    std::vector<std::string> out;
    out.reserve(static_cast<std::size_t>(LVpic->topLevelItemCount()));
    for (int i = 0; i < LVpic->topLevelItemCount(); ++i)
        out.push_back(LVpic->topLevelItem(i)->text(0).toStdString());
    return out;
}

void TPicSelFrm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Centred over the main window each time it opens.
    CentreOver(this, parentWidget());
    reportErrors([this] { FormShow(); });
}

void TPicSelFrm::FormShow() {
    setCloseState(CloseState::Normal);
    LoadPicList();
}

void TPicSelFrm::LoadPicList() {
    const std::optional<std::vector<std::string>> read = ReadBGPicList(*m_platform.folder, *m_platform.text);
    if (!read) {
        SelBGPic = kDefaultBGPic;
        return;
    }
    const std::vector<std::string>& lines = *read;
    if (lines.empty()) return; // nothing to show; the rows stay as they were
    SelBGPic = lines[0];
    LVpic->clear();
    for (std::size_t i = 1; i < lines.size(); ++i)
        addRow(lines[i]);
}

void TPicSelFrm::addRow(const std::string& caption) {
    auto* item = new QTreeWidgetItem(LVpic);
    item->setText(0, QString::fromStdString(caption));
}

void TPicSelFrm::SavePicList() {
    nodo::SavePicList(*m_platform.folder, *m_platform.text, SelBGPic, rows());
}

void TPicSelFrm::btnAddClick() {
    const QStringList chosen =
        m_platform.dialogs->openFiles(this, QStringLiteral("打开"), kPicSelFilter, false);
    if (chosen.isEmpty() || chosen.first().isEmpty()) return;
    const std::string source = chosen.first().toStdString();

    std::string working;
    try {
        const std::string name = std::filesystem::path(source).filename().string();
        const std::string copy = FileInFolder(m_platform.folder->path(kBGPicFolder), name);
        // A picture that already lies in the folder cannot be copied onto itself; that is fine.
        m_platform.kernel->copyFile(source, copy, false);
        working = PicToBmp(copy);
    } catch (const std::exception&) {
        m_platform.messages->show(this, kAddFailedText);
        return;
    }
    bool loaded = false;
    try {
        imgSel->LoadFromFile(working);
        if (imgSel->width() > kMaxBGWidth)
            StretchPic(working, working, kMaxBGWidth, kMaxBGHeightAfterStretch);
        loaded = true;
    } catch (const std::exception&) {
    }
    // Hidden, so nothing is lost by not keeping a possibly huge picture until the next add.
    imgSel->clear();
    if (!loaded) {
        m_platform.messages->show(this, kAddPictureFailedText);
        return;
    }
    addRow(std::filesystem::path(working).filename().string());
    SavePicList();
}

void TPicSelFrm::btnRemoveClick() {
    const auto selected = LVpic->selectedItems();
    if (selected.isEmpty()) return;
    QTreeWidgetItem* row = selected.first();
    const std::string caption = row->text(0).toStdString();
    if (caption == SelBGPic) SelBGPic = kDefaultBGPic;
    if (caption != kDefaultBGPic) delete row; // the default background always stays listed
    // The one failure the user must hear of: otherwise the removal would silently not last.
    SavePicList();
}

void TPicSelFrm::btnOkClick() {
    const auto selected = LVpic->selectedItems();
    if (selected.isEmpty()) {
        close();
        return;
    }
    const std::string caption = selected.first()->text(0).toStdString();
    if (caption == SelBGPic) {
        close();
        return;
    }
    SelBGPic = caption;
    SavePicList();
    close();
}

void TPicSelFrm::setCloseState(CloseState state) {
    closeButton->setState(state);
}

bool TPicSelFrm::eventFilter(QObject* watched, QEvent* event) {
    if (watched != imgBG) return false;
    if (event->type() == QEvent::MouseMove) setCloseState(CloseState::Normal);
    // Borderless: the background is the handle the window is dragged by.
    return m_drag->handle(event);
}

void LoadBGPicList(MainContext& ctx, bool ByChoice) {
    nodo::LoadBGPicList(*ctx.platform->folder, *ctx.platform->text, *ctx.state, ByChoice);
}

void imgAddToDeskClick(MainContext& ctx, TPicSelFrm& picSel) {
    picSel.SelBGPic = ctx.state->SelBGPic;
    picSel.exec();
    // A list file that cannot be read or written ends in the default error report.
    try {
        if (picSel.SelBGPic == ctx.state->SelBGPic) {
            LoadBGPicList(ctx, false);
        } else {
            ctx.state->SelBGPic = picSel.SelBGPic;
            LoadBGPicList(ctx, true);
        }
    } catch (const std::exception& e) {
        ctx.platform->messages->errorReport(ctx.mainWindow, QString::fromStdString(e.what()));
    }
}

} // namespace nodo
