#pragma once
// The wallpaper of a bare X11 session: a pixmap of the screen's size set as the root window's
// background, announced through _XROOTPMAP_ID and ESETROOT_PMAP_ID so that terminals and panels
// drawing pseudo-transparency find it.
#include "imaging/Bitmap.h"

#include <memory>
#include <string>

namespace nodo::desktop {

// Stretches `picture` to each screen of the display and installs it. The pixmap outlives this
// connection (RetainPermanent); the one installed before it this way is freed. `displayName` null
// means $DISPLAY. Returns false and fills `error` when the display cannot be reached or refuses.
bool SetRootWallpaper(const char* displayName, const pic::Bitmap& picture, std::string& error);

// The same in two steps, so the pixels can be sent while the caller finishes other work: the
// picture stretched to each screen in the server's memory, shown only by show(). Dropped before
// that, it is freed with its connection and the screens keep what they showed.
class RootPicture {
public:
    // Null, with `error`, when the display cannot be reached or refuses.
    static std::unique_ptr<RootPicture> Upload(const char* displayName, const pic::Bitmap& picture,
                                               std::string& error);
    ~RootPicture();
    RootPicture(const RootPicture&) = delete;
    RootPicture& operator=(const RootPicture&) = delete;

    // Installs the pictures on their screens; false, with `error`, when the server refuses. Once.
    bool show(std::string& error);

private:
    RootPicture();
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace nodo::desktop
