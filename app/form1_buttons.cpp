#include "form1.h"

#include "colourbutton.h"

void Form1::connectButtons()
{
    for (int i = 0; i < 16; ++i) {
        connect(m_ui.Command1.at(static_cast<std::size_t>(i)), &QPushButton::clicked, this,
                [this, i] { Command1_Click(i); });
    }
}

void Form1::Command1_Click(int index)
{
    Q_UNUSED(index);
}
