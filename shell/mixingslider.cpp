#include "mixingslider.h"

#include "focusring.h"

#include <QPainter>

MixingSlider::MixingSlider(QWidget *parent)
    : QSlider(Qt::Horizontal, parent) {}

void MixingSlider::setBoldFocusFrame(bool on) {
    m_boldFocusFrame = on;
    update();
}

void MixingSlider::paintEvent(QPaintEvent *event) {
    QSlider::paintEvent(event);
    if (!m_boldFocusFrame || !hasFocus())
        return;
    // Thinner than a button's: the handle stays in sight between the rings.
    QPainter painter(this);
    focusring::paint(painter, rect(), 2);
}
