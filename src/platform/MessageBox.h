#pragma once
#include <QString>

class QWidget;

namespace nodo {

// Message boxes captioned with the application title, and the default error report.
class MessageBox {
public:
    enum class Buttons { Ok, OkCancel };
    enum class Icon { None, Information, Warning, Error };
    enum class Result { Ok, Cancel };

    static inline const QString kAppTitle = QStringLiteral("Nodo助手");

    virtual ~MessageBox() = default;
    virtual Result show(QWidget* parent, const QString& text, const QString& caption = kAppTitle,
                        Buttons buttons = Buttons::Ok, Icon icon = Icon::None) = 0;
    // What an unhandled error ends in: its text in a box with an OK button; the program runs on.
    void errorReport(QWidget* parent, const QString& text) {
        show(parent, text, kAppTitle, Buttons::Ok, Icon::Error);
    }
};

} // namespace nodo
