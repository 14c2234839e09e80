#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QtGlobal>

#include <optional>

// When the main window is arranged, pinned and left alone: the decision,
// without a window, fed with what the window system reports. Form1 carries
// out its answers (form1_layout.cpp).
//
// Window managers tell a maximise or a restore in different ways: as a new
// window state, as a change of the window's _NET_WM_STATE property on X11
// (Fluxbox deletes it on a restore, and Qt then goes on reporting the window
// maximised), or only by giving the window its normal size back. The state
// is the last word heard from any of them; a minimised window is minimised
// whatever else is said (Qt tells that reliably, from WM_STATE).
//
// In the normal state the window is pinned once its geometry has settled
// (many window managers ignore a shrink while the user still drags the
// border), and asked again while it is not where it belongs. Its size always
// belongs to the pin; its place only after the window opened, was resized,
// or came back to the normal state (from minimised or maximised), until it
// has settled there, whether or not it said so: a window only moved, by its
// title bar or by another program, stays where it was put. After kMaxTries
// requests without success it is left where the window manager keeps it for
// a pause: a window manager that holds the window while the user drags its
// border slowly refuses every request until it lets go. After the pause it
// is asked once more; refused again, it is left there until it is moved or
// resized again. Where a program cannot place its window (native Wayland),
// only the size is pinned.
class WindowPinning {
public:
    enum class State { Normal, Minimised, Maximised };

    struct Answer {
        bool arrange = false; // lay the controls out for arrangement()
        bool pin = false;     // ask for the pinned size (and place) now
        bool settle = false;  // (re)start the wait of kSettleMs
        bool pause = false;   // start the wait of kPauseMs instead: the requests are given up
        friend bool operator==(const Answer &, const Answer &) = default;
    };

    static constexpr int kSettleMs = 250;
    static constexpr int kMaxTries = 40;
    static constexpr int kPauseMs = 500;

    explicit WindowPinning(bool placesItself)
        : m_placesItself(placesItself) {}

    // The pinned window: its size (client area and menu bar) and the place
    // of its frame's top-left corner, which counts only where the program
    // places its windows itself.
    void setTarget(QSize size, QPoint framePosition) {
        m_size = size;
        m_place = framePosition;
    }
    [[nodiscard]] bool placesItself() const { return m_placesItself; }
    // The free area of the window's screen and what its frame adds to its
    // size, as last seen (nothing before the window is shown). Where that
    // moves the pinned place, the window owes it again.
    void setScreen(const QRect &screen, QSize frameExtra);
    // The pinned place as it goes on the screen: moved up and left just
    // enough for the whole frame to be on it (a large display scale on a
    // small screen). A frame seen for the first time can move it again.
    [[nodiscard]] QPoint place() const {
        return onScreen(m_place, m_size + m_frameExtra, m_screen);
    }
    // Where a frame of frameSize pinned at `place` goes on `screen`, never
    // off its top-left corner.
    static QPoint onScreen(QPoint place, QSize frameSize, const QRect &screen);

    // --- what the window system reported -------------------------------------
    Answer qtState(Qt::WindowStates states);
    // The window manager wrote _NET_WM_STATE: maximised when it holds both
    // maximised states or the full-screen state. A deleted property holds none.
    Answer wmState(bool maximised);
    // The window's size and its frame's position, after a resize or a move.
    Answer geometry(QSize size, QPoint framePosition);
    // No geometry or state report for kSettleMs, or the pause is over.
    Answer settled();

    // --- the decision ------------------------------------------------------------
    [[nodiscard]] State state() const;
    // Normal or maximised: what the controls are laid out for. Minimising
    // changes nothing.
    [[nodiscard]] State arrangement() const { return m_arranged; }
    // In the normal state: at the pinned size, and at the pinned place when
    // that is owed. True otherwise.
    [[nodiscard]] bool pinned() const;

private:
    Answer heard(State word);
    Answer afterReport();

    bool m_placesItself;
    QSize m_size;
    QPoint m_place;
    QRect m_screen;
    QSize m_frameExtra;

    Qt::WindowStates m_qt;
    State m_word = State::Normal;     // the last word on normal or maximised
    State m_arranged = State::Normal; // the window opens in its normal arrangement
    QSize m_seenSize;
    QPoint m_seenPlace;
    int m_tries = 0;
    // The pinned place is owed until the window is seen there: from the
    // start, and after each resize or return to the normal state.
    bool m_placeOwed = true;
    bool m_wasMinimised = false;
    // Where the window manager kept the window when the requests were given up.
    std::optional<std::pair<QSize, QPoint>> m_givenUpAt;
    bool m_askedAfterPause = false;
};
