#include "form1.h"

#include "newsaddress.h"
#include "newsservice.h"

#include <QAction>
#include <QTimer>
#include <QUrl>

// The news window: shown on demand from the help and tray menus, and popped
// up once per run by Timer_tan's schedule.

void Form1::connectNews() {
    connect(m_ui.Timer_tan, &QTimer::timeout, this, &Form1::Timer_tan_Timer);
}

QUrl Form1::newsRequest() const {
    return QUrl(newsaddress::request(m_services.news.server, m_services.news.clientId));
}

void Form1::showNewsOnDemand() {
    NewsService *news = m_services.news.window;
    if (news == nullptr)
        return;
    // A window that already shows the news page is not loaded again.
    const QUrl address = newsRequest();
    if (newsaddress::needsNavigation(news->address(), address.host()))
        news->navigate(address);
    news->showWindow();
}

void Form1::Timer_tan_Timer() {
    NewsService *news = m_services.news.window;
    if (!newsaddress::isServerSet(m_services.news.server)) {
        // No news server: there is nothing to pop up, and the web engine
        // is never started for it.
        m_ui.Timer_tan->stop();
        return;
    }
    const bool optionChecked = m_ui.bangzhu1.value(menuindex::NoNewsPopup)->isChecked();
    const auto online = [this] { return m_services.news.online && m_services.news.online(); };
    const auto page = [news] { return news != nullptr ? news->page() : NewsSchedule::Page{}; };

    switch (m_newsSchedule.tick(optionChecked, online, page)) {
    case NewsSchedule::Step::Nothing:
        break;
    case NewsSchedule::Step::Request:
        if (news != nullptr)
            news->navigate(newsRequest());
        break;
    case NewsSchedule::Step::ShowAndStop:
        if (news != nullptr)
            news->showWindow();
        m_ui.Timer_tan->stop();
        break;
    case NewsSchedule::Step::Stop:
        // The page loaded for the check is of no use now.
        if (news != nullptr)
            news->releaseHidden();
        m_ui.Timer_tan->stop();
        break;
    }
}
