#include "form1.h"

#include "trayservice.h"

#include <QAction>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

// The file menu, the tray menu and the left click on the tray icon.

namespace {

// Lets the window handle its events until more than `ms` milliseconds have
// passed on the monotonic clock. The local event loop sleeps between events,
// so the wait costs no processor time.
void letEventsRun(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() <= ms) {
        QEventLoop loop;
        QTimer::singleShot(static_cast<int>(ms - clock.elapsed()) + 1, Qt::PreciseTimer, &loop,
                           &QEventLoop::quit);
        if (loop.exec() < 0)
            break; // the application is ending: no loop runs any more
    }
}

} // namespace

void Form1::connectMenus() {
    for (auto it = m_ui.wenjian1.cbegin(); it != m_ui.wenjian1.cend(); ++it) {
        const int index = it.key();
        connect(it.value(), &QAction::triggered, this, [this, index] { wenjian1_Click(index); });
    }
    for (auto it = m_ui.kor_tuopan1.cbegin(); it != m_ui.kor_tuopan1.cend(); ++it) {
        const int index = it.key();
        connect(it.value(), &QAction::triggered, this, [this, index] { kor_tuopan1_Click(index); });
    }
    if (m_services.tray != nullptr)
        connect(m_services.tray, &TrayService::leftClicked, this, &Form1::tuopan_Click);
}

void Form1::wenjian1_Click(int index) {
    if (index == 0) {
        // Play the last sound again; the path is copied, since the play
        // sequence writes the last sound as it goes.
        const QString path = m_state.dangqian_shengyin;
        bofang_shengyin(path);
        return;
    }
    kor_tuopan1_Click(6);
}

void Form1::kor_tuopan1_Click(int index) {
    switch (index) {
    case 2: // the home page, as in the help menu
        if (QAction *item = m_ui.bangzhu1.value(7))
            item->trigger();
        break;
    case 3: // the news, as in the help menu
        if (QAction *item = m_ui.bangzhu1.value(8))
            item->trigger();
        break;
    case 6:
        // Exit: mark the program as closing, give pending events a moment,
        // then ask the window to unload; the unload sequence ends the program.
        m_state.guanbi_biaozhi = Form1State::kClosing;
        letEventsRun(100);
        close();
        break;
    default: // 5, do nothing: the menu has closed already
        break;
    }
}

void Form1::tuopan_Click() {
    // Only a hidden or minimised window comes back, in the state it was last
    // in (normal or maximised); a window on screen is left alone.
    if (isVisible() && !isMinimized())
        return;
    if (m_state.chuangkou_zhuangtai == 2)
        showMaximized();
    else
        showNormal();
    raise();
    activateWindow();
}
