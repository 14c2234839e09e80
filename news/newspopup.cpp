#include "newspopup.h"

#include "newsaddress.h"
#include "newsservice.h"

#include <QRandomGenerator>
#include <QTimer>

#include <utility>

NewsPopUp::NewsPopUp(QTimer &timer, Settings settings, QObject *parent)
    : QObject(parent)
    , m_timer(timer)
    , m_settings(std::move(settings))
    , m_schedule(m_settings.drawDelay ? m_settings.drawDelay : [] {
        return NewsSchedule::delayFrom(QRandomGenerator::global()->generateDouble());
    }) {
    connect(&m_timer, &QTimer::timeout, this, &NewsPopUp::tick);
}

QUrl NewsPopUp::request() const {
    return QUrl(newsaddress::request(m_settings.server, m_settings.clientId));
}

void NewsPopUp::showOnDemand() {
    NewsService *news = m_settings.window;
    if (news == nullptr)
        return;
    // A window that already shows the news page is not loaded again.
    const QUrl address = request();
    if (newsaddress::needsNavigation(news->address(), address.host()))
        news->navigate(address);
    news->showWindow();
}

void NewsPopUp::tick() {
    NewsService *news = m_settings.window;
    if (!newsaddress::isServerSet(m_settings.server)) {
        // No news server: there is nothing to pop up, and the web engine
        // is never started for it.
        m_timer.stop();
        return;
    }
    const auto online = [this] { return m_settings.online && m_settings.online(); };
    const auto page = [news] { return news != nullptr ? news->page() : NewsSchedule::Page{}; };

    switch (m_schedule.tick(m_switchedOff, online, page)) {
    case NewsSchedule::Step::Nothing:
        break;
    case NewsSchedule::Step::Request:
        if (news != nullptr)
            news->navigate(request());
        break;
    case NewsSchedule::Step::ShowAndStop:
        if (news != nullptr)
            news->showWindow();
        m_timer.stop();
        break;
    case NewsSchedule::Step::Stop:
        // The page loaded for the check is of no use now.
        if (news != nullptr)
            news->releaseHidden();
        m_timer.stop();
        break;
    }
}
