#include "notes/qt/MemoBoard.h"

#include "notes/NoteSteps.h"
#include "notes/qt/NoteEdit.h"
#include "notes/qt/NotesLog.h"
#include "notes/qt/RichTextQt.h"
#include "platform/Platform.h"
#include "platform/posix/AtomicFile.h"
#include "platform/posix/Encoding.h"
#include "ui/Chrome.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <exception>
#include <memory>

namespace nodo {

namespace {

const QString kLoadFailed = QStringLiteral("加载记事内容失败！");
const QString kSaveFailed = QStringLiteral("保存记事内容失败！");

} // namespace

MemoBoard::MemoBoard(Platform& platform, TDM* dm, std::int32_t& letterIndex, QWidget* tsMain,
                     QWidget* mainWindow, TNoteEdit* rdtAbc)
    : m_platform(platform), m_dm(dm), m_letterIndex(letterIndex), m_mainWindow(mainWindow), m_rdtAbc(rdtAbc) {
    // The header bands of the two rows, the weekday labels and the grid lines.
    for (int row = 0; row < 2; ++row) {
        auto* band = new QLabel(tsMain);
        band->setObjectName(row == 0 ? QStringLiteral("imgtitle_year1") : QStringLiteral("imgtitle_year2"));
        band->setGeometry(-280, row == 0 ? 0 : 216, 775, 25);
        band->setStyleSheet(QStringLiteral("background: qlineargradient(x1:0, y1:0, x2:0, y2:1, "
                                           "stop:0 #f4f8fd, stop:1 #d8e3f3);"));
    }
    const QPoint labelPlaces[6] = {{17, 8}, {203, 8}, {417, 8}, {17, 223}, {206, 223}, {416, 223}};
    const char* const labelTexts[6] = {"周 一", "周 二", "周 三", "周 四", "周 五", "周 六/日"};
    for (int i = 0; i < 6; ++i) {
        lblweek[i] = new QLabel(QString::fromUtf8(labelTexts[i]), tsMain);
        lblweek[i]->setObjectName(i == 5 ? QStringLiteral("lblweek67")
                                         : QStringLiteral("lblweek%1").arg(i + 1));
        lblweek[i]->setFont(UiFont(QStringLiteral("宋体"), 12));
        lblweek[i]->adjustSize();
        lblweek[i]->move(labelPlaces[i]);
    }
    for (const QRect& line : {QRect(0, 0, 1, 371), QRect(154, 0, 1, 371), QRect(333, 0, 1, 371),
                              QRect(494, 0, 1, 371), QRect(0, 370, 495, 1)}) {
        auto* l = new QWidget(tsMain);
        l->setGeometry(line);
        l->setStyleSheet(QStringLiteral("background: black;"));
    }

    const QRect editorPlaces[6] = {{1, 24, 107, 127},  {178, 25, 130, 130},  {375, 26, 115, 130},
                                   {2, 240, 110, 125}, {176, 240, 130, 127}, {376, 242, 108, 125}};
    for (int i = 0; i < 6; ++i) {
        redt[i] = new TNoteEdit(tsMain);
        redt[i]->setObjectName(QStringLiteral("redt%1").arg(i + 1));
        redt[i]->setGeometry(editorPlaces[i]);
        redt[i]->setContextMenuPolicy(Qt::CustomContextMenu);
        redt[i]->OnEnter = [this, e = redt[i]] { ensureLoaded(TNoteEdit::ByUser(e->enterReason())); };
        redt[i]->OnExit = [this] { redt1Exit(); };
    }
    for (std::size_t i = 0; i < redt.size(); ++i) {
        m_stored[i] = std::make_unique<QtRichEdit>(redt[i]);
        m_editors[i] = m_stored[i].get();
    }
    redt[0]->setKeepSelection(true);
    redt[5]->setKeepSelection(true);
    redt[5]->setBackgroundColour(QColor(0xF7, 0xF7, 0xF7));

    const QFont letterFont = UiFont(QStringLiteral("宋体"), 16, true);
    for (int i = 0; i < kPages; ++i) {
        pageButtons[i] = FlatButton(mainWindow, QString(QChar('A' + i)), QRect(512 + 26 * i, 7, 23, 22),
                                    letterFont, false);
        pageButtons[i]->setObjectName(QStringLiteral("btn%1").arg(QChar('A' + i)));
        QObject::connect(pageButtons[i], &QPushButton::clicked, this, [this, i] { PageButtonClick(i + 1); });
    }
    btnClearCon = FlatButton(mainWindow, QStringLiteral("清空内容"), QRect(245, 28, 66, 22),
                             UiFont(QStringLiteral("宋体"), 12, true), false);
    btnClearCon->setObjectName(QStringLiteral("btnClearCon"));
    QObject::connect(btnClearCon, &QPushButton::clicked, this, [this] { btnClearConClick(); });

    tmrAutoSave = new QTimer(this);
    tmrAutoSave->setInterval(10000);
    QObject::connect(tmrAutoSave, &QTimer::timeout, this, [this] { tmrAutoSaveTimer(); });

    // The editing menu of every note editor; its commands act on the dated note's editor.
    pmDeskTopMonCal = new QMenu(mainWindow);
    pmDeskTopMonCal->setObjectName(QStringLiteral("pmDeskTopMonCal"));
    const auto item = [this](const char* text, void (MemoBoard::*handler)()) {
        QAction* a = pmDeskTopMonCal->addAction(QString::fromUtf8(text));
        QObject::connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
        return a;
    };
    N1 = item("复制", &MemoBoard::N1Click);
    N2 = item("粘贴", &MemoBoard::N2Click);
    N9 = item("删除", &MemoBoard::N9Click);
    N3 = item("剪切", &MemoBoard::N3Click);
    pmDeskTopMonCal->addSeparator();
    V1 = item("打V", &MemoBoard::V1Click);
    X1 = item("打X", &MemoBoard::X1Click);
    pmDeskTopMonCal->addSeparator();
    CtrlZ1 = item("撤销(Ctrl+Z)", &MemoBoard::CtrlZ1Click);
    for (TNoteEdit* e : redt)
        QObject::connect(e, &QWidget::customContextMenuRequested, this, [this, e](const QPoint& p) {
            pmDeskTopMonCal->popup(e->viewport()->mapToGlobal(p));
        });
}

MemoBoard::~MemoBoard() {
    // The editors belong to the page and may outlive the board.
    for (TNoteEdit* e : redt)
        e->OnEnter = e->OnExit = nullptr;
}

bool MemoBoard::load(int page, bool byUser) {
    const StepResult r = m_dm ? LoadPage(*m_dm, page, m_editors) : StepResult{false, false, "no database"};
    if (!r.ok) {
        qCWarning(lcNotes) << "cannot load page" << page << "of the memo board:" << r.error.c_str();
        // The editors keep what they had, and with it the page it belongs to. With none loaded
        // yet they take no typing, since nothing typed there could be stored.
        if (m_shown == 0) setEditable(false);
        // The focus coming back when the box closes is no new attempt, so it asks nothing twice.
        if (byUser) m_platform.messages->show(m_mainWindow, kLoadFailed);
        return false;
    }
    m_shown = page;
    setEditable(true);
    for (TNoteEdit* e : redt)
        e->setEdited(false); // what was loaded is what is stored
    return true;
}

bool MemoBoard::ensureLoaded(bool byUser) {
    if (m_shown != 0) return true;
    if (m_letterIndex < 1 || m_letterIndex > kPages) return false;
    return load(m_letterIndex, byUser);
}

void MemoBoard::setEditable(bool editable) {
    for (TNoteEdit* e : redt)
        e->setReadOnly(!editable);
}

bool MemoBoard::hasUnsavedEdits() const {
    for (const TNoteEdit* e : redt)
        if (e->edited()) return true;
    return false;
}

bool MemoBoard::save(bool byButton) {
    // Into the page shown, whatever the dated note's letters did to the remembered index; nothing
    // when no page was loaded. Days left as they were loaded are not written back, so that what
    // another program stored there stays byte for byte.
    if (m_shown == 0) return true;
    DaySet days;
    for (std::size_t i = 0; i < redt.size(); ++i)
        days[i] = redt[i]->edited();
    if (days.none()) return true;
    StepResult r = m_dm ? SavePage(*m_dm, m_shown, m_editors, days) : StepResult{false, false, "no database"};
    if (r.ok && !r.written) r = {false, false, "the page has no row ID = 1"};
    if (!r.ok) {
        qCWarning(lcNotes) << "cannot save page" << m_shown << "of the memo board:" << r.error.c_str();
        if (byButton || !m_saveFailureTold) {
            m_saveFailureTold = true;
            m_platform.messages->show(m_mainWindow, kSaveFailed);
        }
        return false;
    }
    for (std::size_t i = 0; i < redt.size(); ++i)
        if (days[i]) redt[i]->setEdited(false);
    m_saveFailureTold = false;
    return true;
}

void MemoBoard::PageButtonClick(int n) {
    // A page whose edits could not be stored stays shown with them; nothing is loaded over it.
    if (!save(true)) return;
    m_letterIndex = 0;
    const bool loaded = load(n, true);
    // The red letter is the page the editors show; a failed load leaves the page it had.
    const int lit = loaded || m_shown == 0 ? n : m_shown;
    for (int i = 0; i < kPages; ++i)
        SetCaptionColour(pageButtons[i], i + 1 == lit ? QColor(255, 0, 0) : QColor(0, 0, 0));
    m_letterIndex = lit;
}

void MemoBoard::redt1Exit() {
    save(false);
}

void MemoBoard::btnClearConClick() {
    // Clearing acts on the page shown. With none shown there is nothing the user saw to clear:
    // the page of the remembered index is never emptied unseen.
    if (m_shown == 0) {
        qCInfo(lcNotes) << "clear pressed with no page shown: nothing cleared";
        return;
    }
    for (TNoteEdit* e : redt) {
        e->setText(QString());
        e->setEdited(true);
    }
    save(true);
}

void MemoBoard::N1Click() {
    m_rdtAbc->copy();
}
void MemoBoard::N2Click() {
    m_rdtAbc->paste();
}
void MemoBoard::N9Click() {
    m_rdtAbc->textCursor().removeSelectedText();
}
void MemoBoard::N3Click() {
    m_rdtAbc->cut();
}
void MemoBoard::V1Click() {
    m_rdtAbc->replaceSelection(QStringLiteral("√"));
}
void MemoBoard::X1Click() {
    m_rdtAbc->replaceSelection(QStringLiteral("×"));
}
void MemoBoard::CtrlZ1Click() {
    m_rdtAbc->undo();
}

QString MemoBoard::ExportName(int letterIndex) {
    const QString letter =
        letterIndex >= 1 && letterIndex <= kPages ? QString(QChar('A' + letterIndex - 1)) : QString();
    return letter + QStringLiteral("备忘录");
}

void MemoBoard::N_OutPutConClick() {
    const QString text = m_rdtAbc->plainText();
    const QString chosen = m_platform.dialogs->saveFile(m_mainWindow, QString(), QStringLiteral("*.Txt"),
                                                        ExportName(m_letterIndex));
    if (chosen.isEmpty()) return;
    // ".txt" is always appended, as the export always did; the text in the system's code page.
    const std::string file = QFile::encodeName(chosen + QStringLiteral(".txt")).toStdString();
    try {
        const std::string bytes = ToAnsi((text + QStringLiteral("\r\n")).toStdString());
        AtomicFile out(file);
        out.write(bytes.data(), bytes.size());
        out.commit(AtomicFile::ModeFor(file), true);
    } catch (const std::exception& e) {
        m_platform.messages->errorReport(m_mainWindow, QString::fromUtf8(e.what()));
    }
}

} // namespace nodo
