#include "wallpaper/uInfoFrm.h"

#include "pictures/uGlobal.h"
#include "platform/Platform.h"
#include "ui/Anchoring.h"
#include "ui/Art.h"
#include "ui/Chrome.h"
#include "wallpaper/InforFrmLayout.h"

#include <QCheckBox>
#include <QFont>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QWindow>
#include <exception>

namespace nodo {

namespace {

namespace il = infor_layout;
constexpr QSize kSize(il::kWidth, il::kHeight);
const QColor kFrameColour(216, 227, 243);

// The window's background: white, inside a square one-pixel frame of light blue.
class InforBackground : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        p.setPen(QPen(kFrameColour, 1));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

// A circular orange sign with a white exclamation mark, for when the artwork is missing.
QPixmap DrawnQuestionSign(const QSize& size) {
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal d = qMin(size.width(), size.height()) - 2;
    const QRectF circle((size.width() - d) / 2, (size.height() - d) / 2, d, d);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(245, 140, 20));
    p.drawEllipse(circle);
    p.setBrush(Qt::white);
    const qreal cx = circle.center().x(), w = d * 0.14;
    p.drawRoundedRect(QRectF(cx - w / 2, circle.top() + d * 0.18, w, d * 0.42), w / 2, w / 2);
    p.drawEllipse(QPointF(cx, circle.top() + d * 0.76), w * 0.6, w * 0.6);
    return pm;
}

QPushButton* MakeButton(QWidget* parent, const QString& text, const layout::Place& place) {
    auto* b = new QPushButton(text, parent);
    PlaceAnchored(b, place);
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

} // namespace

TInforFrm::TInforFrm(Platform& platform, SharedState& state, QWidget* mainWindow)
    : QDialog(mainWindow, Qt::Dialog | Qt::FramelessWindowHint), m_platform(platform), m_state(state),
      m_mainWindow(mainWindow) {
    setWindowTitle(QStringLiteral("InfoFrm"));
    setFixedSize(kSize);
    setModal(true);

    m_shpBG = new InforBackground(this);
    m_shpBG->setObjectName(QStringLiteral("shpBG"));
    m_shpBG->setGeometry(0, 0, kSize.width(), kSize.height());
    m_drag = new BackgroundDrag(this, m_shpBG);

    m_imgques = new QLabel(this);
    m_imgques->setObjectName(QStringLiteral("imgques"));
    PlaceAnchored(m_imgques, il::kQuestionSign);
    QPixmap ques = art::Pixmap(QStringLiteral("ques"), m_imgques->size());
    m_imgques->setPixmap(ques.isNull() ? DrawnQuestionSign(m_imgques->size()) : ques);

    m_lblInfo = new QLabel(QStringLiteral("您确定要更换壁纸？"), this);
    m_lblInfo->setObjectName(QStringLiteral("lblInfo"));
    m_lblInfo->setFont(UiFont(QStringLiteral("宋体"), 14, true));
    PlaceAnchored(m_lblInfo, il::kMessage);
    m_lblInfo->adjustSize();

    m_chkSetBgInfo = new QCheckBox(QStringLiteral("下次不再提示"), this);
    m_chkSetBgInfo->setObjectName(QStringLiteral("chkSetBgInfo"));
    PlaceAnchored(m_chkSetBgInfo, il::kDontAskAgain);

    m_btnok = MakeButton(this, QStringLiteral("确  定"), il::kOk);
    m_btnok->setObjectName(QStringLiteral("btnok"));
    m_btncancel = MakeButton(this, QStringLiteral("取  消"), il::kCancel);
    m_btncancel->setObjectName(QStringLiteral("btncancel"));
    m_btnClose = MakeButton(this, QStringLiteral("X"), il::kClose);
    m_btnClose->setObjectName(QStringLiteral("btnClose"));
    m_btnClose->setFlat(true);
    m_btnClose->setFont(UiFont(QStringLiteral("Arial"), 12, true));

    connect(m_btnok, &QPushButton::clicked, this, &TInforFrm::btnokClick);
    connect(m_btncancel, &QPushButton::clicked, this, &TInforFrm::btncancelClick);
    connect(m_btnClose, &QPushButton::clicked, this, &TInforFrm::btnCloseClick);
}

int TInforFrm::ShowModal() {
    // Only this showing's answer counts: an earlier "确  定" must not carry over to a window that
    // is closed some other way.
    m_state.SetBgConfirmed = 0;
    CentreOver(this, m_mainWindow);
    exec();
    return m_state.SetBgConfirmed;
}

void TInforFrm::btnokClick() {
    m_state.SetBgConfirmed = 1;
    if (m_chkSetBgInfo->isChecked()) {
        m_state.ShowSetBgInfo = false;
        std::string file = m_state.ConfigSetBgFile;
        if (file.empty()) file = m_platform.folder->path("data\\configSetBg.ini");
        try {
            m_platform.text->writeLines(file, {"0"});
        } catch (const std::exception& e) {
            // The answer stands for this run; the user learns that it was not remembered.
            m_platform.messages->errorReport(this, QString::fromStdString(e.what()));
        }
    }
    accept();
}

void TInforFrm::btncancelClick() {
    m_state.SetBgConfirmed = 0;
    QDialog::reject();
}

void TInforFrm::btnCloseClick() {
    btncancelClick();
}

// Escape and the window manager's close come here: they decline like "取  消".
void TInforFrm::reject() {
    btncancelClick();
}

void TInforFrm::shpBGMouseDown(const QPoint& globalPos) {
    m_drag->start(globalPos);
}

void TInforFrm::showEvent(QShowEvent* event) {
    CentreOver(this, m_mainWindow);
    QDialog::showEvent(event);
}

} // namespace nodo
