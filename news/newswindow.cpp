#include "newswindow.h"

#include "formtan.h"
#include "newsaddress.h"
#include "newsview.h"

#include <QPluginLoader>

#include <utility>

NewsWindow::NewsWindow(QString pluginPath, std::function<void(const QString &)> openInBrowser,
                       QObject *parent)
    : QObject(parent)
    , m_pluginPath(std::move(pluginPath))
    , m_openInBrowser(std::move(openInBrowser)) {}

NewsWindow::~NewsWindow() {
    // The program is ending: the window and its page go at once.
    delete m_form;
}

NewsViewFactory *NewsWindow::factory() {
    if (!m_plugin) {
        QPluginLoader loader(m_pluginPath);
        m_plugin = loader.instance();
        if (!m_plugin)
            qWarning("news window: %s", qPrintable(loader.errorString()));
    }
    return qobject_cast<NewsViewFactory *>(m_plugin);
}

FormTan *NewsWindow::window() {
    if (m_form)
        return m_form;
    NewsViewFactory *views = factory();
    if (views == nullptr)
        return nullptr;
    auto *form = new FormTan(views);
    NewsView *view = form->view();
    if (view == nullptr) {
        delete form;
        return nullptr;
    }
    view->onNewWindow = [this](const QUrl &url) {
        const QString address = url.toString();
        if (newsaddress::opensInBrowser(address) && m_openInBrowser)
            m_openInBrowser(address);
    };
    m_form = form;
    return form;
}

void NewsWindow::navigate(const QUrl &url) {
    if (FormTan *form = window())
        form->view()->navigate(url);
}

void NewsWindow::showWindow() {
    if (FormTan *form = window()) {
        form->show();
        form->raise();
        form->activateWindow();
    }
}

QString NewsWindow::address() const {
    return m_form ? m_form->view()->address() : QString();
}

NewsSchedule::Page NewsWindow::page() const {
    if (!m_form)
        return {};
    return {m_form->view()->isLoading(), m_form->view()->bodyText()};
}
