#include "form1.h"

#include "trayservice.h"

#include <QAction>
#include <QGuiApplication>
#include <QTimer>

// The file menu, the tray menu and the left click on the tray icon.

namespace {

// How long the exit lets pending events run before it closes the window.
constexpr int kExitDelayMs = 100;

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
    if (index == menuindex::Replay)
        apply(m_drill.replay());
    else
        kor_tuopan1_Click(menuindex::TrayExit);
}

void Form1::kor_tuopan1_Click(int index) {
    switch (index) {
    case menuindex::TrayHomePage: // as in the help menu
        m_ui.bangzhu1.value(menuindex::HomePage)->trigger();
        break;
    case menuindex::TrayNews: // as in the help menu
        m_ui.bangzhu1.value(menuindex::News)->trigger();
        break;
    case menuindex::TrayExit:
        // Mark the program as closing, give pending events a moment, then ask
        // the window to unload; the unload sequence ends the program.
        m_state.guanbi_biaozhi = true;
        QTimer::singleShot(kExitDelayMs, Qt::PreciseTimer, this, [this] { close(); });
        break;
    default: // do nothing: the menu has closed already
        break;
    }
}

void Form1::tuopan_Click() {
    // Only a hidden or minimised window comes back, in the state it was last
    // in (normal or maximised); a window on screen is left alone.
    if (isVisible() && !isMinimized())
        return;
    showAgain();
}

void Form1::showAgain() {
    // A Wayland compositor does not let a program take its window back from
    // the task bar; shown anew, the window comes back.
    if (QGuiApplication::platformName() == QLatin1String("wayland") && isMinimized())
        hide();
    if (m_state.chuangkou_zhuangtai == WindowState::Maximised)
        showMaximized();
    else
        showNormal();
    raise();
    activateWindow();
}
