#include "bofangshengyin.h"

#include "fakes/fakesoundplayer.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

class TestPlaySequence final : public QObject {
    Q_OBJECT

private slots:
    void sequence_data();
    void sequence();
    void eventsRunDuringTheWait();
    void newerSequenceWins();
};

void TestPlaySequence::sequence_data() {
    QTest::addColumn<int>("busyReads"); // State reads answered non-zero; -1: always busy
    QTest::addColumn<qint16>("openResult");
    QTest::addColumn<QStringList>("expected");

    const QString path = QStringLiteral("/程序/声音/黑  色.mp3");
    const QStringList played{QStringLiteral("Stop"), "Open:" + path, QStringLiteral("Play")};
    const QStringList notPlayed{QStringLiteral("Stop"), "Open:" + path};

    QTest::newRow("idle at once") << 0 << qint16(0) << played;
    QTest::newRow("idle after a few reads") << 3 << qint16(0) << played;
    QTest::newRow("never idle") << -1 << qint16(0) << played;
    QTest::newRow("open fails") << 0 << qint16(1) << notPlayed;
    QTest::newRow("never idle, open fails") << -1 << qint16(-1) << notPlayed;
}

void TestPlaySequence::sequence() {
    QFETCH(int, busyReads);
    QFETCH(qint16, openResult);
    QFETCH(QStringList, expected);

    FakeSoundPlayer player;
    player.openResult = openResult;
    int reads = 0;
    player.stateFunction = [&] { return busyReads < 0 || reads++ < busyReads ? 1 : 0; };
    PlaySequence sequence(player);
    QString dangqian_shengyin = QStringLiteral("上一个.mp3");
    const QString path = QStringLiteral("/程序/声音/黑  色.mp3");

    QElapsedTimer clock;
    clock.start();
    QVERIFY(sequence.bofang_shengyin(path, dangqian_shengyin));

    QCOMPARE(player.callsWithoutState(), expected);
    QCOMPARE(player.openOptions(), QStringList{QString()});
    QCOMPARE(dangqian_shengyin, path);
    if (busyReads < 0)
        QVERIFY2(clock.elapsed() >= PlaySequence::MaxWaitMs, "gave up waiting too early");
    else
        QCOMPARE(player.calls().count(QStringLiteral("State")), busyReads + 1);
}

// Pending events are handled before the player is opened, also when the
// player is idle at once, and timers fire while the sequence waits.
void TestPlaySequence::eventsRunDuringTheWait() {
    for (const qint32 state : {0, 1}) {
        FakeSoundPlayer player;
        player.stateValue = state;
        PlaySequence sequence(player);
        QString last;
        QMetaObject::invokeMethod(
            this, [&] { player.note(QStringLiteral("posted event")); }, Qt::QueuedConnection);
        if (state != 0)
            QTimer::singleShot(50, this, [&] { player.note(QStringLiteral("timer")); });

        sequence.bofang_shengyin(QStringLiteral("a.mp3"), last);
        QStringList expected{QStringLiteral("Stop"), QStringLiteral("posted event")};
        if (state != 0)
            expected << QStringLiteral("timer");
        expected << QStringLiteral("Open:a.mp3") << QStringLiteral("Play");
        QCOMPARE(player.callsWithoutState(), expected);
    }
}

// A click handled during the wait starts a second sequence: both return, the
// later recording is the one played and remembered.
void TestPlaySequence::newerSequenceWins() {
    FakeSoundPlayer player;
    PlaySequence sequence(player);
    QString dangqian_shengyin;
    QStringList finished;
    bool secondStarted = false;
    player.stateFunction = [&] { return secondStarted ? 0 : 1; };

    QTimer::singleShot(30, this, [&] {
        secondStarted = true;
        const bool ran = sequence.bofang_shengyin(QStringLiteral("b.mp3"), dangqian_shengyin);
        finished << QStringLiteral("b:%1").arg(ran);
    });
    const bool ran = sequence.bofang_shengyin(QStringLiteral("a.mp3"), dangqian_shengyin);
    finished << QStringLiteral("a:%1").arg(ran);

    QCOMPARE(finished, (QStringList{QStringLiteral("b:1"), QStringLiteral("a:0")}));
    QCOMPARE(player.callsWithoutState(),
             (QStringList{QStringLiteral("Stop"), QStringLiteral("Stop"),
                          QStringLiteral("Open:b.mp3"), QStringLiteral("Play")}));
    QCOMPARE(player.played(), QStringList{QStringLiteral("b.mp3")});
    QCOMPARE(dangqian_shengyin, QStringLiteral("b.mp3"));
}

QTEST_GUILESS_MAIN(TestPlaySequence)
#include "tst_playsequence.moc"
