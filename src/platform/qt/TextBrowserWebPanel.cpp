#include "platform/qt/TextBrowserWebPanel.h"
#include "platform/WebPanel.h"

#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTextBrowser>

namespace nodo {
namespace {

// A QTextBrowser that also loads http(s) pages and their pictures, so a page from a web server
// shows the same way as one from the bundled folder.
class NetTextBrowser : public QTextBrowser {
public:
    explicit NetTextBrowser(QWidget* parent) : QTextBrowser(parent) {
        setOpenLinks(true);
        setOpenExternalLinks(true);
        setFrameShape(QFrame::NoFrame);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }

    QVariant loadResource(int type, const QUrl& name) override {
        if (name.scheme() == QLatin1String("http") || name.scheme() == QLatin1String("https")) {
            QNetworkAccessManager nam;
            QNetworkRequest req(name);
            req.setTransferTimeout(5000);
            QNetworkReply* reply = nam.get(req);
            QEventLoop loop;
            QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
            loop.exec(QEventLoop::ExcludeUserInputEvents);
            QByteArray data = reply->error() == QNetworkReply::NoError ? reply->readAll() : QByteArray();
            reply->deleteLater();
            if (data.isEmpty()) return {};
            if (type == QTextDocument::HtmlResource) return QString::fromUtf8(data);
            return data;
        }
        return QTextBrowser::loadResource(type, name);
    }
};

class TextBrowserView : public WebView {
public:
    explicit TextBrowserView(QWidget* parent) : m_browser(new NetTextBrowser(parent)) {}
    QWidget* widget() override { return m_browser; }
    void navigate(const QUrl& url) override {
        if (url == QUrl(QStringLiteral("about:blank"))) {
            m_browser->clear();
            m_url = url;
            return;
        }
        m_url = url;
        m_browser->setSource(url);
    }
    QUrl url() const override { return m_url; }
    void setDesignMode(bool on) override {
        m_browser->setReadOnly(!on);
        m_browser->setTextInteractionFlags(on ? Qt::TextEditorInteraction : Qt::TextBrowserInteraction);
    }
    bool designMode() const override { return !m_browser->isReadOnly(); }
    void setLinkHandler(std::function<void(const QUrl&)> handler) override {
        QObject::disconnect(m_link);
        m_browser->setOpenLinks(!handler);
        if (handler) m_link = QObject::connect(m_browser, &QTextBrowser::anchorClicked, m_browser, handler);
    }

private:
    NetTextBrowser* m_browser; // owned by its parent widget
    QUrl m_url;
    QMetaObject::Connection m_link;
};

} // namespace

std::unique_ptr<WebView> TextBrowserWebPanel::createView(QWidget* parent) {
    return std::make_unique<TextBrowserView>(parent);
}

} // namespace nodo
