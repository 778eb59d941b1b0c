#pragma once
// Moving pixels between the picture core's bitmaps and Qt images.
#include "imaging/Bitmap.h"

#include <QImage>

namespace nodo {

// An opaque RGB32 image of the bitmap's blue, green and red.
QImage ToQImage(const pic::Bitmap& bitmap);
// The image's pixels as a 24- or 32-bit bitmap (the fourth byte is the image's alpha, 255 for an
// opaque image). A null image gives an empty bitmap.
pic::Bitmap FromQImage(const QImage& image, int bitsPerPixel);

} // namespace nodo
