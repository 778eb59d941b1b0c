#pragma once
#include "platform/WebPanel.h"

namespace nodo {

class TextBrowserWebPanel : public WebPanel {
public:
    std::unique_ptr<WebView> createView(QWidget* parent) override;
};

} // namespace nodo
