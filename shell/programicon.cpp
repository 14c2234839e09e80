#include "programicon.h"

#include <QPixmap>

QIcon programIcon() {
    // Naming the format keeps Qt from loading every image plugin to guess
    // it, which would cost more start-up than the icon.
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64})
        icon.addPixmap(QPixmap(QStringLiteral(":/icons/tintoko-%1.png").arg(size), "PNG"));
    return icon;
}
