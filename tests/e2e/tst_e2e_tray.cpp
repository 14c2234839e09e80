#include "e2eenvironment.h"
#include "form1design.h"
#include "mainwindowmap.h"

#include <QElapsedTimer>
#include <QImage>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <memory>

// The tray icon, the window's pinned place and its maximised arrangement, as a
// user meets them on a desktop with a window manager (openbox) and a tray host
// (trayer); and the program on desktops that lack either.

namespace {

// Where the normal window's frame is pinned: (1500, 1005) twips at 96 dpi.
const QPoint kPinned(100, 67);
// The client area the arrangements are drawn for, below the menu bar.
constexpr int kClientWidth = form1design::kClientWidthTwips / 15;
constexpr int kClientHeight = form1design::kClientHeightTwips / 15;

// The program's visible windows, by their class: its pop-up menus have an
// empty title.
QList<quint64> programWindows(E2eEnvironment &env) {
    QByteArray out;
    env.run(QStringLiteral("xdotool"),
            {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
             QStringLiteral("--classname"), QStringLiteral("^tintoko$")},
            &out);
    QList<quint64> ids;
    for (const QByteArray &line : out.split('\n')) {
        if (!line.trimmed().isEmpty())
            ids.append(line.trimmed().toULongLong());
    }
    return ids;
}

// A window of the program that was not there before, at least `minHeight`
// pixels high; an empty rectangle when there is none.
QRect newWindow(E2eEnvironment &env, const QList<quint64> &before, int minHeight) {
    for (quint64 w : programWindows(env)) {
        const QRect r = env.windowGeometry(w);
        if (!before.contains(w) && r.height() >= minHeight)
            return r;
    }
    return {};
}

QString text(const QRect &r) {
    return QStringLiteral("%1x%2 at (%3, %4)").arg(r.width()).arg(r.height()).arg(r.x()).arg(r.y());
}

bool isMaximised(E2eEnvironment &env, quint64 window) {
    return env.windowStates(window).contains(QStringLiteral("_NET_WM_STATE_MAXIMIZED_VERT"));
}

bool isIconic(E2eEnvironment &env, quint64 window) {
    return !env.windowMapped(window) ||
           env.windowStates(window).contains(QStringLiteral("_NET_WM_STATE_HIDDEN"));
}

} // namespace

class TstE2eTray final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void trayIconAppears();
    void windowIsPinned();
    void resizeSnapsBack_data();
    void resizeSnapsBack();
    void moveStays();
    void maximiseAndRestore();
    void leftClickOnTrayRestores_data();
    void leftClickOnTrayRestores();
    void trayMenuExitEndsTheProgram();
    void withoutTrayHost_data();
    void withoutTrayHost();
    void cleanupTestCase();

private:
    // The window is back in its normal state, at its pinned place and size.
    bool pinned();
    QRect trayIcon();
    // Moves the frame by `by`: placed by another program (wmctrl), or dragged
    // by its title bar. True once the window manager has moved it.
    bool moveWindow(QPoint by, bool titleBar);

    std::unique_ptr<E2eEnvironment> m_env;
    quint64 m_window = 0;
    QRect m_client; // the client window (menu bar included) as first mapped
};

void TstE2eTray::initTestCase() {
    using Part = E2eEnvironment::Part;
    m_env = std::make_unique<E2eEnvironment>(Part::WindowManager | Part::TrayHost);
    QVERIFY2(m_env->start(), qPrintable(m_env->errorString()));
    QVERIFY2(m_env->startProgram(), qPrintable(m_env->errorString()));
    m_window = m_env->waitForWindow(E2eEnvironment::kMainWindowTitle);
    QVERIFY2(m_window != 0, qPrintable(m_env->programOutput()));
    // The window manager frames the window a moment after it is mapped.
    QVERIFY(E2eEnvironment::waitFor(
        [&] {
            return m_env->frameGeometry(m_window).top() < m_env->windowGeometry(m_window).top();
        },
        10000));
    m_client = m_env->windowGeometry(m_window);
}

void TstE2eTray::cleanupTestCase() {
    m_env.reset();
}

bool TstE2eTray::pinned() {
    const QRect client = m_env->windowGeometry(m_window);
    return !isMaximised(*m_env, m_window) && !isIconic(*m_env, m_window) &&
           client.size() == m_client.size() && m_env->frameGeometry(m_window).topLeft() == kPinned;
}

QRect TstE2eTray::trayIcon() {
    QList<QRect> icons;
    E2eEnvironment::waitFor(
        [&] {
            icons = m_env->trayIcons();
            return icons.size() == 1;
        },
        10000, 50);
    return icons.size() == 1 ? icons.first() : QRect();
}

void TstE2eTray::trayIconAppears() {
    const QRect icon = trayIcon();
    QVERIFY2(icon.isValid(), "no tray icon in trayer's panel");

    // It shows the palette picture: several bright colours, not a blank square.
    const QImage shot = m_env->screenshot(QStringLiteral("tray-icon"));
    QSet<QRgb> saturated;
    for (int y = icon.top(); y <= icon.bottom(); ++y) {
        for (int x = icon.left(); x <= icon.right(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            if (c.hsvSaturation() > 200 && c.value() > 150)
                saturated.insert(c.rgb());
        }
    }
    QVERIFY2(saturated.size() >= 4, qPrintable(QString::number(saturated.size())));
}

void TstE2eTray::windowIsPinned() {
    QVERIFY(pinned());
    // The client area keeps the designed 504 x 319 pixels below the menu bar;
    // the swatch and all sixteen buttons are inside it.
    QCOMPARE(m_client.width(), kClientWidth);
    QVERIFY(m_client.height() > kClientHeight);
    const QImage shot = m_env->screenshot(QStringLiteral("pinned"));
    const auto map = MainWindowMap::locate(shot, m_client);
    QVERIFY(map.has_value());
    QCOMPARE(map->origin().x(), m_client.x());
    QCOMPARE(m_client.bottom() - map->origin().y() + 1, kClientHeight);
    for (int i = 0; i < 16; ++i)
        QVERIFY(m_client.contains(map->button(i)));
    qInfo("with frame %s; window %s", qPrintable(text(m_env->frameGeometry(m_window))),
          qPrintable(text(m_client)));
}

void TstE2eTray::resizeSnapsBack_data() {
    QTest::addColumn<QSize>("asked");
    QTest::newRow("larger") << QSize(800, 600);
    QTest::newRow("smaller") << QSize(300, 200);
}

void TstE2eTray::resizeSnapsBack() {
    QFETCH(QSize, asked);
    QCOMPARE(m_env->run(QStringLiteral("xdotool"),
                        {QStringLiteral("windowsize"), QString::number(m_window),
                         QString::number(asked.width()), QString::number(asked.height())}),
             0);
    QVERIFY2(E2eEnvironment::waitFor([&] { return pinned(); }, 10000, 50),
             qPrintable(QStringLiteral("window ") + text(m_env->windowGeometry(m_window))));
}

bool TstE2eTray::moveWindow(QPoint by, bool titleBar) {
    const QRect frame = m_env->frameGeometry(m_window);
    const QPoint to = frame.topLeft() + by;
    const QString drag = QStringLiteral("mousemove %1 %2 mousedown 1 sleep 0.1 mousemove_relative "
                                        "-- %3 %4 sleep 0.1 mousemove_relative -- %3 %4 sleep 0.2 "
                                        "mouseup 1")
                             .arg(frame.center().x())
                             .arg((frame.top() + m_env->windowGeometry(m_window).top()) / 2)
                             .arg(by.x() / 2)
                             .arg(by.y() / 2);
    const QString place =
        QStringLiteral("-i -r %1 -e 0,%2,%3,-1,-1").arg(m_window).arg(to.x()).arg(to.y());
    return m_env->run(titleBar ? QStringLiteral("xdotool") : QStringLiteral("wmctrl"),
                      (titleBar ? drag : place).split(QLatin1Char(' '))) == 0 &&
           E2eEnvironment::waitFor([&] { return m_env->frameGeometry(m_window).topLeft() == to; },
                                   10000, 50);
}

void TstE2eTray::moveStays() {
    // A move changes neither size nor state: the window stays where it was
    // put, at its size, for as long as it is left there.
    for (const bool titleBar : {false, true}) {
        QVERIFY(moveWindow(QPoint(150, 80), titleBar));
        const QRect moved = m_env->frameGeometry(m_window);
        QElapsedTimer watched;
        for (watched.start(); watched.elapsed() < 3000; QTest::qWait(100))
            QCOMPARE(m_env->frameGeometry(m_window), moved);
        QCOMPARE(m_env->windowGeometry(m_window).size(), m_client.size());
    }
}

void TstE2eTray::maximiseAndRestore() {
    // Moved away from its place (by itself, whatever the test before left);
    // the restore brings it back there.
    QVERIFY(moveWindow(QPoint(-40, 30), false));
    QVERIFY(m_env->maximiseWindow(m_window));
    QVERIFY(E2eEnvironment::waitFor(
        [&] {
            return isMaximised(*m_env, m_window) &&
                   m_env->windowGeometry(m_window).width() > kClientWidth;
        },
        10000, 50));

    // The arrangement moves right and down; the swatch is found there, whole.
    // The window manager may still move or resize the maximised window after
    // it first reports it: its place is read anew with every screenshot.
    QRect client;
    QImage shot;
    std::optional<MainWindowMap> map;
    const bool found = E2eEnvironment::waitFor(
        [&] {
            client = m_env->windowGeometry(m_window);
            shot = m_env->screenshot();
            map = MainWindowMap::locate(shot, client, Qt::black, maximisedLayout());
            return map.has_value() && map->origin().x() == client.x();
        },
        10000, 100);
    m_env->keep(shot, QStringLiteral("maximised"));
    QVERIFY2(found, "no maximised arrangement in the window");
    QVERIFY(client.contains(map->button(15)));

    QVERIFY(m_env->restoreWindow(m_window));
    QVERIFY2(E2eEnvironment::waitFor([&] { return pinned(); }, 10000, 50),
             qPrintable(QStringLiteral("window %1, with frame %2")
                            .arg(text(m_env->windowGeometry(m_window)),
                                 text(m_env->frameGeometry(m_window)))));
}

void TstE2eTray::leftClickOnTrayRestores_data() {
    QTest::addColumn<bool>("maximisedFirst");
    QTest::addColumn<bool>("startedAgain"); // instead of a click on the icon
    QTest::newRow("minimised") << false << false;
    QTest::newRow("maximised, then minimised") << true << false;
    QTest::newRow("minimised, then started again") << false << true;
}

void TstE2eTray::leftClickOnTrayRestores() {
    QFETCH(bool, maximisedFirst);
    QFETCH(bool, startedAgain);
    const QRect icon = trayIcon();
    QVERIFY(icon.isValid());

    // Wherever it was moved, it comes back to its place.
    QVERIFY(moveWindow(QPoint(-60, 40), false));
    if (maximisedFirst) {
        QVERIFY(m_env->maximiseWindow(m_window));
        QVERIFY(E2eEnvironment::waitFor([&] { return isMaximised(*m_env, m_window); }, 10000));
    }
    QVERIFY(m_env->minimiseWindow(m_window));
    QVERIFY(E2eEnvironment::waitFor([&] { return isIconic(*m_env, m_window); }, 10000));

    // A second start hands its wish to this one and ends.
    if (startedAgain)
        QCOMPARE(m_env->run(E2eEnvironment::builtProgramDir() + QStringLiteral("/tintoko"), {},
                            nullptr, 20000),
                 0);
    else
        QVERIFY(m_env->click(icon.center(), 1));
    // Back in the normal state, whatever it was before minimising, and in front.
    QVERIFY2(E2eEnvironment::waitFor([&] { return pinned(); }, 10000, 50),
             qPrintable(m_env->windowStates(m_window).join(QLatin1Char(' '))));
    QByteArray active;
    QVERIFY(E2eEnvironment::waitFor(
        [&] {
            return m_env->run(QStringLiteral("xdotool"), {QStringLiteral("getactivewindow")},
                              &active) == 0 &&
                   active.trimmed().toULongLong() == m_window;
        },
        10000, 100));
    QCOMPARE(m_env->trayIcons().size(), 1);
    const QImage shot = m_env->screenshot(QStringLiteral("restored-from-tray"));
    QVERIFY(MainWindowMap::locate(shot, m_env->windowGeometry(m_window)).has_value());
}

void TstE2eTray::trayMenuExitEndsTheProgram() {
    const QRect icon = trayIcon();
    QVERIFY(icon.isValid());
    const QList<quint64> before = programWindows(*m_env);

    QVERIFY(m_env->click(icon.center(), 3));
    // The menu is a new window of the program, taller than the icon.
    QRect menu;
    QVERIFY2(E2eEnvironment::waitFor(
                 [&] {
                     menu = newWindow(*m_env, before, 3 * icon.height());
                     return menu.isValid();
                 },
                 10000, 50),
             "the tray menu did not open");
    m_env->keep(m_env->screenshot(), QStringLiteral("tray-menu"));

    // "退出(&F)" is the last item, at the bottom of the menu.
    QElapsedTimer clock;
    QVERIFY(m_env->click(QPoint(menu.center().x(), menu.bottom() - 10), 1));
    clock.start();
    QVERIFY2(m_env->waitForProgramEnd(10000), qPrintable(m_env->programOutput()));
    qInfo("the program ended %lld ms after the click on the exit item", clock.elapsed());
    QCOMPARE(m_env->program()->exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_env->program()->exitCode(), 0);
    QVERIFY(E2eEnvironment::waitFor([&] { return m_env->trayIcons().isEmpty(); }, 10000, 50));
}

void TstE2eTray::withoutTrayHost_data() {
    QTest::addColumn<bool>("windowManager");
    QTest::newRow("window manager, no tray") << true;
    QTest::newRow("no window manager, no tray") << false;
}

void TstE2eTray::withoutTrayHost() {
    QFETCH(bool, windowManager);
    using Part = E2eEnvironment::Part;
    E2eEnvironment env(windowManager ? E2eEnvironment::Parts(Part::WindowManager)
                                     : E2eEnvironment::Parts());
    QVERIFY2(env.start(), qPrintable(env.errorString()));
    QVERIFY2(env.startProgram(), qPrintable(env.errorString()));
    const quint64 window = env.waitForWindow(E2eEnvironment::kMainWindowTitle);
    QVERIFY2(window != 0, qPrintable(env.programOutput()));
    if (windowManager)
        QVERIFY(E2eEnvironment::waitFor(
            [&] { return env.frameGeometry(window).top() < env.windowGeometry(window).top(); },
            10000));

    // The window is where it belongs, and works: the swatch is drawn.
    QVERIFY(E2eEnvironment::waitFor([&] { return env.frameGeometry(window).topLeft() == kPinned; },
                                    10000, 50));
    const QRect client = env.windowGeometry(window);
    QCOMPARE(client.width(), kClientWidth);
    QImage shot;
    QVERIFY(E2eEnvironment::waitFor(
        [&] {
            shot = env.screenshot();
            return MainWindowMap::locate(shot, client).has_value();
        },
        10000, 50));
    qInfo("with frame %s; window %s", qPrintable(text(env.frameGeometry(window))),
          qPrintable(text(client)));

    // Closing still ends it: with the close box where there is a window
    // manager, else with the file menu's exit ("文件(&W)", then "退出(&T)").
    if (windowManager) {
        QVERIFY(env.closeWindow(window));
    } else {
        const QList<quint64> before = programWindows(env);
        QVERIFY(env.click(client.topLeft() + QPoint(20, 10), 1));
        QVERIFY(E2eEnvironment::waitFor([&] { return newWindow(env, before, 20).isValid(); }, 10000,
                                        50));
        QVERIFY(env.key(QStringLiteral("t")));
    }
    QVERIFY2(env.waitForProgramEnd(10000), qPrintable(env.programOutput()));
    QCOMPARE(env.program()->exitCode(), 0);
}

QTEST_GUILESS_MAIN(TstE2eTray)
#include "tst_e2e_tray.moc"
