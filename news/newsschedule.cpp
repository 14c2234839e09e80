#include "newsschedule.h"

#include <utility>

NewsSchedule::NewsSchedule(std::function<int()> drawDelay)
    : m_drawDelay(std::move(drawDelay)) {}

int NewsSchedule::delayFrom(double uniform) {
    return static_cast<int>(uniform * 120) + 180;
}

bool NewsSchedule::carriesMarker(const std::optional<QString> &body) {
    return body.has_value() && body->toLower().contains(kMarker);
}

NewsSchedule::Step NewsSchedule::tick(bool optionChecked, const std::function<bool()> &online,
                                      const std::function<Page()> &page) {
    if (m_finished || optionChecked)
        return Step::Nothing;
    if (m_delay == 0)
        m_delay = m_drawDelay();
    if (!online())
        return Step::Nothing;

    ++m_count;
    if (m_count == m_delay + kRequestAt)
        return Step::Request;
    if (m_count == m_delay + kHoldWhileLoadingAt) {
        if (page().loading)
            --m_count; // this step again on the next online tick
        return Step::Nothing;
    }
    if (m_count == m_delay + kCheckAt) {
        m_finished = true;
        return carriesMarker(page().body) ? Step::ShowAndStop : Step::Stop;
    }
    return Step::Nothing;
}
