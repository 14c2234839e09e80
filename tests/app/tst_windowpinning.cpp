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
const Answer kNothing{false, false, false};
const Answer kWait{false, false, true};
const Answer kPin{false, true, true};
const Answer kPause{.pause = true};

// One report: Qt's window state, the window manager's _NET_WM_STATE
// (maximised or not; deleted is not), a geometry, or the wait settled.
struct Event {
    enum Kind { Qt, Wm, Geometry, Settled } kind;
    Qt::WindowStates states{};
    QSize size{};
    QPoint place = kPlace;
};
Event qt(Qt::WindowStates s) {
    return {Event::Qt, s};
}
Event wm(bool maximised) {
    return {Event::Wm, maximised ? Qt::WindowMaximized : Qt::WindowNoState};
}
Event at(QSize size, QPoint place = kPlace) {
    return {Event::Geometry, {}, size, place};
}
const Event settled{Event::Settled};

} // namespace

Q_DECLARE_METATYPE(QList<Event>)

class TestWindowPinning : public QObject {
    Q_OBJECT

private slots:
    void sequences_data();
    void sequences();
    void givesUpUntilMovedAgain();
    void onScreen_data();
    void onScreen();
};

void TestWindowPinning::sequences_data() {
    QTest::addColumn<bool>("placesItself");
    QTest::addColumn<QList<Event>>("events");
    QTest::addColumn<State>("state");
    QTest::addColumn<int>("pins"); // answers that asked for the pinned geometry
    QTest::addColumn<Answer>("last");

    const Qt::WindowStates max = Qt::WindowMaximized;
    const Answer maximised{true, false, false};
    const Answer restored{true, true, true};
    using L = QList<Event>;
    QTest::newRow("maximised, the new size not yet seen")
        << true << L{qt(max)} << State::Maximised << 0 << maximised;
    QTest::newRow("full screen: arranged as maximised")
        << true << L{qt(Qt::WindowFullScreen)} << State::Maximised << 0 << maximised;
    QTest::newRow("maximised, resized again: nothing asked")
        << true << L{qt(max), at(kBig, {}), at(kBig + QSize(0, 10), {})} << State::Maximised << 0
        << kNothing;
    QTest::newRow("restore: the property deleted, Qt still says maximised")
        << true << L{qt(max), wm(true), at(kBig, {}), wm(false)} << State::Normal << 1 << restored;
    QTest::newRow("restore: only the normal size back")
        << true << L{qt(max), at(kBig, {}), at(kSize)} << State::Normal << 1 << restored;
    QTest::newRow("restored, then a late resize to the old size")
        << true << L{qt(max), at(kBig, {}), wm(false), at(kBig, {}), settled} << State::Normal << 2
        << kPin;
    QTest::newRow("restored, then Qt repeats its maximised state")
        << true << L{qt(max), wm(false), qt(max | Qt::WindowMinimized), qt(max)} << State::Normal
        << 1 << kWait;
    QTest::newRow("maximised again after a deleted property")
        << true << L{qt(max), wm(false), at(kSize), wm(true)} << State::Maximised << 1 << maximised;
    QTest::newRow("minimised, then its property deleted: nothing placed")
        << true << L{qt(max), qt(max | Qt::WindowMinimized), wm(false), settled} << State::Minimised
        << 0 << kNothing;
    QTest::newRow("dragged, pinned once settled, then left alone")
        << true << L{at(kBig), at(kBig + QSize(5, 5)), settled, at(kSize), settled} << State::Normal
        << 1 << kNothing;
    QTest::newRow("X11: the place counts")
        << true << L{at(kSize, {}), settled} << State::Normal << 1 << kPin;
    const QPoint moved = kPlace + QPoint(300, 225);
    QTest::newRow("moved by its title bar: left there")
        << true << L{at(kSize), settled, at(kSize, moved), settled} << State::Normal << 0
        << kNothing;
    QTest::newRow("at its place, then moved before it settled: left there")
        << true << L{at(kSize), at(kSize, moved), settled} << State::Normal << 0 << kNothing;
    QTest::newRow("moved, then a border dragged: asked until back at its place")
        << true
        << L{at(kSize), at(kSize, moved), at(kBig, moved), settled, at(kSize, moved), settled}
        << State::Normal << 2 << kPin;
    QTest::newRow("moved, minimised and restored: back to its place")
        << true
        << L{at(kSize), at(kSize, moved), qt(Qt::WindowMinimized), qt(Qt::WindowNoState), settled}
        << State::Normal << 1 << kPin;
    const L back{at(kSize), settled, qt(Qt::WindowMinimized), qt(Qt::WindowNoState), settled};
    QTest::newRow("restored at its place, no geometry said, then moved: left there")
        << true << (back + L{at(kSize, moved), settled}) << State::Normal << 0 << kNothing;
    // The window manager holds the border while the button is down.
    L drag{at(kBig)};
    for (int i = 0; i < WindowPinning::kMaxTries; ++i)
        drag << settled << at(kBig);
    QTest::newRow("a long refused drag: given up for a pause")
        << true << (drag + L{settled}) << State::Normal << WindowPinning::kMaxTries << kPause;
    QTest::newRow("a long refused drag, then released: asked again after the pause")
        << true << (drag + L{settled, settled}) << State::Normal << WindowPinning::kMaxTries + 1
        << kPin;
    QTest::newRow("a long refused drag, refused after the pause too: given up")
        << true << (drag + L{settled, settled, at(kBig), settled}) << State::Normal
        << WindowPinning::kMaxTries + 1 << kNothing;
    QTest::newRow("Wayland: the size alone")
        << false << L{at(kSize, {}), settled} << State::Normal << 0 << kNothing;
}

void TestWindowPinning::sequences() {
    QFETCH(bool, placesItself);
    QFETCH(QList<Event>, events);
    QFETCH(State, state);
    QFETCH(int, pins);
    QFETCH(Answer, last);

    WindowPinning pinning(placesItself);
    pinning.setTarget(kSize, kPlace);
    Answer answer;
    int asked = 0;
    for (const Event &e : events) {
        answer = e.kind == Event::Qt         ? pinning.qtState(e.states)
                 : e.kind == Event::Wm       ? pinning.wmState(e.states == Qt::WindowMaximized)
                 : e.kind == Event::Geometry ? pinning.geometry(e.size, e.place)
                                             : pinning.settled();
        asked += answer.pin ? 1 : 0;
    }
    QCOMPARE(pinning.state(), state);
    QCOMPARE(asked, pins);
    QCOMPARE(answer, last);
}

void TestWindowPinning::givesUpUntilMovedAgain() {
    // A window manager that keeps the window elsewhere is asked kMaxTries
    // times; then the window stays there, also when it is moved, until it is
    // resized.
    WindowPinning pinning(true);
    pinning.setTarget(kSize, kPlace);
    const QPoint kept(300, 300);
    for (int i = 0; i < WindowPinning::kMaxTries; ++i) {
        QCOMPARE(pinning.geometry(kSize, kept), kWait); // the window manager's reply
        QCOMPARE(pinning.settled(), kPin);
    }
    QCOMPARE(pinning.settled(), kPause);
    QCOMPARE(pinning.geometry(kSize, kept), kNothing);
    QCOMPARE(pinning.settled(), kNothing); // after the pause: the place is not asked again
    QCOMPARE(pinning.geometry(kSize, kept + QPoint(1, 0)), kWait);
    QCOMPARE(pinning.settled(), kNothing);
    QCOMPARE(pinning.geometry(kBig, kept), kWait);
    QCOMPARE(pinning.settled(), kPin);
}

void TestWindowPinning::onScreen_data() {
    QTest::addColumn<QRect>("screen"); // its free area
    QTest::addColumn<QPoint>("place");
    // clang-format off
    QTest::newRow("fits") << QRect(0, 0, 1280, 800) << kPlace;
    QTest::newRow("twice the scale on 1280 x 800: up") << QRect(0, 0, 640, 400) << QPoint(100, 35);
    QTest::newRow("larger than the screen: its top-left") << QRect(0, 32, 400, 300) << QPoint(0, 32);
    // clang-format on
}

void TestWindowPinning::onScreen() {
    QFETCH(QRect, screen);
    QFETCH(QPoint, place);
    WindowPinning pinning(true);
    pinning.setTarget(kSize, kPlace);
    pinning.geometry(kSize, kPlace);         // pinned before its frame was seen
    pinning.setScreen(screen, QSize(2, 23)); // a frame of 506 x 365
    QCOMPARE(pinning.place(), place);
    QCOMPARE(pinning.settled(), place == kPlace ? kNothing : kPin);
}

QTEST_APPLESS_MAIN(TestWindowPinning)
#include "tst_windowpinning.moc"
