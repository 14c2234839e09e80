#include "windowpinning.h"

#include <algorithm>
#include <utility>

namespace {

WindowPinning::State normalOrMaximised(Qt::WindowStates states) {
    return (states & (Qt::WindowMaximized | Qt::WindowFullScreen)) != 0
               ? WindowPinning::State::Maximised
               : WindowPinning::State::Normal;
}

} // namespace

QPoint WindowPinning::onScreen(QPoint place, QSize frameSize, const QRect &screen) {
    if (!screen.isValid())
        return place;
    const QPoint farthest =
        screen.bottomRight() + QPoint(1, 1) - QPoint(frameSize.width(), frameSize.height());
    return {std::max(screen.left(), std::min(place.x(), farthest.x())),
            std::max(screen.top(), std::min(place.y(), farthest.y()))};
}

void WindowPinning::setScreen(const QRect &screen, QSize frameExtra) {
    const QPoint before = place();
    m_screen = screen;
    m_frameExtra = frameExtra;
    if (place() != before)
        m_placeOwed = true;
}

WindowPinning::State WindowPinning::state() const {
    if (m_qt.testFlag(Qt::WindowMinimized))
        return State::Minimised;
    return m_word;
}

bool WindowPinning::pinned() const {
    if (state() != State::Normal)
        return true;
    return m_seenSize == m_size && (!m_placesItself || !m_placeOwed || m_seenPlace == place());
}

WindowPinning::Answer WindowPinning::qtState(Qt::WindowStates states) {
    // Only a change counts as Qt's word: Qt repeats a maximised state that
    // the window manager has already taken back.
    const State before = normalOrMaximised(m_qt);
    m_qt = states;
    const State now = normalOrMaximised(states);
    return heard(now != before ? now : m_word);
}

WindowPinning::Answer WindowPinning::wmState(bool maximised) {
    return heard(maximised ? State::Maximised : State::Normal);
}

WindowPinning::Answer WindowPinning::geometry(QSize size, QPoint framePosition) {
    const bool backToNormalSize = size == m_size && m_seenSize != m_size;
    // A resize pins the place with the size; a move alone leaves it.
    if (size != m_seenSize)
        m_placeOwed = true;
    m_seenSize = size;
    m_seenPlace = framePosition;
    if (size == m_size && framePosition == place())
        m_placeOwed = false;
    if (m_givenUpAt) {
        if (*m_givenUpAt == std::pair(size, framePosition))
            return {}; // where the window manager keeps it
        m_givenUpAt.reset();
        m_askedAfterPause = false;
        m_tries = 0;
    }
    // A maximised window given its normal size back has been restored,
    // whatever its state still says.
    return heard(backToNormalSize && m_word == State::Maximised ? State::Normal : m_word);
}

WindowPinning::Answer WindowPinning::heard(State word) {
    m_word = word;
    if (state() == State::Minimised) {
        m_wasMinimised = true;
        return {};
    }
    // Back from minimised: to the pinned place, wherever it was.
    if (std::exchange(m_wasMinimised, false))
        m_placeOwed = true;
    if (m_word != m_arranged) {
        m_arranged = m_word;
        m_tries = 0;
        m_givenUpAt.reset();
        m_askedAfterPause = false;
        const bool normal = m_arranged == State::Normal;
        return {true, normal, normal};
    }
    return afterReport();
}

WindowPinning::Answer WindowPinning::afterReport() {
    if (state() != State::Normal || m_givenUpAt)
        return {};
    return {false, false, true};
}

WindowPinning::Answer WindowPinning::settled() {
    if (pinned()) {
        m_tries = 0;
        m_askedAfterPause = false;
        // Settled where it belongs: also a window restored at its place,
        // which reports no geometry, owes nothing any more.
        if (state() == State::Normal)
            m_placeOwed = false;
        return {};
    }
    if (m_givenUpAt) {
        if (m_askedAfterPause)
            return {};
        // The pause is over: a window manager that has let go of the window
        // takes the request now.
        m_givenUpAt.reset();
        m_askedAfterPause = true;
        m_tries = kMaxTries - 1;
    }
    if (m_tries >= kMaxTries) {
        m_givenUpAt = std::pair(m_seenSize, m_seenPlace);
        m_placeOwed = false; // where the window manager keeps it, until resized
        return {.pause = !m_askedAfterPause};
    }
    ++m_tries;
    return {false, true, true};
}
