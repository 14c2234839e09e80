#include "mainwindowmap.h"

#include "form1design.h"
#include "shell/units.h"

#include <QHash>

#include <cstdlib>

namespace {

// Creation sizes, in twips, as the form makes them.
constexpr int kText1Width = form1design::kText1WidthTwips;
constexpr int kText1Height = form1design::kText1HeightTwips;
constexpr int kText2Width = form1design::kText2WidthTwips;
constexpr int kText2Height = form1design::kText2HeightTwips;
constexpr int kButtonWidth = form1design::kButtonWidthTwips;
constexpr int kButtonHeight = form1design::kButtonHeightTwips;

// The least height of solid colour taken for the swatch: far larger than any
// glyph of the menu bar, and larger than a colour button.
constexpr int kMinSwatchHeight = 60;

QRgb rgbAt(const QImage &image, int x, int y) {
    return reinterpret_cast<const QRgb *>(image.constScanLine(y))[x] & 0xffffff;
}

bool solidBlock(const QImage &image, int x0, int y0, int w, int h, QRgb rgb) {
    for (int y = y0; y < y0 + h; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = x0; x < x0 + w; ++x) {
            if ((line[x] & 0xffffff) != rgb)
                return false;
        }
    }
    return true;
}

} // namespace

MainWindowMap::MainWindowMap(QPoint origin, const Form1Layout &layout)
    : m_origin(origin)
    , m_layout(layout) {}

std::optional<MainWindowMap> MainWindowMap::locate(const QImage &screen, const QRect &client,
                                                   const QColor &swatchColour,
                                                   const Form1Layout &layout) {
    const QImage image = screen.convertToFormat(QImage::Format_RGB32);
    const QRect area = client.intersected(image.rect());
    const QRgb rgb = swatchColour.rgb() & 0xffffff;
    // Row by row, the first pixel that starts a solid block exactly as wide
    // as the swatch, with another colour on its left and right, is the
    // swatch's top-left corner. (A window mapped but not yet painted shows
    // the black root through all of its client area.)
    const int width = units::twipsToPx(kText1Width);
    const auto other = [&](int x, int y) {
        return x < 0 || x >= image.width() || rgbAt(image, x, y) != rgb;
    };
    for (int y = area.top(); y + kMinSwatchHeight - 1 <= area.bottom(); ++y) {
        for (int x = area.left(); x + width - 1 <= area.right(); ++x) {
            if (rgbAt(image, x, y) == rgb && other(x - 1, y) && other(x + width, y) &&
                rgbAt(image, x + width - 1, y + kMinSwatchHeight - 1) == rgb &&
                solidBlock(image, x, y, width, kMinSwatchHeight, rgb)) {
                const QPoint corner(x, y);
                const QPoint offset(units::unitsToPxX(layout.text1.left),
                                    units::unitsToPxY(layout.text1.top));
                return MainWindowMap(corner - offset, layout);
            }
        }
    }
    return std::nullopt;
}

QPoint MainWindowMap::toScreen(const Placement &p) const {
    return m_origin + QPoint(units::unitsToPxX(p.left), units::unitsToPxY(p.top));
}

QRect MainWindowMap::swatch() const {
    const int height = m_layout.text1Height ? units::unitsToPxY(*m_layout.text1Height)
                                            : units::twipsToPx(kText1Height);
    return {toScreen(m_layout.text1), QSize(units::twipsToPx(kText1Width), height)};
}

QRect MainWindowMap::swatchFace() const {
    QRect face = swatch();
    face.setBottom(statusStrip().top() - 1);
    return face;
}

QRect MainWindowMap::statusStrip() const {
    return {toScreen(m_layout.text2),
            QSize(units::twipsToPx(kText2Width), units::twipsToPx(kText2Height))};
}

QRect MainWindowMap::button(int index) const {
    return {toScreen(m_layout.command1.at(index)),
            QSize(units::twipsToPx(kButtonWidth), units::twipsToPx(kButtonHeight))};
}

QPoint MainWindowMap::buttonFacePoint(int index) const {
    const QRect b = button(index);
    return {b.left() + 4, b.center().y()};
}

QColor MainWindowMap::mostFrequentColour(const QImage &image, const QRect &rect) {
    const QImage rgb32 = image.convertToFormat(QImage::Format_RGB32);
    const QRect area = rect.intersected(rgb32.rect());
    QHash<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            ++counts[rgbAt(rgb32, x, y)];
    }
    QRgb best = 0;
    int bestCount = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > bestCount) {
            best = it.key();
            bestCount = it.value();
        }
    }
    return bestCount > 0 ? QColor(best) : QColor();
}

int MainWindowMap::pixelsNear(const QImage &image, const QRect &rect, const QColor &colour,
                              int tolerance) {
    const QImage rgb32 = image.convertToFormat(QImage::Format_RGB32);
    const QRect area = rect.intersected(rgb32.rect());
    int near = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = rgbAt(rgb32, x, y);
            const int distance = std::abs(qRed(p) - colour.red()) +
                                 std::abs(qGreen(p) - colour.green()) +
                                 std::abs(qBlue(p) - colour.blue());
            near += distance < tolerance ? 1 : 0;
        }
    }
    return near;
}
