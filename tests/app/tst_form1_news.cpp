#include "fakes/fakenews.h"
#include "fakes/fakesoundplayer.h"
#include "form1.h"
#include "topmost.h"

#include <QAction>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// The news window from the main window: on demand, and the timed pop-up
// driven by Timer_tan, with a fake news window and a short delay.
class TestForm1News : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup() {
        m_form.reset();
        m_news.reset();
    }
    void onDemand();
    void timedPopUp_data();
    void timedPopUp();
    void topmost();
    void noServerNoPopUp();

private:
    const Form1Ui &ui() const { return m_form->ui(); }
    const QUrl m_request{QStringLiteral("http://news.example/rjshengji/gg_tan.htm?id=vemb&k1")};
    QTemporaryDir m_folder;
    FakeSoundPlayer m_player;
    std::unique_ptr<FakeNews> m_news;
    bool m_online = true;
    std::unique_ptr<Form1> m_form;
};

void TestForm1News::init() {
    m_news = std::make_unique<FakeNews>();
    m_online = true;
    Form1News news{m_news.get(), [this] { return m_online; }, QStringLiteral("http://news.example"),
                   QStringLiteral("k 1"), [] { return 3; }};
    m_form = std::make_unique<Form1>(
        Form1Services{.programFolder = m_folder.path(), .player = &m_player, .news = news});
    ui().Timer_tan->stop();
}

void TestForm1News::onDemand() {
    // The help entry and the tray entry alike; the second choice finds the
    // news page there and does not load it again.
    ui().bangzhu1.value(menuindex::News)->trigger();
    ui().kor_tuopan1.value(menuindex::TrayNews)->trigger();
    QCOMPARE(m_news->navigated, QList<QUrl>{m_request});
    QCOMPARE(m_news->shown, 2);
}

void TestForm1News::timedPopUp_data() {
    QTest::addColumn<bool>("optionChecked");
    QTest::addColumn<QString>("body");
    QTest::addColumn<int>("shown");
    QTest::addColumn<int>("released"); // the hidden window let go after the check
    QTest::newRow("marker") << false << "ruanjianguanggao" << 1 << 0;
    QTest::newRow("no marker") << false << "hello" << 0 << 1;
    QTest::newRow("option checked") << true << "ruanjianguanggao" << 0 << 0;
}

void TestForm1News::timedPopUp() {
    QFETCH(bool, optionChecked);
    QFETCH(QString, body);
    QFETCH(int, shown);
    QFETCH(int, released);

    if (optionChecked)
        ui().bangzhu1.value(menuindex::NoNewsPopup)->trigger();
    QCOMPARE(ui().bangzhu1.value(menuindex::NoNewsPopup)->isChecked(), optionChecked);
    m_news->state.body = body;
    ui().Timer_tan->start();
    for (int tick = 0; tick < 20; ++tick)
        m_form->Timer_tan_Timer();

    QCOMPARE(m_news->navigated, optionChecked ? QList<QUrl>() : QList<QUrl>{m_request});
    QCOMPARE(m_news->shown, shown);
    QCOMPARE(m_news->released, released);
    // One attempt per run: the timer is off after it.
    QCOMPARE(ui().Timer_tan->isActive(), optionChecked);
}

void TestForm1News::topmost() {
    QWidget window;
    window.setGeometry(200, 150, 258, 261);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QRect before = window.geometry();
    zhiding(&window);
    zhiding(&window);
    QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(window.isVisible());
    QCOMPARE(window.geometry(), before);
}

void TestForm1News::noServerNoPopUp() {
    // The build's default server is a reserved name: the timer asks nobody.
    m_form.reset();
    Form1News news{m_news.get(),
                   [] { return true; },
                   QStringLiteral("http://news.tintoko.invalid"),
                   {},
                   [] { return 3; }};
    m_form = std::make_unique<Form1>(
        Form1Services{.programFolder = m_folder.path(), .player = &m_player, .news = news});
    for (int tick = 0; tick < 20; ++tick)
        m_form->Timer_tan_Timer();
    QVERIFY(m_news->navigated.isEmpty());
    QVERIFY(!ui().Timer_tan->isActive());
}

QTEST_MAIN(TestForm1News)
#include "tst_form1_news.moc"
