#include "form1.h"

#include "colourbutton.h"
#include "form1layout.h"
#include "soundtiming.h"
#include "swatchbox.h"

#include <QAction>
#include <QSlider>
#include <QTimer>

// The colour buttons, the three exercises, the mixing sliders, the speed and
// the two drill timers: each handler hands its event to the drill and shows
// the answer.

void Form1::connectDrill() {
    for (int i = 0; i < 16; ++i) {
        ColourButton *button = m_ui.Command1.at(static_cast<std::size_t>(i));
        connect(button, &QPushButton::clicked, this, [this, i] { Command1_Click(i); });
        connect(button, &ColourButton::arrowPressed, this,
                [this, i](Qt::Key key) { Command1_KeyDown(i, key); });
    }
    // The action group has already set the check marks when an entry reports
    // its click; the drill agrees with it and the handlers show the drill's.
    connect(m_ui.zidongbofang, &QAction::triggered, this, &Form1::zidongbofang_Click);
    connect(m_ui.ceshi, &QAction::triggered, this, &Form1::ceshi_Click);
    connect(m_ui.shoudongpeise, &QAction::triggered, this, &Form1::shoudongpeise_Click);

    // valueChanged covers the mouse (also while dragging) and the keyboard.
    for (std::size_t k = 0; k < m_ui.slider1.size(); ++k) {
        connect(m_ui.slider1.at(k), &QSlider::valueChanged, this,
                [this, k] { slider1_Scroll(static_cast<int>(k)); });
    }
    for (auto it = m_ui.sudu1.cbegin(); it != m_ui.sudu1.cend(); ++it)
        connect(it.value(), &QAction::triggered, this, [this, k = it.key()] { sudu1_Click(k); });

    connect(m_ui.Timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);
    connect(m_ui.Timer2, &QTimer::timeout, this, &Form1::Timer2_Timer);
}

void Form1::Command1_Click(int index) {
    SoundTiming::log("click", QStringLiteral(" index=%1").arg(index));
    apply(m_drill.clickButton(index));
}

void Form1::Command1_KeyDown(int index, Qt::Key key) {
    // An arrow key at the edge of the rows leaves the focus where it is.
    const int target = arrowTarget(index, key);
    if (target >= 0)
        m_ui.Command1.at(static_cast<std::size_t>(target))->setFocus(Qt::TabFocusReason);
}

void Form1::zidongbofang_Click() {
    apply(m_drill.chooseExercise(ColourDrill::Exercise::AutomaticPlay));
}

void Form1::ceshi_Click() {
    apply(m_drill.chooseExercise(ColourDrill::Exercise::Test));
}

void Form1::shoudongpeise_Click() {
    apply(m_drill.chooseExercise(ColourDrill::Exercise::Mixing));
}

void Form1::slider1_Scroll(int index) {
    // Whichever slider moved, the colour is made from all three.
    Q_UNUSED(index);
    apply(m_drill.moveSliders(m_ui.slider1[0]->value(), m_ui.slider1[1]->value(),
                              m_ui.slider1[2]->value()));
}

void Form1::sudu1_Click(int index) {
    apply(m_drill.chooseSpeed(index));
}

void Form1::Timer1_Timer() {
    apply(m_drill.playTick());
    m_ui.shijiancuowu.value(1)->hide();
}

void Form1::Timer2_Timer() {
    apply(m_drill.statusTick());
    m_ui.shijiancuowu.value(2)->hide();
}
