#include "statusline.h"

#include <QTest>

class TestStatusLine : public QObject {
    Q_OBJECT

private slots:
    void messages_data();
    void messages();
    void choice_data();
    void choice();
    void tick_data();
    void tick();
    void longRunMatchesUnboundedCounter();
};

namespace {

QString text(std::u16string_view message) {
    return QString::fromUtf16(message.data(), static_cast<qsizetype>(message.size()));
}

int trailingSpaces(const QString &message) {
    int count = 0;
    while (count < message.size() && message.at(message.size() - 1 - count) == QLatin1Char(' '))
        ++count;
    return count;
}

} // namespace

void TestStatusLine::messages_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("words");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("trailing");

    QTest::newRow("automatic play")
        << text(statusline::kAutoPlay) << QStringLiteral("自动播放!请认真辨别!") << 24 << 12;
    QTest::newRow("test") << text(statusline::kTest) << QStringLiteral("正在测试!请选择...") << 26
                          << 14;
    QTest::newRow("mixing") << text(statusline::kMixing) << QStringLiteral("现在可以手动调制颜色!")
                            << 23 << 11;
}

void TestStatusLine::messages() {
    QFETCH(QString, message);
    QFETCH(QString, words);
    QFETCH(int, length);
    QFETCH(int, trailing);

    QCOMPARE(message.size(), length);
    QCOMPARE(message.at(0), QLatin1Char(' '));
    QCOMPARE(message.mid(1, words.size()), words);
    QCOMPARE(trailingSpaces(message), trailing);
    QCOMPARE(1 + words.size() + trailing, length);
    for (const QChar c : message)
        QVERIFY2(c.unicode() >= 0x4E00 || c.unicode() < 0x80, "punctuation is ASCII");
}

void TestStatusLine::choice_data() {
    QTest::addColumn<bool>("zidongbofang");
    QTest::addColumn<bool>("ceshi");
    QTest::addColumn<bool>("shoudongpeise");
    QTest::addColumn<QString>("expected");

    QTest::newRow("free mode") << false << false << false << QString();
    QTest::newRow("automatic play") << true << false << false << text(statusline::kAutoPlay);
    QTest::newRow("test") << false << true << false << text(statusline::kTest);
    QTest::newRow("mixing") << false << false << true << text(statusline::kMixing);
    // Only one is ever checked; the order decides should that ever fail.
    QTest::newRow("automatic play first") << true << true << true << text(statusline::kAutoPlay);
    QTest::newRow("test before mixing") << false << true << true << text(statusline::kTest);
}

void TestStatusLine::choice() {
    QFETCH(bool, zidongbofang);
    QFETCH(bool, ceshi);
    QFETCH(bool, shoudongpeise);
    QFETCH(QString, expected);

    QCOMPARE(statusline::message(zidongbofang, ceshi, shoudongpeise).toString(), expected);
}

void TestStatusLine::tick_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    QTest::addColumn<QString>("shown");

    const QString autoPlay = text(statusline::kAutoPlay);
    const QString test = text(statusline::kTest);
    const QString mixing = text(statusline::kMixing);

    QTest::newRow("first tick shows it as stored") << autoPlay << 0 << 1 << autoPlay;
    QTest::newRow("second tick begins with the first word")
        << autoPlay << 1 << 2 << QStringLiteral("自动播放!请认真辨别!             ");
    QTest::newRow("third tick") << autoPlay << 2 << 3
                                << QStringLiteral("动播放!请认真辨别!             自");
    QTest::newRow("reaching the length wraps to 0, last character first")
        << autoPlay << 23 << 0 << QStringLiteral("  自动播放!请认真辨别!           ");
    QTest::newRow("after the wrap the message stands as stored") << autoPlay << 0 << 1 << autoPlay;
    QTest::newRow("test message wraps at 26") << test << 25 << 0 << test.right(1) + test.left(25);
    QTest::newRow("counter above the length keeps counting")
        << mixing << 25 << 26 << mixing.mid(2) + mixing.left(2);
    QTest::newRow("and goes on scrolling") << mixing << 26 << 27 << mixing.mid(3) + mixing.left(3);
    QTest::newRow("a counter equal to a longer length is not wrapped by a shorter one")
        << mixing << 23 << 24 << mixing;
    QTest::newRow("free mode: empty, counter still advances") << QString() << 5 << 6 << QString();
    QTest::newRow("free mode from 0") << QString() << 0 << 1 << QString();
}

void TestStatusLine::tick() {
    QFETCH(QString, message);
    QFETCH(int, before);
    QFETCH(int, after);
    QFETCH(QString, shown);

    const int counter = statusline::nextCounter(before, static_cast<int>(message.size()));
    QCOMPARE(counter, after);
    const QString result = statusline::rotated(message, counter);
    QCOMPARE(result, shown);
    QCOMPARE(result.size(), message.size());
}

void TestStatusLine::longRunMatchesUnboundedCounter() {
    // Weeks of ticks with the exercise changing now and then: what is shown
    // must be what an unbounded counter gives, and the kept counter stays
    // small.
    const std::array<QString, 4> messages = {text(statusline::kAutoPlay), text(statusline::kTest),
                                             text(statusline::kMixing), QString()};
    qint64 unbounded = 0;
    int counter = 0;
    int largest = 0;
    const int ticks = 5 * statusline::kFoldAt + 977;
    for (int tick = 0; tick < ticks; ++tick) {
        // Switch often at first, where the counter is small enough to hit
        // the equality test, then seldom.
        const int every = tick < 2000 ? 7 : 4001;
        const QString &message = messages.at(static_cast<std::size_t>((tick / every) % 4));
        const auto length = message.size();

        ++unbounded;
        if (unbounded == length)
            unbounded = 0;
        QString expected;
        for (qint64 i = unbounded; i < unbounded + length; ++i) {
            const qint64 j = i % length;
            expected += message.at(j == 0 ? length - 1 : j - 1);
        }

        counter = statusline::nextCounter(counter, static_cast<int>(length));
        largest = std::max(largest, counter);
        if (statusline::rotated(message, counter) != expected)
            QFAIL(qPrintable(QStringLiteral("tick %1: counter %2, unbounded %3")
                                 .arg(tick)
                                 .arg(counter)
                                 .arg(unbounded)));
    }
    QVERIFY(unbounded > statusline::kFoldAt);
    QVERIFY(largest < statusline::kFoldAt);
}

QTEST_APPLESS_MAIN(TestStatusLine)
#include "tst_statusline.moc"
