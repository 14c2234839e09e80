#include "topmost.h"

#include <QWidget>

void zhiding(QWidget *window) {
    if (window == nullptr)
        return;
    if (!window->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
        // A new flag takes a new native window, which starts hidden and
        // unplaced: put it back where it was.
        const QRect geometry = window->geometry();
        const bool shown = window->isVisible();
        window->setWindowFlag(Qt::WindowStaysOnTopHint, true);
        window->setGeometry(geometry);
        if (shown)
            window->show();
    }
    if (window->isVisible()) {
        window->raise();
        window->activateWindow();
    }
}
