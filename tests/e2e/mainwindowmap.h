#pragma once

#include "app/form1layout.h"

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>

#include <optional>

// Where the main window's controls are on the screen. The height of the menu
// bar cannot be known from outside, so the map is anchored on the swatch
// `Text1`, found in a screenshot as a solid block of its colour (black at
// start-up) inside the window's client area; every other control is placed
// from there by the same arrangement the program uses, at 96 dots per inch.
class MainWindowMap {
public:
    // The origin is the screen position of unit (0, 0) of the client area,
    // i.e. just below the menu bar.
    MainWindowMap(QPoint origin, const Form1Layout &layout);

    // Finds the swatch in `screen` inside `client` (the window's client area
    // in screen coordinates); nullopt when no block of `swatchColour`, as wide
    // as the swatch and at least 60 pixels high, is there.
    static std::optional<MainWindowMap> locate(const QImage &screen, const QRect &client,
                                               const QColor &swatchColour = Qt::black,
                                               const Form1Layout &layout = normalLayout());

    QPoint origin() const { return m_origin; }
    QPoint toScreen(const Placement &p) const;
    // Text1 at its creation height (or the maximised height of the layout).
    QRect swatch() const;
    // The part of Text1 above the status strip Text2: only the swatch colour.
    QRect swatchFace() const;
    QRect statusStrip() const;     // Text2
    QRect button(int index) const; // Command1(index)
    QPoint buttonCentre(int index) const { return button(index).center(); }
    // A point inside the button, 4 pixels in from its left edge at mid height:
    // on the button face, clear of the caption.
    QPoint buttonFacePoint(int index) const;

    // The colour most pixels of the rectangle have (after clipping it to the
    // image); invalid for an empty rectangle.
    static QColor mostFrequentColour(const QImage &image, const QRect &rect);
    // How many pixels of the rectangle (after clipping it to the image) are
    // near the colour: red, green and blue differences summed below
    // `tolerance`. Counts text in a known ink, or, subtracted from the area,
    // whatever differs from a background.
    static int pixelsNear(const QImage &image, const QRect &rect, const QColor &colour,
                          int tolerance = 96);
    // The rectangle shrunk by `by` pixels on every side.
    static QRect inner(const QRect &rect, int by) { return rect.adjusted(by, by, -by, -by); }

private:
    QPoint m_origin;
    Form1Layout m_layout;
};
