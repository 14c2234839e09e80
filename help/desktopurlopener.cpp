#include "desktopurlopener.h"

#include <QDesktopServices>
#include <QUrl>

bool DesktopUrlOpener::open(const QUrl &url) {
    return QDesktopServices::openUrl(url);
}
