#include "form1.h"

#include "colourbutton.h"
#include "colourtable.h"
#include "soundplayer.h"
#include "statusline.h"
#include "swatchbox.h"
#include "texts.h"

#include <QAction>
#include <QLabel>
#include <QSlider>
#include <QTimer>

// Automatic play, the test, mixing, the speed and the status line. The three
// exercise entries under "选择项目(&X)" share one pattern: uncheck the other
// two, flip their own check mark, put the right controls up with anliu, then
// their own work. Their check marks are the only record of the exercise.

namespace {

// Runs one step of a timer tick. A step that fails is skipped and the tick
// goes on with the next one; `clean` records that this tick had an error.
template <typename Step> void step(bool &clean, Step &&run) {
    try {
        run();
    } catch (...) {
        clean = false;
    }
}

} // namespace

void Form1::connectExercises() {
    // A checkable action has already flipped its own check mark when it
    // reports the click. The handlers flip it themselves, in its place among
    // their steps, so the action's flip is undone first.
    const auto connectEntry = [this](QAction *entry, void (Form1::*handler)()) {
        connect(entry, &QAction::triggered, this, [this, entry, handler](bool checked) {
            entry->setChecked(!checked);
            (this->*handler)();
        });
    };
    connectEntry(m_ui.zidongbofang, &Form1::zidongbofang_Click);
    connectEntry(m_ui.ceshi, &Form1::ceshi_Click);
    connectEntry(m_ui.shoudongpeise, &Form1::shoudongpeise_Click);

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

// bofang_shengyin for a sound that belongs to the running exercise. Its wait
// for the player lets other events run; when one of them selected an exercise
// entry, the sound belongs to an exercise that has ended or restarted: if it
// was started all the same, it is stopped, and the caller learns with false
// that it must leave the exercise state alone.
bool Form1::playForExercise(const QString &path) {
    const quint64 selections = m_exerciseSelections;
    const bool played = bofang_shengyin(path);
    if (m_exerciseSelections == selections)
        return true;
    if (played)
        m_services.player->Stop();
    return false;
}

void Form1::zidongbofang_Click() {
    ++m_exerciseSelections;
    m_ui.shoudongpeise->setChecked(false);
    m_ui.ceshi->setChecked(false);
    m_ui.zidongbofang->setChecked(!m_ui.zidongbofang->isChecked());
    anliu(true);
    m_state.dangqian_yanse = 0;
}

void Form1::ceshi_Click() {
    ++m_exerciseSelections;
    m_random.reseed();
    m_ui.zidongbofang->setChecked(false);
    m_ui.shoudongpeise->setChecked(false);
    m_ui.ceshi->setChecked(!m_ui.ceshi->isChecked());
    anliu(true);
    if (!m_ui.ceshi->isChecked())
        return;

    for (ColourButton *button : m_ui.Command1)
        button->setText(QString());
    const std::array<int, colourtable::kCount> colours = m_random.shuffled();
    for (std::size_t i = 0; i < colours.size(); ++i)
        m_ui.Command1.at(i)->setBackColour(colourtable::value(colours.at(i)));

    // A black swatch gives no hint.
    m_ui.Text1->setBackColour(colourtable::value(0));
    m_ui.Text2->setBackColour(colourtable::value(0));

    m_state.dangqian_yanse = m_random.nextIndex();
    playForExercise(soundpath::colourNameSound(
        programFolder(),
        m_state.yanse_mingcheng.at(static_cast<std::size_t>(m_state.dangqian_yanse))));
}

void Form1::shoudongpeise_Click() {
    ++m_exerciseSelections;
    m_ui.zidongbofang->setChecked(false);
    m_ui.ceshi->setChecked(false);
    m_ui.shoudongpeise->setChecked(!m_ui.shoudongpeise->isChecked());
    anliu(!m_ui.shoudongpeise->isChecked());
    m_services.player->Stop();
}

void Form1::slider1_Scroll(int index) {
    // Whichever slider moved, the colour is made from all three.
    Q_UNUSED(index);
    const int red = m_ui.slider1[0]->value();
    const int green = m_ui.slider1[1]->value();
    const int blue = m_ui.slider1[2]->value();
    m_ui.Text1->setBackColour(colourtable::rgbToValue(red, green, blue));
    m_ui.Text2->setBackColour(m_ui.Text1->backColour());
    m_ui.Label3[0]->setText(texts::tripleText(red, green, blue));
    m_ui.Label3[1]->setText(texts::decimalText(m_ui.Text1->backColour()));
    m_ui.Label3[2]->setText(texts::hexText(m_ui.Text1->backColour()));
}

void Form1::sudu1_Click(int index) {
    for (auto it = m_ui.sudu1.cbegin(); it != m_ui.sudu1.cend(); ++it)
        it.value()->setChecked(it.key() == index);
    m_ui.Timer1->setInterval((index + 1) * 1500);
}

void Form1::Timer1_Timer() {
    bool clean = true;
    if (m_ui.zidongbofang->isChecked()) {
        const auto current = [this] { return static_cast<std::size_t>(m_state.dangqian_yanse); };
        step(clean, [&] {
            const quint32 colour = colourtable::kValues.at(current());
            m_ui.Text1->setBackColour(colour);
            m_ui.Text2->setBackColour(colour);
        });
        // A menu click during the wait for the player may have started
        // another exercise, or restarted this one at colour 0; the test
        // keeps its target in dangqian_yanse too. Then this tick is over.
        bool stillRunning = true;
        step(clean, [&] {
            stillRunning = playForExercise(
                soundpath::colourNameSound(programFolder(), m_state.yanse_mingcheng.at(current())));
        });
        if (stillRunning) {
            step(clean, [&] {
                if (++m_state.dangqian_yanse >= colourtable::kCount)
                    m_state.dangqian_yanse = 0;
            });
        }
    }
    if (clean)
        m_ui.shijiancuowu.value(1)->hide();
}

void Form1::Timer2_Timer() {
    const QStringView message = statusline::message(
        m_ui.zidongbofang->isChecked(), m_ui.ceshi->isChecked(), m_ui.shoudongpeise->isChecked());
    m_state.gundong_weizhi =
        statusline::nextCounter(m_state.gundong_weizhi, static_cast<int>(message.size()));
    m_ui.Text2->setText(statusline::rotated(message, m_state.gundong_weizhi));
    m_ui.shijiancuowu.value(2)->hide();
}
