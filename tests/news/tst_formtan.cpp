#include "formtan.h"

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
};

void TestFormTan::placedRisingAndOnTop() {
    auto *form = new FormTan(nullptr);
    QPointer<FormTan> guard(form);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QCOMPARE(form->size(), QSize(258, 261));
    QCOMPARE(form->geometry().bottomRight(), area.bottomRight());
    QVERIFY(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(form->windowFlags().testFlag(Qt::FramelessWindowHint));

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

QTEST_MAIN(TestFormTan)
#include "tst_formtan.moc"
