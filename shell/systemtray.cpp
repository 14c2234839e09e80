#include "systemtray.h"

#include <QMenu>
#include <QWidget>

SystemTray::SystemTray(QObject *parent)
    : TrayService(parent) {}

SystemTray::~SystemTray() {
    shanchu_tuopan();
}

void SystemTray::tianjia_tuopan(QWidget *window, QMenu *menu) {
    if (!m_icon) {
        m_icon = new QSystemTrayIcon(this);
        connect(m_icon, &QSystemTrayIcon::activated, this, &SystemTray::onActivated);
    }
    m_icon->setIcon(window->windowIcon());
    // Qt opens the context menu itself on a right click, the way each
    // desktop's tray expects (on some hosts the menu is exported, not popped).
    m_icon->setContextMenu(menu);
    m_icon->show();
}

void SystemTray::shezhi_tishi(const QString &tip) {
    if (m_icon)
        m_icon->setToolTip(tip);
}

void SystemTray::shanchu_tuopan() {
    if (m_icon)
        m_icon->hide();
}

void SystemTray::onActivated(QSystemTrayIcon::ActivationReason reason) {
    // Trigger is a single left click; a double click arrives as Trigger and
    // then DoubleClick, i.e. as two left clicks.
    if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
        emit leftClicked();
}
