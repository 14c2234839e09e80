#include "form1.h"
#include "mp3play.h"
#include "systemtray.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[]) {
    Q_INIT_RESOURCE(resources);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tintoko"));
    QApplication::setApplicationVersion(QStringLiteral(TINTOKO_VERSION_STRING));

    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/tintoko-%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);

    Mp3Play player;
    SystemTray tray;
    Form1 window({QCoreApplication::applicationDirPath(), &player, &tray});
    window.show();
    return QApplication::exec();
}
