#include "switchscan.h"

#include <QTest>

using std::chrono::milliseconds;

// The scan's rules with a clock of the test's own: the steps and what they
// say, the pause after a choice, the presses that choose nothing, the
// adult's pause and focus, and the sliders' climb.
class TestSwitchScan : public QObject {
    Q_OBJECT

private slots:
    void script_data();
    void script();
};

void TestSwitchScan::script_data() {
    QTest::addColumn<SwitchScan::Exercise>("exercise");
    // t a tick, b a tick while the adult is busy, pN a press at N ms, aN its
    // auto-repeat, rN a release, q a new question, fN the adult's focus on control N, vN
    // the highlighted slider set to N by hand
    QTest::addColumn<QString>("events");
    QTest::addColumn<int>("highlighted");
    QTest::addColumn<QString>("named"); // the colours whose names were played
    QTest::addColumn<int>("chosen");
    QTest::addColumn<int>("slider"); // the highlighted slider's value

    const auto F = SwitchScan::Exercise::Free;
    const auto T = SwitchScan::Exercise::Test;
    const auto M = SwitchScan::Exercise::Mixing;
    QTest::newRow("each step the next name") << F << "t t t t t t" << 3 << "0 1 2 3" << 0 << 0;
    QTest::newRow("after the last the first") << F << "f15 t t" << 0 << "0 0" << 0 << 0;
    QTest::newRow("a choice stays a step more") << F << "t t p900 t t t" << 1 << "0 1" << 1 << 0;
    QTest::newRow("then moves on") << F << "t t p900 t t t t" << 2 << "0 1 2" << 1 << 0;
    QTest::newRow("within 0.5 s ignored")
        << F << "p1000 r1050 p1499 r1520 p1500" << 0 << "0" << 2 << 0;
    QTest::newRow("auto-repeat ignored") << F << "p1000 r1100 a2000 a3000" << 0 << "0" << 1 << 0;
    QTest::newRow("held: repeats at release")
        << F << "p900 r1600 p1600 r1640 p1640" << 0 << "0" << 1 << 0;
    QTest::newRow("held: no releases") << F << "p900 p1600 p1640 r1700 p2000" << 0 << "0" << 2 << 0;
    QTest::newRow("paused by the adult") << F << "t b t t" << 0 << "0" << 0 << 0;
    QTest::newRow("full step after a pause") << F << "t b t t t" << 1 << "0 1" << 0 << 0;
    QTest::newRow("on from the adult's focus") << F << "t f7 t t" << 8 << "0 8" << 0 << 0;
    QTest::newRow("test: silent steps") << T << "t t t t" << 2 << "" << 0 << 0;
    QTest::newRow("test: question, first button") << T << "t t t t p900 q" << 0 << "" << 1 << 0;
    QTest::newRow("automatic play rests")
        << SwitchScan::Exercise::AutomaticPlay << "t t t t p900" << 0 << "" << 0 << 0;
    QTest::newRow("mixing: three sliders") << M << "t t t t t t t t" << 1 << "" << 0 << 0;
    QTest::newRow("mixing: climbs until pressed")
        << M << "p900 r950 t t t p2000 t" << 0 << "" << 0 << 48;
    QTest::newRow("mixing: then moves on") << M << "p900 r950 t p2000 t t t" << 1 << "" << 0 << 16;
    QTest::newRow("mixing: by hand, then on") << M << "v100 p900 t" << 0 << "" << 0 << 116;
    QTest::newRow("mixing: full colour") << M << "v240 p900 t" << 0 << "" << 0 << 255;
    QTest::newRow("mixing: then 0") << M << "v240 p900 t t t" << 0 << "" << 0 << 16;
}

void TestSwitchScan::script() {
    QFETCH(SwitchScan::Exercise, exercise);
    QFETCH(QString, events);
    QFETCH(int, highlighted);
    QFETCH(QString, named);
    QFETCH(int, chosen);
    QFETCH(int, slider);

    const ProgramFolder folder(QStringLiteral("/程序"));
    SwitchScan scan(folder, milliseconds(2000));
    QStringList heard;
    int choices = 0;
    int questions = 0;
    int value = 0;
    const auto take = [&](const SwitchScan::Answer &answer) {
        for (int i = 0; i < 16 && !answer.recording.isEmpty(); ++i) {
            if (answer.recording == folder.colourNameSound(i))
                heard << QString::number(i);
        }
        choices += answer.choose ? 1 : 0;
        value = answer.sliderValue >= 0 ? answer.sliderValue : value;
    };
    take(scan.start(exercise, questions, -1));
    for (const QString &event : events.split(QLatin1Char(' '))) {
        const int number = event.mid(1).toInt();
        const char kind = event.at(0).toLatin1();
        if (kind == 'v')
            value = number;
        else if (kind == 'r')
            scan.release(milliseconds(number));
        else if (kind == 'q')
            take(scan.follow(exercise, ++questions));
        else if (kind == 'f')
            take(scan.focusMoved(number));
        else if (kind == 'p' || kind == 'a')
            take(scan.press(milliseconds(number), kind == 'a'));
        else
            take(scan.tick(kind == 'b', value));
    }
    QCOMPARE(scan.highlighted(), highlighted);
    QCOMPARE(heard.join(QLatin1Char(' ')), named);
    QCOMPARE(choices, chosen);
    QCOMPARE(value, slider);
}

QTEST_GUILESS_MAIN(TestSwitchScan)
#include "tst_switchscan.moc"
