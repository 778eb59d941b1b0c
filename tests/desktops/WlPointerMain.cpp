// A pointer for a wlroots compositor that has no input devices (sway on its headless back end):
// a virtual pointer through zwlr_virtual_pointer_v1, moved in screen pixels and pressed like a
// mouse, at a person's pace.
//   wl_pointer [--extent W H] ACTION... (the actions of PointerActions.h)
// The protocol's two interfaces are written out here (Debian 12 packages no description of them).
#include "PointerActions.h"

#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

const wl_interface* kPointerTypes[] = {nullptr, nullptr, nullptr, nullptr, nullptr};
extern const wl_interface kVirtualPointer;
const wl_interface* kCreateTypes[] = {&wl_seat_interface, &kVirtualPointer};
const wl_interface* kCreateWithOutputTypes[] = {&wl_seat_interface, &wl_output_interface, &kVirtualPointer};

// Requests in the protocol's order; the opcodes below index them.
const wl_message kPointerRequests[] = {
    {"motion", "uff", kPointerTypes},   {"motion_absolute", "uuuuu", kPointerTypes},
    {"button", "uuu", kPointerTypes},   {"axis", "uuf", kPointerTypes},
    {"frame", "", kPointerTypes},       {"axis_source", "u", kPointerTypes},
    {"axis_stop", "uu", kPointerTypes}, {"axis_discrete", "uufi", kPointerTypes},
    {"destroy", "", kPointerTypes},
};
const wl_message kManagerRequests[] = {
    {"create_virtual_pointer", "?on", kCreateTypes},
    {"destroy", "", kPointerTypes},
    {"create_virtual_pointer_with_output", "2?o?on", kCreateWithOutputTypes},
};
const wl_interface kVirtualPointer = {"zwlr_virtual_pointer_v1", 1, 9, kPointerRequests, 0, nullptr};
const wl_interface kManager = {"zwlr_virtual_pointer_manager_v1", 1, 3, kManagerRequests, 0, nullptr};

enum PointerOp : std::uint32_t { kMotionAbsolute = 1, kButton = 2, kFrame = 4, kDestroy = 8 };

struct Globals {
    wl_seat* seat = nullptr;
    wl_proxy* manager = nullptr;
};

void Global(void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t) {
    auto* g = static_cast<Globals*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !g->seat)
        g->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (std::strcmp(interface, kManager.name) == 0 && !g->manager)
        g->manager = static_cast<wl_proxy*>(wl_registry_bind(registry, name, &kManager, 1));
}
void GlobalRemove(void*, wl_registry*, std::uint32_t) {}
const wl_registry_listener kRegistry = {Global, GlobalRemove};

std::uint32_t Now() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

int Usage() {
    std::fprintf(stderr, "usage: wl_pointer [--extent W H] (move X Y | down [left|right] | up [left|right] | "
                         "click X Y [left|right] | wait MS | drag X1 Y1 X2 Y2)...\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::uint32_t width = 1366, height = 768;
    std::size_t i = 0;
    if (args.size() >= 3 && args[0] == "--extent") {
        width = static_cast<std::uint32_t>(std::atoi(args[1].c_str()));
        height = static_cast<std::uint32_t>(std::atoi(args[2].c_str()));
        i = 3;
    }
    if (i >= args.size() || width == 0 || height == 0) return Usage();

    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "wl_pointer: no Wayland display (WAYLAND_DISPLAY=%s)\n",
                     std::getenv("WAYLAND_DISPLAY") ? std::getenv("WAYLAND_DISPLAY") : "");
        return 1;
    }
    Globals g;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistry, &g);
    wl_display_roundtrip(display);
    if (!g.manager) {
        std::fprintf(stderr, "wl_pointer: the compositor offers no %s\n", kManager.name);
        return 1;
    }
    auto* pointer = wl_proxy_marshal_constructor(g.manager, 0, &kVirtualPointer, g.seat, nullptr);
    wl_display_roundtrip(display);
    // The seat has a pointer only while this runs; programs take it when told, which is not at once.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));

    auto send = [&](auto... request) {
        wl_proxy_marshal(pointer, request...);
        wl_proxy_marshal(pointer, kFrame);
        wl_display_roundtrip(display);
    };
    const tier::PointerDevice device{
        [&](int x, int y) {
            send(kMotionAbsolute, Now(), static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), width,
                 height);
        },
        [&](bool right, bool down) {
            send(kButton, Now(), static_cast<std::uint32_t>(right ? BTN_RIGHT : BTN_LEFT),
                 static_cast<std::uint32_t>(down ? WL_POINTER_BUTTON_STATE_PRESSED
                                                 : WL_POINTER_BUTTON_STATE_RELEASED));
        }};
    if (!tier::RunPointerActions(args, i, device)) return Usage();
    wl_proxy_marshal(pointer, kDestroy);
    wl_proxy_destroy(pointer);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
