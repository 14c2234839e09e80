#pragma once

#include <QObject>

class QMenu;
class QString;
class QWidget;

// The main window's icon in the notification area, with the operations the
// window's load and unload sequences use. The real icon is SystemTray; window
// tests put a fake in its place.
class TrayService : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TrayService)

public:
    using QObject::QObject;
    ~TrayService() override = default;

    // Shows the icon with the window's own icon; a right click on it opens
    // menu as a pop-up. The icon has no tip yet.
    virtual void tianjia_tuopan(QWidget *window, QMenu *menu) = 0;
    // Sets the icon's tip text.
    virtual void shezhi_tishi(const QString &tip) = 0;
    // Takes the icon away; harmless when it is already gone.
    virtual void shanchu_tuopan() = 0;

signals:
    // The left button was clicked on the icon (each click of a double click
    // counts as one).
    void leftClicked();
};
