#include "wallpaper/uPicMix.h"

#include "wallpaper/MixPic.h"

#include <QPushButton>

namespace nodo {

TMixPicFrm::TMixPicFrm(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("图片合成"));
    m_JvXPButton1 = new QPushButton(QStringLiteral("合成到当前目录下面"), this);
    m_JvXPButton1->setObjectName(QStringLiteral("JvXPButton1"));
    m_JvXPButton1->hide();
    connect(m_JvXPButton1, &QPushButton::clicked, this, &TMixPicFrm::JvXPButton1Click);
}

pic::Bitmap& TMixPicFrm::MixPic(pic::Bitmap& Content, pic::Bitmap& Background, int Percent) {
    return nodo::MixPic(Content, Background, Percent);
}

void TMixPicFrm::JvXPButton1Click() {
    m_holder.img1 = pic::Bitmap();
    m_holder.img2 = pic::Bitmap();
}

} // namespace nodo
