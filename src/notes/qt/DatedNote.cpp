#include "notes/qt/DatedNote.h"

#include "notes/NoteSteps.h"
#include "notes/qt/NoteEdit.h"
#include "notes/qt/NotesLog.h"
#include "notes/qt/RichTextQt.h"
#include "platform/Platform.h"
#include "ui/Chrome.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>

namespace nodo {

namespace {

// A picture that acts when clicked.
class ClickImage : public QLabel {
public:
    ClickImage(QWidget* parent, std::function<void()> onClick)
        : QLabel(parent), m_onClick(std::move(onClick)) {
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()) && m_onClick)
            m_onClick();
    }

private:
    std::function<void()> m_onClick;
};

// The tools' two small pictures: a dated stamp and a red "A".
QPixmap ToolPicture(const QSize& size, bool stamp) {
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(stamp ? QColor(70, 90, 140) : QColor(220, 0, 0));
    p.setFont(UiFont(QStringLiteral("Arial"), 10, true));
    if (stamp) p.drawRect(QRectF(0.5, 0.5, size.width() - 1, size.height() - 1));
    p.drawText(QRect(QPoint(0, 0), size), Qt::AlignCenter,
               stamp ? QStringLiteral("日期") : QStringLiteral("A"));
    return pm;
}

NoteDate Key(const QDate& d) {
    return {d.year(), d.month(), d.day()};
}

} // namespace

DatedNote::DatedNote(Platform& platform, TDM* dm, std::int32_t& letterIndex, QWidget* pnlABC,
                     QWidget* mainWindow, std::function<QDate()> calendarDate)
    : m_platform(platform), m_dm(dm), m_letterIndex(letterIndex), m_mainWindow(mainWindow),
      m_calendarDate(std::move(calendarDate)) {
    rdtAbc = new TNoteEdit(pnlABC);
    rdtAbc->setObjectName(QStringLiteral("rdtAbc"));
    rdtAbc->setGeometry(2, 257, 419, 122);
    rdtAbc->setFrameShape(QFrame::NoFrame);
    rdtAbc->setBackgroundColour(kMoneyGreen);
    rdtAbc->setContextMenuPolicy(Qt::CustomContextMenu);
    rdtAbc->OnEnter = [this] { ensureLoaded(TNoteEdit::ByUser(rdtAbc->enterReason())); };
    rdtAbc->OnExit = [this] { rdtAbcExit(); };

    btnGou = FlatButton(mainWindow, QStringLiteral("√"), QRect(61, 60, 23, 22),
                        UiFont(QStringLiteral("Arial Black"), 14), false);
    btnGou->setObjectName(QStringLiteral("btnGou"));
    btnX = FlatButton(mainWindow, QStringLiteral("X"), QRect(85, 60, 23, 22),
                      UiFont(QStringLiteral("Arial Black"), 12), false);
    btnX->setObjectName(QStringLiteral("btnX"));
    QObject::connect(btnGou, &QPushButton::clicked, this, [this] { btnGouClick(); });
    QObject::connect(btnX, &QPushButton::clicked, this, [this] { btnXClick(); });
    imgDate = new ClickImage(mainWindow, [this] { imgDateClick(); });
    imgDate->setObjectName(QStringLiteral("imgDate"));
    imgDate->setGeometry(115, 63, 44, 15);
    imgDate->setPixmap(ToolPicture(QSize(44, 15), true));
    imgDate->hide();
    imgRedColor = new ClickImage(mainWindow, [this] { imgRedColorClick(); });
    imgRedColor->setObjectName(QStringLiteral("imgRedColor"));
    imgRedColor->setGeometry(161, 66, 20, 11);
    imgRedColor->setPixmap(ToolPicture(QSize(20, 11), false));
    imgRedColor->hide();
    const QFont letterFont = UiFont(QStringLiteral("宋体"), 16, true);
    for (int i = 0; i < 3; ++i) {
        letterButtons[i] = FlatButton(mainWindow, QString(QChar('A' + i)), QRect(197 + 26 * i, 57, 23, 22),
                                      letterFont, false);
        letterButtons[i]->setObjectName(QStringLiteral("btnAbc_%1").arg(QChar('A' + i)));
        QObject::connect(letterButtons[i], &QPushButton::clicked, this,
                         [this, i] { LetterButtonClick(i + 1); });
    }
}

DatedNote::~DatedNote() {
    rdtAbc->OnEnter = rdtAbc->OnExit = nullptr;
}

bool DatedNote::load(const QDate& date, bool byUser) {
    QtRichEdit editor(rdtAbc);
    const StepResult r = m_dm ? LoadNote(*m_dm, Key(date), editor) : StepResult{false, false, "no database"};
    if (!r.ok) {
        qCWarning(lcNotes) << "cannot load the note of" << date << ":" << r.error.c_str();
        // The editor keeps what it had, and with it the date it belongs to. With no note loaded
        // yet it takes no typing, since nothing typed there could be stored.
        if (!m_loaded) rdtAbc->setReadOnly(true);
        // The focus coming back when the box closes is no new attempt, so it asks nothing twice.
        if (byUser) m_platform.messages->show(m_mainWindow, QStringLiteral("加载记事内容失败！"));
        return false;
    }
    m_loaded = date;
    rdtAbc->setReadOnly(false);
    rdtAbc->setEdited(false); // what was loaded is what is stored
    return true;
}

bool DatedNote::ensureLoaded(bool byUser) {
    const QDate date = m_calendarDate();
    if (m_loaded && *m_loaded == date) return true;
    // The calendar moved on without telling: keep the old date's note first, and while it cannot
    // be stored, keep it in the editor rather than load another over it.
    if (!save(false)) return false;
    return load(date, byUser);
}

bool DatedNote::hasUnsavedEdits() const {
    return rdtAbc->edited();
}

bool DatedNote::save(bool byButton) {
    // A note left as it was loaded is not written back, so a note another program stored stays
    // byte for byte.
    if (!m_loaded || !rdtAbc->edited()) return true;
    QtRichEdit editor(rdtAbc);
    const StepResult r =
        m_dm ? SaveNote(*m_dm, Key(*m_loaded), editor) : StepResult{false, false, "no database"};
    if (!r.ok) {
        qCWarning(lcNotes) << "cannot save the note of" << *m_loaded << ":" << r.error.c_str();
        if (byButton || !m_saveFailureTold) {
            m_saveFailureTold = true;
            m_platform.messages->show(m_mainWindow, QStringLiteral("保存记事内容失败！"));
        }
        return false;
    }
    rdtAbc->setEdited(false);
    m_saveFailureTold = false;
    return true;
}

void DatedNote::LetterButtonClick(int n) {
    // While the note cannot be stored it stays in the editor; the letter still recolours it.
    const bool saved = save(true);
    for (int i = 0; i < 3; ++i)
        SetCaptionColour(letterButtons[i], i + 1 == n ? QColor(0, 0, 255) : QColor(0, 0, 0));
    rdtAbc->setBackgroundColour(kLetterColours[static_cast<std::size_t>(n - 1)]);
    m_letterIndex = 0;
    if (saved) load(m_calendarDate(), true);
    m_letterIndex = n;
}

void DatedNote::rdtAbcExit() {
    save(false);
}

void DatedNote::chnRiliChange() {
    if (!m_loaded || *m_loaded == m_calendarDate()) return;
    if (!save(false)) return;
    load(m_calendarDate(), true);
}

void DatedNote::btnGouClick() {
    rdtAbc->replaceSelection(QStringLiteral("√"));
}
void DatedNote::btnXClick() {
    rdtAbc->replaceSelection(QStringLiteral("×"));
}

QString DatedNote::DateStamp(const QDate& date) {
    static const char* const kWeek[] = {"一", "二", "三", "四", "五", "六", "日"};
    return QStringLiteral(" %1.%2.%3 (%4)")
        .arg(date.year(), 4, 10, QLatin1Char('0'))
        .arg(date.month(), 2, 10, QLatin1Char('0'))
        .arg(date.day(), 2, 10, QLatin1Char('0'))
        .arg(QString::fromUtf8(kWeek[date.dayOfWeek() - 1]));
}

void DatedNote::imgDateClick() {
    const LocalDateTime now = m_platform.clock->now();
    rdtAbc->replaceSelection(DateStamp(QDate(now.year, now.month, now.day)));
}

void DatedNote::imgRedColorClick() {
    if (!rdtAbc->hasFocus()) return;
    const std::optional<QColor> colour = m_platform.dialogs->chooseColor(m_mainWindow, Qt::red);
    if (colour) rdtAbc->setSelectionColour(*colour);
}

} // namespace nodo
