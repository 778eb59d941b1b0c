#include "wallpaper/uPicPreview.h"

#include "ui/BitmapImage.h"
#include "ui/Chrome.h"

#include <QLabel>
#include <QPalette>
#include <QPixmap>

namespace nodo {

TPicPreviewFrm::TPicPreviewFrm(QWidget* mainWindow)
    : QDialog(mainWindow,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_mainWindow(mainWindow) {
    setWindowTitle(QStringLiteral("桌面背景合成预览"));
    setModal(true);
    resize(kDesignSize);
    // The face colour of buttons around the picture.
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Button));
    setPalette(pal);

    m_imgPreview = new QLabel(this);
    m_imgPreview->setObjectName(QStringLiteral("imgPreview"));
    m_imgPreview->move(0, 0);
    m_imgPreview->resize(0, 0);
    FormCreate();
}

void TPicPreviewFrm::FormCreate() {
    // Qt windows are double buffered already; nothing else is set up at creation.
}

void TPicPreviewFrm::showPicture() {
    if (m_picture.empty()) {
        m_imgPreview->clear();
        m_imgPreview->resize(0, 0);
        return;
    }
    m_imgPreview->setPixmap(QPixmap::fromImage(ToQImage(m_picture)));
    m_imgPreview->resize(m_picture.width(), m_picture.height());
}

// The window wraps its picture. The frame around it is the window manager's, outside this size,
// so the inside is the picture's own size.
void TPicPreviewFrm::FormPaint() {
    const QSize wrap = m_imgPreview->size().isEmpty() ? kDesignSize : m_imgPreview->size();
    if (size() != wrap) resize(wrap);
}

void TPicPreviewFrm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormPaint();
    CentreOver(this, m_mainWindow);
}

void TPicPreviewFrm::paintEvent(QPaintEvent* event) {
    FormPaint();
    QDialog::paintEvent(event);
}

} // namespace nodo
