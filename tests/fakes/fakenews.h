#pragma once

#include "newsservice.h"

#include <QList>
#include <QUrl>

// A NewsService for widget tests: no window, records what the main window
// asks and reports the page the test sets.
class FakeNews final : public NewsService {
public:
    QList<QUrl> navigated;
    int shown = 0;
    int released = 0;
    NewsSchedule::Page state;

    void navigate(const QUrl &url) override { navigated << url; }
    void showWindow() override { ++shown; }
    [[nodiscard]] QString address() const override {
        return navigated.isEmpty() ? QString() : navigated.last().toString();
    }
    [[nodiscard]] NewsSchedule::Page page() const override { return state; }
    void releaseHidden() override { ++released; }
};
