#pragma once

#include "newsschedule.h"

#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>

class NewsService;
class QTimer;

// The news window as the main window offers it: shown on demand from the
// help and tray menus, and popped up once per run by its timer (Timer_tan)
// following NewsSchedule, unless the user switched the pop-up off. Where no
// news server is set, the timer asks nobody and stops.
class NewsPopUp final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NewsPopUp)

public:
    struct Settings {
        NewsService *window = nullptr;    // not owned, may be absent
        std::function<bool()> online{};   // shifou_zaixian; absent: offline
        QString server{};                 // the news server, scheme and host
        QString clientId{};               // at the end of the request
        std::function<int()> drawDelay{}; // tan_yanchi, 180..299; absent: a random draw
    };

    // timer is Timer_tan; its ticks are handed to tick().
    NewsPopUp(QTimer &timer, Settings settings, QObject *parent = nullptr);

    // The on-demand entry: loads the news page unless the window shows it
    // already, and shows the window.
    void showOnDemand();
    // One tick of Timer_tan.
    void tick();

    // The "no news pop-up" option: while it is on, the timer counts nothing.
    [[nodiscard]] bool isSwitchedOff() const { return m_switchedOff; }
    void setSwitchedOff(bool off) { m_switchedOff = off; }

    [[nodiscard]] QUrl request() const;

private:
    QTimer &m_timer;
    Settings m_settings;
    NewsSchedule m_schedule;
    bool m_switchedOff = false;
};
