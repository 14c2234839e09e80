#include "windowpinning.h"

#include <QTest>

// When the main window is arranged and pinned, from sequences of what window
// managers report.

namespace {

using State = WindowPinning::State;
using Answer = WindowPinning::Answer;

const QSize kSize(504, 342);
const QPoint kPlace(100, 67);
const QSize kBig(1280, 758);

struct Event {
    enum Kind { QtState, WmState, Geometry, Settled } kind;
    Qt::WindowStates states{};
    QSize size{};
    QPoint place{};
};

Event qt(Qt::WindowStates states) {
    return {Event::QtState, states};
}
Event wm(bool maximised) {
    return {Event::WmState, maximised ? Qt::WindowMaximized : Qt::WindowNoState};
}
Event geometry(QSize size, QPoint place = kPlace) {
    return {Event::Geometry, {}, size, place};
}
Event settled() {
    return {Event::Settled};
}

Answer feed(WindowPinning &pinning, const Event &e) {
    switch (e.kind) {
    case Event::QtState:
        return pinning.qtState(e.states);
    case Event::WmState:
        return pinning.wmState(e.states == Qt::WindowMaximized);
    case Event::Geometry:
        return pinning.geometry(e.size, e.place);
    case Event::Settled:
        break;
    }
    return pinning.settled();
}

} // namespace

Q_DECLARE_METATYPE(QList<Event>)

class TestWindowPinning : public QObject {
    Q_OBJECT

private slots:
    void sequences_data();
    void sequences();
    void givesUpUntilMovedAgain();
};

void TestWindowPinning::sequences_data() {
    QTest::addColumn<bool>("placesItself");
    QTest::addColumn<QList<Event>>("events");
    QTest::addColumn<State>("state");
    QTest::addColumn<State>("arrangement");
    QTest::addColumn<int>("pins"); // answers that asked for the pinned geometry
    QTest::addColumn<Answer>("last");

    const Qt::WindowStates max = Qt::WindowMaximized;
    const Answer none{};
    const Answer wait{false, false, true};
    const Answer restored{true, true, true};
    const Answer maximised{true, false, false};
    using L = QList<Event>;
    QTest::newRow("maximised, its new size not yet seen")
        << true << L{qt(max)} << State::Maximised << State::Maximised << 0 << maximised;
    QTest::newRow("maximised by the window manager's word first")
        << true << L{wm(true), geometry(kBig, {}), qt(max)} << State::Maximised << State::Maximised
        << 0 << none;
    QTest::newRow("restore: the property deleted, Qt still says maximised")
        << true << L{qt(max), wm(true), geometry(kBig, {}), wm(false)} << State::Normal
        << State::Normal << 1 << restored;
    QTest::newRow("restore: the normal size back and nothing else")
        << true << L{qt(max), geometry(kBig, {}), geometry(kSize)} << State::Normal << State::Normal
        << 1 << restored;
    QTest::newRow("restored, then a late resize to the old size")
        << true << L{qt(max), geometry(kBig, {}), wm(false), geometry(kBig, {}), settled()}
        << State::Normal << State::Normal << 2 << Answer{false, true, true};
    QTest::newRow("restored, then Qt repeats its old maximised state")
        << true << L{qt(max), geometry(kBig, {}), wm(false), qt(max | Qt::WindowMinimized), qt(max)}
        << State::Normal << State::Normal << 1 << wait;
    QTest::newRow("maximised again after a deleted property")
        << true << L{qt(max), wm(false), geometry(kSize), wm(true)} << State::Maximised
        << State::Maximised << 1 << maximised;
    QTest::newRow("minimised from maximised places nothing")
        << true << L{qt(max), qt(max | Qt::WindowMinimized), settled()} << State::Minimised
        << State::Maximised << 0 << none;
    QTest::newRow("dragged to a larger size, pinned once settled")
        << true << L{geometry(kBig), geometry(kBig + QSize(5, 5)), settled()} << State::Normal
        << State::Normal << 1 << Answer{false, true, true};
    QTest::newRow("pinned, nothing more is asked")
        << true << L{geometry(kBig), settled(), geometry(kSize), settled()} << State::Normal
        << State::Normal << 1 << none;
    QTest::newRow("X11: the place counts")
        << true << L{geometry(kSize, {0, 0}), settled()} << State::Normal << State::Normal << 1
        << Answer{false, true, true};
    QTest::newRow("Wayland: the size alone") << false << L{geometry(kSize, {0, 0}), settled()}
                                             << State::Normal << State::Normal << 0 << none;
}

void TestWindowPinning::sequences() {
    QFETCH(bool, placesItself);
    QFETCH(QList<Event>, events);
    QFETCH(State, state);
    QFETCH(State, arrangement);
    QFETCH(int, pins);
    QFETCH(Answer, last);

    WindowPinning pinning(placesItself);
    pinning.setTarget(kSize, kPlace);
    Answer answer;
    int asked = 0;
    for (const Event &e : events) {
        answer = feed(pinning, e);
        asked += answer.pin ? 1 : 0;
    }
    QCOMPARE(pinning.state(), state);
    QCOMPARE(pinning.arrangement(), arrangement);
    QCOMPARE(asked, pins);
    QCOMPARE(answer, last);
}

void TestWindowPinning::givesUpUntilMovedAgain() {
    // A window manager that keeps the window elsewhere is asked kMaxTries
    // times; then the window stays there until it is moved again.
    WindowPinning pinning(true);
    pinning.setTarget(kSize, kPlace);
    const QPoint kept(300, 300);
    QCOMPARE(pinning.geometry(kSize, kept), (Answer{false, false, true}));
    for (int i = 0; i < WindowPinning::kMaxTries; ++i) {
        QCOMPARE(pinning.settled(), (Answer{false, true, true}));
        QCOMPARE(pinning.geometry(kSize, kept).settle, true); // the window manager's reply
    }
    QCOMPARE(pinning.settled(), Answer{});
    QCOMPARE(pinning.geometry(kSize, kept), Answer{});
    QCOMPARE(pinning.geometry(kSize, kept + QPoint(1, 0)), (Answer{false, false, true}));
    QCOMPARE(pinning.settled(), (Answer{false, true, true}));
}

QTEST_APPLESS_MAIN(TestWindowPinning)
#include "tst_windowpinning.moc"
