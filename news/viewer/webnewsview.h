#pragma once

#include "newsview.h"

#include <QWebEngineLoadingInfo>
#include <QWebEngineView>

class QWebEngineProfile;

// The news page in Qt WebEngine, kept to itself: an off-the-record profile
// (no cookies or storage survive the run), only http and https pages, no
// local files, downloads, pop-up windows, dialogs or device permissions.
// Pages opened in a new window are handed to onNewWindow and not loaded.
class WebNewsView final : public QWebEngineView, public NewsView {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WebNewsView)

public:
    WebNewsView(QWebEngineProfile *profile, QWidget *parent);

    QWidget *widget() override { return this; }
    void navigate(const QUrl &url) override;
    void stop() override;
    [[nodiscard]] QString address() const override { return m_address; }
    [[nodiscard]] bool isLoading() const override { return m_loading; }
    [[nodiscard]] std::optional<QString> bodyText() const override { return m_body; }
    [[nodiscard]] std::optional<NewsNotice> failure() const override { return m_failure; }

private:
    void onLoadingChanged(const QWebEngineLoadingInfo &info);
    void finishLoading(std::optional<QString> body);

    QString m_address;
    bool m_loading = false;
    std::optional<QString> m_body;
    std::optional<NewsNotice> m_failure;
};
