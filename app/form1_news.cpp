#include "form1.h"

// The news window: shown on demand from the help and tray menus, and popped
// up once per run by Timer_tan; NewsPopUp holds the rules.

void Form1::connectNews() {
    m_newsPopUp = new NewsPopUp(*m_ui.Timer_tan, m_services.news, this);
}

void Form1::Timer_tan_Timer() {
    m_newsPopUp->tick();
}
