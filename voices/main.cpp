#include "mp3play.h"
#include "programfolder.h"
#include "programicon.h"
#include "pulsesource.h"
#include "recorder.h"
#include "voicelines.h"
#include "voiceswindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>

#include <cstdio>
#include <memory>

int main(int argc, char *argv[]) {
    Q_INIT_RESOURCE(resources);
    Q_INIT_RESOURCE(voices);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tintoko-voices"));
    QApplication::setApplicationVersion(QStringLiteral(TINTOKO_VERSION_STRING));
    QApplication::setWindowIcon(programIcon());

    // --folder DIR records into DIR (a classroom's folder, say) instead of
    // the user's own recordings folder.
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Tintoko 录音：用自己的声音录下孩子听到的话。"));
    const QCommandLineOption folderOption(QStringLiteral("folder"),
                                          QStringLiteral("把录音存进这个文件夹。"),
                                          QStringLiteral("文件夹"));
    parser.addOption(folderOption);
    if (!parser.parse(QApplication::arguments()) || !parser.positionalArguments().isEmpty() ||
        (parser.isSet(folderOption) && parser.value(folderOption).isEmpty())) {
        std::fprintf(stderr, "tintoko-voices: %s\n%s",
                     qUtf8Printable(parser.errorText().isEmpty()
                                        ? QStringLiteral("usage: tintoko-voices [--folder DIR]")
                                        : parser.errorText()),
                     qUtf8Printable(parser.helpText()));
        return 2;
    }
    const bool chosen = parser.isSet(folderOption);
    const QString recordings =
        chosen ? QDir(parser.value(folderOption)).absolutePath() : ProgramFolder::userSoundFolder();

    // The recorder sits beside the program and plays exactly what it would.
    const ProgramFolder folder(QCoreApplication::applicationDirPath(), recordings,
                               ProgramFolder::sharedSoundFolders());
    Mp3Play player;
    player.setFallback([folder](const QString &path) { return folder.fallbacksAfter(path); });
    Recorder recorder([] { return std::make_unique<PulseSource>(); });

    VoicesWindow window(folder, voicelines::all(), recorder, player,
                        chosen ? VoicesWindow::Folder::Chosen : VoicesWindow::Folder::Users);
    window.show();
    return QApplication::exec();
}
