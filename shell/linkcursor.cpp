#include "linkcursor.h"

#include <QPixmap>

// The pictures are in a static library: they are there once referred to.
static void initResources() {
    Q_INIT_RESOURCE(resources);
}

QCursor linkCursor() {
    static const bool loaded = (initResources(), true);
    Q_UNUSED(loaded);
    const QPixmap hand(QStringLiteral(":/cursors/hand.png"), "PNG");
    if (hand.isNull())
        return QCursor(Qt::PointingHandCursor);
    return QCursor(hand, 12, 3);
}
