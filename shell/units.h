#pragma once

#include <cmath>

// Lengths in Tintoko's window descriptions are given in twips (1/1440 inch) and,
// for the main window's direct children, in the window's own units: 7/11 twip
// across and 0.5095989 twip down. Everything maps to pixels through the
// functions below, from the screen's logical dots per inch (96 on a plain
// desktop, where 15 twips make one pixel).
namespace units {

inline constexpr double kTwipsPerInch = 1440.0;
inline constexpr double kTwipsPerUnitX = 7.0 / 11.0;
inline constexpr double kTwipsPerUnitY = 0.5095989;
inline constexpr double kDefaultDpi = 96.0;

inline double twipsToPxF(double twips, double dpi = kDefaultDpi) {
    return twips * dpi / kTwipsPerInch;
}

inline int twipsToPx(double twips, double dpi = kDefaultDpi) {
    return static_cast<int>(std::lround(twipsToPxF(twips, dpi)));
}

inline int unitsToPxX(double units, double dpi = kDefaultDpi) {
    return twipsToPx(units * kTwipsPerUnitX, dpi);
}

inline int unitsToPxY(double units, double dpi = kDefaultDpi) {
    return twipsToPx(units * kTwipsPerUnitY, dpi);
}

} // namespace units
