#include "desktopurlopener.h"
#include "errorrelay.h"
#include "form1.h"
#include "instancerendezvous.h"
#include "maker.h"
#include "mp3play.h"
#include "newsprocess.h"
#include "onlinecheck.h"
#include "platformchoice.h"
#include "programfolder.h"
#include "programicon.h"
#include "qtchinese.h"
#include "qtoptions.h"
#include "rootbrowser.h"
#include "systemtray.h"
#include "tintokoarguments.h"

#include <QApplication>

#include <cstdio>
#include <memory>

#include <unistd.h>

namespace {

// What the command line asks of the window: at the start, and again from
// every later start, which hands its command line to this one.
void applyOptions(Form1 &window, const TintokoArguments &options) {
    if (options.scanStep)
        window.startScanning(*options.scanStep);
}

} // namespace

int main(int argc, char *argv[]) {
    // A standard error that takes nothing (a pipe nobody reads, a stopped
    // terminal) never holds up the window.
    ErrorRelay::passQtMessages();
    // The command line first: --help and --version need no display.
    QStringList commandLine;
    for (int i = 0; i < argc; ++i)
        commandLine << QString::fromLocal8Bit(argv[i]);
    const QString version = QStringLiteral(TINTOKO_VERSION_STRING);
    const TintokoArguments options = parseTintokoArguments(commandLine, version);
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "tintoko：%s", qUtf8Printable(options.error));
        return 2;
    }
    if (!options.answer.isEmpty()) {
        std::fputs(qUtf8Printable(options.answer), stdout);
        return 0;
    }
    // Qt's -platform wins over QT_QPA_PLATFORM: the display is looked for there.
    if (const QString platform = qtoptions::platform(commandLine); !platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", platform.toLocal8Bit());
    choosePlatform();
    // One window per user and display: a later start hands its command line
    // to the running one and ends.
    std::unique_ptr<InstanceRendezvous> rendezvous;
    if (const auto status = startOnce(commandLine, "tintoko",
                                      "已经有一个 Tintoko 开着，但它没有回应。", &rendezvous))
        return *status;

    Q_INIT_RESOURCE(resources);
    QApplication app(argc, argv);
    rendezvous->listen(); // what it is handed waits for the window, in the event loop
    QApplication::setApplicationName(QStringLiteral("tintoko"));
    QApplication::setApplicationVersion(version);
    installQtChinese(); // Qt's own buttons say 确定, whatever the locale

    QApplication::setWindowIcon(programIcon()); // the window's and the tray's

    const ProgramFolder folder(QCoreApplication::applicationDirPath(),
                               ProgramFolder::userSoundFolder(),
                               ProgramFolder::sharedSoundFolders());
    Mp3Play player;
    // A recording that does not play gives way to the next one of its name:
    // the user's to a classroom's, that to the one that came with the program.
    player.setFallback([folder](const QString &path) { return folder.fallbacksAfter(path); });
    SystemTray tray;
    DesktopUrlOpener opener;
    NewsProcess news(folder.newsViewer(), [&opener](const QString &address) {
        // No browser runs as root for a news page.
        if (::geteuid() == 0)
            rootbrowser::open(address);
        else
            opener.openWebAddress(address);
    });

    Form1News newsSettings{&news, &shifou_zaixian, maker::newsServer(), maker::newsClientId(), {}};
#ifdef TINTOKO_TEST_HOOKS
    // For the end-to-end tests only: a news server of the test's own, and a
    // pop-up delay of a few seconds instead of minutes.
    if (qEnvironmentVariableIsSet("TINTOKO_TEST_NEWS_SERVER"))
        newsSettings.server = qEnvironmentVariable("TINTOKO_TEST_NEWS_SERVER");
    if (qEnvironmentVariableIsSet("TINTOKO_TEST_NEWS_DELAY")) {
        const int delay = qEnvironmentVariableIntValue("TINTOKO_TEST_NEWS_DELAY");
        newsSettings.drawDelay = [delay] { return delay; };
    }
#endif

    Form1 window({.programFolder = folder.path(),
                  .userSounds = folder.userSounds(),
                  .sharedSounds = folder.sharedSounds(),
                  .player = &player,
                  .tray = &tray,
                  .opener = &opener,
                  .news = newsSettings});
    window.show();
    applyOptions(window, options);
    QObject::connect(rendezvous.get(), &InstanceRendezvous::handed, &window,
                     [&window, &version](const QStringList &again) {
                         window.showAgain();
                         const TintokoArguments later = parseTintokoArguments(again, version);
                         if (later.error.isEmpty() && later.answer.isEmpty())
                             applyOptions(window, later);
                     });
    return QApplication::exec();
}
