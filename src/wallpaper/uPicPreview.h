#pragma once
// The preview of a composition: one picture in a window that wraps it, centred over the main window.
#include "imaging/Bitmap.h"

#include <QDialog>

class QLabel;

namespace nodo {

class TPicPreviewFrm : public QDialog {
    Q_OBJECT
public:
    static constexpr QSize kDesignSize{1022, 736};

    explicit TPicPreviewFrm(QWidget* mainWindow);

    // The picture shown, and the one that is painted onto and saved by the settings window.
    pic::Bitmap& picture() { return m_picture; }
    // Shows picture() at its own size (the image sizes itself to its picture).
    void showPicture();
    QLabel* imgPreview() const { return m_imgPreview; }

    void FormPaint();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void FormCreate();

    QWidget* m_mainWindow;
    QLabel* m_imgPreview;
    pic::Bitmap m_picture;
};

} // namespace nodo
