#include "e2eenvironment.h"
#include "mainwindowmap.h"
#include "maker.h"
#include "newsserver.h"
#include "processtree.h"
#include "viewersandbox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTcpServer>
#include <QTest>

#include <csignal>
#include <memory>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kPagePath = QStringLiteral("/rjshengji/gg_tan.htm");
const QString kNewsTitle = QStringLiteral("^新闻资讯$");
const QColor kPageColour(0x33, 0xcc, 0x33);
const QColor kNoticeColour(0xff, 0xf4, 0xd6); // the news window's own note

QByteArray procFile(qint64 pid, const char *name) {
    QFile file(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray page(const char *words) {
    return QByteArray("<html><head><meta charset=\"utf-8\"></head>"
                      "<body style=\"background:#33cc33\"><p>") +
           words +
           "</p><p><a id=\"web\" href=\"http://tintoko.example/more-news\" target=\"_blank\">"
           "<span style=\"display:block;width:60px;height:40px;background:#0000ff\"></span></a>"
           "<a id=\"file\" href=\"file:///etc/hostname\" target=\"_blank\">"
           "<span style=\"display:block;width:60px;height:40px;background:#ff0000\"></span></a>"
           "</p></body></html>";
}

} // namespace

// The help menu in the real program: the about box opens from the keyboard and
// closes with Enter, a link of the link row reaches the default browser (a
// stand-in for xdg-open that writes down what it is given), and the news
// window, with the real web engine against a news server of the test's own: on demand it rises in
// the corner of the work area above other windows and loads the page once; links opened in a new
// window go to the default browser (a stand-in here) when they are web addresses; the timed pop-up
// shows a page with the marker and not one without; a page that cannot be had gives way to a note
// of the window's own; Escape closes the window; a frozen viewer is replaced; the engine keeps its
// sandbox, as root too; and without the news viewer the entry does nothing.
class TstE2eHelp final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void aboutBoxAndLink();
    void onDemand();
    void newWindowLinks();
    void timedPopUp_data();
    void timedPopUp();
    void endlessPage();
    void popUpLoop();
    void notices_data();
    void notices();
    void frozenViewer();
    void withoutTheViewer();
    void init();
    void cleanup() { m_env.reset(); }

private:
    // A desktop with the program on it; the news window pops up by itself
    // after `delay` online seconds (none: the usual minutes). Without the
    // viewer, the program runs from a copy of its folder that lacks it.
    void startDesktop(int delay = 0, bool withViewer = true, QProcessEnvironment extra = {});
    bool openHelpEntry(const QString &key);
    QByteArray browserLog() const;
    // The processes under the program: the viewer and the engine's.
    QList<qint64> viewerProcesses() const;

    NewsServer m_server;
    std::unique_ptr<E2eEnvironment> m_env;
    quint64 m_window = 0;
};

void TstE2eHelp::initTestCase() {
    QVERIFY(m_server.start());
}

// The checks that need a news page skip where none can be shown.
void TstE2eHelp::init() {
    const QByteArrayList pages{"newWindowLinks", "timedPopUp", "endlessPage", "popUpLoop",
                               "frozenViewer"};
    if (pages.contains(QTest::currentTestFunction()) && !viewersandbox::namespacesWork())
        QSKIP(kNoEngineSandbox);
}

void TstE2eHelp::startDesktop(int delay, bool withViewer, QProcessEnvironment extra) {
    m_env = std::make_unique<E2eEnvironment>(E2eEnvironment::Part::WindowManager);
    QVERIFY2(m_env->start(), qPrintable(m_env->errorString()));
    QString programDir;
    if (!withViewer) {
        // The copy holds the program, its recordings and instructions only.
        programDir = m_env->copyProgramDir();
        QVERIFY(!programDir.isEmpty());
        QVERIFY(!QFile::exists(programDir + QStringLiteral("/tintoko-news")));
    }

    // A default browser that writes down what it is given, which any user
    // may run (a root program's runs as the caller of sudo).
    const QString bin = m_env->workDir() + QStringLiteral("/bin");
    QVERIFY(QDir().mkpath(bin) && QDir().mkpath(m_env->workDir() + QStringLiteral("/log")));
    QVERIFY(::chmod(QFile::encodeName(m_env->workDir()).constData(), 0711) == 0 &&
            ::chmod(QFile::encodeName(m_env->workDir() + QStringLiteral("/log")).constData(),
                    0777) == 0);
    QFile browser(bin + QStringLiteral("/xdg-open"));
    QVERIFY(browser.open(QIODevice::WriteOnly));
    browser.write(QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$*\" >> '%1/log/browser.log'\n")
                      .arg(m_env->workDir())
                      .toUtf8());
    browser.close();
    QVERIFY(::chmod(QFile::encodeName(browser.fileName()).constData(), 0755) == 0);

    extra.insert(QStringLiteral("PATH"),
                 bin + QLatin1Char(':') + m_env->environment().value(QStringLiteral("PATH")));
    if (!extra.contains(QStringLiteral("TINTOKO_TEST_NEWS_SERVER")))
        extra.insert(QStringLiteral("TINTOKO_TEST_NEWS_SERVER"), m_server.address());
    if (delay > 0)
        extra.insert(QStringLiteral("TINTOKO_TEST_NEWS_DELAY"), QString::number(delay));
    // A root program starts the browser as the caller of sudo: here nobody.
    if (::geteuid() == 0)
        extra.insert(QStringLiteral("SUDO_UID"), QString::number(::getpwnam("nobody")->pw_uid));
    // Painted, ready for keys.
    QVERIFY2(m_env->startMainWindow(&m_window, programDir, extra).has_value(),
             qPrintable(m_env->errorString()));
}

bool TstE2eHelp::openHelpEntry(const QString &key) {
    return m_env->chooseMenuEntry(m_window, QStringLiteral("alt+h"), key);
}

QList<qint64> TstE2eHelp::viewerProcesses() const {
    QList<qint64> members = processtree::members(m_env->program()->processId());
    if (!members.isEmpty())
        members.removeFirst();
    return members;
}

QByteArray TstE2eHelp::browserLog() const {
    QFile log(m_env->workDir() + QStringLiteral("/log/browser.log"));
    return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
}

void TstE2eHelp::aboutBoxAndLink() {
    startDesktop();
    const QString title = QStringLiteral("^关于Tintoko\\.\\.\\.$");
    QVERIFY(openHelpEntry(QStringLiteral("g")));
    const quint64 about = m_env->waitForWindow(title);
    QVERIFY2(about != 0, "no about box");
    QVERIFY(m_env->key(QStringLiteral("Return"), about));
    QVERIFY(E2eEnvironment::waitFor([&] { return m_env->visibleWindows(title).isEmpty(); }, 10000));

    // Link 3 lies in Frame3 at 3180, 120 twips, 2415 x 315 twips large.
    const auto map = m_env->waitForMainWindowMap(m_window);
    QVERIFY(map.has_value());
    const QPoint link =
        map->toScreen(normalLayout().frame3) + QPoint((3180 + 2415 / 2) / 15, (120 + 315 / 2) / 15);
    QVERIFY(m_env->click(link));
    QVERIFY2(E2eEnvironment::waitFor([&] { return browserLog().endsWith('\n'); }, 10000),
             "no browser was started");
    QCOMPARE(QString::fromUtf8(browserLog()), "http://" + maker::linkSite() + "/rj\n");
}

void TstE2eHelp::onDemand() {
    m_server.setPage(kPagePath, page("小朋友的新闻"));
    const int before = m_server.requests(kPagePath);
    QProcessEnvironment flags; // a switch with one dash is taken out too
    flags.insert(QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS"), QStringLiteral("-no-sandbox"));
    startDesktop(0, true, flags);

    // Another program's window over the corner where the news window goes.
    QVERIFY(m_env->startOther(QStringLiteral("cover"), QStringLiteral("xmessage"),
                              {QStringLiteral("-geometry"), QStringLiteral("400x400-0-0"),
                               QStringLiteral("cover")}) != nullptr);
    QVERIFY(m_env->waitForWindow(QStringLiteral("^xmessage$")) != 0);

    QVERIFY(openHelpEntry(QStringLiteral("w")));
    const quint64 news = m_env->waitForWindow(kNewsTitle, 30000);
    QVERIFY2(news != 0, qPrintable(m_env->programOutput()));
    QVERIFY(m_env->run(QStringLiteral("xdotool"),
                       {QStringLiteral("search"), QStringLiteral("--name"),
                        QStringLiteral("^xmessage$"), QStringLiteral("windowraise")}) == 0);

    // Its bottom-right corner is the screen's (openbox keeps no panel), and
    // the page shows above the other window.
    const QRect frame = m_env->windowGeometry(news);
    QCOMPARE(frame.bottomRight(), QPoint(1279, 799));
    QCOMPARE(frame.size(), QSize(258, 261));
    // Where the engine's sandbox cannot run, the window's note stands in the
    // page's place, nothing is asked of the server and no engine starts.
    const bool pages = viewersandbox::namespacesWork();
    const QPoint inside = frame.topLeft() + QPoint(200, 200);
    const QPoint seen = pages ? inside : frame.bottomRight() - QPoint(9, 8);
    QVERIFY2(E2eEnvironment::waitFor(
                 [&] {
                     return m_env->screenshot().pixelColor(seen) ==
                            (pages ? kPageColour : kNoticeColour);
                 },
                 30000),
             "the page is not visible in the news window");
    m_env->keep(m_env->screenshot(), QStringLiteral("news"));
    QCOMPARE(m_server.requests(kPagePath), before + int(pages));
    for (qint64 pid : viewerProcesses())
        QVERIFY(pages || !procFile(pid, "cmdline").contains("QtWebEngineProcess"));
    if (!pages)
        QSKIP(kNoEngineSandbox);

    // The page is in the engine's sandbox, also when the program runs as
    // root: no process runs without it or as root, and the page's renderer
    // has its system call filter.
    const QList<qint64> viewer = viewerProcesses();
    QVERIFY(viewer.size() >= 3);
    for (qint64 pid : viewer) {
        const QByteArray cmdline = procFile(pid, "cmdline").replace('\0', ' ');
        QVERIFY2(!cmdline.contains("--no-sandbox"), cmdline.constData());
        QVERIFY2(!procFile(pid, "status").contains("\nUid:\t0\t"), cmdline.constData());
    }
    QVERIFY(std::any_of(viewer.cbegin(), viewer.cend(), [](qint64 pid) {
        return procFile(pid, "status").contains("\nSeccomp:\t2\n");
    }));
    // The viewer leads a session of its own, without a terminal, and is not
    // dumpable: its files in /proc are root's, not its account's.
    const QList<QByteArray> stat = procFile(viewer.first(), "stat").split(' ');
    QCOMPARE(stat.value(5).toLongLong(), viewer.first());
    QCOMPARE(stat.value(6), QByteArray("0"));
    QCOMPARE(QFileInfo(QStringLiteral("/proc/%1/environ").arg(viewer.first())).ownerId(), 0U);

    // A second choice shows the same page without asking the server again:
    // once the about box answers, the entry has been handled.
    QVERIFY(openHelpEntry(QStringLiteral("w")));
    QVERIFY(openHelpEntry(QStringLiteral("g")));
    const quint64 about = m_env->waitForWindow(QStringLiteral("^关于Tintoko\\.\\.\\.$"));
    QVERIFY(about != 0);
    QCOMPARE(m_server.requests(kPagePath), before + 1);
    QVERIFY(m_env->key(QStringLiteral("Return"), about));
    QVERIFY(E2eEnvironment::waitFor([&] { return !m_env->windowMapped(about); }, 10000));

    // Escape closes the window, also while the page has the keyboard.
    QVERIFY(m_env->click(inside));
    QVERIFY(m_env->key(QStringLiteral("Escape"), news));
    QVERIFY2(
        E2eEnvironment::waitFor([&] { return m_env->visibleWindows(kNewsTitle).isEmpty(); }, 10000),
        "Escape did not close the news window");

    // Ending the program takes the window and the web engine with it.
    QVERIFY(m_env->closeWindow(m_window));
    QVERIFY2(m_env->waitForProgramEnd(15000), "the program did not end");
}

void TstE2eHelp::newWindowLinks() {
    m_server.setPage(kPagePath, page("links"));
    startDesktop();
    QVERIFY(openHelpEntry(QStringLiteral("w")));
    const quint64 news = m_env->waitForWindow(kNewsTitle, 30000);
    QVERIFY(news != 0);
    const QRect frame = m_env->windowGeometry(news);

    // The blue and the red block, as the page lays them out.
    QPoint web;
    QPoint file;
    QVERIFY(E2eEnvironment::waitFor(
        [&] {
            const QImage shot = m_env->screenshot();
            for (int y = frame.top() + 24; y < frame.bottom() && (web.isNull() || file.isNull());
                 ++y) {
                for (int x = frame.left() + 4; x < frame.right(); ++x) {
                    const QColor c = shot.pixelColor(x, y);
                    if (web.isNull() && c == QColor(0, 0, 255))
                        web = QPoint(x + 5, y + 5);
                    if (file.isNull() && c == QColor(255, 0, 0))
                        file = QPoint(x + 5, y + 5);
                }
            }
            return !web.isNull() && !file.isNull();
        },
        30000));

    QVERIFY(m_env->click(file));
    QVERIFY(m_env->click(web));
    QVERIFY2(E2eEnvironment::waitFor([&] { return browserLog().endsWith('\n'); }, 15000),
             "no browser was started");
    // Only the web address, though the file link was clicked first.
    QCOMPARE(browserLog(), QByteArray("http://tintoko.example/more-news\n"));
    QCOMPARE(QFileInfo(m_env->workDir() + QStringLiteral("/log/browser.log")).ownerId(),
             ::geteuid() == 0 ? ::getpwnam("nobody")->pw_uid : ::geteuid());
}

void TstE2eHelp::timedPopUp_data() {
    QTest::addColumn<QByteArray>("words");
    QTest::addColumn<bool>("shown");
    QTest::newRow("marker") << QByteArray("今天的 RuanJianGuangGao") << true;
    QTest::newRow("no marker") << QByteArray("今天没有") << false;
}

void TstE2eHelp::timedPopUp() {
    QFETCH(QByteArray, words);
    QFETCH(bool, shown);
    m_server.setPage(kPagePath, page(words.constData()));
    const int before = m_server.requests(kPagePath);

    // One online second of delay: the page is asked for at the 6th tick of
    // Timer_tan and checked at the 13th.
    startDesktop(1);
    QVERIFY2(E2eEnvironment::waitFor([&] { return m_server.requests(kPagePath) > before; }, 30000),
             "the timed pop-up asked for nothing");
    if (shown) {
        QVERIFY2(m_env->waitForWindow(kNewsTitle, 30000) != 0, "no news window");
    } else {
        // The check comes 7 ticks after the request; the window must not
        // appear for a while after that.
        QVERIFY(!E2eEnvironment::waitFor(
            [&] { return !m_env->visibleWindows(kNewsTitle).isEmpty(); }, 12000));
    }
    QCOMPARE(m_server.requests(kPagePath), before + 1);
}

void TstE2eHelp::endlessPage() {
    // A news page that never ends: the program stops it after 20 s, or ends
    // the viewer sooner if it takes too much memory.
    m_server.setEndless(kPagePath);
    const int before = m_server.abandoned();
    startDesktop();
    QVERIFY(openHelpEntry(QStringLiteral("w")));
    const qint64 pid = m_env->program()->processId();
    qint64 most = 0;
    QVERIFY2(E2eEnvironment::waitFor(
                 [&] {
                     most = std::max(most, processtree::memoryBytes(pid));
                     return m_server.abandoned() > before;
                 },
                 60000),
             "the endless page was never stopped");
    // The program, the viewer and the engine's processes together: the
    // viewer's ceiling of 768 MiB of its own, what a page can add between two checks,
    // and the program (more under the sanitizers). Unbounded, such a page
    // took over 3 GiB.
    qInfo("at most %lld MiB", most >> 20);
    QVERIFY2(most < (qint64(1536) << 20), qPrintable(QString::number(most >> 20)));
}

void TstE2eHelp::popUpLoop() {
    // A page that opens a window every 20 ms: only a click of the user's
    // reaches the browser, and only once.
    m_server.setPage(kPagePath,
                     "<html><body style=\"background:#33cc33\"><script>setInterval(function() {"
                     "window.open('http://tintoko.example/popup'); }, 20);</script></body></html>");
    startDesktop();
    QVERIFY(openHelpEntry(QStringLiteral("w")));
    const quint64 news = m_env->waitForWindow(kNewsTitle, 30000);
    QVERIFY(news != 0);
    const QPoint inside = m_env->windowGeometry(news).topLeft() + QPoint(120, 150);
    QVERIFY(E2eEnvironment::waitFor(
        [&] { return m_env->screenshot().pixelColor(inside) == kPageColour; }, 30000));
    QVERIFY(!E2eEnvironment::waitFor([&] { return !browserLog().isEmpty(); }, 3000));
    QVERIFY(m_env->click(inside));
    QVERIFY2(E2eEnvironment::waitFor([&] { return !browserLog().isEmpty(); }, 10000),
             "a click opened nothing");
    QVERIFY(!E2eEnvironment::waitFor([&] { return browserLog().count('\n') > 1; }, 3000));
    QCOMPARE(browserLog(), QByteArray("http://tintoko.example/popup\n"));
}

void TstE2eHelp::notices_data() {
    QTest::addColumn<QString>("server"); // empty: a server that answers 404
    QTest::addColumn<QString>("lang");
    QTest::newRow("no server, C locale") << "http://news.tintoko.invalid"
                                         << "C";
    QTest::newRow("no server, Chinese locale") << "http://news.tintoko.invalid"
                                               << "zh_CN.UTF-8";
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    QTest::newRow("server down") << QStringLiteral("http://127.0.0.1:%1").arg(closed.serverPort())
                                 << "C";
    QTest::newRow("server error") << QString() << "zh_CN.UTF-8";
}

void TstE2eHelp::notices() {
    QFETCH(QString, server);
    QFETCH(QString, lang);
    NewsServer empty;
    if (server.isEmpty()) {
        QVERIFY(empty.start());
        server = empty.address();
    }
    QProcessEnvironment extra;
    extra.insert(QStringLiteral("TINTOKO_TEST_NEWS_SERVER"), server);
    extra.insert(QStringLiteral("LANG"), lang);
    extra.insert(QStringLiteral("LANGUAGE"), lang);
    startDesktop(0, true, extra);
    QVERIFY(openHelpEntry(QStringLiteral("w")));
    // The note's colour fills the page's place in the corner, with its words
    // on it. (In the C locale, the legacy title that xdotool searches cannot
    // hold the window's Chinese title.)
    const QRect page(1022 + 4, 539 + 24, 245, 229);
    QVERIFY2(E2eEnvironment::waitFor(
                 [&] {
                     const QImage shot = m_env->screenshot();
                     return shot.pixelColor(page.bottomRight()) == kNoticeColour &&
                            shot.pixelColor(page.topLeft()) == kNoticeColour &&
                            MainWindowMap::pixelsNear(shot, page, QColor(0x5c, 0x43, 0x00), 60) >
                                100;
                 },
                 30000),
             qPrintable(m_env->programOutput()));
    m_env->keep(m_env->screenshot(), QStringLiteral("notice"));
}

void TstE2eHelp::frozenViewer() {
    m_server.setPage(kPagePath, page("冻住"));
    startDesktop();
    QVERIFY(openHelpEntry(QStringLiteral("w")));
    QVERIFY(m_env->waitForWindow(kNewsTitle, 30000) != 0);
    const qint64 frozen = viewerProcesses().value(0);
    QVERIFY(frozen != 0);
    QCOMPARE(::kill(pid_t(frozen), SIGSTOP), 0);

    // The next request finds it frozen, ends it and shows a new window.
    QVERIFY(openHelpEntry(QStringLiteral("w")));
    QVERIFY2(E2eEnvironment::waitFor([&] { return procFile(frozen, "cmdline").isEmpty(); }, 30000),
             "the frozen viewer was not ended");
    QVERIFY2(E2eEnvironment::waitFor(
                 [&] {
                     const QList<quint64> windows = m_env->visibleWindows(kNewsTitle);
                     return windows.size() == 1 &&
                            m_env->screenshot().pixelColor(
                                m_env->windowGeometry(windows.first()).topLeft() +
                                QPoint(200, 200)) == kPageColour;
                 },
                 30000),
             "no new news window");
}

void TstE2eHelp::withoutTheViewer() {
    const int before = m_server.requests(kPagePath);
    startDesktop(0, false);
    QVERIFY(openHelpEntry(QStringLiteral("w")));
    QVERIFY(openHelpEntry(QStringLiteral("g")));
    QVERIFY(m_env->waitForWindow(QStringLiteral("^关于Tintoko\\.\\.\\.$")) != 0);
    QVERIFY(m_env->visibleWindows(kNewsTitle).isEmpty());
    QCOMPARE(m_server.requests(kPagePath), before);
}

QTEST_GUILESS_MAIN(TstE2eHelp)
#include "tst_e2e_help.moc"
