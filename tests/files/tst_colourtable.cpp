#include "colourtable.h"
#include "programfolder.h"
#include "texts.h"

#include <QTest>

class TestColourTable : public QObject {
    Q_OBJECT

private slots:
    void valuesAndNames_data();
    void valuesAndNames();
    void soundPaths_data();
    void soundPaths();
    void caption_data();
    void caption();
    void readouts_data();
    void readouts();
};

void TestColourTable::valuesAndNames_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("red");
    QTest::addColumn<int>("green");
    QTest::addColumn<int>("blue");
    QTest::addColumn<QString>("name");

    QTest::newRow("0 black") << 0 << 0 << 0 << 0 << QStringLiteral("黑  色");
    QTest::newRow("1 blue") << 1 << 0 << 0 << 128 << QStringLiteral("蓝  色");
    QTest::newRow("2 green") << 2 << 0 << 128 << 0 << QStringLiteral("绿  色");
    QTest::newRow("3 cyan") << 3 << 0 << 128 << 128 << QStringLiteral("青  色");
    QTest::newRow("4 red") << 4 << 128 << 0 << 0 << QStringLiteral("红  色");
    QTest::newRow("5 magenta") << 5 << 128 << 0 << 128 << QStringLiteral("洋红色");
    QTest::newRow("6 dark yellow") << 6 << 128 << 128 << 0 << QStringLiteral("暗黄色");
    QTest::newRow("7 light grey") << 7 << 192 << 192 << 192 << QStringLiteral("灰白色");
    QTest::newRow("8 dark grey") << 8 << 128 << 128 << 128 << QStringLiteral("灰黑色");
    QTest::newRow("9 bright blue") << 9 << 0 << 0 << 255 << QStringLiteral("亮蓝色");
    QTest::newRow("10 bright green") << 10 << 0 << 255 << 0 << QStringLiteral("亮绿色");
    QTest::newRow("11 bright cyan") << 11 << 0 << 255 << 255 << QStringLiteral("亮青色");
    QTest::newRow("12 bright red") << 12 << 255 << 0 << 0 << QStringLiteral("亮红色");
    QTest::newRow("13 bright magenta") << 13 << 255 << 0 << 255 << QStringLiteral("亮洋红");
    QTest::newRow("14 bright yellow") << 14 << 255 << 255 << 0 << QStringLiteral("亮黄色");
    QTest::newRow("15 white") << 15 << 255 << 255 << 255 << QStringLiteral("白  色");
}

void TestColourTable::valuesAndNames() {
    QFETCH(int, index);
    QFETCH(int, red);
    QFETCH(int, green);
    QFETCH(int, blue);
    QFETCH(QString, name);

    const quint32 expected = static_cast<quint32>(red + 256 * green + 65536 * blue);
    QCOMPARE(colourtable::value(index), expected);
    QCOMPARE(colourtable::rgbToValue(red, green, blue), expected);
    const QString &actual = colourtable::names().at(static_cast<std::size_t>(index));
    QCOMPARE(actual, name);
    // Two-character names carry exactly two ASCII spaces; the others none.
    QCOMPARE(actual.count(QLatin1Char(' ')), name.size() == 4 ? 2 : 0);
}

void TestColourTable::soundPaths_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<int>("colour");
    QTest::addColumn<QString>("nameSound");
    QTest::addColumn<QString>("rightSound");
    QTest::addColumn<QString>("wrongSound");
    QTest::addColumn<QString>("newsOption");

    QTest::newRow("ordinary folder, black keeps both spaces")
        << QStringLiteral("/opt/tintoko") << 0 << QStringLiteral("/opt/tintoko/声音/黑  色.mp3")
        << QStringLiteral("/opt/tintoko/声音/对_黑  色.mp3")
        << QStringLiteral("/opt/tintoko/声音/错了再试一遍.mp3")
        << QStringLiteral("/opt/tintoko/v.sz");
    QTest::newRow("root folder gets no second separator")
        << QStringLiteral("/") << 13 << QStringLiteral("/声音/亮洋红.mp3")
        << QStringLiteral("/声音/对_亮洋红.mp3") << QStringLiteral("/声音/错了再试一遍.mp3")
        << QStringLiteral("/v.sz");
    QTest::newRow("folder with spaces and Chinese is kept as it is")
        << QStringLiteral("/home/小明/my games") << 15
        << QStringLiteral("/home/小明/my games/声音/白  色.mp3")
        << QStringLiteral("/home/小明/my games/声音/对_白  色.mp3")
        << QStringLiteral("/home/小明/my games/声音/错了再试一遍.mp3")
        << QStringLiteral("/home/小明/my games/v.sz");
}

void TestColourTable::soundPaths() {
    QFETCH(QString, folder);
    QFETCH(int, colour);
    QFETCH(QString, nameSound);
    QFETCH(QString, rightSound);
    QFETCH(QString, wrongSound);
    QFETCH(QString, newsOption);

    const ProgramFolder programFolder(folder);
    QCOMPARE(programFolder.colourNameSound(colour), nameSound);
    QCOMPARE(programFolder.rightAnswerSound(colour), rightSound);
    QCOMPARE(programFolder.wrongAnswerSound(), wrongSound);
    QCOMPARE(programFolder.newsOptionFile(), newsOption);
}

void TestColourTable::caption_data() {
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("revision");
    QTest::addColumn<QString>("caption");

    QTest::newRow("5.7.0") << 5 << 7 << 0 << QStringLiteral("Tintoko 5.70");
    QTest::newRow("1.12.3") << 1 << 12 << 3 << QStringLiteral("Tintoko 1.123");
    QTest::newRow("5.3.12") << 5 << 3 << 12 << QStringLiteral("Tintoko 5.312");
}

void TestColourTable::caption() {
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, revision);
    QFETCH(QString, caption);
    QCOMPARE(texts::windowCaption(major, minor, revision), caption);
}

void TestColourTable::readouts_data() {
    QTest::addColumn<int>("red");
    QTest::addColumn<int>("green");
    QTest::addColumn<int>("blue");
    QTest::addColumn<QString>("triple");
    QTest::addColumn<QString>("decimal");
    QTest::addColumn<QString>("hex");

    QTest::newRow("black") << 0 << 0 << 0 << "0,0,0"
                           << "0"
                           << "&H0";
    QTest::newRow("red") << 255 << 0 << 0 << "255,0,0"
                         << "255"
                         << "&HFF";
    QTest::newRow("orange") << 255 << 128 << 0 << "255,128,0"
                            << "33023"
                            << "&H80FF";
    QTest::newRow("blue") << 0 << 0 << 255 << "0,0,255"
                          << "16711680"
                          << "&HFF0000";
    QTest::newRow("white") << 255 << 255 << 255 << "255,255,255"
                           << "16777215"
                           << "&HFFFFFF";
}

void TestColourTable::readouts() {
    QFETCH(int, red);
    QFETCH(int, green);
    QFETCH(int, blue);
    QFETCH(QString, triple);
    QFETCH(QString, decimal);
    QFETCH(QString, hex);

    const quint32 value = colourtable::rgbToValue(red, green, blue);
    QCOMPARE(texts::tripleText(red, green, blue), triple);
    QCOMPARE(texts::decimalText(value), decimal);
    QCOMPARE(texts::hexText(value), hex);
}

QTEST_APPLESS_MAIN(TestColourTable)
#include "tst_colourtable.moc"
