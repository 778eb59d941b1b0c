#include "notes/qt/NoteEdit.h"

#include "ui/Chrome.h"

#include <QFocusEvent>
#include <QPalette>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

namespace nodo {

TNoteEdit::TNoteEdit(QWidget* parent) : QTextEdit(parent) {
    setFont(UiFont(QStringLiteral("宋体"), 15));
    setAcceptRichText(true);
    setKeepSelection(false);
    connect(document(), &QTextDocument::contentsChanged, this, [this] { m_edited = true; });
}

QString TNoteEdit::plainText() const {
    QString text = toPlainText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

void TNoteEdit::setText(const QString& text) {
    setPlainText(text);
}

void TNoteEdit::replaceSelection(const QString& text) {
    textCursor().insertText(text);
}

void TNoteEdit::setSelectionColour(const QColor& colour) {
    QTextCharFormat format;
    format.setForeground(colour);
    QTextCursor cursor = textCursor();
    cursor.mergeCharFormat(format);
    mergeCurrentCharFormat(format);
}

void TNoteEdit::setBackgroundColour(const QColor& colour) {
    QPalette pal = palette();
    pal.setColor(QPalette::Base, colour);
    setPalette(pal);
}

QColor TNoteEdit::backgroundColour() const {
    return palette().color(QPalette::Base);
}

void TNoteEdit::setKeepSelection(bool keep) {
    QPalette pal = palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight,
                 keep ? pal.color(QPalette::Active, QPalette::Highlight) : pal.color(QPalette::Base));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 keep ? pal.color(QPalette::Active, QPalette::HighlightedText) : pal.color(QPalette::Text));
    setPalette(pal);
}

void TNoteEdit::focusInEvent(QFocusEvent* event) {
    // Before the first key: the content it edits must be what is stored.
    m_enterReason = event->reason();
    if (OnEnter) OnEnter();
    QTextEdit::focusInEvent(event);
}

void TNoteEdit::focusOutEvent(QFocusEvent* event) {
    QTextEdit::focusOutEvent(event);
    // A context menu or a pop-up taking the focus for a moment is not leaving the editor.
    if (event->reason() == Qt::PopupFocusReason) return;
    if (OnExit) OnExit();
}

} // namespace nodo
