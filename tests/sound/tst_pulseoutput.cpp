#include "mp3play.h"
#include "pulseoutput.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/prctl.h>

// The stream to a real sound server: a PulseAudio of the test's own, with a
// null sink, in a runtime folder of its own; before it starts and after it is
// killed there is no server at all.
class TestPulseOutput final : public QObject {
    Q_OBJECT

private slots:
    void withAndWithoutAServer();
};

void TestPulseOutput::withAndWithoutAServer() {
    const QTemporaryDir dir;
    QVERIFY(dir.isValid());
    qputenv("PULSE_RUNTIME_PATH", dir.path().toLocal8Bit());
    qputenv("PULSE_SERVER", "unix:" + dir.filePath(QStringLiteral("native")).toLocal8Bit());
    // The server's playback streams, one line each.
    const auto streams = [] {
        QProcess pactl;
        pactl.start(QStringLiteral("pactl"), {QStringLiteral("list"), QStringLiteral("short"),
                                              QStringLiteral("sink-inputs")});
        return pactl.waitForFinished(30000) ? pactl.readAllStandardOutput() : QByteArray("?");
    };
    const QByteArray silence(8820, '\0'); // 200 ms at 22050 Hz, mono
    PulseOutput out;
    out.flush(); // nothing to drop
    QVERIFY(!out.open(22050, 1));
    QVERIFY(!out.write(silence.constData(), silence.size()));
    QCOMPARE(out.latencyUs(), -1);

    QProcess server;
    server.setStandardOutputFile(QProcess::nullDevice());
    server.setStandardErrorFile(QProcess::nullDevice());
    server.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    server.start(QStringLiteral("pulseaudio"),
                 {QStringLiteral("-n"), QStringLiteral("--daemonize=no"),
                  QStringLiteral("--realtime=no"),
                  QStringLiteral("--load=module-null-sink sink_name=t"),
                  QStringLiteral("--load=module-native-protocol-unix")});
    QVERIFY(server.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(out.open(22050, 1), 30000);
    QCOMPARE(out.startBytes(), 882); // 20 ms
    QVERIFY(out.write(silence.constData(), silence.size()));
    QVERIFY(out.latencyUs() >= 0);
    out.flush();
    const QByteArray first = streams();
    QCOMPARE(first.count('\n'), 1);

    // The same format keeps the stream; another one opens a stream of its own.
    QVERIFY(out.open(22050, 1));
    QCOMPARE(streams(), first);
    QVERIFY(out.open(22050, 2));
    QCOMPARE(out.startBytes(), 1764);
    QVERIFY(out.open(44100, 2));
    QCOMPARE(out.startBytes(), 3528);
    QTRY_COMPARE_WITH_TIMEOUT(streams().count('\n'), 1, 30000);
    QVERIFY(streams() != first);
    out.close();
    QVERIFY(!out.isOpen());
    QCOMPARE(out.startBytes(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(streams(), QByteArray(), 30000);

    // A recording is over once the server has played all of it.
    Mp3Play player;
    QCOMPARE(player.Open(QStringLiteral(TINTOKO_TEST_RECORDING)), 0);
    player.Play();
    QVERIFY(player.State() != 0);
    QTRY_COMPARE_WITH_TIMEOUT(player.State(), 0, 30000);

    // A stopped server: each wait gives up after its time limit (the
    // library's own is 30 s), and the stream closes.
    QVERIFY(out.open(22050, 1));
    QCOMPARE(::kill(pid_t(server.processId()), SIGSTOP), 0);
    const QDeadlineTimer limit(4 * PulseOutput::kAnswerMs);
    QVERIFY(!PulseOutput().open(22050, 1));
    for (int i = 0; i < 1000 && out.write(silence.constData(), silence.size()); ++i) {
    }
    QVERIFY(!out.isOpen() && !limit.hasExpired());
    QCOMPARE(::kill(pid_t(server.processId()), SIGCONT), 0);

    // A server that goes away fails the streams, which close.
    PulseOutput other;
    QVERIFY(out.open(22050, 1) && other.open(22050, 1));
    server.kill();
    QVERIFY(server.waitForFinished());
    // Each write says whether it went through: the one that fails closes.
    for (QDeadlineTimer limit(30000); out.isOpen() && !limit.hasExpired(); QTest::qWait(10)) {
        const bool wrote = out.write(silence.constData(), silence.size());
        QCOMPARE(wrote, out.isOpen());
    }
    QVERIFY(!out.isOpen() && !out.write(silence.constData(), silence.size()));
    QCOMPARE(out.startBytes(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(other.latencyUs(), -1, 30000);
    QVERIFY(!other.isOpen());
    QVERIFY(!out.open(22050, 1));
}

QTEST_GUILESS_MAIN(TestPulseOutput)
#include "tst_pulseoutput.moc"
