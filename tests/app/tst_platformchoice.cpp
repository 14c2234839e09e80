#include "platformchoice.h"

#include <QTest>

// Which Qt platform the program asks for, from the environment it starts in.
class TestPlatformChoice : public QObject {
    Q_OBJECT

private slots:
    void choice_data();
    void choice();
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
}

QTEST_APPLESS_MAIN(TestPlatformChoice)
#include "tst_platformchoice.moc"
