#include "audiosource.h"
#include "loudness.h"
#include "madesound.h"
#include "mp3decoder.h"
#include "recorder.h"
#include "savefile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <csignal>
#include <sys/resource.h>

Q_DECLARE_METATYPE(std::vector<qint16>)

namespace {

struct Script {
    std::atomic<std::size_t> given = 0; // samples read() has given
    std::atomic<bool> released = false; // by the test
    std::atomic<bool> closed = false;   // by the recorder
    bool slowToClose = false;           // closing waits for the test's release
};

// Hears `heard` and then what `after` says: the tone without end, a broken
// stream, a server that stops answering, or silence. It waits for the test
// to release it before the silence and before the last `held` samples of
// `heard`, which the server still holds when the take is stopped.
struct FakeMicrophone final : AudioSource {
    FakeMicrophone(std::vector<qint16> h, std::size_t d, QString a, Failure f, Script &s)
        : heard(std::move(h))
        , held(d)
        , after(std::move(a))
        , failure(f)
        , script(s) {}
    ~FakeMicrophone() override {
        script.closed = true;
        while (script.slowToClose && !script.released)
            QThread::msleep(1);
    }
    std::vector<qint16> heard;
    std::size_t held;
    QString after;
    Failure failure;
    Script &script;
    std::size_t at = 0;

    Failure open(int) override { return failure; }
    Failure read(std::span<qint16> block) override {
        for (qint16 &s : block) {
            while (((held > 0 && at == heard.size() - held) ||
                    (at == heard.size() && after == QLatin1String("silence"))) &&
                   !script.released)
                QThread::msleep(1);
            if (at == heard.size() && after == QLatin1String("break"))
                return Failure::Broken;
            if (at == heard.size() && after == QLatin1String("no answer"))
                return Failure::NoAnswer;
            s = at < heard.size() ? heard[at] : after == "tone" ? heard[at % 220] : qint16(0);
            script.given = ++at;
        }
        return Failure::None;
    }
    qsizetype backlog() override { // and 200 ms more of a tone that goes on
        return std::max(qsizetype(heard.size() - at), qsizetype(0)) + (after == "tone" ? 4410 : 0);
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
    void givesUpOnAStuckMicrophone();
    void failedWriteKeepsTheOldFile_data();
    void failedWriteKeepsTheOldFile();

private:
    QTemporaryDir m_dir;
};

void TestRecorder::takes_data() {
    QTest::addColumn<std::vector<qint16>>("heard");
    QTest::addColumn<int>("heldMs");
    QTest::addColumn<QString>("after");
    QTest::addColumn<AudioSource::Failure>("failure");
    QTest::addColumn<Recorder::Outcome>("outcome");
    QTest::addColumn<int>("keptMs");
    using O = Recorder::Outcome;
    using F = AudioSource::Failure;
    // Words sound until 200 ms into their last syllable; 50 ms before them
    // and 100 ms after are kept.
    QTest::newRow("a word, stopped by hand")
        << madeSound({{300, 0}, {1000, 8000, true}, {300, 0}}) << 0 << "silence" << F::None
        << O::Saved << 50 + 950 + 100;
    QTest::newRow("words from 50 ms after the press: all of them")
        << madeSound({{50, 0}, {1000, 8000, true}, {300, 0}}) << 0 << "silence" << F::None
        << O::Saved << 50 + 950 + 100;
    QTest::newRow("the last 200 ms before the stop are still in the server")
        << madeSound({{300, 0}, {1000, 8000, true}}) << 200 << "silence" << F::None << O::Saved
        << 50 + 1000;
    QTest::newRow("talking on, stopped at 10 s")
        << madeSound({{10, 8000}}) << 0 << "tone" << F::None << O::Saved << 10000;
    QTest::newRow("a cough") << madeSound({{300, 0}, {150, 8000}}) << 0 << "silence" << F::None
                             << O::TooShort << 0;
    QTest::newRow("nothing heard")
        << madeSound({{300, 0}}) << 0 << "silence" << F::None << O::Silent << 0;
    QTest::newRow("the stream breaks")
        << madeSound({{1000, 8000}}) << 0 << "break" << F::None << O::Broken << 0;
    QTest::newRow("the server stops answering")
        << madeSound({{1000, 8000}}) << 0 << "no answer" << F::None << O::NoAnswer << 0;
    QTest::newRow("no sound server") << madeSound({}) << 0 << "" << F::NoServer << O::NoServer << 0;
    QTest::newRow("no microphone")
        << madeSound({}) << 0 << "" << F::NoMicrophone << O::NoMicrophone << 0;
}

void TestRecorder::takes() {
    QFETCH(std::vector<qint16>, heard);
    QFETCH(int, heldMs);
    QFETCH(QString, after);
    QFETCH(AudioSource::Failure, failure);
    QFETCH(Recorder::Outcome, outcome);
    QFETCH(int, keptMs);
    const QString folder = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
    const QString path = folder + QStringLiteral("/红  色.mp3");
    QVERIFY(replaceFile(path, "old"));

    Script script;
    const auto held = std::size_t(22050) * heldMs / 1000;
    Recorder recorder(
        [&] { return std::make_unique<FakeMicrophone>(heard, held, after, failure, script); });
    QSignalSpy listening(&recorder, &Recorder::listening);
    QSignalSpy finished(&recorder, &Recorder::finished);
    recorder.start(path);
    if (after == QLatin1String("silence")) {
        // Stopped once the microphone has given all it had (so far).
        QTRY_COMPARE_WITH_TIMEOUT(script.given.load(), heard.size() - held, 30000);
        recorder.stop();
        script.released = true;
    }
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 30000);
    QCOMPARE(finished.first().first().value<Recorder::Outcome>(), outcome);
    QCOMPARE(listening.size(), failure == AudioSource::Failure::None ? 1 : 0);
    QVERIFY(!recorder.isBusy());
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 1);
    QCOMPARE(contents(path) == "old", outcome != Recorder::Outcome::Saved);
    if (outcome != Recorder::Outcome::Saved)
        return;

    // The encoder's tag after the header and side information of an MPEG-2
    // mono frame; it names the average bit rate asked, the recordings' own.
    const QByteArray tagFrame = contents(path).left(160);
    QCOMPARE(tagFrame.mid(13, 4) + tagFrame.mid(133, 4), QByteArray("XingLAME"));
    QCOMPARE(int(quint8(tagFrame.at(153))), 48);
    Mp3Decoder::Audio audio;
    QCOMPARE(Mp3Decoder::decode(path, audio), Mp3Decoder::Result::Ok);
    QVERIFY2(std::abs(audio.durationMs() - keptMs) <= 20,
             qPrintable(QString::number(audio.durationMs())));
    const auto *pcm = reinterpret_cast<const qint16 *>(audio.pcm.constData());
    const double lufs =
        loudness::integratedLufs({pcm, std::size_t(audio.pcm.size() / 2)}, audio.sampleRate);
    QVERIFY2(std::abs(lufs - loudness::kTargetLufs) < 1.0, qPrintable(QString::number(lufs)));
}

// A microphone that hangs (a frozen sound server) costs a take, not the
// recorder: the take is given up, the next one runs, and the hung one, once
// it comes back, writes nothing and says nothing.
void TestRecorder::givesUpOnAStuckMicrophone() {
    const QString path = m_dir.filePath(QStringLiteral("stuck/红  色.mp3"));
    QVERIFY(replaceFile(path, "old"));
    Script stuck;
    Script next;
    int opened = 0;
    Recorder recorder([&]() -> std::unique_ptr<AudioSource> {
        if (opened++ == 0) // all it hears stays in the server
            return std::make_unique<FakeMicrophone>(madeSound({{1000, 8000, true}}), 22050,
                                                    QStringLiteral("silence"),
                                                    AudioSource::Failure::None, stuck);
        return std::make_unique<FakeMicrophone>(madeSound({}), 0, QStringLiteral("break"),
                                                AudioSource::Failure::None, next);
    });
    recorder.setGiveUpAfter(200);
    QSignalSpy listening(&recorder, &Recorder::listening);
    QSignalSpy finished(&recorder, &Recorder::finished);
    recorder.start(path);
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 30000);
    QCOMPARE(finished.at(0).at(0).value<Recorder::Outcome>(), Recorder::Outcome::NoAnswer);
    QCOMPARE(listening.size(), 0); // the microphone never sent a sound
    QVERIFY(!recorder.isBusy());

    recorder.setGiveUpAfter(60000); // time enough, however busy the machine
    recorder.start(path);
    QVERIFY(recorder.isBusy());
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, 30000);
    QCOMPARE(finished.at(1).at(0).value<Recorder::Outcome>(), Recorder::Outcome::Broken);

    stuck.released = true;
    QTRY_VERIFY_WITH_TIMEOUT(stuck.closed, 30000);
    QTest::qWait(100); // any late word from the hung take would be queued by now
    QCOMPARE(finished.size(), 2);
    QCOMPARE(contents(path), QByteArray("old"));
    QVERIFY(stuck.given <= 1102); // it stopped listening after the block under way

    // Past the microphone, the take needs only the processor and the disk:
    // it is not given up, and its outcome is its own.
    Script closing;
    closing.slowToClose = true;
    Recorder slow([&] {
        return std::make_unique<FakeMicrophone>(madeSound({{300, 0}}), 0, QStringLiteral("break"),
                                                AudioSource::Failure::None, closing);
    });
    QCOMPARE(slow.giveUpAfter(), 14000); // a 10 s take, and 4 s for a server that is gone
    slow.setGiveUpAfter(1000);
    QSignalSpy ended(&slow, &Recorder::finished);
    QElapsedTimer clock;
    clock.start();
    slow.start(path);
    QTRY_VERIFY_WITH_TIMEOUT(closing.closed && clock.elapsed() > 1200, 30000);
    closing.released = true;
    QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 30000);
    QCOMPARE(ended.at(0).at(0).value<Recorder::Outcome>(), Recorder::Outcome::Broken);
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
