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
    // Why the editor last took the focus: a click or a key of the user's, or the window becoming
    // active again (a message box closing) or a pop-up giving it back.
    Qt::FocusReason enterReason() const { return m_enterReason; }
    // Whether the content changed since it was last loaded or stored (setEdited(false)): typing,
    // a paste, a tool, a colour, or text set by the program alike.
    bool edited() const { return m_edited; }
    void setEdited(bool edited) { m_edited = edited; }
    // Whether the editor took the focus through something the user did to reach it.
    static bool ByUser(Qt::FocusReason reason) {
        return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
    }

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

private:
    Qt::FocusReason m_enterReason = Qt::OtherFocusReason;
    bool m_edited = false;
};

} // namespace nodo
