#pragma once

#include <QPushButton>

// A push button that shows exactly its back colour over its whole face, with
// no gradient or tint from the widget style: the child is learning that very
// colour. The caption is drawn in black or white, whichever reads better on it.
class ColourButton final : public QPushButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ColourButton)

public:
    explicit ColourButton(QWidget *parent = nullptr);

    // Colour value 0x00BBGGRR.
    quint32 backColour() const { return m_backColour; }
    void setBackColour(quint32 value);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    quint32 m_backColour = 0x0000FF;
};
