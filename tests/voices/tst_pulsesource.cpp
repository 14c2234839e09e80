#include "pulsesource.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <csignal>
#include <sys/prctl.h>
#include <vector>

using Failure = AudioSource::Failure;

// The microphone from a PulseAudio server of the test's own, whose only
// source is the monitor of a null sink (zeros while nothing plays). Whatever
// the server does, no call waits past its limit.
class TestPulseSource final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void readsAndCatchesUp();
    void failures();
    void stoppedThenGoneServer();
    void cleanupTestCase() { m_server.kill(); }

private:
    QTemporaryDir m_dir; // private to the owner, as the server wants it
    QProcess m_server;
};

void TestPulseSource::initTestCase() {
    const QString pulseaudio = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
    if (pulseaudio.isEmpty())
        QSKIP("no pulseaudio here");
    QFile conf(m_dir.filePath(QStringLiteral("client.conf")));
    QVERIFY(conf.open(QIODevice::WriteOnly) && conf.write("autospawn = no\n") > 0);
    conf.close();
    qputenv("PULSE_RUNTIME_PATH", m_dir.path().toLocal8Bit());
    qputenv("PULSE_STATE_PATH", m_dir.path().toLocal8Bit());
    qputenv("PULSE_CLIENTCONFIG", conf.fileName().toLocal8Bit());
    qputenv("PULSE_SERVER", "unix:" + m_dir.filePath(QStringLiteral("native")).toLocal8Bit());
    m_server.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    m_server.start(pulseaudio,
                   {QStringLiteral("-n"), QStringLiteral("--daemonize=no"),
                    QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--realtime=no"),
                    QStringLiteral("--log-level=error"),
                    QStringLiteral("--load=module-null-sink sink_name=t"),
                    QStringLiteral("--load=module-native-protocol-unix auth-anonymous=1")});
    QTRY_VERIFY_WITH_TIMEOUT(PulseSource().open(22050) == Failure::None, 30000);
}

void TestPulseSource::readsAndCatchesUp() {
    PulseSource source;
    QCOMPARE(source.open(22050), Failure::None);
    std::vector<qint16> heard(2205, 1);
    QCOMPARE(source.read(heard), Failure::None);
    QCOMPARE(std::count(heard.begin(), heard.end(), qint16(0)), 2205);
    // A second of 441 Hz played into the sink (by pacat, with a buffer that
    // never runs dry) comes back whole inside (where it starts and ends, the
    // sink may cut it): as loud, and without a jump from a sample to the next.
    std::vector<qint16> tone(22050);
    for (std::size_t i = 0; i < tone.size(); ++i)
        tone[i] = qint16(std::lround(8000 * std::sin(2 * M_PI * double(i) / 50)));
    QFile raw(m_dir.filePath(QStringLiteral("tone.raw")));
    QVERIFY(raw.open(QIODevice::WriteOnly) &&
            raw.write(reinterpret_cast<const char *>(tone.data()), qint64(tone.size()) * 2) > 0);
    raw.close();
    QProcess play;
    play.start(QStringLiteral("pacat"), {QStringLiteral("--raw"), QStringLiteral("--rate=22050"),
                                         QStringLiteral("--channels=1"), raw.fileName()});
    heard.clear();
    std::vector<qint16> block(5512);
    for (int after = 0; after < 4 && heard.size() < std::size_t(22050) * 60; ++after) {
        QCOMPARE(source.read(block), Failure::None);
        heard.insert(heard.end(), block.begin(), block.end());
        if (play.state() != QProcess::NotRunning && !play.waitForFinished(0))
            after = -1;
    }
    const auto loud = [](qint16 s) { return std::abs(s) > 4000; };
    const auto first = std::find_if(heard.begin(), heard.end(), loud) + 441;
    const auto last = std::find_if(heard.rbegin(), heard.rend(), loud).base() - 441;
    QVERIFY(last - first > 22050 / 2);
    int peak = 0;
    int jump = 0;
    for (auto at = first; at < last; ++at) {
        peak = std::max(peak, std::abs(int(*at)));
        jump = std::max(jump, std::abs(*at - *(at - 1)));
    }
    QVERIFY2(peak > 7600 && peak < 8400 && jump < 1100,
             qPrintable(QStringLiteral("%1 %2").arg(peak).arg(jump)));
    // Unread, the microphone's sound waits in the server; the backlog says
    // how much, and once that is read the source has caught up.
    QTRY_VERIFY_WITH_TIMEOUT(source.backlog() >= 5512, 10000);
    const qsizetype behind = source.backlog();
    heard.assign(std::size_t(behind), 1);
    QCOMPARE(source.read(heard), Failure::None);
    QCOMPARE(std::count(heard.begin(), heard.end(), qint16(0)), behind);
    QVERIFY2(source.backlog() < behind, qPrintable(QString::number(source.backlog())));
}

void TestPulseSource::failures() {
    qputenv("PULSE_SOURCE", "none");
    PulseSource noSource;
    const Failure noSourceOpen = noSource.open(22050);
    qunsetenv("PULSE_SOURCE");
    const QByteArray server = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", "unix:/nowhere");
    PulseSource noServer;
    const Failure noServerOpen = noServer.open(22050);
    qputenv("PULSE_SERVER", server);
    QCOMPARE(noSourceOpen, Failure::NoMicrophone);
    QCOMPARE(noServerOpen, Failure::NoServer);
    std::vector<qint16> heard(100);
    for (PulseSource *source : {&noSource, &noServer}) {
        QVERIFY(!source->errorString().isEmpty());
        QCOMPARE(source->read(heard), Failure::Broken);
        QCOMPARE(source->backlog(), 0);
    }
}

// A stopped server (SIGSTOP) neither answers nor hangs up: a read and a new
// connection give up after their limit. A killed one breaks the stream.
void TestPulseSource::stoppedThenGoneServer() {
    auto source = std::make_unique<PulseSource>();
    QCOMPARE(source->open(22050), Failure::None);
    std::vector<qint16> heard(std::size_t(22050) * 5); // more than the server holds
    QVERIFY(::kill(pid_t(m_server.processId()), SIGSTOP) == 0);
    const Failure reading = source->read(heard);
    source.reset();
    const Failure opening = PulseSource().open(22050);
    QVERIFY(::kill(pid_t(m_server.processId()), SIGCONT) == 0);
    QCOMPARE(reading, Failure::NoAnswer);
    QCOMPARE(opening, Failure::NoAnswer);

    PulseSource last;
    QCOMPARE(last.open(22050), Failure::None);
    m_server.kill();
    QVERIFY(m_server.waitForFinished());
    QCOMPARE(last.read(heard), Failure::Broken);
    QCOMPARE(last.backlog(), 0);
}

QTEST_GUILESS_MAIN(TestPulseSource)
#include "tst_pulsesource.moc"
