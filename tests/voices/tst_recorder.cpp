#include "audiosource.h"
#include "loudness.h"
#include "madesound.h"
#include "mp3decoder.h"
#include "recorder.h"
#include "savefile.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <csignal>
#include <sys/resource.h>

Q_DECLARE_METATYPE(std::vector<qint16>)

namespace {

// Hears `heard`, then what `after` says: the tone without end, a broken
// stream, or silence that waits for `released`.
struct FakeMicrophone final : AudioSource {
    FakeMicrophone(std::vector<qint16> h, QString a, Failure f, std::atomic<bool> *r)
        : heard(std::move(h))
        , after(std::move(a))
        , failure(f)
        , released(r) {}
    std::vector<qint16> heard;
    QString after;
    Failure failure;
    std::atomic<bool> *released;
    std::size_t at = 0;

    Failure open(int) override { return failure; }
    bool read(std::span<qint16> block) override {
        for (qint16 &s : block) {
            if (after == QLatin1String("break") && at == heard.size())
                return false;
            s = at < heard.size() ? heard[at] : after == "tone" ? heard[at % 220] : 0;
            ++at;
            while (at > heard.size() && after == QLatin1String("silence") && !*released)
                QThread::yieldCurrentThread();
        }
        return true;
    }
    [[nodiscard]] QString errorString() const override { return QStringLiteral("made up"); }
};

QByteArray contents(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

// A take goes from the microphone into the user's file, or leaves the old
// file as it was.
class TestRecorder final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        qputenv("HOME", m_dir.path().toLocal8Bit());
        qputenv("XDG_DATA_HOME", m_dir.filePath(QStringLiteral("data")).toLocal8Bit());
    }
    void takes_data();
    void takes();
    void failedWriteKeepsTheOldFile_data();
    void failedWriteKeepsTheOldFile();

private:
    QTemporaryDir m_dir;
};

void TestRecorder::takes_data() {
    QTest::addColumn<std::vector<qint16>>("heard");
    QTest::addColumn<QString>("after");
    QTest::addColumn<AudioSource::Failure>("failure");
    QTest::addColumn<Recorder::Outcome>("outcome");
    QTest::addColumn<int>("keptMs");
    using O = Recorder::Outcome;
    using F = AudioSource::Failure;
    QTest::newRow("a word, stopped by hand") << madeSound({{300, 0}, {1000, 8000}, {300, 0}})
                                             << "silence" << F::None << O::Saved << 1150;
    QTest::newRow("talking on, stopped at 10 s")
        << madeSound({{10, 8000}}) << "tone" << F::None << O::Saved << 10000;
    QTest::newRow("a cough") << madeSound({{300, 0}, {150, 8000}}) << "silence" << F::None
                             << O::TooShort << 0;
    QTest::newRow("nothing heard") << madeSound({}) << "silence" << F::None << O::Silent << 0;
    QTest::newRow("the stream breaks")
        << madeSound({{1000, 8000}}) << "break" << F::None << O::Broken << 0;
    QTest::newRow("no sound server") << madeSound({}) << "" << F::NoServer << O::NoServer << 0;
    QTest::newRow("no microphone")
        << madeSound({}) << "" << F::NoMicrophone << O::NoMicrophone << 0;
}

void TestRecorder::takes() {
    QFETCH(std::vector<qint16>, heard);
    QFETCH(QString, after);
    QFETCH(AudioSource::Failure, failure);
    QFETCH(Recorder::Outcome, outcome);
    QFETCH(int, keptMs);
    const QString folder = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
    const QString path = folder + QStringLiteral("/红  色.mp3");
    QVERIFY(replaceFile(path, "old"));

    std::atomic<bool> released = false;
    Recorder recorder(
        [&] { return std::make_unique<FakeMicrophone>(heard, after, failure, &released); });
    QSignalSpy listening(&recorder, &Recorder::listening);
    QSignalSpy finished(&recorder, &Recorder::finished);
    recorder.start(path);
    if (after == QLatin1String("silence")) {
        QTRY_COMPARE_WITH_TIMEOUT(listening.size(), 1, 30000);
        recorder.stop();
        released = true;
    }
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 30000);
    QCOMPARE(finished.first().first().value<Recorder::Outcome>(), outcome);
    QVERIFY(!recorder.isBusy());
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 1);
    QCOMPARE(contents(path) == "old", outcome != Recorder::Outcome::Saved);
    if (outcome != Recorder::Outcome::Saved)
        return;

    const QByteArray tagFrame = contents(path).left(400);
    QVERIFY(tagFrame.contains("LAME") && (tagFrame.contains("Xing") || tagFrame.contains("Info")));
    Mp3Decoder::Audio audio;
    QCOMPARE(Mp3Decoder::decode(path, audio), Mp3Decoder::Result::Ok);
    QVERIFY2(std::abs(audio.durationMs() - keptMs) <= 30,
             qPrintable(QString::number(audio.durationMs())));
    const auto *pcm = reinterpret_cast<const qint16 *>(audio.pcm.constData());
    const double lufs =
        loudness::integratedLufs({pcm, std::size_t(audio.pcm.size() / 2)}, audio.sampleRate);
    QVERIFY2(std::abs(lufs - loudness::kTargetLufs) < 1.0, qPrintable(QString::number(lufs)));
}

void TestRecorder::failedWriteKeepsTheOldFile_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("old");       // a file there before
    QTest::addColumn<int>("fileSizeLimit"); // 0: none
    QTest::addColumn<bool>("written");
    QTest::newRow("over the old file") << "ok/红  色.mp3"
                                       << "ok/红  色.mp3" << 0 << true;
    QTest::newRow("into a new folder") << "new/deeper/红  色.mp3"
                                       << "new/红  色.mp3" << 0 << true;
    QTest::newRow("the disk is full") << "full/红  色.mp3"
                                      << "full/红  色.mp3" << 1000 << false;
    QTest::newRow("a file where the folder should be") << "file/红  色.mp3/x.mp3"
                                                       << "file/红  色.mp3" << 0 << false;
}

void TestRecorder::failedWriteKeepsTheOldFile() {
    QFETCH(QString, target);
    QFETCH(QString, old);
    QFETCH(int, fileSizeLimit);
    QFETCH(bool, written);
    target = m_dir.filePath(target);
    old = m_dir.filePath(old);
    QVERIFY(replaceFile(old, "old"));

    // Past RLIMIT_FSIZE a write fails as on a full disk (EFBIG, once
    // SIGXFSZ is ignored).
    rlimit saved{};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const rlimit limited{rlim_t(fileSizeLimit), saved.rlim_max};
    std::signal(SIGXFSZ, SIG_IGN);
    QVERIFY(fileSizeLimit == 0 || ::setrlimit(RLIMIT_FSIZE, &limited) == 0);
    QString error;
    const bool ok = replaceFile(target, QByteArray(5000, 'n'), &error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    QCOMPARE(ok, written);
    QCOMPARE(error.isEmpty(), written);
    QCOMPARE(contents(target),
             written ? QByteArray(5000, 'n') : QByteArray(old == target ? "old" : ""));
    QCOMPARE(contents(old), old == target && written ? QByteArray(5000, 'n') : QByteArray("old"));
    // No temporary file stays behind.
    QCOMPARE(QDir(QFileInfo(old).path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

QTEST_GUILESS_MAIN(TestRecorder)
#include "tst_recorder.moc"
