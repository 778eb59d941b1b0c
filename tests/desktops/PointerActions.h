#pragma once
// The pointer actions of the desktop tier, whatever moves the pointer (a wlroots virtual pointer,
// mutter's remote desktop), at a person's pace:
//   move X Y | down [left|right] | up [left|right] | click X Y [left|right] | wait MS
//   | drag X1 Y1 X2 Y2 (the left button held from the first place to the second, in steps)
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace tier {

struct PointerDevice {
    std::function<void(int x, int y)> move;           // to a place on the screen, in pixels
    std::function<void(bool right, bool down)> press; // a button pressed or released
};

// Runs the actions from args[first]; false when they do not parse (nothing after that is done).
inline bool RunPointerActions(const std::vector<std::string>& args, std::size_t first,
                              const PointerDevice& device) {
    auto wait = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
    auto number = [&](std::size_t at) { return std::atoi(args[at].c_str()); };
    // An optional button name after an action: how many words it took.
    auto right = [&](std::size_t at, std::size_t& words) {
        const bool named = at < args.size() && (args[at] == "left" || args[at] == "right");
        words += named ? 1 : 0;
        return named && args[at] == "right";
    };
    std::size_t i = first;
    while (i < args.size()) {
        const std::string& what = args[i];
        std::size_t words = 1;
        if (what == "move" && i + 2 < args.size()) {
            device.move(number(i + 1), number(i + 2));
            words = 3;
        } else if (what == "down" || what == "up") {
            device.press(right(i + 1, words), what == "down");
        } else if (what == "click" && i + 2 < args.size()) {
            words = 3;
            const bool r = right(i + 3, words);
            device.move(number(i + 1), number(i + 2));
            wait(60);
            device.press(r, true);
            wait(60);
            device.press(r, false);
        } else if (what == "drag" && i + 4 < args.size()) {
            const int x1 = number(i + 1), y1 = number(i + 2), x2 = number(i + 3), y2 = number(i + 4);
            words = 5;
            device.move(x1, y1);
            wait(200);
            device.press(false, true);
            // The program answers the press (a window move starts there) before the pointer goes on.
            wait(400);
            for (int step : {1, 3, 5}) {
                device.move(x1 + (x2 - x1) * step / 5, y1 + (y2 - y1) * step / 5);
                wait(200);
            }
            wait(100);
            device.press(false, false);
        } else if (what == "wait" && i + 1 < args.size()) {
            wait(number(i + 1));
            words = 2;
        } else {
            return false;
        }
        i += words;
        wait(60);
    }
    return true;
}

} // namespace tier
