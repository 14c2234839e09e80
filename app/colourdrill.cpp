#include "colourdrill.h"

#include "colourtable.h"
#include "randomcolours.h"
#include "statusline.h"
#include "texts.h"

#include <utility>

namespace {

std::size_t at(int index) {
    return static_cast<std::size_t>(index);
}

} // namespace

ColourDrill::ColourDrill(ProgramFolder folder, RandomColours &random)
    : m_folder(std::move(folder))
    , m_random(random)
    , m_lastSound(m_folder.colourNameSound(0)) {
    restoreButtons();
    // The read-outs start from the sliders at 0 and the black swatch.
    m_readouts = {texts::tripleText(0, 0, 0), texts::decimalText(m_swatch),
                  texts::hexText(m_swatch)};
}

quint32 ColourDrill::buttonColour(int index) const {
    return m_buttonColours.at(at(index));
}

const QString &ColourDrill::buttonCaption(int index) const {
    return m_buttonCaptions.at(at(index));
}

QString ColourDrill::buttonAccessibleName(int index) const {
    if (m_exercise == Exercise::Test)
        return form1design::colourButtonName(index);
    return colourtable::spokenName(colourtable::indexOf(buttonColour(index)));
}

QString ColourDrill::swatchDescription() const {
    const int index = colourtable::indexOf(m_swatch);
    if (index >= 0)
        return colourtable::spokenName(index);
    const auto channel = [this](unsigned shift) {
        return static_cast<int>((m_swatch >> shift) & 0xFFU);
    };
    return texts::tripleText(channel(0), channel(8), channel(16));
}

void ColourDrill::restoreButtons() {
    for (int i = 0; i < colourtable::kCount; ++i) {
        m_buttonColours.at(at(i)) = colourtable::value(i);
        m_buttonCaptions.at(at(i)) = colourtable::name(i);
    }
}

ColourDrill::Answer ColourDrill::chooseExercise(Exercise entry) {
    if (entry == Exercise::Free)
        return {};
    if (entry == Exercise::Test)
        m_random.reseed(); // before anything else, also when the test ends
    m_exercise = m_exercise == entry ? Exercise::Free : entry;
    // Whatever is chosen, the buttons get their own colours and names back.
    restoreButtons();
    const unsigned changes = ExerciseMarks | Buttons;

    switch (entry) {
    case Exercise::AutomaticPlay:
        // The first colour comes with the next tick, from black.
        m_current = 0;
        return {changes, Sound::None, {}};
    case Exercise::Test:
        if (m_exercise == Exercise::Test)
            return startTest();
        return {changes, Sound::None, {}};
    case Exercise::Mixing:
        // Mixing is silent, and so is leaving it by its own entry.
        return {changes, Sound::Stop, {}};
    case Exercise::Free:
        break;
    }
    return {};
}

ColourDrill::Answer ColourDrill::startTest() {
    // Nameless buttons with every colour on one of them, in random places.
    const std::array<int, colourtable::kCount> colours = m_random.shuffled();
    for (int i = 0; i < colourtable::kCount; ++i) {
        m_buttonColours.at(at(i)) = colourtable::value(colours.at(at(i)));
        m_buttonCaptions.at(at(i)).clear();
    }
    m_swatch = colourtable::value(0); // a black swatch gives no hint
    m_current = m_random.nextIndex();
    ++m_questions;
    return request(ExerciseMarks | Buttons | Swatch, m_folder.colourNameSound(m_current));
}

ColourDrill::Answer ColourDrill::clickButton(int index) {
    if (index < 0 || index >= colourtable::kCount)
        return {};

    switch (m_exercise) {
    case Exercise::Test:
        // Judged by colour, not by index: the colours are shuffled.
        if (m_buttonColours.at(at(index)) != colourtable::value(m_current))
            return request(NoChange, m_folder.wrongAnswerSound());
        m_random.reseed();
        m_current = m_random.nextIndex();
        ++m_questions;
        // The praise names the next colour to find.
        return request(NoChange, m_folder.rightAnswerSound(m_current));
    case Exercise::AutomaticPlay:
        return {}; // the buttons just watch
    case Exercise::Free:
    case Exercise::Mixing: // its buttons are hidden; a click shows as in the free mode
        break;
    }
    m_swatch = colourtable::value(index);
    return request(Swatch, m_folder.colourNameSound(index));
}

ColourDrill::Answer ColourDrill::playTick() {
    if (m_exercise != Exercise::AutomaticPlay)
        return {};
    // Shown before it is spoken; then on to the next colour, after 15 back to 0.
    const int shown = m_current;
    m_swatch = colourtable::value(shown);
    m_current = (shown + 1) % colourtable::kCount;
    return request(Swatch, m_folder.colourNameSound(shown));
}

QStringView ColourDrill::message() const {
    return statusline::message(m_exercise == Exercise::AutomaticPlay, m_exercise == Exercise::Test,
                               m_exercise == Exercise::Mixing);
}

QString ColourDrill::statusMessage() const {
    return message().trimmed().toString();
}

ColourDrill::Answer ColourDrill::statusTick() {
    const QStringView shown = message();
    m_scroll = statusline::nextCounter(m_scroll, static_cast<int>(shown.size()));
    m_statusText = statusline::rotated(shown, m_scroll);
    return {StatusText, Sound::None, {}};
}

ColourDrill::Answer ColourDrill::moveSliders(int red, int green, int blue) {
    m_swatch = colourtable::rgbToValue(red, green, blue);
    m_readouts = {texts::tripleText(red, green, blue), texts::decimalText(m_swatch),
                  texts::hexText(m_swatch)};
    return {Swatch | Readouts, Sound::None, {}};
}

ColourDrill::Answer ColourDrill::chooseSpeed(int index) {
    if (index < 0 || index > 2)
        return {};
    m_speed = index;
    m_playIntervalMs = (index + 1) * 1500;
    return {Speed, Sound::None, {}};
}

ColourDrill::Answer ColourDrill::replay() {
    return request(NoChange, m_lastSound);
}

ColourDrill::Answer ColourDrill::repeatCurrentColour() {
    return request(NoChange, m_folder.colourNameSound(m_current));
}
