#pragma once
// The blend's holder window ("图片合成"): made at start-up, never shown. Its three pictures hold the
// content, the background and the result during one apply.
#include "wallpaper/ApplyWallpaper.h"

#include <QWidget>

class QPushButton;

namespace nodo {

class TMixPicFrm : public QWidget {
    Q_OBJECT
public:
    explicit TMixPicFrm(QWidget* parent = nullptr);

    // Blends Content into Background (changed in place) and returns it.
    pic::Bitmap& MixPic(pic::Bitmap& Content, pic::Bitmap& Background, int Percent);
    // Empties the content and background pictures.
    void JvXPButton1Click();

    MixHolder& holder() { return m_holder; }
    const pic::Bitmap& img1() const { return m_holder.img1; }
    const pic::Bitmap& img2() const { return m_holder.img2; }
    const pic::Bitmap& imgmix() const { return m_holder.imgmix; }

private:
    MixHolder m_holder;
    QPushButton* m_JvXPButton1;
};

} // namespace nodo
