#pragma once

class QPainter;
class QRect;

namespace focusring {

// The bold focus frame of a scanned control: a black ring along the inside
// of `outer` and a white one inside that, each `width` pixels wide. One of the
// two stands out on any colour, black and white included.
void paint(QPainter &painter, const QRect &outer, int width);

} // namespace focusring
