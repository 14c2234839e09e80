#pragma once

#include "trayservice.h"

#include <QPointer>
#include <QSystemTrayIcon>

// The tray icon on a real desktop, through QSystemTrayIcon. Where the desktop
// has no notification area, the icon simply does not appear (and does when a
// tray host starts later); nothing else changes.
class SystemTray final : public TrayService {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SystemTray)

public:
    explicit SystemTray(QObject *parent = nullptr);
    ~SystemTray() override;

    void tianjia_tuopan(QWidget *window, QMenu *menu) override;
    void shezhi_tishi(const QString &tip) override;
    void shanchu_tuopan() override;

private:
    void onActivated(QSystemTrayIcon::ActivationReason reason);

    QPointer<QSystemTrayIcon> m_icon;
};
