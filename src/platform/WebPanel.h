#pragma once
#include <QUrl>
#include <functional>
#include <memory>

class QWidget;

namespace nodo {

// A light HTML view: shows a page from a file or http(s) address; in design mode it is a blank,
// editable document.
class WebView {
public:
    virtual ~WebView() = default;
    virtual QWidget* widget() = 0;
    virtual void navigate(const QUrl& url) = 0;
    virtual QUrl url() const = 0;
    virtual void setDesignMode(bool on) = 0;
    virtual bool designMode() const = 0;
    // Links the user clicks go to `handler` instead of loading in the view; an empty handler loads
    // them in place.
    virtual void setLinkHandler(std::function<void(const QUrl&)> handler) = 0;
};

class WebPanel {
public:
    virtual ~WebPanel() = default;
    virtual std::unique_ptr<WebView> createView(QWidget* parent) = 0;
};

} // namespace nodo
