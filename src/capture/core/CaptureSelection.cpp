#include "capture/core/CaptureSelection.h"

#include "capture/core/CaptureTexts.h"

#include <algorithm>
#include <utility>

namespace nodo::capture {

std::string RGBText(int red, int green, int blue) {
    return "当前像素RGB值（" + std::to_string(red) + "、" + std::to_string(green) + "、" +
           std::to_string(blue) + "）";
}

std::string_view ActionText(SelState state) {
    switch (state) {
    case SelState::Selecting:
        return kActionRelease;
    case SelState::Finished:
        return kActionSend;
    default:
        return kActionSelect;
    }
}

std::string_view CancelText(SelState state) {
    return state == SelState::Nothing ? kCancelExit : kCancelClear;
}

int PanelLeftAfterPointer(int currentLeft, int screenWidth, int panelWidth) {
    constexpr int kMargin = 8;
    return currentLeft != kMargin ? kMargin : screenWidth - panelWidth - kMargin;
}

CaptureSelection::CaptureSelection(PixelSurface screen) : m_screen(screen) {}

void CaptureSelection::setScreen(PixelSurface screen) {
    m_screen = screen;
    m_rectDrawn = false;
}

void CaptureSelection::start() {
    m_state = SelState::Nothing;
    m_mouseHeld = false;
    m_rectDrawn = false;
    m_x1 = m_y1 = m_x2 = m_y2 = -1;
}

void CaptureSelection::invertBand() {
    InvertBand(m_screen, m_x1, m_y1, m_x2, m_y2);
    for (const Rect& r : BandStrips(m_x1, m_y1, m_x2, m_y2, m_screen.width, m_screen.height))
        m_dirty.push_back(r);
}

void CaptureSelection::drawBand() {
    invertBand();
    m_rectDrawn = true;
}

void CaptureSelection::eraseBandIfDrawn() {
    if (m_rectDrawn) invertBand();
    m_rectDrawn = false;
}

void CaptureSelection::mouseMove(int x, int y) {
    m_cursor = Cursor::Arrow;
    // The corners as dragged: a selection dragged up or to the left is never "inside".
    if (m_state == SelState::Finished && StrictlyBetween(x, m_x1, m_x2) && StrictlyBetween(y, m_y1, m_y2)) {
        m_cursor = Cursor::SizeAll;
        if (m_mouseHeld) moveSelection(x, y);
    }
    if (m_state == SelState::Selecting && m_mouseHeld) {
        eraseBandIfDrawn();
        // The pointer can leave the frozen screen while the button is held (another monitor).
        m_x2 = std::clamp(x, 0, m_screen.width);
        m_y2 = std::clamp(y, 0, m_screen.height);
        drawBand();
    }
}

void CaptureSelection::moveSelection(int x, int y) {
    eraseBandIfDrawn();
    const int dx = x - m_lastX;
    if (m_x1 + dx >= 1 && m_x2 + dx <= m_screen.width) {
        m_x1 += dx;
        m_x2 += dx;
    }
    const int dy = y - m_lastY;
    if (m_y1 + dy >= 1 && m_y2 + dy <= m_screen.height) {
        m_y1 += dy;
        m_y2 += dy;
    }
    drawBand();
    m_lastX = x;
    m_lastY = y;
}

bool CaptureSelection::mouseDown(MouseButton button, int x, int y) {
    if (button == MouseButton::Right) return true;
    if (m_state == SelState::Finished && m_cursor != Cursor::Arrow) {
        m_mouseHeld = true;
        m_lastX = x;
        m_lastY = y;
    }
    if (m_state != SelState::Nothing) return false;
    eraseBandIfDrawn();
    m_mouseHeld = true;
    m_state = SelState::Selecting;
    m_x1 = m_x2 = std::clamp(x, 0, m_screen.width);
    m_y1 = m_y2 = std::clamp(y, 0, m_screen.height);
    return false;
}

void CaptureSelection::mouseUp() {
    m_mouseHeld = false;
    if (m_state == SelState::Selecting) m_state = SelState::Finished;
}

bool CaptureSelection::cancelOrExit() {
    if (m_state == SelState::Nothing) return true;
    eraseBandIfDrawn();
    m_state = SelState::Nothing;
    return false;
}

CaptureSelection::SendPlan CaptureSelection::beginSend() {
    SendPlan plan;
    if (m_state != SelState::Finished) return plan;
    if (m_x2 < m_x1) std::swap(m_x1, m_x2);
    if (m_y2 < m_y1) std::swap(m_y1, m_y2);
    m_bandBeforeSend = m_rectDrawn;
    eraseBandIfDrawn();
    plan.rect = {m_x1, m_y1, m_x2, m_y2};
    plan.kind = plan.rect.empty() ? SendPlan::CloseOnly : SendPlan::Copy;
    return plan;
}

void CaptureSelection::sendFinished() {
    m_state = SelState::Nothing;
    m_rectDrawn = false;
}

void CaptureSelection::sendFailed() {
    if (m_bandBeforeSend && !m_rectDrawn) drawBand();
}

std::string CaptureSelection::readout(int x, int y) const {
    if (!m_screen.bits || !m_screen.contains(x, y)) return {};
    const uint32_t p = m_screen.pixel(x, y);
    return RGBText((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

std::vector<Rect> CaptureSelection::takeDirty() {
    return std::exchange(m_dirty, {});
}

} // namespace nodo::capture
