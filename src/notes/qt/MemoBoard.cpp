#include "notes/qt/MemoBoard.h"

#include "notes/NoteSteps.h"
#include "notes/qt/NoteEdit.h"
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
        redt[i]->OnEnter = [this] { ensureLoaded(); };
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

bool MemoBoard::load(int page) {
    const StepResult r = m_dm ? LoadPage(*m_dm, page, m_editors) : StepResult{false, false, "no database"};
    if (!r.ok) {
        // Nothing shown is a stored page now: no save may go anywhere until a load succeeds.
        m_shown = 0;
        m_platform.messages->show(m_mainWindow, kLoadFailed);
        return false;
    }
    m_shown = page;
    return true;
}

bool MemoBoard::ensureLoaded() {
    if (m_shown != 0) return true;
    if (m_letterIndex < 1 || m_letterIndex > kPages) return false;
    return load(m_letterIndex);
}

void MemoBoard::save() {
    // Into the page shown, whatever the dated note's letters did to the remembered index; nothing
    // when no page was loaded.
    if (m_shown == 0 || !m_dm) return;
    SavePage(*m_dm, m_shown, m_editors); // a failed save is silent, as the window has always been
}

void MemoBoard::PageButtonClick(int n) {
    save();
    for (int i = 0; i < kPages; ++i)
        SetCaptionColour(pageButtons[i], i + 1 == n ? QColor(255, 0, 0) : QColor(0, 0, 0));
    m_letterIndex = 0;
    load(n);
    m_letterIndex = n;
}

void MemoBoard::redt1Exit() {
    save();
}

void MemoBoard::btnClearConClick() {
    for (TNoteEdit* e : redt)
        e->setText(QString());
    // The empty page is stored on purpose, so the page need not have been loaded first.
    if (m_shown == 0 && m_letterIndex >= 1 && m_letterIndex <= kPages) m_shown = m_letterIndex;
    save();
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
