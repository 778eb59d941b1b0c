#pragma once
// What the capture window does with the mouse and the keys, apart from the window itself: the
// selection's corners and state, the rubber band inverted on the frozen screen, the cursor, the panel
// texts and the panel's dodging rule. All coordinates are screen pixels.
#include "capture/core/PixelSurface.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nodo::capture {

enum class SelState : uint8_t { Nothing = 0, Selecting = 1, Finished = 2 };
enum class Cursor { Cross, Arrow, SizeAll };
enum class MouseButton { Left, Right, Other };

std::string_view ActionText(SelState state);
std::string_view CancelText(SelState state);

// Where the information panel goes when the pointer comes over it: to 8 from the left unless it is
// there already, else to 8 from the right edge. It alternates sides, dodging the pointer.
int PanelLeftAfterPointer(int currentLeft, int screenWidth, int panelWidth);
inline bool StrictlyBetween(int v, int low, int high) {
    return low < v && v < high;
}

class CaptureSelection {
public:
    // What a send has to do.
    struct SendPlan {
        enum Kind { Ignore, CloseOnly, Copy } kind = Ignore;
        Rect rect; // with Copy: the ordered selection, band already erased
    };

    // The frozen screen; not owned and never copied, the band is inverted in it in place.
    explicit CaptureSelection(PixelSurface screen = {});
    void setScreen(PixelSurface screen);

    // The window is shown: nothing selected, no band, corners at -1.
    void start();

    void mouseMove(int x, int y);
    // True when the press asks for CancelOrExit (the right button).
    bool mouseDown(MouseButton button, int x, int y);
    void mouseUp();
    // Clears a selection; true when there was none and the window is to close.
    bool cancelOrExit();

    // Sending: nothing unless a selection is finished. An empty one sends nothing but ends the capture.
    // For a copy, the corners are put in order and the band is erased; call sendFinished() once the
    // pixels are saved, or sendFailed() to put the band back and carry on.
    SendPlan beginSend();
    void sendFinished();
    void sendFailed();

    // The readout for the pixel under the pointer (band included); empty when off the screen.
    std::string readout(int x, int y) const;

    // Parts of the screen changed since the last call (for repainting).
    std::vector<Rect> takeDirty();

    SelState state() const { return m_state; }
    Cursor cursor() const { return m_cursor; }
    bool mouseHeld() const { return m_mouseHeld; }
    bool rectDrawn() const { return m_rectDrawn; }
    int x1() const { return m_x1; }
    int y1() const { return m_y1; }
    int x2() const { return m_x2; }
    int y2() const { return m_y2; }
    std::string_view actionText() const { return ActionText(m_state); }
    std::string_view cancelText() const { return CancelText(m_state); }
    const PixelSurface& screen() const { return m_screen; }

private:
    void invertBand(); // draws or erases: the same operation
    void drawBand();
    void eraseBandIfDrawn();
    void moveSelection(int x, int y);

    PixelSurface m_screen;
    int m_lastX = 0, m_lastY = 0;
    int m_x1 = -1, m_y1 = -1;
    int m_y2 = -1, m_x2 = -1;
    bool m_mouseHeld = false;
    bool m_rectDrawn = false;
    bool m_bandBeforeSend = false;
    SelState m_state = SelState::Nothing;
    Cursor m_cursor = Cursor::Cross; // until the first pointer move
    std::vector<Rect> m_dirty;
};

} // namespace nodo::capture
