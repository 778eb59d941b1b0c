#pragma once
// nodo-cli's side of the month picture: runs nodo-month-picture (beside nodo-cli in the build's
// folder, or in the installation's libexec/nodo/) and reads what it drew.
#include "imaging/Bitmap.h"

namespace nodo::cli {

// Today's month as a 24-bit picture sized for a background `backgroundHeight` pixels high (0 when
// unknown). Throws NodoError, with the program's own words, when it cannot be drawn.
pic::Bitmap RunMonthPicture(int backgroundHeight);

} // namespace nodo::cli
