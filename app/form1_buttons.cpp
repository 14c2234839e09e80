#include "form1.h"

#include "colourbutton.h"
#include "colourtable.h"
#include "soundtiming.h"
#include "swatchbox.h"

#include <QAction>

void Form1::connectButtons() {
    for (int i = 0; i < 16; ++i) {
        connect(m_ui.Command1.at(static_cast<std::size_t>(i)), &QPushButton::clicked, this,
                [this, i] { Command1_Click(i); });
    }
}

// The sounds go through playForExercise: an exercise chosen while the player
// is still winding down silences them, as it would have had they come first.
void Form1::Command1_Click(int index) {
    if (index < 0 || index >= colourtable::kCount)
        return;
    SoundTiming::log("click", QStringLiteral(" index=%1").arg(index));
    const auto i = static_cast<std::size_t>(index);

    if (m_ui.ceshi->isChecked()) {
        // Judged by colour, not by index: the test has shuffled the colours.
        if (m_ui.Command1.at(i)->backColour() == colourtable::value(m_state.dangqian_yanse)) {
            m_random.reseed();
            m_state.dangqian_yanse = m_random.nextIndex();
            // The praise names the next colour to find.
            playForExercise(soundpath::rightAnswerSound(
                programFolder(),
                m_state.yanse_mingcheng.at(static_cast<std::size_t>(m_state.dangqian_yanse))));
        } else {
            playForExercise(soundpath::wrongAnswerSound(programFolder()));
        }
        return;
    }

    if (m_ui.zidongbofang->isChecked())
        return; // automatic play only shows; the buttons just watch

    m_ui.Text1->setBackColour(colourtable::value(index));
    m_ui.Text2->setBackColour(colourtable::value(index));
    playForExercise(soundpath::colourNameSound(programFolder(), m_state.yanse_mingcheng.at(i)));
}
