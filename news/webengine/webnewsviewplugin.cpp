#include "webnewsviewplugin.h"

#include "webnewsview.h"

#include <QCoreApplication>
#include <QOpenGLContext>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

#include <unistd.h>

// Qt's own hook for the context that all GL contexts of the application share
// (what Qt::AA_ShareOpenGLContexts creates at start-up), exported by QtGui.
QT_BEGIN_NAMESPACE
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext *context);
Q_GUI_EXPORT QOpenGLContext *qt_gl_global_share_context();
QT_END_NAMESPACE

namespace {

// The web engine draws through a GL context shared with the application's.
// Asking for that at start-up (Qt::AA_ShareOpenGLContexts) would load the GL
// stack into every start of the program, for a window most runs never open;
// so the shared context is made here, the first time the engine is needed.
void shareGlContexts() {
    if (qt_gl_global_share_context() != nullptr)
        return;
    auto *context = new QOpenGLContext(QCoreApplication::instance());
    context->create();
    qt_gl_set_global_share_context(context);
}

} // namespace

QWebEngineProfile *WebNewsViewPlugin::profile() {
    if (m_profile)
        return m_profile;
    // A profile without a storage name is off the record: cookies, cache and
    // local storage live in memory and are gone at the end of the run.
    m_profile = new QWebEngineProfile(QCoreApplication::instance());
    m_profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    m_profile->setSpellCheckEnabled(false);
    connect(m_profile, &QWebEngineProfile::downloadRequested, m_profile,
            [](QWebEngineDownloadRequest *download) { download->cancel(); });

    QWebEngineSettings *settings = m_profile->settings();
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
    settings->setAttribute(QWebEngineSettings::ScreenCaptureEnabled, false);
    settings->setAttribute(QWebEngineSettings::WebRTCPublicInterfacesOnly, true);
    settings->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanPaste, false);
    settings->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
    settings->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, false);
    settings->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    settings->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, false);
    return m_profile;
}

NewsView *WebNewsViewPlugin::createView(QWidget *parent) {
    shareGlContexts();
    // The engine's sandbox refuses to start for root, and then the engine
    // does not start at all: as root, the page runs without it.
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    return new WebNewsView(profile(), parent);
}
