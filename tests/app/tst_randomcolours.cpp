#include "colourtable.h"
#include "randomcolours.h"

#include <QTest>

#include <algorithm>
#include <set>

class TestRandomColours : public QObject {
    Q_OBJECT

private slots:
    void everyColourOnceAndEvenlySpread_data();
    void everyColourOnceAndEvenlySpread();
    void indicesAreUniform();
    void reseedsInOneClockTickDiffer();
};

namespace {

// Pearson's statistic of observed counts against an even spread.
double chiSquare(const std::vector<int> &counts, double expected) {
    double sum = 0;
    for (const int count : counts)
        sum += (count - expected) * (count - expected) / expected;
    return sum;
}

} // namespace

void TestRandomColours::everyColourOnceAndEvenlySpread_data() {
    QTest::addColumn<quint32>("seed");
    QTest::newRow("seed 1") << 1U;
    QTest::newRow("seed 20240611") << 20240611U;
    QTest::newRow("seed 0xFFFFFFFF") << 0xFFFFFFFFU;
}

void TestRandomColours::everyColourOnceAndEvenlySpread() {
    QFETCH(quint32, seed);
    RandomColours random;
    random.seed(seed);

    // counts[button * 16 + colour]
    constexpr int kRuns = 16000;
    std::vector<int> counts(256, 0);
    std::vector<int> firstPairs(256, 0); // colours of buttons 0 and 1 together
    for (int run = 0; run < kRuns; ++run) {
        const std::array<int, 16> colours = random.shuffled();
        std::array<int, 16> sorted = colours;
        std::sort(sorted.begin(), sorted.end());
        for (int i = 0; i < 16; ++i)
            QCOMPARE(sorted.at(static_cast<std::size_t>(i)), i);
        for (int button = 0; button < 16; ++button)
            ++counts.at(static_cast<std::size_t>(button * 16 +
                                                 colours.at(static_cast<std::size_t>(button))));
        ++firstPairs.at(static_cast<std::size_t>(colours[0] * 16 + colours[1]));
    }

    // Each colour on each button about 1000 times out of 16000. Rows and
    // columns of a permutation count are tied, but the statistic stays near
    // 225; 330 lies far out in its tail.
    const double spread = chiSquare(counts, kRuns / 16.0);
    QVERIFY2(spread < 330, qPrintable(QString::number(spread)));
    for (const int count : counts)
        QVERIFY2(count > 800 && count < 1200, qPrintable(QString::number(count)));

    // Every ordered pair of different colours on buttons 0 and 1 about equally
    // often (240 pairs, 66.7 each), none with itself.
    std::vector<int> pairs;
    for (int a = 0; a < 16; ++a) {
        QCOMPARE(firstPairs.at(static_cast<std::size_t>(a * 16 + a)), 0);
        for (int b = 0; b < 16; ++b) {
            if (a != b)
                pairs.push_back(firstPairs.at(static_cast<std::size_t>(a * 16 + b)));
        }
    }
    const double pairSpread = chiSquare(pairs, kRuns / 240.0);
    QVERIFY2(pairSpread < 340, qPrintable(QString::number(pairSpread)));
}

void TestRandomColours::indicesAreUniform() {
    RandomColours random;
    random.seed(7);
    constexpr int kDraws = 32000;
    std::vector<int> counts(16, 0);
    for (int i = 0; i < kDraws; ++i) {
        const int index = random.nextIndex();
        QVERIFY(index >= 0 && index < colourtable::kCount);
        ++counts.at(static_cast<std::size_t>(index));
    }
    // 15 degrees of freedom: 40 is beyond the 99.9th percentile.
    const double spread = chiSquare(counts, kDraws / 16.0);
    QVERIFY2(spread < 40, qPrintable(QString::number(spread)));
}

void TestRandomColours::reseedsInOneClockTickDiffer() {
    // Two right answers within one tick of a coarse clock: the targets and
    // shuffles that follow must not repeat.
    RandomColours random;
    std::set<std::vector<int>> sequences;
    for (int seeding = 0; seeding < 50; ++seeding) {
        random.reseed(1'700'000'000'000'000'000);
        std::vector<int> drawn;
        for (int i = 0; i < 24; ++i)
            drawn.push_back(random.nextIndex());
        sequences.insert(drawn);
    }
    QCOMPARE(sequences.size(), std::size_t{50});

    // Seeding from the clock gives fresh arrangements too.
    RandomColours other;
    other.reseed();
    random.reseed();
    QVERIFY(other.shuffled() != random.shuffled());
}

QTEST_APPLESS_MAIN(TestRandomColours)
#include "tst_randomcolours.moc"
