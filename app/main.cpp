#include "desktopurlopener.h"
#include "form1.h"
#include "maker.h"
#include "mp3play.h"
#include "newsprocess.h"
#include "onlinecheck.h"
#include "platformchoice.h"
#include "programfolder.h"
#include "programicon.h"
#include "qtchinese.h"
#include "rootbrowser.h"
#include "systemtray.h"

#include <QApplication>

#include <unistd.h>

int main(int argc, char *argv[]) {
    Q_INIT_RESOURCE(resources);
    choosePlatform();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tintoko"));
    QApplication::setApplicationVersion(QStringLiteral(TINTOKO_VERSION_STRING));
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
    // Temporary, until the command line is parsed: --scan and --scan=SECONDS.
    for (const QString &argument : QCoreApplication::arguments()) {
        if (argument == QLatin1String("--scan") || argument.startsWith(QLatin1String("--scan=")))
            window.startScanning(std::chrono::milliseconds(
                qRound(1000 * (argument.size() > 7 ? argument.mid(7).toDouble() : 2.0))));
    }
    return QApplication::exec();
}
