#pragma once
// Painting one picture onto another at a place, as a device-independent bitmap is put onto a
// drawing surface: opaque, nothing keyed out or mixed.
#include "imaging/Bitmap.h"

namespace nodo {

// Copies `bitmap`'s blue, green and red onto `target` with its top-left corner at (x, y). What falls
// outside `target` is cut off; a 32-bit target gets an opaque fourth byte where it is painted.
void PaintBmp(const pic::Bitmap& bitmap, pic::Bitmap& target, int x, int y);

} // namespace nodo
