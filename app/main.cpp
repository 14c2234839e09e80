#include "desktopurlopener.h"
#include "form1.h"
#include "mp3play.h"
#include "systemtray.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>

int main(int argc, char *argv[]) {
    Q_INIT_RESOURCE(resources);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tintoko"));
    QApplication::setApplicationVersion(QStringLiteral(TINTOKO_VERSION_STRING));

    // The window and tray icon. Naming the format keeps Qt from loading every
    // image plugin to guess it, which would cost more start-up than the icon.
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64})
        icon.addPixmap(QPixmap(QStringLiteral(":/icons/tintoko-%1.png").arg(size), "PNG"));
    QApplication::setWindowIcon(icon);

    Mp3Play player;
    SystemTray tray;
    DesktopUrlOpener opener;
    Form1 window({QCoreApplication::applicationDirPath(), &player, &tray, nullptr, &opener});
    window.show();
    return QApplication::exec();
}
