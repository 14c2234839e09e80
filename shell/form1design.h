#pragma once

#include <QString>

// Figures of the main window as designed that more than one part of the
// program needs: the form description, the layout and the drill.
namespace form1design {

// The name a reader is told for colour button `index` (0..15) where its
// colour must not be named.
inline QString colourButtonName(int index) {
    return QStringLiteral("颜色按钮 %1").arg(index + 1);
}

// The client area below the menu bar, in twips (504 x 319 px at 96 dpi).
inline constexpr int kClientWidthTwips = 7560;
inline constexpr int kClientHeightTwips = 4785;

// Sizes of controls as created, in twips.
inline constexpr int kText1WidthTwips = 7155; // the swatch
inline constexpr int kText1HeightTwips = 2835;
inline constexpr int kText2WidthTwips = 7035; // its status strip
inline constexpr int kText2HeightTwips = 855;
inline constexpr int kButtonWidthTwips = 795; // a colour button
inline constexpr int kButtonHeightTwips = 435;

// The timers as designed, in milliseconds.
inline constexpr int kTimer1Ms = 2000; // automatic play at medium speed
inline constexpr int kTimer2Ms = 1000; // the status line
inline constexpr int kTimerEndMs = 100;
inline constexpr int kTimerTanMs = 1000; // the news schedule

} // namespace form1design
