#include "playsequence.h"

#include "fakes/fakesoundplayer.h"

#include <QSignalSpy>
#include <QTest>

class TestPlaySequence final : public QObject {
    Q_OBJECT

private slots:
    void sequence_data();
    void sequence();
};

void TestPlaySequence::sequence_data() {
    QTest::addColumn<qint16>("openResult");
    QTest::newRow("opens") << qint16(0);
    QTest::newRow("open refused") << qint16(1);
}

// Stop, Open, and Play only when Open took the file, all within the call;
// the path is reported as handed over either way. A second request stops
// the first.
void TestPlaySequence::sequence() {
    QFETCH(qint16, openResult);
    FakeSoundPlayer fake;
    fake.openResult = openResult;
    PlaySequence sequence(fake);
    QSignalSpy handed(&sequence, &PlaySequence::handedToPlayer);
    const QString a = QStringLiteral("/程序/声音/黑  色.mp3");
    const QString b = QStringLiteral("/程序/声音/白  色.mp3");

    sequence.bofang_shengyin(a);
    sequence.bofang_shengyin(b);
    const QStringList play = openResult == 0 ? QStringList{QStringLiteral("Play")} : QStringList();
    QStringList expected;
    for (const QString &path : {a, b})
        expected << QStringList{QStringLiteral("Stop"), "Open:" + path} + play;
    QCOMPARE(fake.callsWithoutState(), expected);
    QCOMPARE(handed.count(), 2);
    QCOMPARE(handed.at(1).at(0).toString(), b);
}

QTEST_GUILESS_MAIN(TestPlaySequence)
#include "tst_playsequence.moc"
