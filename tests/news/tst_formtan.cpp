#include "blockednewsview.h"
#include "formtan.h"
#include "newsview.h"
#include "newswindow.h"

#include <QAccessible>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>

// The news window without a web view: where it appears, how it rises into
// view and how it goes.
class TestFormTan : public QObject {
    Q_OBJECT

private slots:
    void placedInTheWorkArea_data();
    void placedInTheWorkArea();
    void risesOnceShown_data();
    void risesOnceShown();
    void closeBoxFadesInStepsThenDeletes_data();
    void closeBoxFadesInStepsThenDeletes();
    void viewerTellsAndOpensOnlyOnClicks();
    void notices_data();
    void notices();
};

namespace {

// A page that does what the test makes it do.
class FakeView final : public QWidget, public NewsView {
public:
    using QWidget::QWidget;
    QWidget *widget() override { return this; }
    void navigate(const QUrl &url) override {
        m_url = url;
        m_loading = true;
    }
    void stop() override { ++stops; }
    [[nodiscard]] QString address() const override { return m_url.toString(); }
    [[nodiscard]] bool isLoading() const override { return m_loading; }
    [[nodiscard]] std::optional<QString> bodyText() const override { return QStringLiteral("hi"); }
    [[nodiscard]] std::optional<NewsNotice> failure() const override { return m_failure; }
    void finish(std::optional<NewsNotice> failure = std::nullopt) {
        m_loading = false;
        m_failure = failure;
        if (onLoaded)
            onLoaded();
    }
    QUrl m_url;
    bool m_loading = false;
    std::optional<NewsNotice> m_failure;
    int stops = 0;
};

class FakeViews final : public NewsViewFactory {
public:
    NewsView *createView(QWidget *parent) override { return view = new FakeView(parent); }
    FakeView *view = nullptr;
};

} // namespace

void TestFormTan::placedInTheWorkArea_data() {
    QTest::addColumn<QRect>("workArea"); // none: the primary screen's
    QTest::addColumn<QRect>("geometry");
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QTest::newRow("screen") << QRect()
                            << QRect(screen.bottomRight() - QPoint(257, 260), QSize(258, 261));
    QTest::newRow("panel at the bottom") << QRect(0, 0, 1280, 768) << QRect(1022, 507, 258, 261);
    QTest::newRow("panels at the left and top")
        << QRect(48, 30, 1232, 770) << QRect(1022, 539, 258, 261);
}

void TestFormTan::placedInTheWorkArea() {
    QFETCH(QRect, workArea);
    QFETCH(QRect, geometry);
    FormTan form(nullptr, workArea);
    QCOMPARE(form.geometry(), geometry);
    QCOMPARE(form.windowTitle(), QStringLiteral("新闻资讯")); // on the taskbar until shown
    // A reader takes it for a window and reads that title.
    QCOMPARE(QAccessible::queryAccessibleInterface(&form)->role(), QAccessible::Window);
    // The title draws itself, white; the note waits hidden.
    const QImage title = form.findChild<QLabel *>(QStringLiteral("Label2"))->grab().toImage();
    int white = 0;
    for (int i = 0; i < title.width() * title.height(); ++i)
        white += title.pixelColor(i % title.width(), i / title.width()) == Qt::white ? 1 : 0;
    QVERIFY2(white > 20, qPrintable(QString::number(white)));
    QVERIFY(form.findChild<QLabel *>(QStringLiteral("notice"))->isHidden());
    // A plain window above the others: window managers hide tool windows.
    QCOMPARE(form.windowFlags(), Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
}

void TestFormTan::risesOnceShown_data() {
    QTest::addColumn<bool>("loadedHidden");
    QTest::addColumn<QList<int>>("rows"); // shown after each step of the rise
    QTest::newRow("on demand: rises once shown, its page still loading")
        << false << QList<int>{101, 201, 261};
    // The timed pop-up's page loads while the window is hidden.
    QTest::newRow("timed: shown at once, fully drawn") << true << QList<int>{};
}

void TestFormTan::risesOnceShown() {
    QFETCH(bool, loadedHidden);
    QFETCH(QList<int>, rows);
    FakeViews views;
    FormTan form(&views);
    views.view->navigate(QUrl(QStringLiteral("http://news.example/p")));
    auto *rise = form.findChild<QTimer *>(QStringLiteral("Timer1"));
    QVERIFY(rise != nullptr);
    QCOMPARE(rise->interval(), 10);
    // Only the bottom row shows, and stays until the window is on the screen.
    QCOMPARE(form.mask().boundingRect(), QRect(0, 260, 258, 1));
    QList<int> steps;
    connect(rise, &QTimer::timeout, &form, [&] {
        steps << (form.mask().isEmpty() ? form.height() : form.mask().boundingRect().height());
    });
    if (loadedHidden) {
        views.view->finish();
        form.pageLoaded();
        QVERIFY(form.mask().isEmpty());
    }
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTRY_COMPARE(steps, rows);
    QVERIFY(!rise->isActive());
    QVERIFY(form.mask().isEmpty());
    QCOMPARE(views.view->isLoading(), !loadedHidden);
}

void TestFormTan::closeBoxFadesInStepsThenDeletes_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("close box clicked") << "click";
    QTest::newRow("close box from the keyboard") << "return";
    QTest::newRow("Escape") << "escape";
}

void TestFormTan::closeBoxFadesInStepsThenDeletes() {
    QFETCH(QString, how);
    auto *form = new FormTan(nullptr);
    QPointer<FormTan> guard(form);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    QList<int> alphas;
    connect(form->windowHandle(), &QWindow::opacityChanged, this,
            [&](qreal opacity) { alphas << qRound(opacity * 255); });
    auto *closeBox = form->findChild<QPushButton *>(QStringLiteral("Label1"));
    QVERIFY(closeBox != nullptr);
    QCOMPARE(closeBox->cursor().hotSpot(), QPoint(12, 3)); // the links' pointing hand
    QCOMPARE(closeBox->cursor().pixmap().size(), QSize(32, 32));
    // On the keyboard, named for a screen reader, over the close mark.
    QCOMPARE(closeBox->focusPolicy(), Qt::StrongFocus);
    QCOMPARE(closeBox->accessibleName(), QStringLiteral("关闭"));
    QCOMPARE(closeBox->geometry(), QRect(236, 0, 17, 17));

    if (how == QLatin1String("click")) {
        QTest::mouseClick(closeBox, Qt::LeftButton);
    } else if (how == QLatin1String("return")) {
        form->activateWindow();
        closeBox->setFocus(Qt::TabFocusReason);
        QTest::keyClick(closeBox, Qt::Key_Return);
    } else {
        QTest::keyClick(form, Qt::Key_Escape);
    }
    // The fade runs from the event loop, so the window is still there now.
    QVERIFY(guard);
    QVERIFY(form->isVisible());
    QTRY_VERIFY(guard.isNull());
    // From 255 (no change from opaque) down by 10 while at least 10.
    QList<int> expected;
    for (int alpha = 245; alpha >= 10; alpha -= 10)
        expected << alpha;
    QCOMPARE(alphas, expected);
}

void TestFormTan::viewerTellsAndOpensOnlyOnClicks() {
    using newsprotocol::Kind;
    FakeViews views;
    QList<newsprotocol::Message> told;
    NewsWindow news(&views, [&told](const newsprotocol::Message &m) { told << m; });
    const QString more = QStringLiteral("http://tintoko.example/more");
    // A ping is answered without making a window.
    QVERIFY(news.handle({Kind::Ping}));
    QCOMPARE(news.form(), nullptr);
    QVERIFY(news.handle({Kind::Navigate, QStringLiteral("http://news.example/p")}));
    QVERIFY(news.handle({Kind::Show}));
    QVERIFY(QTest::qWaitForWindowExposed(news.form()));
    // The window rises while its page loads.
    QTRY_VERIFY(news.form()->mask().isEmpty());
    views.view->finish();
    // Asked by the page with no click: nothing reaches the program.
    views.view->onNewWindow(QUrl(more));
    QTest::mouseClick(views.view, Qt::LeftButton);
    views.view->onNewWindow(QUrl(more));
    views.view->onNewWindow(QUrl(more)); // once per click
    delete news.form();
    const QList<newsprotocol::Message> expected{
        {Kind::Pong},
        {Kind::Loaded, QStringLiteral("http://news.example/p"), QStringLiteral("hi")},
        {Kind::Open, more},
        {Kind::Closed}};
    QCOMPARE(told, expected);
}

void TestFormTan::notices_data() {
    QTest::addColumn<QString>("page");
    QTest::addColumn<int>("blockedAs"); // -1: a web view; else the engine may not run
    QTest::addColumn<int>("loaded");    // -2: still loading, -1: loaded, else failed as
    QTest::addColumn<bool>("stop");     // the time limit
    QTest::addColumn<QString>("shown");
    const QString news = QStringLiteral("http://news.example/p");
    QTest::newRow("offline")
        << news << -1 << int(NewsNotice::Offline) << false
        << "电脑现在没有连上网络，看不到新闻。连上网络以后，再打开“新闻资讯”看看吧。";
    QTest::newRow("server error") << news << -1 << int(NewsNotice::Unavailable) << false
                                  << "新闻现在打不开。请过一会儿再打开“新闻资讯”看看吧。";
    QTest::newRow("too slow: stopped")
        << news << -1 << -2 << true << "新闻页面很久都没有打开，已经停下来了。请过一会儿再试。";
    QTest::newRow("loaded, then the time limit: the page") << news << -1 << -1 << true << QString();
    QTest::newRow("no server") << "http://news.tintoko.invalid/rjshengji/gg_tan.htm?id=vemb&" << -1
                               << -2 << false << "这个版本没有设置新闻服务器，所以这里没有新闻。";
    QTest::newRow("as root")
        << news << int(NewsNotice::AsAdministrator) << -2 << false
        << "为了电脑的安全，用系统管理员账户运行时不显示网上的新闻。请用普通账户运行。";
    QTest::newRow("no sandbox")
        << news << int(NewsNotice::NoSandbox) << -2 << false
        << "这台电脑不能把网上的新闻页面和系统隔离开。为了电脑的安全，这里不显示新闻。";
}

void TestFormTan::notices() {
    using newsprotocol::Kind;
    QFETCH(QString, page);
    QFETCH(int, blockedAs);
    QFETCH(int, loaded);
    QFETCH(bool, stop);
    QFETCH(QString, shown);
    FakeViews fakes;
    BlockedNewsViews blocked(NewsNotice(qMax(blockedAs, 0)));
    QList<newsprotocol::Message> told;
    NewsWindow news(blockedAs >= 0 ? static_cast<NewsViewFactory *>(&blocked) : &fakes,
                    [&told](const newsprotocol::Message &m) { told << m; });
    QVERIFY(news.handle({Kind::Navigate, page}));
    auto *notice = news.form()->findChild<QLabel *>(QStringLiteral("notice"));
    auto *view = news.form()->findChild<QWidget *>(QStringLiteral("WebBrowser1"));
    QVERIFY(notice != nullptr && view != nullptr);
    if (loaded >= -1)
        fakes.view->finish(loaded >= 0 ? std::optional(NewsNotice(loaded)) : std::nullopt);
    if (stop) {
        QVERIFY(news.handle({Kind::Stop}));
        QCOMPARE(fakes.view->stops, loaded == -2 ? 1 : 0);
    }
    QCoreApplication::processEvents(); // a blocked view fails on the next turn

    // The note in the page's place, in Chinese only; or the page.
    QCOMPARE(notice->isHidden(), shown.isEmpty());
    QCOMPARE(view->isHidden(), !shown.isEmpty());
    QCOMPARE(notice->text(), shown.isEmpty() ? notice->text() : shown);
    QVERIFY(!notice->text().contains(QRegularExpression(QStringLiteral("[A-Za-z]"))));
    QCOMPARE(notice->geometry(), QRect(0, 0, 245, 229));
    // Several lines at this width, from the top left, inside a margin.
    QVERIFY(notice->wordWrap());
    QCOMPARE(notice->alignment(), Qt::AlignLeft | Qt::AlignTop);
    QCOMPARE(notice->margin(), 14);
    QCOMPARE(notice->font().pixelSize(), 15);
    QCOMPARE(notice->font().families().first(), QStringLiteral("Noto Sans CJK SC"));
    QCOMPARE(notice->palette().color(notice->backgroundRole()), QColor(0xff, 0xf4, 0xd6));
    QCOMPARE(notice->palette().color(notice->foregroundRole()), QColor(0x5c, 0x43, 0x00));
    if (loaded == -2 && !stop) {
        // Nothing was fetched; the program hears that the page is over.
        QCOMPARE(told, (QList<newsprotocol::Message>{{Kind::Loaded, page}}));
        QCOMPARE(fakes.view ? fakes.view->m_url : QUrl(), QUrl());
    }
    // The next page takes the note away; a blocked view fails again.
    QVERIFY(news.handle({Kind::Navigate, QStringLiteral("http://news.example/q")}));
    QCoreApplication::processEvents();
    QCOMPARE(notice->isHidden(), blockedAs < 0);
    QCOMPARE(view->isHidden(), blockedAs >= 0);
}

QTEST_MAIN(TestFormTan)
#include "tst_formtan.moc"
