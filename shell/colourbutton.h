#pragma once

#include <QPushButton>

// A push button that shows exactly its back colour over its whole face, with
// no gradient or tint from the widget style: the child is learning that very
// colour. The caption is drawn in black or white, whichever reads better on it.
// Return and Enter press it as Space does; the arrow keys are handed on
// (arrowPressed) for the window to move the focus through its rows.
// With a bold focus frame (while the window scans for a switch) the focus is
// a thick black and white ring inside the face, which shows on every colour,
// black and white included, from across a room.
class ColourButton final : public QPushButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ColourButton)

public:
    explicit ColourButton(QWidget *parent = nullptr);

    // Colour value 0x00BBGGRR.
    quint32 backColour() const { return m_backColour; }
    void setBackColour(quint32 value);
    [[nodiscard]] bool boldFocusFrame() const { return m_boldFocusFrame; }
    void setBoldFocusFrame(bool on);

signals:
    void arrowPressed(Qt::Key key);

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;

private:
    quint32 m_backColour = 0x0000FF;
    bool m_boldFocusFrame = false;
};
