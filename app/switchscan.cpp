#include "switchscan.h"

#include <algorithm>
#include <utility>

SwitchScan::SwitchScan(ProgramFolder folder, Time step)
    : m_folder(std::move(folder))
    , m_step(std::clamp(step, kShortestStep, kLongestStep)) {}

SwitchScan::Answer SwitchScan::start(Exercise exercise, int questionsAsked, int focused) {
    m_exercise = exercise;
    m_questions = questionsAsked;
    if (resting())
        return {};
    return stepTo(focused >= 0 && focused < count() ? focused : 0);
}

SwitchScan::Answer SwitchScan::follow(Exercise exercise, int questionsAsked) {
    const bool newQuestion = questionsAsked != m_questions;
    m_questions = questionsAsked;
    if (exercise != m_exercise) {
        m_exercise = exercise;
        m_climbing = false;
        if (resting())
            return {};
        return stepTo(0);
    }
    if (!newQuestion || m_exercise != Exercise::Test)
        return {};
    // Back to the first button, keeping the pause of the choice that
    // answered, so that the praise is heard to its end.
    m_position = 0;
    m_ticks = 0;
    return {.highlight = 0, .restartClock = true};
}

SwitchScan::Answer SwitchScan::tick(bool adultBusy, int sliderValue) {
    if (resting())
        return {};
    if (adultBusy) {
        // The first tick after the pause may come at once: the step begins
        // with the one after it, and lasts a whole step.
        m_ticks = -1;
        return {};
    }
    if (m_climbing)
        return {.sliderValue = climbed(sliderValue)};
    if (++m_ticks < m_ticksThisStep)
        return {};
    return stepTo((m_position + 1) % count());
}

SwitchScan::Answer SwitchScan::press(Time now, bool autoRepeat) {
    const bool held = autoRepeat || m_keyDown || now == m_lastRelease;
    m_keyDown = true;
    if (held || resting())
        return {};
    // A trembling hand presses again: only the first press chooses. (A time
    // before the choice is a clock that wrapped, not a press within it.)
    if (m_lastChoice.has_value() && now >= *m_lastChoice && now - *m_lastChoice < kPressGuard)
        return {};
    m_lastChoice = now;
    m_ticks = 0;
    if (m_exercise == Exercise::Mixing) {
        // The first press starts the climb, the next stops it; the highlight
        // then moves on after a step.
        m_climbing = !m_climbing;
        m_ticksThisStep = 2;
        return {.restartClock = true};
    }
    m_ticksThisStep = 4;
    return {.choose = true, .restartClock = true};
}

void SwitchScan::release(Time now) {
    m_keyDown = false;
    m_lastRelease = now;
}

SwitchScan::Answer SwitchScan::focusMoved(int index) {
    if (index < 0 || index >= count() || index == m_position)
        return {};
    m_position = index;
    m_ticks = 0;
    m_ticksThisStep = 2;
    m_climbing = false;
    return {.restartClock = true};
}

int SwitchScan::climbed(int value) {
    if (value >= 255)
        return 0;
    return std::min(std::max(value, 0) + kClimb, 255);
}

SwitchScan::Answer SwitchScan::stepTo(int index) {
    m_position = index;
    m_ticks = 0;
    m_ticksThisStep = 2;
    m_climbing = false;
    Answer answer{.highlight = index, .restartClock = true};
    // In the free mode button `index` carries colour `index`.
    if (m_exercise == Exercise::Free)
        answer.recording = m_folder.colourNameSound(index);
    return answer;
}
