#pragma once

#include <QtGlobal>

#include <optional>

// How often the news viewer may have the program start the browser. The
// viewer's words are not trusted with that (another process could speak for
// it): one address at most every kSpacingMs, and at most kPerWindow for one
// news window, whatever the viewer says.
class OpenLimit {
public:
    static constexpr qint64 kSpacingMs = 2000;
    static constexpr int kPerWindow = 5;

    // True when no address was let through in the last kSpacingMs and fewer
    // than kPerWindow since the window opened; then it counts as one.
    bool allow(qint64 nowMs);
    // A new news window.
    void newWindow() { m_count = 0; }

private:
    std::optional<qint64> m_last;
    int m_count = 0;
};
