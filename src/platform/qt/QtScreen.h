#pragma once
#include "platform/Screen.h"

#include <memory>

namespace nodo {

class ScreenshotPortal;

// The X server's picture in an X11 session; in a Wayland session (whatever Qt platform runs) the
// desktop portal's, asked on the session bus.
class QtScreen : public Screen {
public:
    QtScreen();
    // A Wayland session asks `portal` (tests hand in one on a private bus); an X11 session never does.
    explicit QtScreen(std::unique_ptr<ScreenshotPortal> portal);
    ~QtScreen() override;

    QSize size() const override;
    int depth() const override;
    std::vector<QRect> areas() const override;
    bool canGrab(QString* why) const override;
    QImage grab() override;
    ScreenShot capture() override;

    // Whether this session's screen is read through the portal.
    bool usesPortal() const;

private:
    ScreenShot grabFromServer() const;
    ScreenShot askPortal();

    std::unique_ptr<ScreenshotPortal> m_portal;
};

} // namespace nodo
