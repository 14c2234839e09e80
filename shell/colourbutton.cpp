#include "colourbutton.h"

#include "colourvalue.h"
#include "focusring.h"

#include <QKeyEvent>
#include <QPainter>

#include <algorithm>

namespace {

bool isEnter(const QKeyEvent *event) {
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

// Return or Enter as the Space key, which presses a button down and lets it
// go; a key held down repeats nothing.
QKeyEvent asSpace(const QKeyEvent *event) {
    return {event->type(), Qt::Key_Space, event->modifiers(), QStringLiteral(" "),
            event->isAutoRepeat()};
}

} // namespace

ColourButton::ColourButton(QWidget *parent)
    : QPushButton(parent) {
    setAutoFillBackground(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ColourButton::setBackColour(quint32 value) {
    if (m_backColour == value)
        return;
    m_backColour = value;
    update();
}

void ColourButton::setBoldFocusFrame(bool on) {
    m_boldFocusFrame = on;
    update();
}

void ColourButton::paintEvent(QPaintEvent * /*event*/) {
    QPainter painter(this);
    const QRect face = rect();
    const QColor back = colourvalue::toColor(m_backColour);
    painter.fillRect(face, back);

    // A thin raised edge, sunken while pressed, in fixed greys so that it
    // never tints the face.
    const QColor light(255, 255, 255);
    const QColor dark(64, 64, 64);
    const bool down = isDown() || isChecked();
    painter.setPen(down ? dark : light);
    painter.drawLine(face.topLeft(), face.topRight());
    painter.drawLine(face.topLeft(), face.bottomLeft());
    painter.setPen(down ? light : dark);
    painter.drawLine(face.bottomLeft(), face.bottomRight());
    painter.drawLine(face.topRight(), face.bottomRight());

    const QColor ink = colourvalue::readableInk(back);
    painter.setPen(ink);
    painter.setFont(font());
    const QRect textArea = down ? face.translated(1, 1) : face;
    painter.drawText(textArea, Qt::AlignCenter | Qt::TextSingleLine, text());

    if (hasFocus() && m_boldFocusFrame) {
        focusring::paint(painter, face, std::max(3, face.height() / 8));
    } else if (hasFocus()) {
        QPen pen(ink);
        pen.setStyle(Qt::DotLine);
        painter.setPen(pen);
        painter.drawRect(face.adjusted(3, 3, -4, -4));
    }
}

void ColourButton::keyPressEvent(QKeyEvent *event) {
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        emit arrowPressed(static_cast<Qt::Key>(event->key()));
        return;
    default:
        break;
    }
    if (!isEnter(event)) {
        QPushButton::keyPressEvent(event);
        return;
    }
    QKeyEvent space = asSpace(event);
    QPushButton::keyPressEvent(&space);
    event->setAccepted(space.isAccepted());
}

void ColourButton::keyReleaseEvent(QKeyEvent *event) {
    if (!isEnter(event)) {
        QPushButton::keyReleaseEvent(event);
        return;
    }
    QKeyEvent space = asSpace(event);
    QPushButton::keyReleaseEvent(&space);
    event->setAccepted(space.isAccepted());
}
