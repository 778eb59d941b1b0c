#pragma once
// One picture of the screen asked of the desktop portal: org.freedesktop.portal.Screenshot on the
// session bus, answered through the Response signal of the request object the call creates.
#include "platform/portal/PortalPicture.h"

#include <QDBusConnection>
#include <QImage>
#include <QString>
#include <QStringList>

#include <chrono>

namespace nodo {

struct PortalSettings {
    // A portal that has not answered by then is given up, as if the user had cancelled.
    std::chrono::milliseconds giveUp{30000};
    // A picture file inside one of these folders is the portal's copy for us alone and is removed
    // once read; a file anywhere else (the user's pictures folder) is left where it is.
    QStringList temporaryFolders = DefaultTemporaryFolders();
    // The desktop's portal shows no dialog for a request without one (KDE Plasma's): no user can
    // have cancelled it, so its answer 1 is its own refusal, reported as a failure.
    bool noDialog = false;
};

// Portal settings for the running session: noDialog where XDG_CURRENT_DESKTOP names KDE.
PortalSettings SessionPortalSettings();

struct PortalShot {
    enum class Outcome {
        Taken,       // image holds the picture
        Cancelled,   // the user cancelled the portal's dialog (response 1)
        Ended,       // the portal ended the request some other way (response 2)
        GivenUp,     // no answer in time
        Unavailable, // no bus, no portal on it, or a portal without screenshots
        Failed,      // the portal answered the call with an error, or its picture could not be read
    };
    Outcome outcome = Outcome::Failed;
    QImage image;
    QString detail; // what went wrong, in English
    // The user said no, or did not answer the desktop's question: nothing to report. A request the
    // portal itself ended (response 2: its backend failed, or could not write the picture) is a
    // failure the user is told of, with the reason.
    bool refused() const { return outcome == Outcome::Cancelled || outcome == Outcome::GivenUp; }
};

class ScreenshotPortal {
public:
    explicit ScreenshotPortal(QDBusConnection bus, PortalSettings settings = {});

    // Asks for a picture of the whole desktop without the portal's customisation dialog, and waits for
    // the answer in a local event loop that holds the user's input back until it is over.
    PortalShot take();

    const PortalSettings& settings() const { return m_settings; }

private:
    QDBusConnection m_bus;
    PortalSettings m_settings;
};

} // namespace nodo
