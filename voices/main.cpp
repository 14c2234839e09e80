#include "instancerendezvous.h"
#include "mp3play.h"
#include "programfolder.h"
#include "programicon.h"
#include "pulsesource.h"
#include "qtchinese.h"
#include "qtoptions.h"
#include "recorder.h"
#include "voicelines.h"
#include "voicesarguments.h"
#include "voiceswindow.h"

#include <QApplication>

#include <cstdio>
#include <memory>

int main(int argc, char *argv[]) {
    // The command line first: --help and --version need no display.
    QStringList commandLine;
    for (int i = 0; i < argc; ++i)
        commandLine << QString::fromLocal8Bit(argv[i]);
    const VoicesArguments arguments =
        parseVoicesArguments(commandLine, QStringLiteral(TINTOKO_VERSION_STRING));
    if (!arguments.error.isEmpty()) {
        std::fprintf(stderr, "tintoko-voices：%s", qUtf8Printable(arguments.error));
        return 2;
    }
    if (!arguments.answer.isEmpty()) {
        std::fputs(qUtf8Printable(arguments.answer), stdout);
        return 0;
    }
    // Qt's -platform wins over QT_QPA_PLATFORM: the display is looked for there.
    if (const QString platform = qtoptions::platform(commandLine); !platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", platform.toLocal8Bit());
    // One recorder window per user and display: a later start brings it back
    // and ends. It keeps recording into its own folder.
    std::unique_ptr<InstanceRendezvous> rendezvous;
    if (const auto status = startOnce(commandLine, "tintoko-voices",
                                      "已经有一个录音程序开着，但它没有回应。", &rendezvous))
        return *status;

    Q_INIT_RESOURCE(resources);
    Q_INIT_RESOURCE(voices);
    QApplication app(argc, argv);
    rendezvous->listen(); // what it is handed waits for the window, in the event loop
    QApplication::setApplicationName(QStringLiteral("tintoko-voices"));
    QApplication::setApplicationVersion(QStringLiteral(TINTOKO_VERSION_STRING));
    installQtChinese(); // Qt's own buttons say 确定, whatever the locale
    QApplication::setWindowIcon(programIcon());

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
    QObject::connect(rendezvous.get(), &InstanceRendezvous::handed, &window, [&window] {
        if (window.isMinimized())
            window.showNormal();
        window.show();
        window.raise();
        window.activateWindow();
    });
    return QApplication::exec();
}
