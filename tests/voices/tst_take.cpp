#include "madesound.h"
#include "take.h"

#include <QTest>

#include <algorithm>

Q_DECLARE_METATYPE(std::vector<qint16>)

// A take is cut to its sound and 0.1 s after it, judged, and brought to a
// peak of -1 dBFS (29205).
class TestTake final : public QObject {
    Q_OBJECT

private slots:
    void prepare_data();
    void prepare();
};

void TestTake::prepare_data() {
    QTest::addColumn<std::vector<qint16>>("samples");
    QTest::addColumn<take::Verdict>("verdict");
    QTest::addColumn<int>("keptMs");
    using take::Verdict;
    QTest::newRow("a word between pauses")
        << madeSound({{300, 0}, {600, 8000}, {400, 0}}) << Verdict::Keep << 700;
    QTest::newRow("two words and the pause between them")
        << madeSound({{100, 0}, {400, 8000}, {300, 0}, {400, 8000}, {300, 0}}) << Verdict::Keep
        << 1200;
    QTest::newRow("a quiet word, -40 dBFS, is lifted")
        << madeSound({{200, 0}, {500, 330}, {200, 0}}) << Verdict::Keep << 600;
    QTest::newRow("the take ends before the 0.1 s after")
        << madeSound({{100, 0}, {500, 8000}, {30, 0}}) << Verdict::Keep << 530;
    QTest::newRow("full scale, no overflow")
        << madeSound({{500, 32767}, {100, 0}}) << Verdict::Keep << 600;
    QTest::newRow("a breath at -50 dBFS is no sound")
        << madeSound({{200, 0}, {800, 100}, {200, 0}}) << Verdict::Silent << 0;
    QTest::newRow("room noise only") << madeSound({{2000, 0}}) << Verdict::Silent << 0;
    QTest::newRow("a cough") << madeSound({{300, 0}, {250, 8000}, {300, 0}}) << Verdict::TooShort
                             << 0;
}

void TestTake::prepare() {
    QFETCH(std::vector<qint16>, samples);
    QFETCH(take::Verdict, verdict);
    QFETCH(int, keptMs);

    const take::Prepared prepared = take::prepare(samples, 22050);
    QCOMPARE(prepared.verdict, verdict);
    if (verdict != take::Verdict::Keep) {
        QVERIFY(prepared.samples.empty());
        return;
    }
    // Cut at whole 10 ms frames.
    const auto keptSamples = qsizetype(prepared.samples.size());
    QVERIFY2(std::abs(keptSamples - qsizetype(22050) * keptMs / 1000) <= 220,
             qPrintable(QString::number(keptSamples)));
    const auto [low, high] = std::minmax_element(prepared.samples.begin(), prepared.samples.end());
    QVERIFY2(std::max(-int(*low), int(*high)) == 29205, qPrintable(QString::number(*high)));
    // The first frame already holds the word.
    QVERIFY(*std::max_element(prepared.samples.begin(), prepared.samples.begin() + 220) > 8000);
}

QTEST_GUILESS_MAIN(TestTake)
#include "tst_take.moc"
