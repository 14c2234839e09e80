#pragma once

#include <QString>
#include <QUrl>
#include <QtPlugin>

#include <functional>
#include <optional>

class QWidget;

// The news page's web view, made by the plugin that holds the web engine, so
// that the program itself never links the engine: it is loaded the first time
// the news window is needed.
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
    // The address the view shows or is loading.
    [[nodiscard]] virtual QString address() const = 0;
    // From a navigation until its page has loaded and its body was read.
    [[nodiscard]] virtual bool isLoading() const = 0;
    // The body of the page loaded last, as HTML; none when it could not be read.
    [[nodiscard]] virtual std::optional<QString> bodyText() const = 0;

    // Told the address of every page the news page asks to open in a new
    // window; the view itself never opens one.
    std::function<void(const QUrl &)> onNewWindow;
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

#define NewsViewFactory_iid "org.tintoko.NewsViewFactory/1"
Q_DECLARE_INTERFACE(NewsViewFactory, NewsViewFactory_iid)
