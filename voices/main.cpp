#include "mp3play.h"
#include "programfolder.h"
#include "pulsesource.h"
#include "recorder.h"
#include "voicelines.h"
#include "voiceswindow.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>

#include <memory>

int main(int argc, char *argv[]) {
    Q_INIT_RESOURCE(resources);
    Q_INIT_RESOURCE(voices);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tintoko-voices"));
    QApplication::setApplicationVersion(QStringLiteral(TINTOKO_VERSION_STRING));
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64})
        icon.addPixmap(QPixmap(QStringLiteral(":/icons/tintoko-%1.png").arg(size), "PNG"));
    QApplication::setWindowIcon(icon);

    // The recorder sits beside the program and plays exactly what it would.
    const ProgramFolder folder(QCoreApplication::applicationDirPath(),
                               ProgramFolder::userSoundFolder());
    Mp3Play player;
    player.setFallback([folder](const QString &path) { return folder.shippedInsteadOf(path); });
    Recorder recorder([] { return std::make_unique<PulseSource>(); });

    VoicesWindow window(folder, voicelines::all(), recorder, player);
    window.show();
    return QApplication::exec();
}
