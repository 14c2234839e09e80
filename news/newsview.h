#pragma once

#include "newsnotice.h"

#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

class QWidget;

// The news page's web view. The real one (WebNewsView) lives in the news
// viewer, the process of its own that holds the web engine.
class NewsView {
public:
    NewsView() = default;
    virtual ~NewsView() = default;
    NewsView(const NewsView &) = delete;
    NewsView &operator=(const NewsView &) = delete;
    NewsView(NewsView &&) = delete;
    NewsView &operator=(NewsView &&) = delete;

    // The view's widget; deleting it deletes the view.
    virtual QWidget *widget() = 0;
    virtual void navigate(const QUrl &url) = 0;
    // Stops loading; what has loaded so far stays.
    virtual void stop() = 0;
    // The address the view shows or is loading.
    [[nodiscard]] virtual QString address() const = 0;
    // From a navigation until its page has loaded and its body was read.
    [[nodiscard]] virtual bool isLoading() const = 0;
    // The body of the page loaded last, as HTML; none when it could not be read.
    [[nodiscard]] virtual std::optional<QString> bodyText() const = 0;
    // Why the page loaded last could not be had; none when it loaded, or
    // when its loading was stopped.
    [[nodiscard]] virtual std::optional<NewsNotice> failure() const = 0;

    // Told the address of every page the news page asks to open in a new
    // window; the view itself never opens one.
    std::function<void(const QUrl &)> onNewWindow;
    // Told when a page starts loading, and when it has loaded and its body
    // was read (or could not be).
    std::function<void()> onLoadStarted;
    std::function<void()> onLoaded;
};

class NewsViewFactory {
public:
    NewsViewFactory() = default;
    virtual ~NewsViewFactory() = default;
    NewsViewFactory(const NewsViewFactory &) = delete;
    NewsViewFactory &operator=(const NewsViewFactory &) = delete;
    NewsViewFactory(NewsViewFactory &&) = delete;
    NewsViewFactory &operator=(NewsViewFactory &&) = delete;

    // A new view inside parent; null when the web engine cannot run.
    virtual NewsView *createView(QWidget *parent) = 0;
};
