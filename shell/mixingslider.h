#pragma once

#include <QSlider>

// A mixing slider (horizontal, as the style draws it). With a bold focus
// frame (while the window scans for a switch) it has the colour buttons'
// black and white ring around it while it has the focus.
class MixingSlider final : public QSlider {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MixingSlider)

public:
    explicit MixingSlider(QWidget *parent = nullptr);

    [[nodiscard]] bool boldFocusFrame() const { return m_boldFocusFrame; }
    void setBoldFocusFrame(bool on);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_boldFocusFrame = false;
};
