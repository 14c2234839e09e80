#include "e2eenvironment.h"
#include "form1design.h"
#include "mainwindowmap.h"
#include "newsserver.h"
#include "viewersandbox.h"

#include <QTest>

#include <memory>

// The pinned window under window managers that treat a user's drag of the
// border differently: openbox lets the program shrink the window while the
// drag runs; metacity (like mutter, kwin and xfwm4) ignores the shrink until
// the drag ends and sends nothing after it; Fluxbox restores a maximised
// window by deleting its _NET_WM_STATE, which Qt does not notice. Either
// way, once the user lets go, the window is back at its place and size.
// And the news window, which KWin and IceWM must keep above another
// program's active window and out of the taskbar.
class TstE2eDesktops final : public QObject {
    Q_OBJECT

private slots:
    void borderDragSnapsBack_data();
    void borderDragSnapsBack();
    void newsWindowAboveAndOutOfTaskbar_data();
    void newsWindowAboveAndOutOfTaskbar();
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
    // Maximised and restored with Alt+F10 first.
    QTest::addColumn<bool>("restoredFirst");
    QTest::newRow("openbox") << QStringLiteral("openbox") << QPoint(-1, -1) << false;
    QTest::newRow("metacity") << QStringLiteral("metacity") << QPoint(4, 4) << false;
    QTest::newRow("fluxbox, after Alt+F10 twice")
        << QStringLiteral("fluxbox") << QPoint(-1, -1) << true;
}

void TstE2eDesktops::borderDragSnapsBack() {
    QFETCH(QString, windowManager);
    QFETCH(QPoint, grab);
    QFETCH(bool, restoredFirst);
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
    if (restoredFirst) {
        // The normal arrangement comes back with the pinned place.
        const auto maximised = [&] {
            return env.windowStates(window).contains(
                QStringLiteral("_NET_WM_STATE_MAXIMIZED_VERT"));
        };
        QVERIFY(env.key(QStringLiteral("alt+F10"), window));
        QVERIFY(E2eEnvironment::waitFor(maximised, 10000));
        QVERIFY(env.key(QStringLiteral("alt+F10"), window));
        QVERIFY(E2eEnvironment::waitFor([&] { return !maximised(); }, 10000));
        QVERIFY2(E2eEnvironment::waitFor(pinned, 10000), "not pinned after the restore");
        QCOMPARE(env.frameGeometry(window), before);
    }

    // Press on the frame's bottom-right corner, drag 150 px right and down
    // in steps, hold still for longer than the program waits for a drag to
    // settle, and let go.
    const QPoint corner = before.bottomRight() + grab;
    QStringList drag{QStringLiteral("mousemove"), QString::number(corner.x()),
                     QString::number(corner.y()), QStringLiteral("mousedown"), QStringLiteral("1")};
    for (int step = 0; step < 10; ++step) {
        drag << QStringLiteral("sleep") << QStringLiteral("0.05")
             << QStringLiteral("mousemove_relative") << QStringLiteral("15")
             << QStringLiteral("15");
    }
    drag << QStringLiteral("sleep") << QStringLiteral("0.6") << QStringLiteral("mouseup")
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

void TstE2eDesktops::newsWindowAboveAndOutOfTaskbar_data() {
    QTest::addColumn<QString>("windowManager");
    QTest::addColumn<bool>("panel"); // the window manager's own taskbar, a strip of the screen
    QTest::newRow("kwin") << QStringLiteral("kwin_x11") << false;
    QTest::newRow("icewm") << QStringLiteral("icewm") << true;
}

void TstE2eDesktops::newsWindowAboveAndOutOfTaskbar() {
    QFETCH(QString, windowManager);
    QFETCH(bool, panel);
    NewsServer server;
    QVERIFY(server.start());
    server.setPage(QStringLiteral("/rjshengji/gg_tan.htm"),
                   "<html><body style='background:#00ff00'>news</body></html>");
    E2eEnvironment env(E2eEnvironment::Part::WindowManager);
    env.setWindowManager(windowManager);
    QVERIFY2(env.start(), qPrintable(env.errorString()));
    QProcessEnvironment extra;
    extra.insert(QStringLiteral("TINTOKO_TEST_NEWS_SERVER"), server.address());
    QVERIFY2(env.startProgram({}, extra), qPrintable(env.errorString()));
    const quint64 window = env.waitForWindow(E2eEnvironment::kMainWindowTitle);
    QVERIFY2(window != 0, qPrintable(env.programOutput()));
    QVERIFY(env.waitForMainWindowMap(window).has_value());

    QVERIFY(env.chooseMenuEntry(window, QStringLiteral("alt+h"), QStringLiteral("w")));
    const quint64 news = env.waitForWindow(QStringLiteral("^新闻资讯$"), 30000);
    QVERIFY2(news != 0, qPrintable(env.programOutput()));
    // Another program's window over the news window's corner, and active.
    QVERIFY(env.startOther(QStringLiteral("xmessage"), QStringLiteral("xmessage"),
                           {QStringLiteral("-geometry"), QStringLiteral("600x500+600+250"),
                            QStringLiteral("another program")}) != nullptr);
    const quint64 other = env.waitForWindow(QStringLiteral("^xmessage$"));
    QVERIFY(other != 0);
    QVERIFY(env.activateWindow(other));

    // The page shows above it, the whole window risen (where the engine's
    // sandbox cannot run, the window's note in the page's place).
    const QRect rect = env.windowGeometry(news);
    const bool page = viewersandbox::namespacesWork();
    const QPoint seen = page ? rect.topLeft() + QPoint(120, 60) : rect.bottomRight() - QPoint(9, 8);
    QImage shot;
    QVERIFY2(E2eEnvironment::waitFor(
                 [&] {
                     shot = env.screenshot();
                     return shot.pixelColor(seen) == (page ? Qt::green : QColor(0xff, 0xf4, 0xd6));
                 },
                 30000),
             "the page is not above the other window");
    env.keep(shot, windowManager + QStringLiteral("-news"));

    // Not in the taskbar nor the pager; in the corner of the work area.
    const QStringList states = env.windowStates(news);
    QVERIFY2(states.contains(QStringLiteral("_NET_WM_STATE_SKIP_TASKBAR")) &&
                 states.contains(QStringLiteral("_NET_WM_STATE_SKIP_PAGER")),
             qPrintable(states.join(QLatin1Char(' '))));
    // (KWin sets no _NET_WORKAREA: then the work area is the screen.)
    QByteArray out;
    env.run(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_WORKAREA")},
            &out);
    const QStringList area =
        QString::fromUtf8(out).section(QLatin1Char('='), 1).split(QLatin1Char(','));
    const QRect workArea =
        area.size() >= 4 ? QRect(area[0].toInt(), area[1].toInt(), area[2].toInt(), area[3].toInt())
                         : QRect(0, 0, 1280, 800);
    QCOMPARE(workArea.height() < 800, panel);
    QCOMPARE(rect, QRect(workArea.bottomRight() - QPoint(257, 260), QSize(258, 261)));
}

QTEST_GUILESS_MAIN(TstE2eDesktops)
#include "tst_e2e_desktops.moc"
