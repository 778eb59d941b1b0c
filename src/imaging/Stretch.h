#pragma once
#include "imaging/Bitmap.h"

namespace nodo::pic {

// Scales to width x height with bilinear filtering (area-averaged when shrinking by more than 2),
// giving 24 bits. The wallpaper is stretched to the screen with it.
Bitmap StretchBitmap(const Bitmap& source, int width, int height);

} // namespace nodo::pic
