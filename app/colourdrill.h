#pragma once

#include "form1design.h"
#include "programfolder.h"

#include <QString>
#include <QtGlobal>

#include <array>

class RandomColours;

// The colour drill, without a widget in it: the exercise chosen under
// "选择项目(&X)" (none is the free mode), the speed of automatic play, the
// sixteen buttons' colours and captions, the swatch colour, the current colour
// `dangqian_yanse` (automatic play's position and the test's target), the
// mixing sliders and read-outs, the last sound handed to the player
// `dangqian_shengyin` and the status line.
//
// Each user or timer event is one call that runs to its end and answers with
// what changed on screen and what to do with sound. The window shows the
// state after every answer and hands sound requests to the play sequence,
// which reports back with soundHandedToPlayer().
class ColourDrill {
public:
    enum class Exercise { Free, AutomaticPlay, Test, Mixing };

    // What an event changed, for the window to show again.
    enum Change : unsigned {
        NoChange = 0,
        Swatch = 1U << 0U,        // swatchColour()
        Buttons = 1U << 1U,       // buttonColour(), buttonCaption(), buttonsShown()
        Readouts = 1U << 2U,      // readouts()
        ExerciseMarks = 1U << 3U, // exercise()
        StatusText = 1U << 4U,    // statusText()
        Speed = 1U << 5U,         // speed(), playIntervalMs()
    };

    enum class Sound {
        None,
        Request, // play `recording` through the play sequence
        Stop,    // stop the player
    };

    struct Answer {
        unsigned changes = NoChange;
        Sound sound = Sound::None;
        QString recording; // with Sound::Request
    };

    static constexpr int kPlayIntervalAtStartMs = form1design::kTimer1Ms;
    static constexpr int kSpeedAtStart = 1;

    ColourDrill(ProgramFolder folder, RandomColours &random);

    // --- events --------------------------------------------------------------
    // Selecting the menu entry of an exercise: it starts that exercise, or
    // ends it when it is the one running (back to the free mode).
    Answer chooseExercise(Exercise entry);
    // A click on colour button `index` (0..15).
    Answer clickButton(int index);
    // Timer1: automatic play's next colour.
    Answer playTick();
    // Timer2: the status line moves on by one character.
    Answer statusTick();
    // Any of the three mixing sliders moved; the colour is made from all three.
    Answer moveSliders(int red, int green, int blue);
    // Speed entry 0 (fast), 1 (medium) or 2 (slow).
    Answer chooseSpeed(int index);
    // Play the last sound again.
    Answer replay();
    // Speak the current colour's name again (a double-click on the window).
    Answer repeatCurrentColour();
    // The play sequence opened `path` (whether or not it could be played).
    void soundHandedToPlayer(const QString &path) { m_lastSound = path; }

    // --- state ---------------------------------------------------------------
    [[nodiscard]] Exercise exercise() const { return m_exercise; }
    [[nodiscard]] bool buttonsShown() const { return m_exercise != Exercise::Mixing; }
    [[nodiscard]] quint32 buttonColour(int index) const;
    [[nodiscard]] const QString &buttonCaption(int index) const;
    // What a screen reader is told for a button: the name of its colour, but
    // in the test, where that would give the answer away, a neutral name.
    [[nodiscard]] QString buttonAccessibleName(int index) const;
    [[nodiscard]] quint32 swatchColour() const { return m_swatch; }
    // The swatch's colour for a screen reader: its name where it is one of
    // the sixteen, else its red, green and blue ("255,128,0").
    [[nodiscard]] QString swatchDescription() const;
    [[nodiscard]] int currentColour() const { return m_current; }
    [[nodiscard]] const QString &lastSound() const { return m_lastSound; }
    [[nodiscard]] int speed() const { return m_speed; }
    [[nodiscard]] int playIntervalMs() const { return m_playIntervalMs; }
    // Triple, decimal and hexadecimal: "255,128,0", "33023", "&H80FF".
    [[nodiscard]] const std::array<QString, 3> &readouts() const { return m_readouts; }
    [[nodiscard]] const QString &statusText() const { return m_statusText; }
    // The running exercise's message as a screen reader is told it: whole,
    // without the spaces around it that scroll with it.
    [[nodiscard]] QString statusMessage() const;
    [[nodiscard]] int scrollCounter() const { return m_scroll; }
    // How many questions the tests have asked since the drill began.
    [[nodiscard]] int questionsAsked() const { return m_questions; }

private:
    // Every button its own colour and name (the test's shuffle undone).
    void restoreButtons();
    Answer startTest();
    // The running exercise's message, as it scrolls.
    [[nodiscard]] QStringView message() const;
    static Answer request(unsigned changes, const QString &recording) {
        return {changes, Sound::Request, recording};
    }

    ProgramFolder m_folder;
    RandomColours &m_random;

    Exercise m_exercise = Exercise::Free;
    int m_speed = kSpeedAtStart;
    int m_playIntervalMs = kPlayIntervalAtStartMs;
    std::array<quint32, 16> m_buttonColours{};
    std::array<QString, 16> m_buttonCaptions;
    quint32 m_swatch = 0;
    int m_current = 0;
    QString m_lastSound;
    std::array<QString, 3> m_readouts;
    QString m_statusText = QStringLiteral(" ");
    int m_scroll = 0;
    int m_questions = 0;
};
