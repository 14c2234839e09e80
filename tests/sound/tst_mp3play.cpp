#include "mp3play.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// Runs without any audio output: the player must behave the same, timing each
// recording instead of playing it.
class TestMp3Play final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void open_data();
    void open();
    void playsToTheEnd();
    void stopEndsAtOnce();

private:
    QTemporaryDir m_dir;
    QString m_good;
};

void TestMp3Play::initTestCase() {
    QVERIFY(m_dir.isValid());
    m_good = m_dir.filePath(QStringLiteral("黑  色.mp3"));
    QVERIFY2(QFile::copy(QStringLiteral(TINTOKO_TEST_RECORDING), m_good), TINTOKO_TEST_RECORDING);
    QFile text(m_dir.filePath(QStringLiteral("文字.mp3")));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("not a recording\n");
    QFile empty(m_dir.filePath(QStringLiteral("空.mp3")));
    QVERIFY(empty.open(QIODevice::WriteOnly));
}

void TestMp3Play::open_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("fallback"); // what the fallback names, for any file
    QTest::addColumn<bool>("good");
    QTest::newRow("recording") << QStringLiteral("黑  色.mp3") << QString() << true;
    QTest::newRow("one space short") << QStringLiteral("黑 色.mp3") << QString() << false;
    QTest::newRow("empty") << QStringLiteral("空.mp3") << QString() << false;
    QTest::newRow("text") << QStringLiteral("文字.mp3") << QString() << false;
    QTest::newRow("text, a good fallback")
        << QStringLiteral("文字.mp3") << QStringLiteral("黑  色.mp3") << true;
    QTest::newRow("missing, an empty fallback")
        << QStringLiteral("黑 色.mp3") << QStringLiteral("空.mp3") << false;
    QTest::newRow("recording, its fallback unused")
        << QStringLiteral("黑  色.mp3") << QStringLiteral("空.mp3") << true;
}

// A failed Open also drops the recording opened before it: Play then plays nothing.
void TestMp3Play::open() {
    QFETCH(QString, name);
    QFETCH(QString, fallback);
    QFETCH(bool, good);

    Mp3Play player;
    QCOMPARE(player.Open(m_good, QString()), 0);
    if (!fallback.isEmpty())
        player.setFallback([this, fallback](const QString &) { return m_dir.filePath(fallback); });
    const qint16 result = player.Open(m_dir.filePath(name), QString());
    QCOMPARE(result == 0, good);
    QCOMPARE(player.State(), 0);
    player.Play();
    QCOMPARE(player.State() != 0, good);
    player.Stop();
}

void TestMp3Play::playsToTheEnd() {
    Mp3Play player;
    QSignalSpy changes(&player, &Mp3Play::stateChanged);
    QCOMPARE(player.Open(m_good, QString()), 0);
    QVERIFY(player.durationMs() > 0);

    for (int round = 0; round < 2; ++round) {
        player.Play();
        QVERIFY(player.State() != 0);
        QTRY_COMPARE_WITH_TIMEOUT(player.State(), 0, int(player.durationMs()) + 10000);
    }
    QCOMPARE(changes.size(), 4);
    QCOMPARE(changes.last().first().toInt(), 0);
}

void TestMp3Play::stopEndsAtOnce() {
    Mp3Play player;
    player.Stop(); // nothing plays yet: harmless
    QCOMPARE(player.Open(m_good, QString()), 0);
    player.Play();
    QVERIFY(player.State() != 0);
    player.Stop();
    QCOMPARE(player.State(), 0);

    // Nothing restarts by itself; Play starts the same recording again.
    QTest::qWait(int(player.durationMs()) + 200);
    QCOMPARE(player.State(), 0);
    player.Play();
    QVERIFY(player.State() != 0);
    player.Stop();
    QCOMPARE(player.State(), 0);
}

int main(int argc, char *argv[]) {
    // Never reach a real audio server, not even on a developer's desktop.
    qputenv("PULSE_SERVER", "unix:/nonexistent/tintoko-test");
    QCoreApplication app(argc, argv);
    TestMp3Play test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mp3play.moc"
