#include "webnewsview.h"

#include <QPointer>
#include <QWebEngineFileSystemAccessRequest>
#include <QWebEngineFullScreenRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineRegisterProtocolHandlerRequest>
#include <QWebEngineScript>

namespace {

bool isWebPage(const QUrl &url) {
    return url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
}

// A page that shows nothing of itself to the machine: it refuses every
// navigation but http and https, every permission, and every dialog.
class GuardedPage : public QWebEnginePage {
public:
    explicit GuardedPage(QWebEngineProfile *profile, QObject *parent)
        : QWebEnginePage(profile, parent) {
        connect(this, &QWebEnginePage::featurePermissionRequested, this,
                [this](const QUrl &origin, Feature feature) {
                    setFeaturePermission(origin, feature, PermissionDeniedByUser);
                });
        connect(this, &QWebEnginePage::fullScreenRequested, this,
                [](QWebEngineFullScreenRequest request) { request.reject(); });
        connect(this, &QWebEnginePage::registerProtocolHandlerRequested, this,
                [](QWebEngineRegisterProtocolHandlerRequest request) { request.reject(); });
        connect(this, &QWebEnginePage::fileSystemAccessRequested, this,
                [](QWebEngineFileSystemAccessRequest request) { request.reject(); });
    }

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType, bool) override {
        return isWebPage(url);
    }
    QStringList chooseFiles(FileSelectionMode, const QStringList &, const QStringList &) override {
        return {};
    }
    void javaScriptAlert(const QUrl &, const QString &) override {}
    bool javaScriptConfirm(const QUrl &, const QString &) override { return false; }
    bool javaScriptPrompt(const QUrl &, const QString &, const QString &, QString *) override {
        return false;
    }
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &, int,
                                  const QString &) override {}
};

// Where a page asked to be opened in a new window goes: the address is passed
// on and nothing is loaded.
class NewWindowCatcher final : public GuardedPage {
public:
    NewWindowCatcher(QWebEngineProfile *profile, WebNewsView *view)
        : GuardedPage(profile, view)
        , m_view(view) {}

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType, bool) override {
        if (m_view && m_view->onNewWindow)
            m_view->onNewWindow(url);
        return false;
    }

private:
    QPointer<WebNewsView> m_view;
};

// The news page itself, sending new windows to the catcher.
class NewsPage final : public GuardedPage {
public:
    NewsPage(QWebEngineProfile *profile, WebNewsView *view)
        : GuardedPage(profile, view)
        , m_catcher(new NewWindowCatcher(profile, view)) {}

protected:
    QWebEnginePage *createWindow(WebWindowType) override { return m_catcher; }

private:
    NewWindowCatcher *m_catcher;
};

} // namespace

WebNewsView::WebNewsView(QWebEngineProfile *profile, QWidget *parent)
    : QWebEngineView(parent) {
    setPage(new NewsPage(profile, this));
    setContextMenuPolicy(Qt::NoContextMenu);
    setAcceptDrops(false);
    connect(page(), &QWebEnginePage::loadingChanged, this, &WebNewsView::onLoadingChanged);
}

void WebNewsView::navigate(const QUrl &url) {
    if (!isWebPage(url))
        return;
    m_address = url.toString();
    m_loading = true;
    m_body.reset();
    m_failure.reset();
    load(url);
}

void WebNewsView::stop() {
    QWebEngineView::stop();
}

void WebNewsView::finishLoading(std::optional<QString> body) {
    m_body = std::move(body);
    m_loading = false;
    if (onLoaded)
        onLoaded();
}

void WebNewsView::onLoadingChanged(const QWebEngineLoadingInfo &info) {
    switch (info.status()) {
    case QWebEngineLoadingInfo::LoadStartedStatus:
        // The page being loaded, also when it fails.
        m_address = info.url().toString();
        m_loading = true;
        m_body.reset();
        m_failure.reset();
        if (onLoadStarted)
            onLoadStarted();
        return;
    case QWebEngineLoadingInfo::LoadStoppedStatus:
        // Stopped, or a navigation the page was refused: what shows stays,
        // and there is nothing to read.
        finishLoading(std::nullopt);
        return;
    case QWebEngineLoadingInfo::LoadFailedStatus:
        m_failure = newsNoticeForLoadError(info.errorCode());
        finishLoading(std::nullopt);
        return;
    case QWebEngineLoadingInfo::LoadSucceededStatus:
        break;
    }
    // Read in the program's own script world, which the page cannot tamper with.
    page()->runJavaScript(QStringLiteral("document.body ? document.body.innerHTML : null"),
                          QWebEngineScript::ApplicationWorld,
                          [view = QPointer<WebNewsView>(this)](const QVariant &body) {
                              if (!view)
                                  return;
                              if (body.typeId() == QMetaType::QString)
                                  view->finishLoading(body.toString());
                              else
                                  view->finishLoading(std::nullopt);
                          });
}
