#include "newsaddress.h"
#include "newsschedule.h"
#include "onlinecheck.h"

#include <QNetworkInterface>
#include <QTest>

// The timed news pop-up as a state machine, and the news addresses' rules.
class TestNewsSchedule : public QObject {
    Q_OBJECT

private slots:
    void schedule_data();
    void schedule();
    void addresses();
    void onlineInterfaces();
};

void TestNewsSchedule::schedule_data() {
    // One character per tick of Timer_tan: 'C' the option is checked, '-'
    // offline, '.' online, 'L' online with the page still loading. The delay
    // drawn is 3: request at online tick 8, hold while loading at 13, check
    // at 15. Expected, per tick: '.' nothing, 'R' request, 'S' show and stop,
    // 'X' stop without showing.
    QTest::addColumn<QString>("ticks");
    QTest::addColumn<QString>("body"); // "<none>": unreadable
    QTest::addColumn<QString>("expected");

    QTest::newRow("online all along") << "..............."
                                      << "<p>ruanjianguanggao</p>"
                                      << ".......R......S";
    QTest::newRow("checked from start counts nothing; unchecking resumes")
        << "CCCC..........C....."
        << "ruanjianguanggao"
        << "...........R.......S";
    QTest::newRow("offline ticks do not count") << "..-.....--.........."
                                                << "ruanjianguanggao"
                                                << "..........R......S..";
    QTest::newRow("a page still loading at n+10 holds the count") << "............LLL..."
                                                                  << "ruanjianguanggao"
                                                                  << ".......R.........S";
    QTest::newRow("marker in mixed case") << "..............."
                                          << "RuanJianGuangGao"
                                          << ".......R......S";
    QTest::newRow("no marker: the one attempt ends") << "................."
                                                     << "ruanjian"
                                                     << ".......R......X..";
    QTest::newRow("body unreadable") << "..............."
                                     << "<none>"
                                     << ".......R......X";
    QTest::newRow("one attempt only") << "...................."
                                      << "ruanjianguanggao"
                                      << ".......R......S.....";
}

void TestNewsSchedule::schedule() {
    QFETCH(QString, ticks);
    QFETCH(QString, body);
    QFETCH(QString, expected);

    int draws = 0;
    NewsSchedule schedule([&draws] {
        ++draws;
        return 3;
    });
    QString steps;
    for (const QChar tick : ticks) {
        const auto online = [tick] { return tick != QLatin1Char('-'); };
        const auto page = [&] {
            NewsSchedule::Page state;
            state.loading = tick == QLatin1Char('L');
            if (body != QLatin1String("<none>"))
                state.body = body;
            return state;
        };
        switch (schedule.tick(tick == QLatin1Char('C'), online, page)) {
        case NewsSchedule::Step::Nothing:
            steps += QLatin1Char('.');
            break;
        case NewsSchedule::Step::Request:
            steps += QLatin1Char('R');
            break;
        case NewsSchedule::Step::ShowAndStop:
            steps += QLatin1Char('S');
            break;
        case NewsSchedule::Step::Stop:
            steps += QLatin1Char('X');
            break;
        }
    }
    QCOMPARE(steps, expected);
    QCOMPARE(draws, 1);
}

void TestNewsSchedule::addresses() {
    // The delay: 180..299 from [0, 1).
    QCOMPARE(NewsSchedule::delayFrom(0.0), 180);
    QCOMPARE(NewsSchedule::delayFrom(0.99999), 299);

    QCOMPARE(newsaddress::request(QStringLiteral("http://news.example/"), QStringLiteral(" a b ")),
             QStringLiteral("http://news.example/rjshengji/gg_tan.htm?id=vemb&ab"));
    QCOMPARE(newsaddress::request(QStringLiteral("http://news.example"), QString()),
             QStringLiteral("http://news.example/rjshengji/gg_tan.htm?id=vemb&"));

    // On demand, a window that shows the news host is not loaded again.
    QVERIFY(!newsaddress::needsNavigation(QStringLiteral("http://news.example/rjshengji/x"),
                                          QStringLiteral("news.example")));
    QVERIFY(newsaddress::needsNavigation(QString(), QStringLiteral("news.example")));
    QVERIFY(newsaddress::needsNavigation(QStringLiteral("about:blank"),
                                         QStringLiteral("news.example")));

    // New windows: longer than 15 characters go to the browser.
    QVERIFY(!newsaddress::opensInBrowser(QStringLiteral("about:blank")));
    QVERIFY(!newsaddress::opensInBrowser(QStringLiteral("http://a.b/cdef"))); // 15
    QVERIFY(newsaddress::opensInBrowser(QStringLiteral("http://a.b/cdefg")));
    QVERIFY(!newsaddress::opensInBrowser(QStringLiteral("file:///etc/passwd")));
}

void TestNewsSchedule::onlineInterfaces() {
    using Flag = QNetworkInterface::InterfaceFlag;
    const QNetworkInterface::InterfaceFlags running = Flag::IsUp | Flag::IsRunning;
    QVERIFY(onlineThrough((running | Flag::CanBroadcast).toInt(), true));
    QVERIFY(!onlineThrough(running.toInt(), false));
    QVERIFY(!onlineThrough((running | Flag::IsLoopBack).toInt(), true));
    QVERIFY(!onlineThrough(unsigned(Flag::IsUp), true));
    QVERIFY(!onlineThrough(unsigned(Flag::IsRunning), true));
}

QTEST_GUILESS_MAIN(TestNewsSchedule)
#include "tst_newsschedule.moc"
