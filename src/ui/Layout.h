#pragma once
// A window's layout as data: each control's design rectangle and the edges of its parent it keeps
// its distance to. Plain constexpr types, so a window, its tests and the programs that drive it
// from outside read one table.

namespace nodo::layout {

struct Spot {
    int x = 0, y = 0;
};

struct Box {
    int x = 0, y = 0, w = 0, h = 0;
    constexpr Spot centre() const { return {x + w / 2, y + h / 2}; }
    constexpr Spot offset(int dx, int dy) const { return {x + dx, y + dy}; }
};

// The parent's edges a control is anchored to (a control anchored to neither side of an axis keeps
// its place on that axis, as one anchored to the first side does).
enum Edge : unsigned { kLeft = 1, kTop = 2, kRight = 4, kBottom = 8 };
inline constexpr unsigned kTopLeft = kLeft | kTop;
inline constexpr unsigned kTopRight = kTop | kRight;
inline constexpr unsigned kAllSides = kLeft | kTop | kRight | kBottom;

struct Place {
    Box box;
    unsigned edges = kTopLeft;
};

// Where a control goes when its parent is dw wider and dh taller than it was designed: anchored to
// both sides of an axis it stretches (never below zero), to the far side alone it moves.
constexpr int AnchoredSpan(int& pos, int span, unsigned edges, unsigned nearEdge, unsigned farEdge,
                           int delta) {
    if ((edges & farEdge) == 0) return span;
    if ((edges & nearEdge) != 0) return span + delta < 0 ? 0 : span + delta;
    pos += delta;
    return span;
}

constexpr Box Anchored(const Place& p, int dw, int dh) {
    Box b = p.box;
    b.w = AnchoredSpan(b.x, b.w, p.edges, kLeft, kRight, dw);
    b.h = AnchoredSpan(b.y, b.h, p.edges, kTop, kBottom, dh);
    return b;
}

} // namespace nodo::layout
