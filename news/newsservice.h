#pragma once

#include "newsschedule.h"

#include <QString>
#include <QUrl>

// The news window as the main window uses it. The real one is NewsProcess;
// widget tests put a fake in its place.
class NewsService {
public:
    NewsService() = default;
    virtual ~NewsService() = default;
    NewsService(const NewsService &) = delete;
    NewsService &operator=(const NewsService &) = delete;
    NewsService(NewsService &&) = delete;
    NewsService &operator=(NewsService &&) = delete;

    // Loads the page into the news window, which is created (hidden) when
    // there is none.
    virtual void navigate(const QUrl &url) = 0;
    // Shows the news window, created when there is none.
    virtual void showWindow() = 0;
    // The address the window's page has; empty without a window.
    [[nodiscard]] virtual QString address() const = 0;
    // The window's page, for the timed pop-up's checks.
    [[nodiscard]] virtual NewsSchedule::Page page() const = 0;
    // Lets a window that was loaded but never shown go, with its page: the
    // timed pop-up found no use for it.
    virtual void releaseHidden() = 0;
};
