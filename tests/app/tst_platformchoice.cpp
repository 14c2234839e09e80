#include "displaypresence.h"
#include "platformchoice.h"
#include "qtoptions.h"
#include "tintokoarguments.h"

#include <QTest>

// Which Qt platform the program asks for, from the environment it starts in,
// and what it makes of its command line, before either needs a display.
class TestPlatformChoice : public QObject {
    Q_OBJECT

private slots:
    void choice_data();
    void choice();
    void arguments_data();
    void arguments();
};

void TestPlatformChoice::choice_data() {
    QTest::addColumn<QString>("user"); // QT_QPA_PLATFORM
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("wayland");
    QTest::addColumn<QByteArray>("chosen"); // empty: left to the user or to Qt

    QTest::newRow("X11 desktop") << ""
                                 << ":0"
                                 << "" << QByteArray("xcb");
    QTest::newRow("Wayland desktop with Xwayland") << ""
                                                   << ":0"
                                                   << "wayland-0" << QByteArray("xcb;wayland");
    QTest::newRow("Wayland only") << ""
                                  << ""
                                  << "wayland-0" << QByteArray();
    QTest::newRow("the user's choice wins") << "wayland"
                                            << ":0"
                                            << "wayland-0" << QByteArray();
    QTest::newRow("no display at all") << ""
                                       << ""
                                       << "" << QByteArray();
}

void TestPlatformChoice::choice() {
    QFETCH(QString, user);
    QFETCH(QString, display);
    QFETCH(QString, wayland);
    QFETCH(QByteArray, chosen);

    const std::pair<const char *, QString> variables[] = {
        {"QT_QPA_PLATFORM", user}, {"DISPLAY", display}, {"WAYLAND_DISPLAY", wayland}};
    for (const auto &[name, value] : variables) {
        if (value.isEmpty())
            qunsetenv(name);
        else
            qputenv(name, value.toLocal8Bit());
    }
    choosePlatform();
    QCOMPARE(qgetenv("QT_QPA_PLATFORM"), chosen.isEmpty() ? user.toLocal8Bit() : chosen);
    // With an X server that would answer wherever DISPLAY pointed, and no
    // Wayland socket but the one named.
    qunsetenv("XDG_RUNTIME_DIR");
    QCOMPARE(displayPresent(QProcessEnvironment::systemEnvironment(),
                            [](const QByteArray &) { return true; }),
             !display.isEmpty() || !wayland.isEmpty());
}

void TestPlatformChoice::arguments_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("scanMs");       // -1: no scanning
    QTest::addColumn<QString>("error");    // all of it, or empty
    QTest::addColumn<QString>("answer");   // a piece of what goes to standard output
    QTest::addColumn<QString>("platform"); // Qt's -platform, for the display check
    const QString range = "要写 0.5 到 10 之间的秒数。用法见 tintoko --help\n";
    // clang-format off
    QTest::newRow("scan") << QStringList{"--scan"} << 2000 << "" << "" << "";
    QTest::newRow("Qt's option, scan, shortest") << QStringList{"-platform", "xcb", "-style=fusion", "--scan=0.5"} << 500 << "" << "" << "xcb";
    QTest::newRow("Qt's options with two dashes") << QStringList{"--platform", "offscreen", "-style", "fusion", "--scan"} << 2000 << "" << "" << "offscreen";
    QTest::newRow("scan, longest") << QStringList{"--scan=10"} << 10000 << "" << "" << "";
    QTest::newRow("scan, not a number") << QStringList{"--scan=abc"} << -1 << "--scan 的值“abc”不行，" + range << "" << "";
    QTest::newRow("scan, zero") << QStringList{"--scan=0"} << -1 << "--scan 的值“0”不行，" + range << "" << "";
    QTest::newRow("scan, too long") << QStringList{"--scan=100"} << -1 << "--scan 的值“100”不行，" + range << "" << "";
    QTest::newRow("unknown option") << QStringList{"--bogus", "--help"} << -1 << "不认识的选项“--bogus”。用法见 tintoko --help\n" << "" << "";
    QTest::newRow("help") << QStringList{"--scan", "-h"} << 2000 << "" << "  --scan[=秒数]    轮流突出显示颜色按钮" << "";
    QTest::newRow("version") << QStringList{"--version"} << -1 << "" << "tintoko 5.7\n" << "";
    // clang-format on
}

void TestPlatformChoice::arguments() {
    QFETCH(QStringList, arguments);
    QFETCH(int, scanMs);
    QFETCH(QString, error);
    QFETCH(QString, answer);
    QFETCH(QString, platform);
    const auto parsed = parseTintokoArguments(QStringList{"tintoko"} + arguments, "5.7");
    QCOMPARE(parsed.scanStep.value_or(std::chrono::milliseconds(-1)).count(), scanMs);
    QCOMPARE(parsed.error, error);
    QVERIFY2(answer.isEmpty() ? parsed.answer.isEmpty() : parsed.answer.contains(answer),
             qPrintable(parsed.answer));
    QCOMPARE(qtoptions::platform(QStringList{"tintoko"} + arguments), platform);
}

QTEST_APPLESS_MAIN(TestPlatformChoice)
#include "tst_platformchoice.moc"
