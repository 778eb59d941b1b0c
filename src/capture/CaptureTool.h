#pragma once
// The "截  图" button of the main window and the message it posts to itself to start a capture.
#include "pictures/MainContext.h"

#include <QEvent>
#include <QObject>
#include <QPointer>

namespace nodo {

class TCopyScreenForm;

// Posted to the main window 200 ms after the button; its handler runs CaptureTool::Copyscreanform.
inline constexpr QEvent::Type kCopyScreenEvent = QEvent::Type(QEvent::User + 5129);

class CaptureTool : public QObject {
    Q_OBJECT
public:
    explicit CaptureTool(QObject* parent = nullptr) : QObject(parent) {}

    // Asks whether to get the main window out of the way (hides it on OK), waits 200 ms, then posts
    // kCopyScreenEvent to the main window.
    void SpeedButton1Click(MainContext& ctx);
    // What the main window runs on kCopyScreenEvent: freezes the primary screen into a new capture
    // window and shows it. Where the screen cannot be read, says so and opens no window; where the
    // desktop's own dialog was cancelled, just brings the main window back.
    void Copyscreanform(MainContext& ctx);

    // The capture window in use, or null once it has closed.
    TCopyScreenForm* current() const { return m_current; }

private:
    QPointer<TCopyScreenForm> m_current;
};

} // namespace nodo
