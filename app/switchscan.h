#pragma once

#include "colourdrill.h"
#include "programfolder.h"

#include <QString>

#include <chrono>
#include <optional>

// Scanning for a child who plays with one switch: a large button that sends
// one key (Space or Return). The highlight (the window's keyboard focus)
// moves by itself over the controls of the running exercise, the sixteen
// colour buttons or, in mixing, the three sliders; a press takes the
// highlighted one.
//
// No widget in here. The window hands over its half-step timer's ticks, the
// switch's presses with the time they came, the focus the adult moved and
// the drill's exercise after every event, and carries out the answers.
//   - A step lasts two ticks. In the free mode it plays the highlighted
//     colour's name; in the test it says nothing, which would give the
//     answer away; in mixing the sliders have no name to say.
//   - After a choice the highlight stays one step longer, so that the child
//     hears the name to its end; a press within kPressGuard of a choice and a
//     key held down (its auto-repeat) choose nothing more.
//   - In the test a new question sends the highlight back to the first button.
//   - In mixing a press makes the highlighted slider climb by kClimb on every
//     tick, to 255 and then back to 0, until the next press.
//   - Automatic play needs no hand: the scan rests while it runs.
//   - While the adult has a menu, a message box or another window open, the
//     scan pauses; the highlight then starts its step afresh.
class SwitchScan {
public:
    using Exercise = ColourDrill::Exercise;
    using Time = std::chrono::milliseconds; // on a monotonic clock

    static constexpr Time kShortestStep{500};
    static constexpr Time kLongestStep{10000};
    static constexpr Time kDefaultStep{2000};
    static constexpr Time kPressGuard{500};
    static constexpr int kClimb = 16;

    struct Answer {
        int highlight = -1;        // the control to highlight; -1: it stays
        QString recording{};       // to play through the play sequence; empty: none
        bool choose = false;       // take the highlighted colour button, as a click does
        int sliderValue = -1;      // the highlighted slider's new value; -1: unchanged
        bool restartClock = false; // the step starts now: the ticks count from here
    };

    // step: how long a control stays highlighted, kept within the shortest
    // and the longest.
    SwitchScan(ProgramFolder folder, Time step);

    [[nodiscard]] Time halfStep() const { return m_step / 2; }
    [[nodiscard]] int highlighted() const { return m_position; }
    [[nodiscard]] bool climbing() const { return m_climbing; }
    // The number of controls scanned in the running exercise.
    [[nodiscard]] int count() const { return m_exercise == Exercise::Mixing ? 3 : 16; }

    // Scanning begins on the control that has the focus (-1: none).
    Answer start(Exercise exercise, int questionsAsked, int focused);
    // The drill after any event: its exercise and how many test questions it
    // has asked so far.
    Answer follow(Exercise exercise, int questionsAsked);
    // A tick of the half-step timer. adultBusy: a menu, a message box or
    // another window has the keyboard. sliderValue: the highlighted slider's
    // value, in mixing.
    Answer tick(bool adultBusy, int sliderValue);
    // Space or Return went down on the highlighted control, or came up, at
    // `now`: the key event's time. A key held down repeats as a press at the
    // very time of a release, or as presses without a release, whether or
    // not the windowing system says autoRepeat.
    Answer press(Time now, bool autoRepeat);
    void release(Time now);
    // The adult moved the focus (Tab, the arrow keys, the mouse) to control
    // `index` of the running exercise: the scan goes on from there.
    Answer focusMoved(int index);

    // A climbing slider's next value: up by kClimb, stopping at 255 (full
    // colour) on the way, and from 255 back to 0.
    [[nodiscard]] static int climbed(int value);

private:
    // The highlight moves to `index` and starts a step there.
    Answer stepTo(int index);
    [[nodiscard]] bool resting() const { return m_exercise == Exercise::AutomaticPlay; }

    ProgramFolder m_folder;
    Time m_step;
    Exercise m_exercise = Exercise::Free;
    int m_questions = 0;
    int m_position = 0;
    int m_ticks = 0;         // ticks since the step began
    int m_ticksThisStep = 2; // two, or four after a choice
    bool m_climbing = false;
    std::optional<Time> m_lastChoice;
    std::optional<Time> m_lastRelease;
    bool m_keyDown = false;
};
