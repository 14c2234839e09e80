#include "form1.h"

void Form1::Command1_Click(int index) {
    Q_UNUSED(index);
}
