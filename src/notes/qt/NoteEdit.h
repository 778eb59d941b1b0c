#pragma once
// The rich-text editor of the memo board and the dated note, with what those need of it: an event on
// entering and on leaving it, the plain text with CR LF, a text put in place of the selection, the
// colour of the selected text and the editor's own background.
#include <QColor>
#include <QString>
#include <QTextEdit>
#include <functional>

namespace nodo {

class TNoteEdit : public QTextEdit {
public:
    explicit TNoteEdit(QWidget* parent = nullptr);

    std::function<void()> OnEnter; // the editor takes the input focus
    std::function<void()> OnExit;  // the editor loses it

    QString plainText() const; // lines separated by CR LF
    void setText(const QString& text);
    void replaceSelection(const QString& text); // at the caret when nothing is selected
    void setSelectionColour(const QColor& colour);
    void setBackgroundColour(const QColor& colour);
    QColor backgroundColour() const;
    // Whether the selection stays visible while another control has the focus.
    void setKeepSelection(bool keep);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

} // namespace nodo
