// The baseline of the launch benchmark: the least a Qt program shows, a window with a text view of
// the main window's size.
#include <QApplication>
#include <QTextEdit>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTextEdit view;
    view.setPlainText(QStringLiteral("Nodo助手"));
    view.resize(830, 500);
    view.show();
    return QApplication::exec();
}
