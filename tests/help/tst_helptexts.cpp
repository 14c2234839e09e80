#include "fakes/fakeurlopener.h"
#include "helptexts.h"
#include "maker.h"
#include "urlopener.h"

#include <QTest>
#include <QUrl>

// The help menu's texts and addresses, and what the URL opener lets out.
class TestHelpTexts : public QObject {
    Q_OBJECT

private slots:
    void boxes();
    void versionText_data();
    void versionText();
    void messagingAddress();
    void webAddresses_data();
    void webAddresses();
};

void TestHelpTexts::boxes() {
    QCOMPARE(helptexts::aboutText(5, 7, 0),
             "  Tintoko\r\r  版本号: 5.70\r" + maker::aboutLine() + "\r");
    QCOMPARE(helptexts::contactText(),
             "  软件主页:\r    " + maker::homePage() + "\r\r  邮  编: " + maker::postcode() +
                 "    姓  名: " + maker::contactName() + "\r  电  话: " + maker::telephone() +
                 "  \r  电子邮箱: " + maker::email());
    QCOMPARE(helptexts::forDisplay(QStringLiteral("a\r\rb")), QStringLiteral("a\n\nb"));
}

void TestHelpTexts::versionText_data() {
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("revision");
    QTest::addColumn<QString>("text");
    QTest::newRow("5.7.0") << 5 << 7 << 0 << "5.70";
    QTest::newRow("5.3.12") << 5 << 3 << 12 << "5.312";
}

void TestHelpTexts::versionText() {
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, revision);
    QFETCH(QString, text);
    QCOMPARE(helptexts::versionText(major, minor, revision), text);
    QVERIFY(helptexts::aboutText(major, minor, revision).contains("\r  版本号: " + text + "\r"));
}

void TestHelpTexts::messagingAddress() {
    QCOMPARE(
        helptexts::messagingAddress(QStringLiteral("https://im.example/"), QStringLiteral("12345"),
                                    QStringLiteral("https://www.maker.example/news/")),
        QStringLiteral("https://im.example/msgrd?V=1&Uin=12345&Site=www.maker.example&Menu=yes"));
}

void TestHelpTexts::webAddresses_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("opened"); // empty: refused

    QTest::newRow("http") << "http://tintoko.example/rj"
                          << "http://tintoko.example/rj";
    QTest::newRow("https, spaces around") << "  https://tintoko.example/ "
                                          << "https://tintoko.example/";
    QTest::newRow("upper-case scheme") << "HTTPS://tintoko.example/"
                                       << "https://tintoko.example/";
    QTest::newRow("bare host") << "tintoko.example"
                               << "http://tintoko.example";
    QTest::newRow("file") << "file:///etc/passwd"
                          << "";
    QTest::newRow("absolute path") << "/etc/passwd"
                                   << "";
    QTest::newRow("javascript") << "javascript:alert(1)"
                                << "";
    QTest::newRow("data") << "data:text/html,<b>hi</b>"
                          << "";
    QTest::newRow("file with a host") << "file://tintoko.example/etc/passwd"
                                      << "";
    QTest::newRow("custom scheme with a host") << "tintoko-helper://tintoko.example/run"
                                               << "";
    QTest::newRow("ftp") << "ftp://tintoko.example/"
                         << "";
    QTest::newRow("custom scheme") << "tintoko-helper:run"
                                   << "";
    QTest::newRow("http without a host") << "http:///etc/passwd"
                                         << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestHelpTexts::webAddresses() {
    QFETCH(QString, address);
    QFETCH(QString, opened);

    FakeUrlOpener opener;
    QCOMPARE(opener.openWebAddress(address), !opened.isEmpty());
    QCOMPARE(opener.opened, opened.isEmpty() ? QList<QUrl>() : QList<QUrl>{QUrl(opened)});
    // A local file goes out as a file, whatever its name looks like.
    QVERIFY(opener.openLocalFile(QStringLiteral("/程序/http:x.txt")));
    QCOMPARE(opener.opened.last().scheme(), QStringLiteral("file"));
}

QTEST_GUILESS_MAIN(TestHelpTexts)
#include "tst_helptexts.moc"
