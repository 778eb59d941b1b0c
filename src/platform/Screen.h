#pragma once
#include <QImage>
#include <QSize>
#include <QString>
#include <vector>

namespace nodo {

// The primary screen, in device pixels.
class Screen {
public:
    virtual ~Screen() = default;
    virtual QSize size() const = 0;
    virtual int depth() const = 0;
    // Each screen's place in the windows' own units (device pixels over the scale), primary first.
    virtual std::vector<QRect> areas() const = 0;
    // Whether grab() can give a picture of the screen in this session.
    virtual bool canGrab(QString* why = nullptr) const = 0;
    // The whole primary screen as it is now; a null image when it cannot be had.
    virtual QImage grab() = 0;
};

} // namespace nodo
