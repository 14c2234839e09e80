#pragma once

#include "newsnotice.h"
#include "newsview.h"

#include <QWidget>

// The news view where the web engine may not run: it loads nothing, and
// every page it is asked for fails for the one reason it was made with, so
// that the news window shows that reason instead of a page. The engine is
// never started.
class BlockedNewsView final : public QWidget, public NewsView {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BlockedNewsView)

public:
    BlockedNewsView(NewsNotice reason, QWidget *parent);

    QWidget *widget() override { return this; }
    // Fails at the next turn of the event loop, as a real page would.
    void navigate(const QUrl &url) override;
    void stop() override {}
    [[nodiscard]] QString address() const override { return m_address; }
    [[nodiscard]] bool isLoading() const override { return false; }
    [[nodiscard]] std::optional<QString> bodyText() const override { return std::nullopt; }
    [[nodiscard]] std::optional<NewsNotice> failure() const override { return m_reason; }

private:
    NewsNotice m_reason;
    QString m_address;
};

// Makes BlockedNewsViews, all with the same reason.
class BlockedNewsViews final : public NewsViewFactory {
public:
    explicit BlockedNewsViews(NewsNotice reason)
        : m_reason(reason) {}
    NewsView *createView(QWidget *parent) override { return new BlockedNewsView(m_reason, parent); }

private:
    NewsNotice m_reason;
};
