#pragma once

#include <QWidget>

// The colour swatch and its status strip: a one-line text box that never takes
// input. It is disabled, so its mouse clicks and double-clicks go on to the
// window beneath it; its back colour is shown exactly, its text in its own
// fore colour.
class SwatchBox final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SwatchBox)

public:
    explicit SwatchBox(QWidget *parent = nullptr);

    quint32 backColour() const { return m_backColour; }
    void setBackColour(quint32 value);

    QColor foreColour() const { return m_foreColour; }
    void setForeColour(const QColor &colour);

    QString text() const { return m_text; }
    void setText(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    quint32 m_backColour = 0;
    QColor m_foreColour;
    QString m_text;
};
