#pragma once
// The pieces of a portal screenshot that need no bus: the request object's path, the picture file it
// names and the part of that picture that shows the primary screen.
#include <QDateTime>
#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>

namespace nodo {

// A fresh token for a portal call: unguessable, and a valid object path element.
QString NewHandleToken();

// The path of the request object that a portal call with handle_token `token` gets, for the caller
// whose unique bus name is `uniqueName` (":1.42" -> ".../request/1_42/TOKEN").
QString RequestPath(const QString& uniqueName, const QString& token);

// Decodes the picture file with our own readers into an opaque RGB32 image (an alpha channel, which
// a picture of the screen has no use for, is dropped). Throws pic::PictureError when the file cannot
// be read or is not a picture.
QImage ReadScreenPicture(const QString& file);

// Whether `file` lies inside one of `folders` once links and ".." are resolved (a folder itself is
// not inside itself). Missing files and folders lie nowhere.
bool LiesBelow(const QString& file, const QStringList& folders);

// Whether `file` is a regular file (not a link) that came into being at or after `since`: the
// picture a portal wrote for our request, wherever it put it (GNOME's goes to the user's pictures
// folder). Its birth time where the file system keeps one, else its last change; a second's leeway
// covers the file system's coarse clock.
bool WrittenSince(const QString& file, const QDateTime& since);

// The system's temporary folder: where the portals leave a screenshot that is only for the caller.
QStringList DefaultTemporaryFolders();

// A picture of the whole desktop (all screens, in the compositor's pixels) cut down to the primary
// screen, given both geometries in Qt's logical coordinates. The scale is the picture's own width
// over the desktop's; a picture whose shape does not match the desktop's is returned as it is.
QImage PrimaryScreenPart(const QImage& desktop, const QRect& virtualGeometry, const QRect& primaryGeometry);

} // namespace nodo
