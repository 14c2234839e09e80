#include "switchscan.h"

#include <QTest>

using Exercise = SwitchScan::Exercise;
using std::chrono::milliseconds;

// The scan's rules with a clock of the test's own: the steps and what they
// say, the pause after a choice, the presses that choose nothing, the
// adult's pause and focus, and the sliders' climb.
class TestSwitchScan : public QObject {
    Q_OBJECT

private slots:
    void script_data();
    void script();
    void climb_data();
    void climb();
    void stepRange_data();
    void stepRange();

private:
    const ProgramFolder m_folder{QStringLiteral("/程序")};
};

void TestSwitchScan::script_data() {
    QTest::addColumn<Exercise>("exercise");
    // t a tick, b a tick while the adult is busy, pN a press at N ms, aN its
    // auto-repeat, q a new question, fN the adult's focus on control N
    QTest::addColumn<QString>("events");
    QTest::addColumn<int>("highlighted");
    QTest::addColumn<QList<int>>("named"); // the colours whose names were played
    QTest::addColumn<int>("chosen");
    QTest::addColumn<int>("slider"); // the highlighted slider, from 0

    const Exercise free = Exercise::Free;
    QTest::newRow("each step the next name")
        << free << "t t t t t t" << 3 << QList{0, 1, 2, 3} << 0 << 0;
    QTest::newRow("after the last the first") << free << "f15 t t" << 0 << QList{0, 0} << 0 << 0;
    QTest::newRow("a choice stays a step more")
        << free << "t t p900 t t t" << 1 << QList{0, 1} << 1 << 0;
    QTest::newRow("then moves on") << free << "t t p900 t t t t" << 2 << QList{0, 1, 2} << 1 << 0;
    QTest::newRow("within 0.5 s ignored") << free << "p1000 p1499 p1500" << 0 << QList{0} << 2 << 0;
    QTest::newRow("auto-repeat ignored") << free << "p1000 a2000 a3000" << 0 << QList{0} << 1 << 0;
    QTest::newRow("paused by the adult") << free << "t b t" << 0 << QList{0} << 0 << 0;
    QTest::newRow("full step after a pause") << free << "t b t t" << 1 << QList{0, 1} << 0 << 0;
    QTest::newRow("on from the adult's focus") << free << "t f7 t t" << 8 << QList{0, 8} << 0 << 0;
    QTest::newRow("test: silent steps")
        << Exercise::Test << "t t t t" << 2 << QList<int>{} << 0 << 0;
    QTest::newRow("test: new question, first button")
        << Exercise::Test << "t t t t p900 q" << 0 << QList<int>{} << 1 << 0;
    QTest::newRow("automatic play rests")
        << Exercise::AutomaticPlay << "t t t t p900" << 0 << QList<int>{} << 0 << 0;
    QTest::newRow("mixing: three sliders")
        << Exercise::Mixing << "t t t t t t t t" << 1 << QList<int>{} << 0 << 0;
    QTest::newRow("mixing: climbs until pressed")
        << Exercise::Mixing << "p900 t t t p2000 t" << 0 << QList<int>{} << 0 << 48;
    QTest::newRow("mixing: then moves on")
        << Exercise::Mixing << "p900 t p2000 t t t" << 1 << QList<int>{} << 0 << 16;
}

void TestSwitchScan::script() {
    QFETCH(Exercise, exercise);
    QFETCH(QString, events);
    QFETCH(int, highlighted);
    QFETCH(QList<int>, named);
    QFETCH(int, chosen);
    QFETCH(int, slider);

    SwitchScan scan(m_folder, milliseconds(2000));
    QList<int> heard;
    int choices = 0;
    int value = 0;
    int questions = 0;
    const auto take = [&](const SwitchScan::Answer &answer) {
        if (answer.highlight >= 0)
            QCOMPARE(answer.highlight, scan.highlighted());
        for (int i = 0; i < 16 && !answer.recording.isEmpty(); ++i) {
            if (answer.recording == m_folder.colourNameSound(i))
                heard << i;
        }
        choices += answer.choose ? 1 : 0;
        value = answer.sliderValue >= 0 ? answer.sliderValue : value;
    };
    take(scan.start(exercise, questions, -1));
    for (const QString &event : events.split(QLatin1Char(' '))) {
        const int number = event.mid(1).toInt();
        switch (event.at(0).toLatin1()) {
        case 't':
            take(scan.tick(false, value));
            break;
        case 'b':
            take(scan.tick(true, value));
            break;
        case 'p':
            take(scan.press(milliseconds(number), false));
            break;
        case 'a':
            take(scan.press(milliseconds(number), true));
            break;
        case 'q':
            take(scan.follow(exercise, ++questions));
            break;
        case 'f':
            take(scan.focusMoved(number));
            break;
        default:
            QFAIL("unknown event");
        }
    }
    QCOMPARE(scan.highlighted(), highlighted);
    QCOMPARE(heard, named);
    QCOMPARE(choices, chosen);
    QCOMPARE(value, slider);
}

void TestSwitchScan::climb_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("next");
    QTest::newRow("from 0") << 0 << 16;
    QTest::newRow("off the grid") << 100 << 116;
    QTest::newRow("240 stops at full colour") << 240 << 255;
    QTest::newRow("250 too") << 250 << 255;
    QTest::newRow("255 back to 0") << 255 << 0;
}

void TestSwitchScan::climb() {
    QFETCH(int, value);
    QFETCH(int, next);
    QCOMPARE(SwitchScan::climbed(value), next);
}

void TestSwitchScan::stepRange_data() {
    QTest::addColumn<int>("stepMs");
    QTest::addColumn<int>("halfMs");
    QTest::newRow("default") << 2000 << 1000;
    QTest::newRow("too short") << 100 << 250;
    QTest::newRow("too long") << 60000 << 5000;
}

void TestSwitchScan::stepRange() {
    QFETCH(int, stepMs);
    QFETCH(int, halfMs);
    QCOMPARE(SwitchScan(m_folder, milliseconds(stepMs)).halfStep(), milliseconds(halfMs));
}

QTEST_GUILESS_MAIN(TestSwitchScan)
#include "tst_switchscan.moc"
