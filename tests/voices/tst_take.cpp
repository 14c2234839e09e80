#include "loudness.h"
#include "madesound.h"
#include "mp3decoder.h"
#include "take.h"

#include <QDir>
#include <QTest>

#include <algorithm>
#include <numeric>

Q_DECLARE_METATYPE(std::vector<qint16>)

// A take is cut to its words, kLeadMs before them and kTailMs after, judged,
// freed of the hiss under it, and brought to the loudness of the shipped
// recordings with no sample above -1.5 dBFS (27571).
class TestTake final : public QObject {
    Q_OBJECT

private slots:
    void prepare_data();
    void prepare();
    void hissIsCutAndLowered();
    void limitedPeaks();
    void targetIsTheShippedMedian();
};

void TestTake::prepare_data() {
    QTest::addColumn<std::vector<qint16>>("samples");
    QTest::addColumn<take::Verdict>("verdict");
    QTest::addColumn<int>("begin"); // the first sample kept
    QTest::addColumn<int>("kept");  // how many
    using take::Verdict;
    // Words sound until about 200 ms into their last syllable; 10 ms frames
    // are 220 samples, 50 ms of lead 1102 and 100 ms of tail 2205.
    QTest::newRow("a word between pauses") << madeSound({{300, 0}, {1000, 8000, true}, {400, 0}})
                                           << Verdict::Keep << 6600 - 1102 << 1102 + 21120 + 2205;
    QTest::newRow("two words and the pause between them")
        << madeSound({{100, 0}, {500, 8000, true}, {300, 0}, {500, 8000, true}, {300, 0}})
        << Verdict::Keep << 2200 - 1102 << 1102 + 27720 + 2205;
    QTest::newRow("a whisper at -40 dBFS") << madeSound({{200, 0}, {1000, 330, true}, {200, 0}})
                                           << Verdict::Keep << 4400 - 1102 << 1102 + 20460 + 2205;
    QTest::newRow("words from 50 ms after the press: all of them")
        << madeSound({{50, 0}, {1000, 8000, true}, {400, 0}}) << Verdict::Keep << 0
        << 1100 + 20900 + 2205;
    QTest::newRow("the take ends with the words")
        << madeSound({{100, 0}, {700, 8000, true}}) << Verdict::Keep << 2200 - 1102 << 1102 + 15440;
    QTest::newRow("shorter than the 400 ms a loudness measurement needs")
        << madeSound({{350, 8000, true}}) << Verdict::Keep << 0 << 7717;
    QTest::newRow("full scale, no overflow") << madeSound({{200, 0}, {1000, 32767, true}, {300, 0}})
                                             << Verdict::Keep << 4400 - 1102 << 1102 + 21120 + 2205;
    QTest::newRow("the click of the mouse after the words stays out")
        << madeSound({{300, 0}, {1000, 8000, true}, {400, 0}, {10, 32767}, {100, 0}})
        << Verdict::Keep << 6600 - 1102 << 1102 + 21120 + 2205;
    QTest::newRow("a steady tone, no pause: all of it")
        << madeSound({{2000, 8000}}) << Verdict::Keep << 0 << 44100;
    QTest::newRow("a breath at -50 dBFS is no sound")
        << madeSound({{200, 0}, {800, 100, true}, {200, 0}}) << Verdict::Silent << 0 << 0;
    QTest::newRow("room noise only") << madeSound({{2000, 0}}) << Verdict::Silent << 0 << 0;
    QTest::newRow("hiss only") << withHiss(madeSound({{2000, 0}}), -43) << Verdict::Silent << 0
                               << 0;
    QTest::newRow("a cough") << madeSound({{300, 0}, {200, 8000, true}, {300, 0}})
                             << Verdict::TooShort << 0 << 0;
}

void TestTake::prepare() {
    QFETCH(std::vector<qint16>, samples);
    QFETCH(take::Verdict, verdict);
    QFETCH(int, begin);
    QFETCH(int, kept);

    const take::Prepared prepared = take::prepare(samples, 22050);
    QCOMPARE(prepared.verdict, verdict);
    QCOMPARE(prepared.begin, begin);
    QCOMPARE(qsizetype(prepared.samples.size()), kept);
    if (verdict != take::Verdict::Keep)
        return;
    const double lufs = loudness::integratedLufs(prepared.samples, 22050);
    QVERIFY2(std::abs(lufs - loudness::kTargetLufs) < 0.1, qPrintable(QString::number(lufs)));
    const auto [low, high] = std::minmax_element(prepared.samples.begin(), prepared.samples.end());
    QVERIFY2(std::max(-int(*low), int(*high)) <= 27571, qPrintable(QString::number(*high)));
}

// Words of 1.1 s under hiss at -43 dBFS, recorded with 0.7 s of it before
// and 1.3 s after (and zeros around, from a source that sent nothing yet):
// the saved take is at most 1.4 s long, and what is left of the hiss beside
// the words is 20 dB or more below them.
void TestTake::hissIsCutAndLowered() {
    std::vector<qint16> heard(4410, 0);
    const std::vector<qint16> hiss =
        withHiss(madeSound({{700, 0}, {1100, 1800, true}, {1300, 0}}), -43);
    heard.insert(heard.end(), hiss.begin(), hiss.end());
    heard.resize(heard.size() + 4410, 0);
    const take::Prepared prepared = take::prepare(heard, 22050);
    QCOMPARE(prepared.verdict, take::Verdict::Keep);
    QCOMPARE(prepared.begin, 4400 + 15400 - 1102);
    QCOMPARE(qsizetype(prepared.samples.size()), 1102 + 24420 + 2205);
    const auto energy = [](std::span<const qint16> part) {
        return std::accumulate(part.begin(), part.end(), 0.0,
                               [](double sum, qint16 s) { return sum + double(s) * s; });
    };
    const double words = energy(std::span(prepared.samples).subspan(1102, 24255)) / 24255;
    const double beside = (energy(prepared.samples) - words * 24255) / (27727 - 24255);
    QVERIFY2(10 * std::log10(words / beside) >= 20, qPrintable(QString::number(words / beside)));
}

// A sample over the ceiling takes the gain down around it, and only there.
void TestTake::limitedPeaks() {
    std::vector<qint16> samples(2000, 1000);
    samples[1000] = 20000;
    const std::vector<qint16> out = loudness::amplified(samples, 2.0, 10000.0, 22050);
    QCOMPARE(out[1000], qint16(10000));
    // 5 ms is 110 samples: down to what the peak needs within reach of it,
    // and back up over as long again.
    QCOMPARE(out[1000 - 110], qint16(1247)); // 2000 * (111 * 0.25 + 110) / 221
    QCOMPARE(out[1000 + 220], qint16(1993));
    QCOMPARE(out[1000 - 221], qint16(2000));
    QCOMPARE(out[0], qint16(2000));

    // Clicks every 20 ms, taken down by the limiter, leave the take quieter
    // than it should be: it is amplified again until it reaches the target.
    std::vector<qint16> clicks = madeSound({{2000, 1000, true}});
    for (std::size_t i = 0; i < clicks.size(); i += 441)
        clicks[i] = 30000;
    loudness::normalise(clicks, 22050);
    const double lufs = loudness::integratedLufs(clicks, 22050);
    QVERIFY2(std::abs(lufs - loudness::kTargetLufs) < 0.1, qPrintable(QString::number(lufs)));
    QCOMPARE(*std::max_element(clicks.begin(), clicks.end()), qint16(27571));
}

// The loudness every take is brought to is the median of the shipped
// recordings, as they are.
void TestTake::targetIsTheShippedMedian() {
    const QDir folder(QStringLiteral(TINTOKO_SOURCE_DIR "/data/声音"));
    std::vector<double> measured;
    for (const QString &name : folder.entryList({QStringLiteral("*.mp3")}, QDir::Files)) {
        Mp3Decoder::Audio audio;
        QCOMPARE(Mp3Decoder::decode(folder.filePath(name), audio), Mp3Decoder::Result::Ok);
        const auto *pcm = reinterpret_cast<const qint16 *>(audio.pcm.constData());
        measured.push_back(
            loudness::integratedLufs({pcm, std::size_t(audio.pcm.size() / 2)}, audio.sampleRate));
    }
    QCOMPARE(measured.size(), std::size_t(33));
    std::nth_element(measured.begin(), measured.begin() + 16, measured.end());
    QVERIFY2(std::abs(measured[16] - loudness::kTargetLufs) < 0.01,
             qPrintable(QString::number(measured[16])));
}

QTEST_GUILESS_MAIN(TestTake)
#include "tst_take.moc"
