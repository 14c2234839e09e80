#include "e2eenvironment.h"
#include "form1design.h"
#include "mainwindowmap.h"

#include <QTest>

#include <memory>

// The pinned window under window managers that treat a user's drag of the
// border differently: openbox lets the program shrink the window while the
// drag runs; metacity (like mutter, kwin and xfwm4) ignores the shrink until
// the drag ends and sends nothing after it. Either way, once the user lets
// go, the window is back at its place and size.
class TstE2eDesktops final : public QObject {
    Q_OBJECT

private slots:
    void borderDragSnapsBack_data();
    void borderDragSnapsBack();
};

namespace {

// The frame's top-left corner at 1500, 1005 twips; the client area below the
// menu bar as designed.
const QPoint kPinned(100, 67);
const QSize kClient(form1design::kClientWidthTwips / 15, form1design::kClientHeightTwips / 15);

} // namespace

void TstE2eDesktops::borderDragSnapsBack_data() {
    QTest::addColumn<QString>("windowManager");
    // Where the corner is grabbed, from the frame's bottom-right pixel:
    // openbox draws a border with handles, metacity resizes from an
    // invisible border outside the frame it reports.
    QTest::addColumn<QPoint>("grab");
    QTest::newRow("openbox") << QStringLiteral("openbox") << QPoint(-1, -1);
    QTest::newRow("metacity") << QStringLiteral("metacity") << QPoint(4, 4);
}

void TstE2eDesktops::borderDragSnapsBack() {
    QFETCH(QString, windowManager);
    QFETCH(QPoint, grab);
    E2eEnvironment env(E2eEnvironment::Part::WindowManager);
    env.setWindowManager(windowManager);
    QVERIFY2(env.start(), qPrintable(env.errorString()));
    QVERIFY2(env.startProgram(), qPrintable(env.errorString()));
    const quint64 window = env.waitForWindow(E2eEnvironment::kMainWindowTitle);
    QVERIFY2(window != 0, qPrintable(env.programOutput()));
    const auto pinned = [&] {
        const std::optional<MainWindowMap> map = env.waitForMainWindowMap(window, nullptr, 1000);
        return env.frameGeometry(window).topLeft() == kPinned && map.has_value() &&
               env.windowGeometry(window).bottom() - map->origin().y() + 1 == kClient.height() &&
               env.windowGeometry(window).width() == kClient.width();
    };
    QVERIFY2(E2eEnvironment::waitFor(pinned, 10000), "not pinned at the start");
    const QRect before = env.frameGeometry(window);

    // Press on the frame's bottom-right corner, drag 150 px right and down
    // in steps, and let go.
    const QPoint corner = before.bottomRight() + grab;
    QStringList drag{QStringLiteral("mousemove"), QString::number(corner.x()),
                     QString::number(corner.y()), QStringLiteral("mousedown"), QStringLiteral("1")};
    for (int step = 0; step < 10; ++step) {
        drag << QStringLiteral("sleep") << QStringLiteral("0.05")
             << QStringLiteral("mousemove_relative") << QStringLiteral("15")
             << QStringLiteral("15");
    }
    drag << QStringLiteral("sleep") << QStringLiteral("0.2") << QStringLiteral("mouseup")
         << QStringLiteral("1");
    QCOMPARE(env.run(QStringLiteral("xdotool"), drag), 0);
    qInfo("right after the drag: frame %dx%d", env.frameGeometry(window).width(),
          env.frameGeometry(window).height());

    QVERIFY2(E2eEnvironment::waitFor(pinned, 15000),
             qPrintable(QStringLiteral("after the drag: frame %1x%2 at (%3, %4)")
                            .arg(env.frameGeometry(window).width())
                            .arg(env.frameGeometry(window).height())
                            .arg(env.frameGeometry(window).x())
                            .arg(env.frameGeometry(window).y())));
    QCOMPARE(env.frameGeometry(window), before);
}

QTEST_GUILESS_MAIN(TstE2eDesktops)
#include "tst_e2e_desktops.moc"
