#include "clickgate.h"
#include "newsaddress.h"
#include "newsnotice.h"
#include "newsprotocol.h"
#include "openlimit.h"

#include <QTest>

using newsprotocol::Kind;
using newsprotocol::Message;

// What the program and the news viewer say to each other, which news servers
// count as set, and when a page may open the browser.
class TestNewsRules : public QObject {
    Q_OBJECT

private slots:
    void protocol_data();
    void protocol();
    void takeMessages_data();
    void takeMessages();
    void serverSet_data();
    void serverSet();
    void clickGate_data();
    void clickGate();
    void fromTheViewer();
    void loadErrors();
};

void TestNewsRules::protocol_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("body"); // "<none>": no body
    const QString none = QStringLiteral("<none>");
    const QString odd = QStringLiteral("http://h.example/a b%20c?x=1&y=新\n");
    const QString body = QStringLiteral("<p>新闻\n two  spaces</p>");
    // Every message goes through encode first; these rows decode its line.
    QTest::newRow("navigate, odd address") << newsprotocol::encode({Kind::Navigate, odd}) << true
                                           << int(Kind::Navigate) << odd << none;
    QTest::newRow("loaded with body") << newsprotocol::encode({Kind::Loaded, odd, body}) << true
                                      << int(Kind::Loaded) << odd << body;
    QTest::newRow("loaded, unreadable")
        << newsprotocol::encode({Kind::Loaded, odd}) << true << int(Kind::Loaded) << odd << none;
    QTest::newRow("loaded, empty body") << newsprotocol::encode({Kind::Loaded, {}, QString()})
                                        << true << int(Kind::Loaded) << QString() << QString();
    QTest::newRow("closed") << QByteArray("closed\n") << true << int(Kind::Closed) << QString()
                            << none;
    QTest::newRow("ping") << QByteArray("ping\n") << true << int(Kind::Ping) << QString() << none;
    QTest::newRow("pong") << QByteArray("pong\n") << true << int(Kind::Pong) << QString() << none;
    QTest::newRow("unknown word") << QByteArray("launch http://x") << false << 0 << QString()
                                  << none;
    QTest::newRow("open without address") << QByteArray("open") << false << 0 << QString() << none;
    // A field more than the message has makes it none of ours.
    QTest::newRow("show with more") << QByteArray("show now") << false << 0 << QString() << none;
    QTest::newRow("pong with more") << QByteArray("pong 1") << false << 0 << QString() << none;
    QTest::newRow("closed with more") << QByteArray("closed x") << false << 0 << QString() << none;
    QTest::newRow("navigate with more")
        << QByteArray("navigate http://a.example/ x") << false << 0 << QString() << none;
    QTest::newRow("open with a body")
        << QByteArray("open http://a.example/ aGk=") << false << 0 << QString() << none;
    QTest::newRow("loaded with more")
        << QByteArray("loaded http://a.example/ aGk= aGk=") << false << 0 << QString() << none;
    QTest::newRow("body not base64")
        << QByteArray("loaded - !!") << false << 0 << QString() << none;
    QTest::newRow("overlong") << "open " + QByteArray(newsprotocol::kMaxLineBytes, 'a') << false
                              << 0 << QString() << none;
}

void TestNewsRules::protocol() {
    QFETCH(QByteArray, line);
    QFETCH(bool, valid);
    QVERIFY(line.count('\n') <= 1);
    const auto message = newsprotocol::decode(line);
    QCOMPARE(message.has_value(), valid);
    if (!valid)
        return;
    QFETCH(int, kind);
    QFETCH(QString, url);
    QFETCH(QString, body);
    QCOMPARE(int(message->kind), kind);
    QCOMPARE(message->url, url);
    QCOMPARE(message->body.value_or(QStringLiteral("<none>")), body);
    // And the message is written as that very line.
    QCOMPARE(newsprotocol::encode(*message), line);
}

void TestNewsRules::takeMessages_data() {
    QTest::addColumn<QByteArray>("pending");
    QTest::addColumn<QByteArray>("taken"); // the messages, each written as its line
    QTest::addColumn<QByteArray>("left");
    QTest::addColumn<int>("arrived"); // the new bytes at its end; -1: all
    const QByteArray endless(newsprotocol::kMaxLineBytes, 'a');
    QTest::newRow("two in one read") << QByteArray("ping\nnavigate a\n")
                                     << QByteArray("ping\nnavigate a\n") << QByteArray() << -1;
    QTest::newRow("the rest of a line waits")
        << QByteArray("show\nnavig") << QByteArray("show\n") << QByteArray("navig") << -1;
    QTest::newRow("foreign and empty lines passed over")
        << QByteArray("\nlaunch x\n\nstop\n") << QByteArray("stop\n") << QByteArray() << -1;
    QTest::newRow("a line of the longest kept")
        << "ping\n" + endless << QByteArray("ping\n") << endless << -1;
    QTest::newRow("a longer one dropped") << endless + 'a' << QByteArray() << QByteArray() << 1;
    // What came before was searched already: it is not searched again.
    QTest::newRow("only the new bytes searched")
        << QByteArray("ping\nsto") << QByteArray() << QByteArray("ping\nsto") << 3;
}

void TestNewsRules::takeMessages() {
    QFETCH(QByteArray, pending);
    QFETCH(QByteArray, taken);
    QFETCH(QByteArray, left);
    QFETCH(int, arrived);
    QByteArray lines;
    for (const Message &message :
         newsprotocol::takeMessages(pending, arrived < 0 ? pending.size() : arrived))
        lines += newsprotocol::encode(message);
    QCOMPARE(lines, taken);
    QCOMPARE(pending, left);
}

void TestNewsRules::serverSet_data() {
    QTest::addColumn<QString>("server");
    QTest::addColumn<bool>("set");
    QTest::newRow("the build's default") << "http://news.tintoko.invalid" << false;
    QTest::newRow("reserved, upper case, dot") << "https://NEWS.INVALID./" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("not the web") << "file:///etc" << false;
    QTest::newRow("a real server") << "http://news.tintoko.example" << true;
    QTest::newRow("a local one") << "http://127.0.0.1:8080" << true;
    QTest::newRow("invalid only in the path") << "https://a.example/x.invalid" << true;
}

void TestNewsRules::serverSet() {
    QFETCH(QString, server);
    QFETCH(bool, set);
    QCOMPARE(newsaddress::isServerSet(server), set);
}

void TestNewsRules::clickGate_data() {
    // 'c' a click, 'o' the page asks to open, '_' a second passes; expected:
    // '1' an ask allowed, '0' refused, one character per ask.
    QTest::addColumn<QString>("events");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no click") << "oo_o"
                              << "000";
    QTest::newRow("one click, one window") << "cooo"
                                           << "100";
    QTest::newRow("each click one") << "coco"
                                    << "11";
    QTest::newRow("asked late") << "c___o"
                                << "0";
    QTest::newRow("asked within the window") << "c_o"
                                             << "1";
}

void TestNewsRules::clickGate() {
    QFETCH(QString, events);
    QFETCH(QString, expected);
    ClickGate gate;
    qint64 now = 1000;
    QString answers;
    for (QChar event : events) {
        if (event == QLatin1Char('c'))
            gate.clicked(now);
        else if (event == QLatin1Char('o'))
            answers += gate.allowOpen(now) ? QLatin1Char('1') : QLatin1Char('0');
        else
            now += 1000;
    }
    QCOMPARE(answers, expected);
}

void TestNewsRules::fromTheViewer() {
    // An address every 2 s at most, five a window; a new window, five more.
    OpenLimit limit;
    QString answers;
    for (const qint64 now : {0, 1999, 2000, 4000, 6000, 8000, 10000, -1, 12000, 12001}) {
        if (now < 0)
            limit.newWindow();
        answers += now < 0 ? '|' : limit.allow(now) ? '1' : '0';
    }
    QCOMPARE(answers, QStringLiteral("1011110|10"));
    // What it writes on its standard error reaches a terminal as words.
    QCOMPARE(newsprotocol::printable("a\x1b]2;x\x07\tb\r\n\x7f\xe6\x96\xb0"
                                     "\xc2\x80\xc2\x9f\xc2\x9b"
                                     "2J\xc2\xa0\xc2"),
             QByteArray("a?]2;x?\tb?\n?\xe6\x96\xb0???"
                        "2J\xc2\xa0\xc2"));
}

void TestNewsRules::loadErrors() {
    // The engine's "internet disconnected"; "name not resolved"; HTTP 404.
    QCOMPARE(newsNoticeForLoadError(-106), NewsNotice::Offline);
    QCOMPARE(newsNoticeForLoadError(-105), NewsNotice::Unavailable);
    QCOMPARE(newsNoticeForLoadError(404), NewsNotice::Unavailable);
}

QTEST_GUILESS_MAIN(TestNewsRules)
#include "tst_newsrules.moc"
