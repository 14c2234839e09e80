#pragma once

#include "form1design.h"

#include <QtGlobal>

#include <array>
#include <optional>

// The main window's two fixed arrangements. Positions of the window's direct
// children are in the window's own units (see units.h); the window does not
// scale its contents, the maximised arrangement is the normal one moved right
// and down, with the three mixing rows spaced a little wider.
struct Placement {
    int left = 0;
    int top = 0;
    friend bool operator==(const Placement &, const Placement &) = default;
};

struct Form1Layout {
    Placement text1;
    std::optional<int> text1Height; // only the maximised arrangement sets it
    Placement text2;
    std::array<Placement, 16> command1{};
    std::array<Placement, 3> label1{};
    std::array<Placement, 3> label2{};
    std::array<Placement, 3> label3{};
    std::array<Placement, 3> slider1{};
    Placement frame3;
};

// The window itself in the normal state, in twips on the screen.
struct PinnedWindow {
    static constexpr int left = 1500;
    static constexpr int top = 1005;
};

// The client area the arrangements are drawn for, in twips.
struct DesignedClient {
    static constexpr int width = form1design::kClientWidthTwips;
    static constexpr int height = form1design::kClientHeightTwips;
};

// The colour button an arrow key leads to from button `index`: the buttons
// stand in two rows of eight, Left and Right go along a row, Up and Down to
// the other row; -1 past an edge.
constexpr int arrowTarget(int index, Qt::Key key) {
    const int column = index % 8;
    switch (key) {
    case Qt::Key_Left:
        return column > 0 ? index - 1 : -1;
    case Qt::Key_Right:
        return column < 7 ? index + 1 : -1;
    case Qt::Key_Up:
        return index >= 8 ? index - 8 : -1;
    case Qt::Key_Down:
        return index < 8 ? index + 8 : -1;
    default:
        return -1;
    }
}

inline constexpr int kMaximisedDx = 3000;
inline constexpr int kMaximisedDy = 2200;

constexpr Form1Layout normalLayout() {
    Form1Layout l;
    l.text1 = {300, 118};
    l.text2 = {400, 3885};
    for (int i = 0; i < 16; ++i)
        l.command1[i] = {300 + 1418 * (i % 8), i < 8 ? 6000 : 7000};
    for (int r = 0; r < 3; ++r) {
        l.label1[r] = {95, 5905 + 825 * r};
        l.label2[r] = {8863, 5905 + 825 * r};
        l.label3[r] = {9994, 5905 + 825 * r};
        l.slider1[r] = {1131, 5787 + 825 * r};
    }
    l.frame3 = {94, 8059};
    return l;
}

constexpr Form1Layout maximisedLayout(int dx = kMaximisedDx, int dy = kMaximisedDy) {
    Form1Layout l;
    l.text1 = {dx + 300, dy + 353};
    l.text1Height = 5328;
    l.text2 = {dx + 400, dy + 3885};
    for (int i = 0; i < 16; ++i)
        l.command1[i] = {dx + 300 + 1418 * (i % 8), dy + (i < 8 ? 6000 : 7000)};
    for (int r = 0; r < 3; ++r) {
        l.label1[r] = {dx + 95, dy + 6005 + 941 * r};
        l.label2[r] = {dx + 8863, dy + 6005 + 941 * r};
        l.label3[r] = {dx + 9994, dy + 6005 + 941 * r};
        l.slider1[r] = {dx + 1131, dy + 5887 + 941 * r};
    }
    l.frame3 = {3031, 10700}; // the link row keeps its own place
    return l;
}
