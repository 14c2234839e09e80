#include "formtan.h"
#include "newsview.h"
#include "newswindow.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QTest>

// The news window without a web view: where it appears, how it rises into
// view and how it goes.
class TestFormTan : public QObject {
    Q_OBJECT

private slots:
    void placedRisingAndOnTop();
    void closeBoxFadesThenDeletes();
    void viewerTellsAndOpensOnlyOnClicks();
};

namespace {

// A page that does what the test makes it do.
class FakeView final : public QWidget, public NewsView {
public:
    using QWidget::QWidget;
    QWidget *widget() override { return this; }
    void navigate(const QUrl &url) override { m_url = url; }
    void stop() override {}
    [[nodiscard]] QString address() const override { return m_url.toString(); }
    [[nodiscard]] bool isLoading() const override { return false; }
    [[nodiscard]] std::optional<QString> bodyText() const override { return QStringLiteral("hi"); }
    QUrl m_url;
};

class FakeViews final : public NewsViewFactory {
public:
    NewsView *createView(QWidget *parent) override { return view = new FakeView(parent); }
    FakeView *view = nullptr;
};

} // namespace

void TestFormTan::placedRisingAndOnTop() {
    auto *form = new FormTan(nullptr);
    QPointer<FormTan> guard(form);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QCOMPARE(form->size(), QSize(258, 261));
    QCOMPARE(form->geometry().bottomRight(), area.bottomRight());
    // A plain window above the others: window managers hide tool windows.
    QCOMPARE(form->windowFlags(), Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);

    // At first only the bottom row shows; the band grows 100 px a tick until
    // the whole window does.
    QCOMPARE(form->mask().boundingRect(), QRect(0, 260, 258, 1));
    form->show();
    QTRY_VERIFY(form->mask().isEmpty());
    delete form;
}

void TestFormTan::closeBoxFadesThenDeletes() {
    auto *form = new FormTan(nullptr);
    QPointer<FormTan> guard(form);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    auto *closeBox = form->findChild<QLabel *>(QStringLiteral("Label1"));
    QVERIFY(closeBox != nullptr);

    QTest::mouseClick(closeBox, Qt::LeftButton);
    // The fade runs from the event loop, so the window is still there now.
    QVERIFY(guard);
    QVERIFY(form->isVisible());
    QTRY_VERIFY(guard.isNull());
}

void TestFormTan::viewerTellsAndOpensOnlyOnClicks() {
    using newsprotocol::Kind;
    FakeViews views;
    QList<newsprotocol::Message> told;
    NewsWindow news(&views, [&told](const newsprotocol::Message &m) { told << m; });
    const QString more = QStringLiteral("http://tintoko.example/more");
    QVERIFY(news.handle({Kind::Navigate, QStringLiteral("http://news.example/p")}));
    views.view->onLoaded();
    // Asked by the page with no click: nothing reaches the program.
    views.view->onNewWindow(QUrl(more));
    QVERIFY(news.handle({Kind::Show}));
    QVERIFY(QTest::qWaitForWindowExposed(news.form()));
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
