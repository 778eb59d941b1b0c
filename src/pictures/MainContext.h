#pragma once
// What the main window hands to the handlers that live with their own tools (import, background
// list, apply, capture): its services, itself, the picture page and its two background fields.
#include <cstdint>
#include <string>

class QWidget;

namespace nodo {
struct Platform;
class TPicImage;
struct SharedState;

struct MainContext {
    Platform* platform = nullptr;
    QWidget* mainWindow = nullptr;  // TMainFrm
    TPicImage* imgPicMix = nullptr; // the picture page
    SharedState* state = nullptr;   // what the windows share
};

} // namespace nodo
