#pragma once

#include <QString>

#include <array>

// The sixteen colours the child learns. A colour is always handled by its
// index 0..15, which is also the index of its button. Colour values are laid
// out as 0x00BBGGRR (red + 256 * green + 65536 * blue), the number the swatch,
// the buttons and the mixing read-outs work with.
namespace colourtable {

inline constexpr int kCount = 16;

inline constexpr std::array<quint32, kCount> kValues = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

// Colour value of index i (0..15).
constexpr quint32 value(int index) {
    return kValues.at(static_cast<std::size_t>(index));
}

// The index of the colour with that value; -1 for none of the sixteen.
constexpr int indexOf(quint32 value) {
    for (int i = 0; i < kCount; ++i) {
        if (kValues.at(static_cast<std::size_t>(i)) == value)
            return i;
    }
    return -1;
}

constexpr quint32 rgbToValue(int red, int green, int blue) {
    return static_cast<quint32>(red) + 256U * static_cast<quint32>(green) +
           65536U * static_cast<quint32>(blue);
}

// The names as they stand on the buttons and in the recordings' file names.
// Six of them hold two spaces between their two characters: the spaces belong
// to the caption and to the file names.
const std::array<QString, kCount> &names();

// The name of colour index (0..15).
inline const QString &name(int index) {
    return names().at(static_cast<std::size_t>(index));
}

// The name as a screen reader is given it, without the spaces: "黑色".
QString spokenName(int index);

} // namespace colourtable
