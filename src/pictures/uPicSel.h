#pragma once
// "背景图片选择": the window in which the user adds, removes and chooses background pictures.
#include "ui/StateButton.h"

#include <QDialog>
#include <QString>
#include <string>
#include <vector>

class QLabel;
class QFrame;
class QPushButton;
class QTreeWidget;

namespace nodo {
class BackgroundDrag;
struct MainContext;
struct Platform;
class TPicImage;

inline const QString kAddFailedText = QStringLiteral("添加失败，请重试！");
inline const QString kAddPictureFailedText = QStringLiteral("添加背景图片异常，请重试！");
inline const QString kPicSelFilter =
    QStringLiteral("(*.Bmp; *.JPG; *Gif) (*.bmp *.BMP *.jpg *.JPG *.jpeg *.JPEG *.gif *.GIF)");

class TPicSelFrm : public QDialog {
    Q_OBJECT
public:
    explicit TPicSelFrm(Platform& platform, QWidget* parent = nullptr);

    // The chosen picture as this window sees it; the main window compares it with its own after
    // the window closes.
    std::string SelBGPic;

    // The rows' captions, top to bottom.
    std::vector<std::string> rows() const;

    void btnAddClick();
    void btnRemoveClick();
    void btnOkClick();

    using CloseState = StateButton::State;
    CloseState closeState() const { return closeButton->state(); }

    // Controls, by the names the handlers use.
    QLabel* imgBG = nullptr;
    QLabel* img_close_normal = nullptr;
    QLabel* img_close_highlight = nullptr;
    QLabel* img_close_down = nullptr;
    StateButton* closeButton = nullptr; // takes the pointer for the three pictures
    QLabel* imgLogo = nullptr;
    QFrame* Shape1 = nullptr;
    QTreeWidget* LVpic = nullptr;
    QLabel* lblTishi = nullptr;
    TPicImage* imgSel = nullptr;
    QPushButton* btnRemove = nullptr;
    QPushButton* btnAdd = nullptr;
    QPushButton* btnOk = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormShow();
    void LoadPicList();
    void SavePicList();
    void addRow(const std::string& caption);
    void setCloseState(CloseState state);
    // What an unguarded failure ends in: the error's text, and the window runs on.
    template <class F> void reportErrors(F&& handler);

    Platform& m_platform;
    BackgroundDrag* m_drag = nullptr;
};

// The main window's loader of the background list (start-up passes false).
void LoadBGPicList(MainContext& ctx, bool ByChoice);

// The click on the main window's background-list picture: the list window runs modally, then the
// list is reloaded, following the window's choice when it changed.
void imgAddToDeskClick(MainContext& ctx, TPicSelFrm& picSel);

} // namespace nodo
