#pragma once
// The confirmation asked before the wallpaper is changed: a borderless 344 x 156 window centred
// over the main window, dragged by its background.
#include <QDialog>
#include <QPoint>

class QCheckBox;
class QLabel;
class QPushButton;

namespace nodo {
class BackgroundDrag;
struct SharedState;
struct Platform;

class TInforFrm : public QDialog {
    Q_OBJECT
public:
    TInforFrm(Platform& platform, SharedState& state, QWidget* mainWindow);

    // Asks the question modally and returns the answer (SetBgConfirmed of the shared state): 1 only when
    // "确  定" closed the window this time.
    int ShowModal();

    void btnokClick();
    void btncancelClick();
    void btnCloseClick();
    // Starts dragging the window from a press on its background at `globalPos`.
    void shpBGMouseDown(const QPoint& globalPos);

    QWidget* shpBG() const { return m_shpBG; }
    QLabel* imgques() const { return m_imgques; }
    QLabel* lblInfo() const { return m_lblInfo; }
    QCheckBox* chkSetBgInfo() const { return m_chkSetBgInfo; }
    QPushButton* btnok() const { return m_btnok; }
    QPushButton* btncancel() const { return m_btncancel; }
    QPushButton* btnClose() const { return m_btnClose; }

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    Platform& m_platform;
    SharedState& m_state;
    QWidget* m_mainWindow;
    QWidget* m_shpBG;
    QLabel* m_imgques;
    QLabel* m_lblInfo;
    QCheckBox* m_chkSetBgInfo;
    QPushButton* m_btnok;
    QPushButton* m_btncancel;
    QPushButton* m_btnClose;
    BackgroundDrag* m_drag;
};

} // namespace nodo
