#include "colourdrill.h"

#include "colourtable.h"
#include "fakes/scriptedcolours.h"

#include <QTest>

#include <algorithm>

using Exercise = ColourDrill::Exercise;
using Sound = ColourDrill::Sound;

// The drill's rules, without a window: exercises, answers, automatic play,
// mixing, speed and the status line, with scripted random draws.
class TestColourDrill : public QObject {
    Q_OBJECT

private slots:
    void init();
    void switching_data();
    void switching();
    void testAnswers_data();
    void testAnswers();
    void freeAndAutomaticPlay();
    void mixing_data();
    void mixing();
    void speed_data();
    void speed();
    void statusLine_data();
    void statusLine();

private:
    const ProgramFolder m_folder{QStringLiteral("/程序")};
    ScriptedColours m_random;
    std::unique_ptr<ColourDrill> m_drill;
};

void TestColourDrill::init() {
    m_random.targets.clear();
    m_random.arrangement.reset();
    m_random.reseeds = 0;
    m_drill = std::make_unique<ColourDrill>(m_folder, m_random);
}

void TestColourDrill::switching_data() {
    QTest::addColumn<Exercise>("before");
    QTest::addColumn<Exercise>("selected");

    const QList<Exercise> exercises = {Exercise::AutomaticPlay, Exercise::Test, Exercise::Mixing};
    for (const Exercise before : QList<Exercise>{Exercise::Free} + exercises) {
        for (const Exercise selected : exercises)
            QTest::addRow("%d -> %d", int(before), int(selected)) << before << selected;
    }
}

void TestColourDrill::switching() {
    QFETCH(Exercise, before);
    QFETCH(Exercise, selected);

    // Colour 9 is current (a test's last target), the swatch shows colour 11;
    // a test chosen next draws 4.
    m_random.targets = {9, 4};
    m_drill->chooseExercise(Exercise::Test);
    m_drill->chooseExercise(Exercise::Test);
    m_drill->clickButton(11);
    if (before != Exercise::Free)
        m_drill->chooseExercise(before);
    const int currentBefore = m_drill->currentColour();
    const quint32 swatchBefore = m_drill->swatchColour();

    const ColourDrill::Answer answer = m_drill->chooseExercise(selected);

    const Exercise after = selected == before ? Exercise::Free : selected;
    QCOMPARE(m_drill->exercise(), after);
    QCOMPARE(m_drill->buttonsShown(), after != Exercise::Mixing);
    QVERIFY(answer.changes & ColourDrill::ExerciseMarks);
    if (after == Exercise::Test) {
        // Nameless buttons carrying every colour once, a black swatch, and
        // the new target announced.
        std::array<quint32, 16> colours{};
        for (int i = 0; i < 16; ++i) {
            QVERIFY(m_drill->buttonCaption(i).isEmpty());
            // Nor does a screen reader get a colour's name.
            QCOMPARE(m_drill->buttonAccessibleName(i), QStringLiteral("颜色按钮 %1").arg(i + 1));
            colours.at(std::size_t(i)) = m_drill->buttonColour(i);
        }
        QVERIFY(std::is_permutation(colours.begin(), colours.end(), colourtable::kValues.begin()));
        QCOMPARE(m_drill->swatchColour(), 0U);
        QCOMPARE(m_drill->currentColour(), 4);
        QCOMPARE(answer.sound, Sound::Request);
        QCOMPARE(answer.recording, m_folder.colourNameSound(m_drill->currentColour()));
    } else {
        for (int i = 0; i < 16; ++i) {
            QCOMPARE(m_drill->buttonColour(i), colourtable::value(i));
            QCOMPARE(m_drill->buttonCaption(i), colourtable::name(i));
        }
        QCOMPARE(m_drill->buttonAccessibleName(0), QStringLiteral("黑色"));
        QCOMPARE(m_drill->buttonAccessibleName(13), QStringLiteral("亮洋红"));
        QCOMPARE(m_drill->swatchColour(), swatchBefore);
        QCOMPARE(m_drill->currentColour(), selected == Exercise::AutomaticPlay ? 0 : currentBefore);
        // Only mixing's own entry stops a playing sound; the others let it
        // play on.
        QCOMPARE(answer.sound, selected == Exercise::Mixing ? Sound::Stop : Sound::None);
    }
    // The test reseeds whenever its entry is chosen, on or off.
    QCOMPARE(m_random.reseeds, 2 + int(before == Exercise::Test) + int(selected == Exercise::Test));

    // Only automatic play's tick shows and speaks; in any other exercise a
    // tick changes nothing.
    const int current = m_drill->currentColour();
    const ColourDrill::Answer tick = m_drill->playTick();
    QCOMPARE(tick.sound, after == Exercise::AutomaticPlay ? Sound::Request : Sound::None);
    if (after != Exercise::AutomaticPlay)
        QCOMPARE(m_drill->currentColour(), current);
}

void TestColourDrill::testAnswers_data() {
    QTest::addColumn<int>("target");
    QTest::addColumn<int>("clicked");
    QTest::addColumn<int>("next"); // target drawn after a right answer; -1: wrong answer

    // Button i carries colour (i + 7) % 16.
    QTest::newRow("right by colour on another index") << 13 << 6 << 2;
    QTest::newRow("right, the same target again") << 5 << 14 << 5;
    QTest::newRow("black target") << 0 << 9 << 15;
    QTest::newRow("wrong: index matches, colour does not") << 6 << 6 << -1;
    QTest::newRow("wrong: another colour") << 3 << 8 << -1;
}

void TestColourDrill::testAnswers() {
    QFETCH(int, target);
    QFETCH(int, clicked);
    QFETCH(int, next);

    std::array<int, 16> arrangement{};
    for (int i = 0; i < 16; ++i)
        arrangement.at(std::size_t(i)) = (i + 7) % 16;
    m_random.arrangement = arrangement;
    m_random.targets = {target, next};
    m_drill->chooseExercise(Exercise::Test);
    const int reseeds = m_random.reseeds;

    const ColourDrill::Answer answer = m_drill->clickButton(clicked);

    const bool right = next >= 0;
    QCOMPARE(m_drill->currentColour(), right ? next : target);
    QCOMPARE(answer.sound, Sound::Request);
    // The praise names the next colour to find.
    QCOMPARE(answer.recording,
             right ? m_folder.rightAnswerSound(next) : m_folder.wrongAnswerSound());
    QCOMPARE(m_random.reseeds, reseeds + int(right));
    QCOMPARE(m_drill->swatchColour(), 0U);
    QCOMPARE(m_drill->buttonColour(clicked), colourtable::value((clicked + 7) % 16));
}

void TestColourDrill::freeAndAutomaticPlay() {
    // The free mode shows and names the button's colour; the current colour stays.
    ColourDrill::Answer answer = m_drill->clickButton(13);
    QCOMPARE(m_drill->swatchColour(), 0xFF00FFU);
    QCOMPARE(answer.recording, m_folder.sound(QStringLiteral("亮洋红.mp3")));
    QCOMPARE(m_drill->currentColour(), 0);
    for (const int outside : {-1, 16})
        QCOMPARE(m_drill->clickButton(outside).sound, Sound::None);

    // Automatic play: 0..15, then 0 again, each shown as it is spoken.
    m_drill->chooseExercise(Exercise::AutomaticPlay);
    for (int tick = 0; tick < 18; ++tick) {
        answer = m_drill->playTick();
        QCOMPARE(m_drill->swatchColour(), colourtable::value(tick % 16));
        QCOMPARE(answer.recording, m_folder.colourNameSound(tick % 16));
        // The buttons only watch.
        QCOMPARE(m_drill->clickButton(3).sound, Sound::None);
        QCOMPARE(m_drill->swatchColour(), colourtable::value(tick % 16));
    }
    // Off after the 3rd colour and on again starts from black.
    m_drill->chooseExercise(Exercise::AutomaticPlay);
    m_drill->chooseExercise(Exercise::AutomaticPlay);
    QCOMPARE(m_drill->playTick().recording, m_folder.colourNameSound(0));

    // Replay asks for the sound the player was last handed.
    QCOMPARE(m_drill->replay().recording, m_folder.colourNameSound(0));
    m_drill->soundHandedToPlayer(m_folder.wrongAnswerSound());
    QCOMPARE(m_drill->replay().recording, m_folder.wrongAnswerSound());
}

void TestColourDrill::mixing_data() {
    QTest::addColumn<int>("red");
    QTest::addColumn<int>("green");
    QTest::addColumn<int>("blue");
    QTest::addColumn<QStringList>("readouts");
    QTest::addColumn<QString>("description"); // the swatch's, for a screen reader

    QTest::newRow("all 0") << 0 << 0 << 0 << QStringList{"0,0,0", "0", "&H0"} << "黑色";
    QTest::newRow("red") << 255 << 0 << 0 << QStringList{"255,0,0", "255", "&HFF"} << "亮红色";
    QTest::newRow("blue") << 0 << 0 << 255 << QStringList{"0,0,255", "16711680", "&HFF0000"}
                          << "亮蓝色";
    QTest::newRow("all 255") << 255 << 255 << 255
                             << QStringList{"255,255,255", "16777215", "&HFFFFFF"} << "白色";
    QTest::newRow("orange") << 255 << 128 << 0 << QStringList{"255,128,0", "33023", "&H80FF"}
                            << "255,128,0";
}

void TestColourDrill::mixing() {
    QFETCH(int, red);
    QFETCH(int, green);
    QFETCH(int, blue);
    QFETCH(QStringList, readouts);
    QFETCH(QString, description);

    // Until a slider moves, the read-outs show the sliders at 0 and the black swatch.
    QCOMPARE(m_drill->readouts().at(2), QStringLiteral("&H0"));
    m_drill->chooseExercise(Exercise::Mixing);
    const ColourDrill::Answer answer = m_drill->moveSliders(red, green, blue);
    QCOMPARE(answer.sound, Sound::None);
    QCOMPARE(m_drill->swatchColour(), colourtable::rgbToValue(red, green, blue));
    QCOMPARE(QStringList(m_drill->readouts().begin(), m_drill->readouts().end()), readouts);
    QCOMPARE(m_drill->swatchDescription(), description);
}

void TestColourDrill::speed_data() {
    QTest::addColumn<QList<int>>("choices");
    QTest::addColumn<int>("interval");
    QTest::newRow("at start, medium checked but 2000 ms") << QList<int>{} << 2000;
    QTest::newRow("fast") << QList<int>{0} << 1500;
    QTest::newRow("medium, already checked") << QList<int>{1} << 3000;
    QTest::newRow("slow then fast") << QList<int>{2, 0} << 1500;
    QTest::newRow("no such entry changes nothing") << QList<int>{2, 3} << 4500;
}

void TestColourDrill::speed() {
    QFETCH(QList<int>, choices);
    QFETCH(int, interval);
    for (const int k : choices)
        m_drill->chooseSpeed(k);
    QCOMPARE(m_drill->playIntervalMs(), interval);
    QCOMPARE(m_drill->speed(), interval == 2000 ? 1 : interval / 1500 - 1);
}

void TestColourDrill::statusLine_data() {
    QTest::addColumn<QList<Exercise>>("exercises"); // chosen before each group of ticks
    QTest::addColumn<QList<int>>("ticks");
    QTest::addColumn<int>("counter");
    QTest::addColumn<QString>("shown");

    const QString autoPlay = QStringLiteral(" 自动播放!请认真辨别!            ");
    const QString mixing = QStringLiteral(" 现在可以手动调制颜色!           ");
    QTest::newRow("free mode: empty, counter advances")
        << QList<Exercise>{Exercise::Free} << QList<int>{3} << 3 << QString();
    QTest::newRow("first tick: as stored")
        << QList<Exercise>{Exercise::AutomaticPlay} << QList<int>{1} << 1 << autoPlay;
    QTest::newRow("test to mixing at 25: the counter goes on")
        << QList<Exercise>{Exercise::Test, Exercise::Mixing} << QList<int>{25, 1} << 26
        << mixing.mid(2) + mixing.left(2);
}

void TestColourDrill::statusLine() {
    QFETCH(QList<Exercise>, exercises);
    QFETCH(QList<int>, ticks);
    QFETCH(int, counter);
    QFETCH(QString, shown);

    QCOMPARE(m_drill->statusText(), QStringLiteral(" "));
    for (qsizetype k = 0; k < exercises.size(); ++k) {
        m_drill->chooseExercise(exercises.at(k));
        for (int tick = 0; tick < ticks.at(k); ++tick)
            m_drill->statusTick();
    }
    QCOMPARE(m_drill->scrollCounter(), counter);
    QCOMPARE(m_drill->statusText(), shown);
}

QTEST_APPLESS_MAIN(TestColourDrill)
#include "tst_colourdrill.moc"
