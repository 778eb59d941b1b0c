#pragma once
// The content picture of `nodo-cli apply --calendar`: today's month view, drawn by the calendar
// control off screen. The only part of nodo-cli that starts Qt, and only when it is called.
#include "imaging/Bitmap.h"

namespace nodo::cli {

// Today's month as a 24-bit picture sized for a background `backgroundHeight` pixels high (0 when
// unknown). Throws NodoError when it cannot be drawn.
pic::Bitmap TodaysMonthPicture(int backgroundHeight);

} // namespace nodo::cli
