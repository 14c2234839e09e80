#pragma once

#include <QColor>

namespace colourvalue {

// 0x00BBGGRR to a colour.
inline QColor toColor(quint32 value) {
    return QColor(static_cast<int>(value & 0xFFU), static_cast<int>((value >> 8U) & 0xFFU),
                  static_cast<int>((value >> 16U) & 0xFFU));
}

// Black on light colours, white on dark ones.
inline QColor readableInk(const QColor &back) {
    const int luma = (299 * back.red() + 587 * back.green() + 114 * back.blue()) / 1000;
    return luma >= 128 ? QColor(0, 0, 0) : QColor(255, 255, 255);
}

} // namespace colourvalue
