#include "swatchbox.h"

#include "colourvalue.h"

#include <QPainter>

SwatchBox::SwatchBox(QWidget *parent)
    : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setEnabled(false);
    setFocusPolicy(Qt::NoFocus);
}

void SwatchBox::setBackColour(quint32 value) {
    if (m_backColour == value)
        return;
    m_backColour = value;
    update();
}

void SwatchBox::setForeColour(const QColor &colour) {
    m_foreColour = colour;
    update();
}

void SwatchBox::setText(const QString &text) {
    if (m_text == text)
        return;
    m_text = text;
    update();
}

void SwatchBox::paintEvent(QPaintEvent * /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), colourvalue::toColor(m_backColour));
    if (m_text.trimmed().isEmpty())
        return;
    painter.setPen(m_foreColour);
    painter.setFont(font());
    painter.drawText(rect().adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     m_text);
}
