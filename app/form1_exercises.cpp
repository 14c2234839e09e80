#include "form1.h"

// Automatic play, the test, mixing, the speed and the status line.

void Form1::connectExercises() {}

void Form1::zidongbofang_Click() {}
void Form1::ceshi_Click() {}
void Form1::shoudongpeise_Click() {}
void Form1::slider1_Scroll(int index)
{
    Q_UNUSED(index);
}
void Form1::sudu1_Click(int index)
{
    Q_UNUSED(index);
}
void Form1::Timer1_Timer() {}
void Form1::Timer2_Timer() {}
