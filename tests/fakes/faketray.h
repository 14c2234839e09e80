#pragma once

#include "trayservice.h"

#include <QMenu>
#include <QPointer>
#include <QString>
#include <QWidget>

// A TrayService for widget tests: shows no icon, records what the window asks
// of it, and lets a test click the icon with the left button. A right click
// opens `menu`; a test triggers its actions directly.
class FakeTray final : public TrayService {
public:
    int added = 0;   // tianjia_tuopan calls
    int removed = 0; // shanchu_tuopan calls
    bool shown = false;
    QPointer<QWidget> window;
    QPointer<QMenu> menu;
    QString tip;

    void tianjia_tuopan(QWidget *w, QMenu *m) override {
        ++added;
        window = w;
        menu = m;
        shown = true;
    }

    void shezhi_tishi(const QString &text) override { tip = text; }

    void shanchu_tuopan() override {
        ++removed;
        shown = false;
    }

    void clickLeft() { emit leftClicked(); }
};
