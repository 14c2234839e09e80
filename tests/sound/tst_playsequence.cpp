#include "playsequence.h"

#include "fakes/fakesoundplayer.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

class TestPlaySequence final : public QObject {
    Q_OBJECT

private slots:
    void sequence_data();
    void sequence();
    void waitingRequests_data();
    void waitingRequests();
};

void TestPlaySequence::sequence_data() {
    QTest::addColumn<QString>("player"); // "idle", "goes idle", "never idle"
    QTest::addColumn<qint16>("openResult");

    QTest::newRow("idle at once") << "idle" << qint16(0);
    QTest::newRow("idle after a while") << "goes idle" << qint16(0);
    QTest::newRow("never idle") << "never idle" << qint16(0);
    QTest::newRow("open fails") << "idle" << qint16(1);
    QTest::newRow("never idle, open fails") << "never idle" << qint16(-1);
}

// Stop, then Open and Play once the player is idle or the limit has passed;
// the path is reported as handed over whether or not Open succeeded.
void TestPlaySequence::sequence() {
    QFETCH(QString, player);
    QFETCH(qint16, openResult);

    FakeSoundPlayer fake;
    fake.openResult = openResult;
    fake.stateValue = player == QLatin1String("idle") ? 0 : 1;
    PlaySequence sequence(fake);
    QSignalSpy handed(&sequence, &PlaySequence::handedToPlayer);
    const QString path = QStringLiteral("/程序/声音/黑  色.mp3");

    QElapsedTimer clock;
    clock.start();
    sequence.bofang_shengyin(path);
    if (player == QLatin1String("goes idle")) {
        QCOMPARE(fake.callsWithoutState(), QStringList{QStringLiteral("Stop")});
        QVERIFY(sequence.isWaiting());
        fake.goIdle();
    }
    QTRY_COMPARE(handed.count(), 1);

    QStringList expected{QStringLiteral("Stop"), "Open:" + path};
    if (openResult == 0)
        expected << QStringLiteral("Play");
    QCOMPARE(fake.callsWithoutState(), expected);
    QCOMPARE(fake.openOptions(), QStringList{QString()});
    QCOMPARE(handed.at(0).at(0).toString(), path);
    if (player == QLatin1String("never idle"))
        QVERIFY2(clock.elapsed() >= PlaySequence::MaxWaitMs, "gave up waiting too early");
    QVERIFY(!sequence.isWaiting());
}

void TestPlaySequence::waitingRequests_data() {
    // What happens while the first request ("a") waits for a busy player.
    QTest::addColumn<QString>("meanwhile");
    QTest::addColumn<QStringList>("played");

    QTest::newRow("a newer request wins") << "request b" << QStringList{QStringLiteral("b.mp3")};
    QTest::newRow("cancelled: nothing plays") << "cancel" << QStringList();
    QTest::newRow("cancelled, then a new one")
        << "cancel, request b" << QStringList{QStringLiteral("b.mp3")};
}

void TestPlaySequence::waitingRequests() {
    QFETCH(QString, meanwhile);
    QFETCH(QStringList, played);

    FakeSoundPlayer fake;
    fake.stateValue = 1;
    PlaySequence sequence(fake);
    QSignalSpy handed(&sequence, &PlaySequence::handedToPlayer);

    sequence.bofang_shengyin(QStringLiteral("a.mp3"));
    if (meanwhile.startsWith(QLatin1String("cancel")))
        sequence.cancel();
    if (meanwhile.endsWith(QLatin1String("request b")))
        sequence.bofang_shengyin(QStringLiteral("b.mp3"));
    fake.goIdle();
    // Past the limit too: a cancelled or replaced request never comes back.
    QTest::qWait(PlaySequence::MaxWaitMs + 100);

    QCOMPARE(fake.played(), played);
    QCOMPARE(handed.count(), played.size());
    QVERIFY(!fake.callsWithoutState().contains(QStringLiteral("Open:a.mp3")));
}

QTEST_GUILESS_MAIN(TestPlaySequence)
#include "tst_playsequence.moc"
