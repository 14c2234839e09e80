#include "audiocapture.h"
#include "e2eenvironment.h"
#include "loudness.h"
#include "mainwindowmap.h"
#include "mp3decoder.h"

#include <QCryptographicHash>
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

// Your own voice, end to end: in the recorder, driven as a screen reader
// drives it, 录音 pressed twice in the 红色 row records the tone the
// microphone hears (the null sink's monitor, a tone played into the sink)
// into the user's folder; Tintoko plays it for the red button; 恢复 removes
// it and the shipped recording plays again. The program folder is not written.
class TstE2eVoices final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void recordPlayRestore();
    void frozenSoundServer();
    void cleanupTestCase() { m_env.reset(); }

private:
    int atspi(const QStringList &args, QByteArray *out = nullptr) {
        return m_env->run(QStringLiteral("/usr/bin/python3"),
                          QStringList{QStringLiteral(TINTOKO_SOURCE_DIR "/tests/e2e/atspi.py"),
                                      QStringLiteral("tintoko-voices")} +
                              args,
                          out);
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
        if (!m_env->click(m_map->buttonCentre(4)) || !capture->waitForSoundToEnd(mark, 400, 10000))
            return {};
        return msAndHz(capture->samples(mark), AudioCapture::kSampleRate);
    }

    std::unique_ptr<E2eEnvironment> m_env;
    QString m_program;
    QStringList m_before; // the program folder at the start
    std::optional<MainWindowMap> m_map;
};

void TstE2eVoices::initTestCase() {
    using Part = E2eEnvironment::Part;
    m_env = std::make_unique<E2eEnvironment>(Part::AudioServer | Part::AccessibilityBus);
    QVERIFY2(m_env->start(), qPrintable(m_env->errorString()));
    QVERIFY2(m_env->startAudioCapture() != nullptr, qPrintable(m_env->errorString()));
    QCOMPARE(m_env->run(QStringLiteral("pactl"),
                        {QStringLiteral("set-default-source"), QStringLiteral("t.monitor")}),
             0);
    m_program = m_env->copyProgramDir();
    m_before = digest(m_program);
    QVERIFY(m_env->startCommand(m_program + QStringLiteral("/tintoko-voices"), {},
                                m_env->environment(), m_program));
    QVERIFY2(waitForTree(QStringLiteral("push button\t录音 红色\t")),
             qPrintable(m_env->programOutput()));
}

void TstE2eVoices::recordPlayRestore() {
    QVERIFY(press(QStringLiteral("录音 红色")));
    QVERIFY(waitForTree(QStringLiteral("label\t正在录音")));
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
    QVERIFY(waitForTree(QStringLiteral("label\t已保存「红色」")));

    const QString own = m_env->environment().value(QStringLiteral("XDG_DATA_HOME")) +
                        QStringLiteral("/tintoko/声音/红  色.mp3");
    Mp3Decoder::Audio audio;
    QCOMPARE(Mp3Decoder::decode(own, audio), Mp3Decoder::Result::Ok);
    const auto *pcm = reinterpret_cast<const qint16 *>(audio.pcm.constData());
    const QList<qint16> samples(pcm, pcm + audio.pcm.size() / 2);
    const auto [keptMs, keptHz] = msAndHz(samples, audio.sampleRate);
    qInfo("kept %.0f ms at %.0f Hz", keptMs, keptHz);
    QVERIFY(keptMs > 1300 && keptMs < 1900 && std::abs(keptHz - 440) < 20);
    // As loud as the shipped recordings.
    const double lufs = loudness::integratedLufs({samples.constData(), std::size_t(samples.size())},
                                                 audio.sampleRate);
    QVERIFY2(std::abs(lufs - loudness::kTargetLufs) < 1.0, qPrintable(QString::number(lufs)));

    QVERIFY2(m_env->startProgram(m_program), qPrintable(m_env->errorString()));
    const quint64 window = m_env->waitForWindow(E2eEnvironment::kMainWindowTitle);
    QVERIFY(window != 0 && (m_map = m_env->waitForMainWindowMap(window)).has_value());
    const auto [playedMs, playedHz] = clickRed();
    qInfo("Tintoko played %.0f ms at %.0f Hz", playedMs, playedHz);
    QVERIFY(playedMs > 1000 && std::abs(playedHz - 440) < 20);

    QVERIFY(press(QStringLiteral("恢复 红色")));
    QVERIFY(waitForTree(QStringLiteral("label\t「红色」已换回自带的录音")));
    QVERIFY(!QFile::exists(own));
    const auto [shippedMs, shippedHz] = clickRed(); // speech again
    qInfo("then %.0f ms at %.0f Hz", shippedMs, shippedHz);
    QVERIFY(shippedHz > 800);
    QCOMPARE(digest(m_program), m_before);
}

// A sound server stopped before 录音 or during the take holds nothing up for
// long: within 15 s of 录音 the window says that the sound service does not
// answer, and the rows can be used again.
void TstE2eVoices::frozenSoundServer() {
    const QString rowsUsable = QStringLiteral("push button\t录音 红色\t\t[^\n]*enabled[^\n]*\n"
                                              "push button\t试听 红色\t\t[^\n]*enabled");
    const QString noAnswer = QStringLiteral("label\t电脑的声音服务没有回应");
    QVERIFY(m_env->freezeAudioServer(true));
    QVERIFY(press(QStringLiteral("录音 红色")));
    const bool answered = waitForTree(noAnswer, 15000) && waitForTree(rowsUsable, 1000);
    QVERIFY(m_env->freezeAudioServer(false));
    QVERIFY2(answered, "frozen before 录音: still waiting after 15 s");

    QVERIFY(press(QStringLiteral("录音 红色")));
    QElapsedTimer sincePress;
    sincePress.start();
    QVERIFY(waitForTree(QStringLiteral("label\t正在录音")));
    QVERIFY(m_env->freezeAudioServer(true));
    QVERIFY(press(QStringLiteral("录音 红色")));
    const bool stopped =
        waitForTree(noAnswer, int(15000 - sincePress.elapsed())) && waitForTree(rowsUsable, 1000);
    QVERIFY(m_env->freezeAudioServer(false));
    QVERIFY2(stopped, "frozen during the take: still waiting 15 s after 录音");
    QVERIFY(!QFile::exists(m_env->environment().value(QStringLiteral("XDG_DATA_HOME")) +
                           QStringLiteral("/tintoko/声音/红  色.mp3")));
}

QTEST_GUILESS_MAIN(TstE2eVoices)
#include "tst_e2e_voices.moc"
