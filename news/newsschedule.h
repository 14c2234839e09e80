#pragma once

#include <QString>

#include <functional>
#include <optional>

// When the news window pops up by itself: once per run, a few minutes of
// being online after start. One call of tick() for each tick of Timer_tan:
//   - nothing is counted while the "no news pop-up" option is checked, nor
//     while the machine is offline;
//   - the delay n is drawn once, 180..299 online ticks;
//   - at online tick n + 5 the news page is requested (the window stays
//     hidden), at n + 10 a page still loading holds the count, and at n + 12
//     the window is shown when the page carries the marker word; either way
//     that is the one attempt of the run.
class NewsSchedule {
public:
    enum class Step {
        Nothing,
        Request,     // load the news page into the (hidden) news window
        ShowAndStop, // show the news window; the attempt is over
        Stop,        // no marker: the attempt is over
    };

    // What tick() learns of the page, when it needs to.
    struct Page {
        bool loading = false;
        std::optional<QString> body; // the page's body text; none when unreadable
    };

    static inline const QString kMarker = QStringLiteral("ruanjianguanggao");
    static constexpr int kRequestAt = 5;
    static constexpr int kHoldWhileLoadingAt = 10;
    static constexpr int kCheckAt = 12;

    // drawDelay gives 180..299; it is asked once, at the first counted tick.
    explicit NewsSchedule(std::function<int()> drawDelay);

    // online is asked only when the option is off; page only when needed.
    Step tick(bool optionChecked, const std::function<bool()> &online,
              const std::function<Page()> &page);

    // The delay as Tintoko draws it from a uniform number in [0, 1).
    static int delayFrom(double uniform);
    // True when the body text carries the marker, in any case.
    static bool carriesMarker(const std::optional<QString> &body);

private:
    std::function<int()> m_drawDelay;
    int m_delay = 0; // tan_yanchi; 0 until drawn
    int m_count = 0; // tan_jishu
    bool m_finished = false;
};
