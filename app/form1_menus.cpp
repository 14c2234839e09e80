#include "form1.h"

// The file menu and the tray menu.

void Form1::connectMenus() {}

void Form1::wenjian1_Click(int index)
{
    Q_UNUSED(index);
}

void Form1::kor_tuopan1_Click(int index)
{
    Q_UNUSED(index);
}
