#pragma once

#include "newsservice.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class FormTan;
class NewsViewFactory;

// The news window of a real desktop. The web engine comes from a plugin that
// is loaded the first time the window is needed; without it, or when the
// engine cannot start, no window appears and nothing else changes. A closed
// window is gone; the next use creates a fresh one. A window still open when
// this object goes is deleted at once, without the fade.
class NewsWindow final : public QObject, public NewsService {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NewsWindow)

public:
    // openInBrowser is given the address of every page the news page opens
    // in a new window, when it is longer than 15 characters.
    NewsWindow(QString pluginPath, std::function<void(const QString &)> openInBrowser,
               QObject *parent = nullptr);
    ~NewsWindow() override;

    void navigate(const QUrl &url) override;
    void showWindow() override;
    [[nodiscard]] QString address() const override;
    [[nodiscard]] NewsSchedule::Page page() const override;

private:
    NewsViewFactory *factory();
    FormTan *window();

    QString m_pluginPath;
    std::function<void(const QString &)> m_openInBrowser;
    QPointer<QObject> m_plugin;
    QPointer<FormTan> m_form;
};
