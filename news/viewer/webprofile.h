#pragma once

#include "newsview.h"

#include <QPointer>

class QWebEngineProfile;

// Makes the news viewer's web views, all in one profile that keeps nothing
// beyond the run and allows a page as little as a news page needs.
class WebNewsViews final : public NewsViewFactory {
public:
    WebNewsViews() = default;
    ~WebNewsViews() override = default;
    WebNewsViews(const WebNewsViews &) = delete;
    WebNewsViews &operator=(const WebNewsViews &) = delete;
    WebNewsViews(WebNewsViews &&) = delete;
    WebNewsViews &operator=(WebNewsViews &&) = delete;

    NewsView *createView(QWidget *parent) override;

private:
    QWebEngineProfile *profile();

    QPointer<QWebEngineProfile> m_profile;
};
