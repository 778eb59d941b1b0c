#pragma once
#include <QImage>
#include <QSize>
#include <QString>
#include <utility>
#include <vector>

namespace nodo {

// One reading of the screen for a capture: the picture, or why there is none.
struct ScreenShot {
    enum class Outcome {
        Taken,   // image holds the whole primary screen
        Refused, // the user or the desktop said no: the capture ends without a word
        Failed,  // the screen could not be read: worth a message
    };
    Outcome outcome = Outcome::Failed;
    QImage image;
    QString detail;
};

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
    // grab() for a capture, which also learns whether a missing picture was refused.
    virtual ScreenShot capture() {
        QImage image = grab();
        const auto outcome = image.isNull() ? ScreenShot::Outcome::Failed : ScreenShot::Outcome::Taken;
        return {outcome, std::move(image), {}};
    }
};

} // namespace nodo
