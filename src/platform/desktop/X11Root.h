#pragma once
// The wallpaper of a bare X11 session: a pixmap of the screen's size set as the root window's
// background, announced through _XROOTPMAP_ID and ESETROOT_PMAP_ID so that terminals and panels
// drawing pseudo-transparency find it.
#include "imaging/Bitmap.h"

#include <string>

namespace nodo::desktop {

// Stretches `picture` to each screen of the display and installs it. The pixmap outlives this
// connection (RetainPermanent); the one installed before it this way is freed. `displayName` null
// means $DISPLAY. Returns false and fills `error` when the display cannot be reached or refuses.
bool SetRootWallpaper(const char* displayName, const pic::Bitmap& picture, std::string& error);

} // namespace nodo::desktop
