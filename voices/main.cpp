#include "mp3play.h"
#include "programfolder.h"
#include "programicon.h"
#include "pulsesource.h"
#include "qtchinese.h"
#include "recorder.h"
#include "voicelines.h"
#include "voicesarguments.h"
#include "voiceswindow.h"

#include <QApplication>

#include <cstdio>
#include <memory>

int main(int argc, char *argv[]) {
    Q_INIT_RESOURCE(resources);
    Q_INIT_RESOURCE(voices);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tintoko-voices"));
    QApplication::setApplicationVersion(QStringLiteral(TINTOKO_VERSION_STRING));
    installQtChinese(); // Qt's own buttons say 确定, whatever the locale
    QApplication::setWindowIcon(programIcon());

    const VoicesArguments arguments =
        parseVoicesArguments(QApplication::arguments(), QApplication::applicationVersion());
    if (!arguments.error.isEmpty()) {
        std::fprintf(stderr, "tintoko-voices: %s", qUtf8Printable(arguments.error));
        return 2;
    }
    if (!arguments.answer.isEmpty()) {
        std::fputs(qUtf8Printable(arguments.answer), stdout);
        return 0;
    }
    // The recorder sits beside the program and plays exactly what it would.
    const ProgramFolder folder(QCoreApplication::applicationDirPath(), arguments.folder,
                               ProgramFolder::sharedSoundFolders());
    Mp3Play player;
    player.setFallback([folder](const QString &path) { return folder.fallbacksAfter(path); });
    Recorder recorder([] { return std::make_unique<PulseSource>(); });

    VoicesWindow window(folder, voicelines::all(), recorder, player,
                        arguments.chosen ? VoicesWindow::Folder::Chosen
                                         : VoicesWindow::Folder::Users);
    window.show();
    return QApplication::exec();
}
