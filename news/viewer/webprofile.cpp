#include "webprofile.h"

#include "viewersandbox.h"
#include "webnewsview.h"

#include <QCoreApplication>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

QWebEngineProfile *WebNewsViews::profile() {
    if (m_profile)
        return m_profile;
    // A profile without a storage name is off the record: cookies, cache and
    // local storage live in memory and are gone at the end of the run.
    // The engine starts with its first profile, and starts its sandbox then.
    viewersandbox::startEngine(
        [this] { m_profile = new QWebEngineProfile(QCoreApplication::instance()); });
    m_profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    m_profile->setSpellCheckEnabled(false);
    QObject::connect(m_profile, &QWebEngineProfile::downloadRequested, m_profile,
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
    // The news window shows a note of its own for a page that cannot be had.
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    return m_profile;
}

NewsView *WebNewsViews::createView(QWidget *parent) {
    return new WebNewsView(profile(), parent);
}
