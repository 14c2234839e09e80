#include "mp3decoder.h"
#include "mp3play.h"
#include "soundthread.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMap>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include <atomic>

namespace {

// Counts the plays that reached the output (timing events from the sound
// thread), keeps the length of the file opened last, and holds that thread at
// its next "opened" while `hold` is set.
std::atomic<int> outputs = 0;
std::atomic<int> openedMs = -1;
std::atomic<bool> hold = false;
QSemaphore atOpened, go;
QtMessageHandler testLog = nullptr;

void record(QtMsgType type, const QMessageLogContext &context, const QString &text) {
    if (qstrcmp(context.category, "tintoko.sound.timing") != 0)
        return testLog(type, context, text);
    outputs += int(text.startsWith(QLatin1String("event=no-output")));
    if (text.startsWith(QLatin1String("event=opened")) && text.contains(QLatin1String("result=0 ")))
        openedMs = text.section(QLatin1String(" ms="), 1).section(QLatin1Char(' '), 0, 0).toInt();
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
    void eachRequestTakenUp();
    void stopEndsAtOnce();

private:
    QTemporaryDir m_dir;
    QString m_good;
    int m_goodMs = 0;
    QMap<QString, int> m_announcedMs; // of the good files, by name
};

void TestMp3Play::initTestCase() {
    QVERIFY(m_dir.isValid());
    m_good = m_dir.filePath(QStringLiteral("黑  色.mp3"));
    QVERIFY2(QFile::copy(QStringLiteral(TINTOKO_TEST_RECORDING), m_good), TINTOKO_TEST_RECORDING);
    Mp3Decoder::Audio audio;
    QCOMPARE(Mp3Decoder::decode(m_good, audio), Mp3Decoder::Result::Ok);
    m_goodMs = int(audio.durationMs());
    const QString other = m_dir.filePath(QStringLiteral("错了再试一遍.mp3"));
    QVERIFY(QFile::copy(QFileInfo(QStringLiteral(TINTOKO_TEST_RECORDING)).path() +
                            QStringLiteral("/错了再试一遍.mp3"),
                        other));
    for (const QString &path : {m_good, other}) {
        Mp3Decoder decoder;
        QCOMPARE(decoder.open(path), Mp3Decoder::Result::Ok);
        m_announcedMs.insert(QFileInfo(path).fileName(), int(decoder.announcedMs()));
    }
    QVERIFY(m_announcedMs.first() != m_announcedMs.last());
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
    QTest::addColumn<QStringList>("fallbacks"); // what the fallback names, for any file
    QTest::addColumn<QString>("heard");         // the file that plays, or none
    const QString good = QStringLiteral("黑  色.mp3");
    const QString other = QStringLiteral("错了再试一遍.mp3");
    QTest::newRow("recording") << good << QStringList() << good;
    QTest::newRow("one space short") << "黑 色.mp3" << QStringList() << "";
    QTest::newRow("empty") << "空.mp3" << QStringList() << "";
    QTest::newRow("text") << "文字.mp3" << QStringList() << "";
    QTest::newRow("fifo") << "管道.mp3" << QStringList() << "";
    QTest::newRow("a good one, fallbacks not needed") << other << QStringList{good} << other;
    QTest::newRow("text, a good fallback") << "文字.mp3" << QStringList{good} << good;
    QTest::newRow("missing, an empty fallback") << "黑 色.mp3" << QStringList{"空.mp3"} << "";
    QTest::newRow("asked in order, the first that plays wins")
        << "文字.mp3" << QStringList{"管道.mp3", "空.mp3", other, good} << other;
}

// Open takes any file without reading it; one that does not decode gives way
// to the fallbacks, in order; when none plays, nothing plays, the player goes
// back to idle as at the end of a recording and says so. Without a server, a
// recording that plays is timed and the player says that it is not heard.
// Opening a second file drops the first.
void TestMp3Play::open() {
    QFETCH(QString, name);
    QFETCH(QStringList, fallbacks);
    QFETCH(QString, heard);

    Mp3Play player;
    QStringList asked;
    if (!fallbacks.isEmpty()) {
        player.setFallback([&](const QString &path) {
            asked << path;
            QStringList paths;
            for (const QString &fallback : std::as_const(fallbacks))
                paths << m_dir.filePath(fallback);
            return paths;
        });
    }
    QSignalSpy changes(&player, &Mp3Play::stateChanged);
    QSignalSpy unheard(&player, &Mp3Play::unheard);
    QCOMPARE(player.Open(m_good), 0);
    outputs = 0;
    openedMs = -1;
    QCOMPARE(player.Open(m_dir.filePath(name)), 0);
    player.Play();
    QCOMPARE(player.State(), Mp3Play::Playing);
    QTRY_COMPARE_WITH_TIMEOUT(changes.size(), 2, m_goodMs + 10000);
    QCOMPARE(changes.at(1).first().toInt(), Mp3Play::Idle);
    QCOMPARE(asked, fallbacks.isEmpty() ? QStringList() : QStringList{m_dir.filePath(name)});
    QCOMPARE(outputs.load(), heard.isEmpty() ? 0 : 1);
    QCOMPARE(openedMs.load(), heard.isEmpty() ? -1 : m_announcedMs.value(heard));
    QCOMPARE(unheard.size(), 1);
    QCOMPARE(unheard.first().first().value<SoundPlayer::Unheard>(),
             heard.isEmpty() ? SoundPlayer::Unheard::NotPlayable : SoundPlayer::Unheard::NoOutput);
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

    // Unheard, with no server, it still lasts as long as the recording.
    for (int round = 0; round < 2; ++round) {
        QElapsedTimer clock;
        clock.start();
        player.Play();
        QVERIFY(player.State() != 0);
        QTRY_COMPARE_WITH_TIMEOUT(player.State(), 0, m_goodMs + 10000);
        QVERIFY2(clock.elapsed() >= m_goodMs - 50, qPrintable(QString::number(clock.elapsed())));
    }
    QCOMPARE(changes.size(), 4);
    QCOMPARE(changes.last().first().toInt(), 0);
}

// A request that comes while the thread waits for one is taken up, even
// with no stop before it.
void TestMp3Play::eachRequestTakenUp() {
    std::atomic<quint64> ended = 0;
    SoundThread thread([&ended](quint64 token, SoundThread::Report report) {
        if (report == SoundThread::Report::Ended)
            ended = token;
    });
    for (quint64 token = 1; token <= 2; ++token) {
        thread.play({m_good}, token);
        QTRY_COMPARE_WITH_TIMEOUT(ended.load(), token, m_goodMs + 10000);
    }
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
