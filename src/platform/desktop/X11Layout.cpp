#include "platform/desktop/X11Layout.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <memory>

namespace nodo::desktop {

namespace {

int WorkspaceCount(Display* dpy) {
    const Atom count = XInternAtom(dpy, "_NET_NUMBER_OF_DESKTOPS", True);
    if (count == None) return 1;
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    int n = 1;
    if (XGetWindowProperty(dpy, DefaultRootWindow(dpy), count, 0, 1, False, XA_CARDINAL, &type, &format,
                           &items, &after, &data) == Success &&
        data && format == 32 && items == 1) {
        const long v = *reinterpret_cast<long*>(data);
        if (v >= 1 && v <= 64) n = int(v);
    }
    if (data) XFree(data);
    return n;
}

} // namespace

std::optional<ScreenLayout> ReadScreenLayout(const char* displayName) {
    std::unique_ptr<Display, int (*)(Display*)> dpy(XOpenDisplay(displayName), XCloseDisplay);
    if (!dpy) return std::nullopt;
    ScreenLayout layout;
    layout.workspaces = WorkspaceCount(dpy.get());
    int event = 0, error = 0;
    if (!XRRQueryExtension(dpy.get(), &event, &error)) return layout;
    XRRScreenResources* res = XRRGetScreenResourcesCurrent(dpy.get(), DefaultRootWindow(dpy.get()));
    if (!res) return layout;
    for (int i = 0; i < res->noutput; ++i) {
        XRROutputInfo* info = XRRGetOutputInfo(dpy.get(), res, res->outputs[i]);
        if (!info) continue;
        // An output shows a picture when it has a CRTC driving it.
        if (info->crtc != None && info->connection != RR_Disconnected)
            layout.outputs.emplace_back(info->name, std::size_t(info->nameLen));
        XRRFreeOutputInfo(info);
    }
    XRRFreeScreenResources(res);
    return layout;
}

} // namespace nodo::desktop
