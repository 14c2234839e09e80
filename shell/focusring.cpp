#include "focusring.h"

#include <QColor>
#include <QPainter>
#include <QRect>

namespace {

void fillRing(QPainter &painter, const QRect &outer, int width, const QColor &colour) {
    painter.fillRect(outer.left(), outer.top(), outer.width(), width, colour);
    painter.fillRect(outer.left(), outer.bottom() - width + 1, outer.width(), width, colour);
    painter.fillRect(outer.left(), outer.top(), width, outer.height(), colour);
    painter.fillRect(outer.right() - width + 1, outer.top(), width, outer.height(), colour);
}

} // namespace

void focusring::paint(QPainter &painter, const QRect &outer, int width) {
    fillRing(painter, outer, width, Qt::black);
    fillRing(painter, outer.adjusted(width, width, -width, -width), width, Qt::white);
}
