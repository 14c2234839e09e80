#include "formtan.h"
#include "newsview.h"
#include "newswindow.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
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
    void risesOnceShownAndLoaded();
    void closeBoxFadesInStepsThenDeletes();
    void viewerTellsAndOpensOnlyOnClicks();
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
    void stop() override {}
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
    // A plain window above the others: window managers hide tool windows.
    QCOMPARE(form.windowFlags(), Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
}

void TestFormTan::risesOnceShownAndLoaded() {
    FakeViews views;
    FormTan form(&views);
    views.view->navigate(QUrl(QStringLiteral("http://news.example/p")));
    auto *rise = form.findChild<QTimer *>(QStringLiteral("Timer1"));
    QVERIFY(rise != nullptr);
    QCOMPARE(rise->interval(), 10);
    // Only the bottom row shows, and stays until the window is on the
    // screen and its page has loaded.
    QCOMPARE(form.mask().boundingRect(), QRect(0, 260, 258, 1));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCoreApplication::processEvents();
    QVERIFY(!rise->isActive());

    QList<int> rows; // after each step
    connect(rise, &QTimer::timeout, &form, [&] {
        rows << (form.mask().isEmpty() ? form.height() : form.mask().boundingRect().height());
    });
    views.view->finish();
    form.pageLoaded();
    QVERIFY(rise->isActive());
    QTRY_COMPARE(rows, (QList<int>{101, 201, 261}));
    QVERIFY(!rise->isActive());
}

void TestFormTan::closeBoxFadesInStepsThenDeletes() {
    auto *form = new FormTan(nullptr);
    QPointer<FormTan> guard(form);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    QList<int> alphas;
    connect(form->windowHandle(), &QWindow::opacityChanged, this,
            [&](qreal opacity) { alphas << qRound(opacity * 255); });
    auto *closeBox = form->findChild<QLabel *>(QStringLiteral("Label1"));
    QVERIFY(closeBox != nullptr);
    QCOMPARE(closeBox->cursor().hotSpot(), QPoint(12, 3)); // the links' pointing hand
    QCOMPARE(closeBox->cursor().pixmap().size(), QSize(32, 32));

    QTest::mouseClick(closeBox, Qt::LeftButton);
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
    QVERIFY(news.handle({Kind::Navigate, QStringLiteral("http://news.example/p")}));
    QVERIFY(news.handle({Kind::Show}));
    QVERIFY(QTest::qWaitForWindowExposed(news.form()));
    // The window rises once its page has loaded.
    views.view->finish();
    QTRY_VERIFY(news.form()->mask().isEmpty());
    // Asked by the page with no click: nothing reaches the program.
    views.view->onNewWindow(QUrl(more));
    QTest::mouseClick(views.view, Qt::LeftButton);
    views.view->onNewWindow(QUrl(more));
    views.view->onNewWindow(QUrl(more)); // once per click
    delete news.form();
    const QList<newsprotocol::Message> expected{
        {Kind::Loaded, QStringLiteral("http://news.example/p"), QStringLiteral("hi")},
        {Kind::Open, more},
        {Kind::Closed}};
    QCOMPARE(told, expected);
}

QTEST_MAIN(TestFormTan)
#include "tst_formtan.moc"
