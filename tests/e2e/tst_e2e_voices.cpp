#include "audiocapture.h"
#include "e2eenvironment.h"
#include "loudness.h"
#include "mainwindowmap.h"
#include "mp3decoder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QRegularExpression>
#include <QTest>

#include <cmath>

namespace {

// How long the sound lasts, and its pitch by the zero crossings of its middle
// (without 0.1 s at either end, where a tone starts and stops with a click):
// a 440 Hz tone, not speech, whose crossings come far more often. The pitch
// counts the time with sound only: on a busy machine the sink fills a late
// stream's gaps with silence.
QPair<double, double> msAndHz(const QList<qint16> &samples, int rate) {
    const AudioAnalysis a = AudioCapture::analyse(samples);
    const qint64 from = a.firstSound + rate / 10;
    const qint64 to = a.lastSound - rate / 10;
    int crossings = 0;
    qint64 heard = 0;
    for (qint64 i = from + 1; i <= to; ++i) {
        const int step = std::abs(samples[i - 1] - samples[i]);
        crossings += int(step > AudioCapture::kSilence && (samples[i - 1] < 0) != (samples[i] < 0));
        heard += std::abs(samples[i]) > AudioCapture::kSilence ? 1 : 0;
    }
    return {1000.0 * double(a.lastSound - a.firstSound) / rate,
            crossings / 2.0 / (double(heard) / rate)};
}

QStringList digest(const QString &folder) {
    QStringList files;
    for (QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        QFile f(it.next());
        QCryptographicHash hash(QCryptographicHash::Sha256);
        hash.addData(f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray());
        files << f.fileName() + QString::fromLatin1(hash.result().toHex());
    }
    files.sort();
    return files;
}

} // namespace

// A voice for a classroom and the user's own, end to end: the recorder,
// started with --folder and driven as a screen reader drives it, records the
// tone the microphone hears (the null sink's monitor, a tone played into the
// sink) into a classroom's folder under XDG_DATA_DIRS, telling each change of
// its status line as an event; Tintoko plays it for the red button to a user
// without a recording of their own, and the user's own once there is one;
// 恢复 asks, then deletes the classroom's. The program folder is not written.
class TstE2eVoices final : public QObject {
    Q_OBJECT

private slots:
    // Each function on a desktop and in folders of its own.
    void init();
    void classroomAndOwn();
    void frozenSoundServer();
    void cleanup() { m_env.reset(); }

private:
    QStringList atspiArgs(const QStringList &args) const {
        return QStringList{QStringLiteral(TINTOKO_SOURCE_DIR "/tests/e2e/atspi.py"),
                           QStringLiteral("tintoko-voices")} +
               args;
    }
    int atspi(const QStringList &args, QByteArray *out = nullptr) {
        return m_env->run(QStringLiteral("/usr/bin/python3"), atspiArgs(args), out);
    }
    bool press(const QString &name) { return atspi({QStringLiteral("press"), name}) == 0; }
    bool waitForTree(const QString &pattern, int timeoutMs = 20000) {
        const QRegularExpression re(pattern);
        return E2eEnvironment::waitFor(
            [&] {
                QByteArray tree;
                return atspi({QStringLiteral("dump")}, &tree) == 0 &&
                       re.match(QString::fromUtf8(tree)).hasMatch();
            },
            timeoutMs, 100);
    }
    QPair<double, double> clickRed() {
        AudioCapture *capture = m_env->audioCapture();
        const qint64 mark = capture->sampleCount();
        // The recorder's window may have come up over it. Played when 2 s are
        // quiet: a late stream has gaps.
        if (!m_env->activateWindow(m_window) || !m_env->click(m_map->buttonCentre(4)) ||
            !capture->waitForSoundToEnd(mark, 2000, 20000))
            return {};
        return msAndHz(capture->samples(mark), AudioCapture::kSampleRate);
    }

    std::unique_ptr<E2eEnvironment> m_env;
    QProcessEnvironment m_environment; // the desktop's, with the classroom's folder
    QString m_program;
    QString m_classroom;  // tintoko/声音 under XDG_DATA_DIRS
    QStringList m_before; // the program folder at the start
    std::optional<MainWindowMap> m_map;
    quint64 m_window = 0; // Tintoko's
};

void TstE2eVoices::init() {
    using Part = E2eEnvironment::Part;
    m_env = std::make_unique<E2eEnvironment>(Part::AudioServer | Part::AccessibilityBus |
                                             Part::WindowManager);
    QVERIFY2(m_env->start(), qPrintable(m_env->errorString()));
    QVERIFY2(m_env->startAudioCapture() != nullptr, qPrintable(m_env->errorString()));
    QCOMPARE(m_env->run(QStringLiteral("pactl"),
                        {QStringLiteral("set-default-source"), QStringLiteral("t.monitor")}),
             0);
    m_program = m_env->copyProgramDir();
    m_before = digest(m_program);
    m_environment = m_env->environment();
    m_environment.insert(QStringLiteral("XDG_DATA_DIRS"),
                         m_env->workDir() + QStringLiteral("/share"));
    m_classroom = m_env->workDir() + QStringLiteral("/share/tintoko/声音");
    QVERIFY(m_env->startCommand(m_program + QStringLiteral("/tintoko-voices"),
                                {QStringLiteral("--folder"), m_classroom}, m_environment,
                                m_program));
    QVERIFY2(waitForTree(QStringLiteral("push button\t录音 红色\t")),
             qPrintable(m_env->programOutput()));
}

void TstE2eVoices::classroomAndOwn() {
    // It opens on the first row's 录音, in a named list, and says where it records.
    QVERIFY(waitForTree(QStringLiteral("push button\t录音 黑色\t[^\n]*focused")));
    QVERIFY(waitForTree(QStringLiteral("filler\t录音列表\t")));
    QVERIFY(waitForTree(QStringLiteral("label\t录音保存在：") +
                        QRegularExpression::escape(m_classroom) + '\t'));

    QProcess watcher;
    watcher.setProcessEnvironment(m_env->environment());
    watcher.start(QStringLiteral("/usr/bin/python3"),
                  atspiArgs({QStringLiteral("watch"), QStringLiteral("60")}));
    QVERIFY(E2eEnvironment::waitFor([&] { return watcher.peek(100).startsWith("ready"); }, 20000));
    QVERIFY(press(QStringLiteral("录音 红色")));
    QVERIFY(waitForTree(QStringLiteral("status bar\t正在录音")));
    // 1.5 s of 440 Hz at -12 dBFS; the level meter moves while it plays.
    QFile raw(m_env->workDir() + QStringLiteral("/tone.raw"));
    QVERIFY(raw.open(QIODevice::WriteOnly));
    for (int i = 0; i < 22050 * 3 / 2; ++i) {
        const auto sample = qint16(std::lround(8000 * std::sin(2 * M_PI * 440 * i / 22050)));
        raw.write(reinterpret_cast<const char *>(&sample), 2);
    }
    raw.close();
    QProcess tone;
    tone.setProcessEnvironment(m_env->environment());
    tone.start(QStringLiteral("pacat"),
               {QStringLiteral("-d"), QStringLiteral("t"), QStringLiteral("--raw"),
                QStringLiteral("--rate=22050"), QStringLiteral("--channels=1"), raw.fileName()});
    QVERIFY2(waitForTree(QStringLiteral("progress bar\t音量\t[1-9]")),
             "the level meter stood still");
    QVERIFY(tone.waitForFinished(20000));
    QVERIFY(press(QStringLiteral("录音 红色")));
    QVERIFY(waitForTree(QStringLiteral("status bar\t已保存「红色」")));
    QVERIFY(waitForTree(QStringLiteral("label\t这个文件夹里的录音\t")));
    // Each status was said in order, with its own words: the listener reads a
    // shown notification's name when the event reaches it, however late (the
    // status bar's own name it may read after the next change).
    const QRegularExpression said(
        QStringLiteral("notification\t正在录音：「红色」。.*\n(?:.*\n)*?notification\t正在保存……\n"
                       "(?:.*\n)*?notification\t已保存「红色」"));
    QVERIFY2(
        E2eEnvironment::waitFor(
            [&] { return said.match(QString::fromUtf8(watcher.peek(1 << 20))).hasMatch(); }, 20000),
        watcher.peek(1 << 20).constData());
    watcher.kill();
    watcher.waitForFinished();

    const QString classroom = m_classroom + QStringLiteral("/红  色.mp3");
    Mp3Decoder::Audio audio;
    QCOMPARE(Mp3Decoder::decode(classroom, audio), Mp3Decoder::Result::Ok);
    const auto *pcm = reinterpret_cast<const qint16 *>(audio.pcm.constData());
    const QList<qint16> kept(pcm, pcm + audio.pcm.size() / 2);
    const auto [keptMs, keptHz] = msAndHz(kept, audio.sampleRate);
    qInfo("kept %.0f ms at %.0f Hz", keptMs, keptHz);
    QVERIFY(keptMs > 1300 && keptMs < 1900 && std::abs(keptHz - 440) < 20);
    // As loud as the shipped recordings.
    const double lufs =
        loudness::integratedLufs({kept.constData(), std::size_t(kept.size())}, audio.sampleRate);
    QVERIFY2(std::abs(lufs - loudness::kTargetLufs) < 1.0, qPrintable(QString::number(lufs)));

    // A user without a recording of their own hears the classroom's.
    QProcessEnvironment shared;
    shared.insert(QStringLiteral("XDG_DATA_DIRS"), m_environment.value("XDG_DATA_DIRS"));
    QVERIFY2(m_env->startProgram(m_program, shared), qPrintable(m_env->errorString()));
    m_window = m_env->waitForWindow(E2eEnvironment::kMainWindowTitle);
    QVERIFY(m_window != 0 && (m_map = m_env->waitForMainWindowMap(m_window)).has_value());
    const auto [classMs, classHz] = clickRed();
    qInfo("Tintoko played %.0f ms at %.0f Hz", classMs, classHz);
    QVERIFY(classMs > 1000 && std::abs(classHz - 440) < 20);

    // The user's own (the shipped speech, copied) wins over it.
    const QString own = m_environment.value(QStringLiteral("XDG_DATA_HOME")) +
                        QStringLiteral("/tintoko/声音/红  色.mp3");
    QVERIFY(QDir().mkpath(QFileInfo(own).path()));
    QVERIFY(QFile::copy(m_program + QStringLiteral("/声音/红  色.mp3"), own));
    const auto [ownMs, ownHz] = clickRed();
    qInfo("then %.0f ms at %.0f Hz", ownMs, ownHz);
    QVERIFY(ownHz > 800);

    // 恢复 asks first, naming the row, then deletes the classroom's.
    QVERIFY(press(QStringLiteral("恢复 红色")));
    QVERIFY(waitForTree(QStringLiteral("label\t要删除这个文件夹里的「红色」吗？")));
    QVERIFY(QFile::exists(classroom));
    QVERIFY(press(QStringLiteral("删除")));
    QVERIFY(waitForTree(QStringLiteral("status bar\t已删除「红色」的录音。\t")));
    QVERIFY(!QFile::exists(classroom));
    QCOMPARE(digest(m_program), m_before);
}

// A sound server stopped before 录音 or during the take holds nothing up for
// long: within 15 s of 录音 the window says that the sound service does not
// answer, and the rows can be used again.
void TstE2eVoices::frozenSoundServer() {
    const QString rowsUsable = QStringLiteral("push button\t录音 红色\t\t[^\n]*enabled[^\n]*\n"
                                              "push button\t试听 红色\t\t[^\n]*enabled");
    const QString noAnswer = QStringLiteral("status bar\t电脑的声音服务没有回应");
    QVERIFY(m_env->freezeAudioServer(true));
    QVERIFY(press(QStringLiteral("录音 红色")));
    const bool answered = waitForTree(noAnswer, 15000) && waitForTree(rowsUsable, 1000);
    QVERIFY(m_env->freezeAudioServer(false));
    QVERIFY2(answered, "frozen before 录音: still waiting after 15 s");

    QVERIFY(press(QStringLiteral("录音 红色")));
    QElapsedTimer sincePress;
    sincePress.start();
    QVERIFY(waitForTree(QStringLiteral("status bar\t正在录音")));
    QVERIFY(m_env->freezeAudioServer(true));
    QVERIFY(press(QStringLiteral("录音 红色")));
    const bool stopped =
        waitForTree(noAnswer, int(15000 - sincePress.elapsed())) && waitForTree(rowsUsable, 1000);
    QVERIFY(m_env->freezeAudioServer(false));
    QVERIFY2(stopped, "frozen during the take: still waiting 15 s after 录音");
    QVERIFY(!QFile::exists(m_classroom + QStringLiteral("/红  色.mp3")));
}

QTEST_GUILESS_MAIN(TstE2eVoices)
#include "tst_e2e_voices.moc"
