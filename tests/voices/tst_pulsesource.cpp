#include "pulsesource.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <sys/prctl.h>
#include <vector>

Q_DECLARE_METATYPE(AudioSource::Failure)

namespace {

// The environment variable set for the duration of a scope.
class Setting {
public:
    Setting(const char *name, const QByteArray &value)
        : m_name(name)
        , m_old(qgetenv(name))
        , m_had(qEnvironmentVariableIsSet(name)) {
        qputenv(name, value);
    }
    ~Setting() {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }
    Setting(const Setting &) = delete;
    Setting &operator=(const Setting &) = delete;

private:
    const char *m_name;
    QByteArray m_old;
    bool m_had;
};

} // namespace

// The microphone as the recorder reaches it, from a PulseAudio server of the
// test's own whose only source is the monitor of a null sink (zeros while
// nothing plays). Whatever the server does, no call waits past its limit.
class TestPulseSource final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void readsAndCatchesUp();
    void failures_data();
    void failures();
    void frozenServer();
    void serverGone();
    void cleanupTestCase() { signal(SIGKILL); }

private:
    bool signal(int number) {
        return m_server.state() == QProcess::Running &&
               ::kill(pid_t(m_server.processId()), number) == 0;
    }

    QTemporaryDir m_dir;
    QProcess m_server;
};

void TestPulseSource::initTestCase() {
    const QString pulseaudio = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
    if (pulseaudio.isEmpty())
        QSKIP("no pulseaudio here");
    QVERIFY(m_dir.isValid());
    const QString runtime = m_dir.filePath(QStringLiteral("runtime"));
    QVERIFY(QDir().mkpath(runtime));
    QVERIFY(QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QString conf = m_dir.filePath(QStringLiteral("client.conf"));
    QFile file(conf);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("autospawn = no\n") > 0);
    file.close();
    qputenv("PULSE_RUNTIME_PATH", runtime.toLocal8Bit());
    qputenv("PULSE_STATE_PATH", runtime.toLocal8Bit());
    qputenv("PULSE_CLIENTCONFIG", conf.toLocal8Bit());
    qputenv("PULSE_SERVER", "unix:" + runtime.toLocal8Bit() + "/native");
    qunsetenv("PULSE_SOURCE");

    m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_server.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    m_server.start(pulseaudio,
                   {QStringLiteral("-n"), QStringLiteral("--daemonize=no"),
                    QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--disallow-exit"),
                    QStringLiteral("--realtime=no"), QStringLiteral("--log-target=stderr"),
                    QStringLiteral("--log-level=error"),
                    QStringLiteral("--load=module-null-sink sink_name=t"),
                    QStringLiteral("--load=module-native-protocol-unix auth-anonymous=1")});
    QVERIFY(m_server.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(PulseSource().open(22050) == AudioSource::Failure::None, 30000);
}

void TestPulseSource::readsAndCatchesUp() {
    PulseSource source;
    QCOMPARE(source.open(22050), AudioSource::Failure::None);
    std::vector<qint16> heard(2205, 1);
    QCOMPARE(source.read(heard), AudioSource::Failure::None);
    QCOMPARE(std::count(heard.begin(), heard.end(), qint16(0)), 2205);
    // Unread, the microphone's sound waits in the server; the backlog says
    // how much, and once it is read the source has caught up.
    QTRY_VERIFY_WITH_TIMEOUT(source.backlog() >= 5512, 10000);
    const qsizetype behind = source.backlog();
    heard.assign(std::size_t(behind), 1);
    QCOMPARE(source.read(heard), AudioSource::Failure::None);
    QCOMPARE(std::count(heard.begin(), heard.end(), qint16(0)), behind);
    QVERIFY2(source.backlog() < behind, qPrintable(QString::number(source.backlog())));
}

void TestPulseSource::failures_data() {
    QTest::addColumn<QByteArray>("variable");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<AudioSource::Failure>("failure");
    QTest::newRow("no server there") << QByteArray("PULSE_SERVER") << QByteArray("unix:/nowhere")
                                     << AudioSource::Failure::NoServer;
    QTest::newRow("no such microphone")
        << QByteArray("PULSE_SOURCE") << QByteArray("none") << AudioSource::Failure::NoMicrophone;
}

void TestPulseSource::failures() {
    QFETCH(QByteArray, variable);
    QFETCH(QByteArray, value);
    QFETCH(AudioSource::Failure, failure);
    const Setting setting(variable.constData(), value);
    PulseSource source;
    QCOMPARE(source.open(22050), failure);
    QVERIFY(!source.errorString().isEmpty());
    std::vector<qint16> heard(100);
    QCOMPARE(source.read(heard), AudioSource::Failure::Broken);
    QCOMPARE(source.backlog(), 0);
}

// A stopped server (SIGSTOP) neither answers nor hangs up: every call gives
// up after its limit, and so does a new connection.
void TestPulseSource::frozenServer() {
    auto source = std::make_unique<PulseSource>();
    QCOMPARE(source->open(22050), AudioSource::Failure::None);
    std::vector<qint16> heard(1102);
    QCOMPARE(source->read(heard), AudioSource::Failure::None);
    QVERIFY(signal(SIGSTOP));
    heard.resize(std::size_t(22050) * 5); // more than the server holds
    const AudioSource::Failure reading = source->read(heard);
    source.reset();
    const AudioSource::Failure opening = PulseSource().open(22050);
    QVERIFY(signal(SIGCONT));
    QCOMPARE(reading, AudioSource::Failure::NoAnswer);
    QCOMPARE(opening, AudioSource::Failure::NoAnswer);
    QCOMPARE(PulseSource().open(22050), AudioSource::Failure::None);
}

void TestPulseSource::serverGone() {
    PulseSource source;
    QCOMPARE(source.open(22050), AudioSource::Failure::None);
    QVERIFY(signal(SIGKILL));
    QVERIFY(m_server.waitForFinished());
    std::vector<qint16> heard(std::size_t(22050) * 5);
    QCOMPARE(source.read(heard), AudioSource::Failure::Broken);
    QCOMPARE(source.backlog(), 0);
}

QTEST_GUILESS_MAIN(TestPulseSource)
#include "tst_pulsesource.moc"
