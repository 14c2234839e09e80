#pragma once

#include <QLabel>

// A label of the link row that opens its page: the window takes its mouse
// clicks; the keyboard reaches it with Tab, and Space, Return or Enter open
// it (activated()). A screen reader finds it as a link with a press action
// (readeraccess), which opens it too. Its focus shows as a dotted frame.
class LinkLabel final : public QLabel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LinkLabel)

public:
    explicit LinkLabel(QWidget *parent = nullptr);

signals:
    void activated();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
};
