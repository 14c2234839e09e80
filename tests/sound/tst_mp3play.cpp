#include "mp3decoder.h"
#include "mp3play.h"

#include <QFile>
#include <QLoggingCategory>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include <atomic>

namespace {

// Counts the plays that reached the output (timing events from the sound
// thread), and holds that thread at its next "opened" while `hold` is set.
std::atomic<int> outputs = 0;
std::atomic<bool> hold = false;
QSemaphore atOpened, go;
QtMessageHandler testLog = nullptr;

void record(QtMsgType type, const QMessageLogContext &context, const QString &text) {
    if (qstrcmp(context.category, "tintoko.sound.timing") != 0)
        return testLog(type, context, text);
    outputs += int(text.startsWith(QLatin1String("event=no-output")));
    if (text.startsWith(QLatin1String("event=opened")) && hold.exchange(false)) {
        atOpened.release();
        go.acquire();
    }
}

} // namespace

// Runs without any audio output: the player must behave the same, timing each
// recording instead of playing it.
class TestMp3Play final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void open_data();
    void open();
    void newerRequestWinsOverAnOpen();
    void playsToTheEnd();
    void stopEndsAtOnce();

private:
    QTemporaryDir m_dir;
    QString m_good;
    int m_goodMs = 0;
};

void TestMp3Play::initTestCase() {
    QVERIFY(m_dir.isValid());
    m_good = m_dir.filePath(QStringLiteral("黑  色.mp3"));
    QVERIFY2(QFile::copy(QStringLiteral(TINTOKO_TEST_RECORDING), m_good), TINTOKO_TEST_RECORDING);
    Mp3Decoder::Audio audio;
    QCOMPARE(Mp3Decoder::decode(m_good, audio), Mp3Decoder::Result::Ok);
    m_goodMs = int(audio.durationMs());
    // A FIFO without a writer: opening it for reading without O_NONBLOCK waits forever.
    QCOMPARE(::mkfifo(QFile::encodeName(m_dir.filePath(QStringLiteral("管道.mp3"))), 0600), 0);
    QFile text(m_dir.filePath(QStringLiteral("文字.mp3")));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("not a recording\n");
    QFile empty(m_dir.filePath(QStringLiteral("空.mp3")));
    QVERIFY(empty.open(QIODevice::WriteOnly));
    QLoggingCategory::setFilterRules(QStringLiteral("tintoko.sound.timing.debug=true"));
    testLog = qInstallMessageHandler(record);
}

void TestMp3Play::open_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("fallback"); // what the fallback names, for any file
    QTest::addColumn<bool>("good");
    QTest::newRow("recording") << QStringLiteral("黑  色.mp3") << QString() << true;
    QTest::newRow("one space short") << QStringLiteral("黑 色.mp3") << QString() << false;
    QTest::newRow("empty") << QStringLiteral("空.mp3") << QString() << false;
    QTest::newRow("text") << QStringLiteral("文字.mp3") << QString() << false;
    QTest::newRow("fifo") << QStringLiteral("管道.mp3") << QString() << false;
    QTest::newRow("text, a good fallback")
        << QStringLiteral("文字.mp3") << QStringLiteral("黑  色.mp3") << true;
    QTest::newRow("missing, an empty fallback")
        << QStringLiteral("黑 色.mp3") << QStringLiteral("空.mp3") << false;
}

// Open takes any file without reading it; one that does not decode plays
// nothing, and the player goes back to idle as at the end of a recording.
// Opening a second file drops the first.
void TestMp3Play::open() {
    QFETCH(QString, name);
    QFETCH(QString, fallback);
    QFETCH(bool, good);

    Mp3Play player;
    if (!fallback.isEmpty())
        player.setFallback([this, fallback](const QString &) { return m_dir.filePath(fallback); });
    QSignalSpy changes(&player, &Mp3Play::stateChanged);
    QCOMPARE(player.Open(m_good), 0);
    outputs = 0;
    QCOMPARE(player.Open(m_dir.filePath(name)), 0);
    player.Play();
    QCOMPARE(player.State(), Mp3Play::Playing);
    QTRY_COMPARE_WITH_TIMEOUT(changes.size(), 2, m_goodMs + 10000);
    QCOMPARE(changes.at(1).first().toInt(), Mp3Play::Idle);
    QCOMPARE(outputs.load(), good ? 1 : 0);
}

// A newer request that comes while the sound thread opens a file wins: that
// file never reaches the output.
void TestMp3Play::newerRequestWinsOverAnOpen() {
    Mp3Play player;
    hold = true;
    outputs = 0;
    QCOMPARE(player.Open(m_good), 0);
    player.Play();
    QVERIFY(atOpened.tryAcquire(1, 10000));
    QCOMPARE(player.Open(m_dir.filePath(QStringLiteral("文字.mp3"))), 0);
    player.Play();
    go.release();
    QTRY_COMPARE_WITH_TIMEOUT(player.State(), Mp3Play::Idle, 10000);
    QCOMPARE(outputs.load(), 0);
}

void TestMp3Play::playsToTheEnd() {
    Mp3Play player;
    QSignalSpy changes(&player, &Mp3Play::stateChanged);
    QCOMPARE(player.Open(m_good), 0);

    for (int round = 0; round < 2; ++round) {
        player.Play();
        QVERIFY(player.State() != 0);
        QTRY_COMPARE_WITH_TIMEOUT(player.State(), 0, m_goodMs + 10000);
    }
    QCOMPARE(changes.size(), 4);
    QCOMPARE(changes.last().first().toInt(), 0);
}

void TestMp3Play::stopEndsAtOnce() {
    Mp3Play player;
    player.Stop(); // nothing plays yet: harmless
    QCOMPARE(player.Open(m_good), 0);
    player.Play();
    QVERIFY(player.State() != 0);
    player.Stop();
    QCOMPARE(player.State(), 0);

    // Nothing restarts by itself; Play starts the same recording again.
    QTest::qWait(m_goodMs + 200);
    QCOMPARE(player.State(), 0);
    player.Play();
    QVERIFY(player.State() != 0);
    player.Stop();
    QCOMPARE(player.State(), 0);
}

int main(int argc, char *argv[]) {
    // Never reach a real audio server, not even on a developer's desktop.
    qputenv("PULSE_SERVER", "unix:/nonexistent/tintoko-test");
    const QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    QCoreApplication app(argc, argv);
    TestMp3Play test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mp3play.moc"
