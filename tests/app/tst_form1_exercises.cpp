#include "colourbutton.h"
#include "colourtable.h"
#include "fakes/fakesoundplayer.h"
#include "form1.h"
#include "statusline.h"
#include "swatchbox.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <memory>

class TestForm1Exercises : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void switching_data();
    void switching();
    void automaticPlay_data();
    void automaticPlay();
    void automaticPlayRestartsAtBlack();
    void ticksOutsideAutomaticPlay_data();
    void ticksOutsideAutomaticPlay();
    void testStart();
    void testAnswers_data();
    void testAnswers();
    void mixingReadouts_data();
    void mixingReadouts();
    void mixingByKeyboardAndMouse();
    void mixingKeepsSwatchAndSliders();
    void readoutShowsOneAmpersand();
    void speed_data();
    void speed();
    void statusLine_data();
    void statusLine();
    void errorBoxes();
    void menuClickDuringTheWait_data();
    void menuClickDuringTheWait();
    void mixingChosenDuringTheAnnouncement();

private:
    Form1Ui &ui() { return m_form->ui(); }
    Form1State &state() { return m_form->state(); }
    QAction *entry(const QString &name);
    QString nameSound(int index) const;
    QStringList checkedEntries();
    void expectOwnColoursAndNames();
    int announcedTarget() const;

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<FakeSoundPlayer> m_player;
    std::unique_ptr<Form1> m_form;
};

void TestForm1Exercises::init() {
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
    m_player = std::make_unique<FakeSoundPlayer>();
    Form1Services services;
    services.programFolder = m_folder->path();
    services.player = m_player.get();
    m_form = std::make_unique<Form1>(services);
    // The tests tick the drill timers themselves.
    ui().Timer1->stop();
    ui().Timer2->stop();
}

void TestForm1Exercises::cleanup() {
    m_form.reset();
    m_player.reset();
    m_folder.reset();
}

QAction *TestForm1Exercises::entry(const QString &name) {
    if (name == QLatin1String("zidongbofang"))
        return ui().zidongbofang;
    if (name == QLatin1String("ceshi"))
        return ui().ceshi;
    if (name == QLatin1String("shoudongpeise"))
        return ui().shoudongpeise;
    return nullptr;
}

QString TestForm1Exercises::nameSound(int index) const {
    return soundpath::colourNameSound(m_folder->path(),
                                      colourtable::names().at(static_cast<std::size_t>(index)));
}

QStringList TestForm1Exercises::checkedEntries() {
    QStringList checked;
    for (QAction *action : {ui().zidongbofang, ui().ceshi, ui().shoudongpeise}) {
        if (action->isChecked())
            checked << action->objectName();
    }
    return checked;
}

void TestForm1Exercises::expectOwnColoursAndNames() {
    for (int i = 0; i < 16; ++i) {
        const ColourButton *button = ui().Command1.at(static_cast<std::size_t>(i));
        QCOMPARE(button->backColour(), colourtable::value(i));
        QCOMPARE(button->text(), colourtable::names().at(static_cast<std::size_t>(i)));
    }
}

// The colour index whose name was played last.
int TestForm1Exercises::announcedTarget() const {
    for (int i = 0; i < 16; ++i) {
        if (!m_player->played().isEmpty() && m_player->played().last() == nameSound(i))
            return i;
    }
    return -1;
}

void TestForm1Exercises::switching_data() {
    QTest::addColumn<QString>("before"); // exercise running before, "" for free mode
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("after"); // exercise running after, "" for free mode

    const QStringList exercises = {QStringLiteral("zidongbofang"), QStringLiteral("ceshi"),
                                   QStringLiteral("shoudongpeise")};
    for (const QString &before : QStringList{QString()} + exercises) {
        for (const QString &selected : exercises) {
            const QString after = selected == before ? QString() : selected;
            QTest::addRow("%s -> %s", before.isEmpty() ? "free" : qPrintable(before),
                          qPrintable(selected))
                << before << selected << after;
        }
    }
}

void TestForm1Exercises::switching() {
    QFETCH(QString, before);
    QFETCH(QString, selected);
    QFETCH(QString, after);

    if (!before.isEmpty())
        entry(before)->trigger();
    ui().Text1->setBackColour(0x123456);
    ui().Text2->setBackColour(0x123456);
    state().dangqian_yanse = 9;
    state().gundong_weizhi = 17;
    const QString lastSound = state().dangqian_shengyin;
    m_player->clearCalls();

    entry(selected)->trigger();

    QCOMPARE(checkedEntries(), after.isEmpty() ? QStringList() : QStringList{after});
    const bool mixing = after == QLatin1String("shoudongpeise");
    for (const ColourButton *button : ui().Command1)
        QCOMPARE(button->isHidden(), mixing);
    for (std::size_t k = 0; k < 3; ++k) {
        QCOMPARE(ui().slider1[k]->isHidden(), !mixing);
        QCOMPARE(ui().Label1[k]->isHidden(), !mixing);
        QCOMPARE(ui().Label2[k]->isHidden(), !mixing);
        QCOMPARE(ui().Label3[k]->isHidden(), !mixing);
    }

    // Switching keeps the status-line counter and the speed, and no timer is
    // started or stopped by it.
    QCOMPARE(state().gundong_weizhi, 17);
    QCOMPARE(ui().Timer1->interval(), 2000);
    QVERIFY(!ui().Timer1->isActive());
    QVERIFY(!ui().Timer2->isActive());

    if (after == QLatin1String("ceshi")) {
        // Its own set-up: blank buttons, black swatch, the target named.
        QVERIFY(ui().Command1[0]->text().isEmpty());
        QCOMPARE(ui().Text1->backColour(), 0U);
        QCOMPARE(ui().Text2->backColour(), 0U);
        QCOMPARE(m_player->callsWithoutState(),
                 (QStringList{QStringLiteral("Stop"),
                              QStringLiteral("Open:") + nameSound(state().dangqian_yanse),
                              QStringLiteral("Play")}));
        return;
    }

    // Every button has its own colour and name back, hidden or not; the
    // swatch keeps its colour.
    expectOwnColoursAndNames();
    QCOMPARE(ui().Text1->backColour(), 0x123456U);
    QCOMPARE(ui().Text2->backColour(), 0x123456U);
    QCOMPARE(state().dangqian_shengyin, lastSound);
    QCOMPARE(state().dangqian_yanse, selected == QLatin1String("zidongbofang") ? 0 : 9);

    // Only the mixing entry stops the sound; nothing else touches the player.
    const QStringList expectedCalls = selected == QLatin1String("shoudongpeise")
                                          ? QStringList{QStringLiteral("Stop")}
                                          : QStringList();
    QCOMPARE(m_player->calls(), expectedCalls);
}

void TestForm1Exercises::automaticPlay_data() {
    QTest::addColumn<int>("missing"); // colour whose recording cannot be opened, or -1
    QTest::newRow("all recordings") << -1;
    QTest::newRow("black missing") << 0;
    QTest::newRow("bright magenta missing") << 13;
}

void TestForm1Exercises::automaticPlay() {
    QFETCH(int, missing);
    if (missing >= 0)
        m_player->openResults.insert(nameSound(missing), 1);

    ui().zidongbofang->trigger();
    // The first colour waits for the next tick.
    QVERIFY(m_player->calls().isEmpty());
    QCOMPARE(ui().Text1->backColour(), 0U);

    for (int tick = 0; tick < 18; ++tick) {
        const int index = tick % 16;
        m_player->clearCalls();
        m_form->Timer1_Timer();

        const quint32 colour = colourtable::value(index);
        QCOMPARE(ui().Text1->backColour(), colour);
        QCOMPARE(ui().Text2->backColour(), colour);
        QCOMPARE(state().dangqian_shengyin, nameSound(index));
        QStringList expected = {QStringLiteral("Stop"), QStringLiteral("Open:") + nameSound(index)};
        if (index != missing)
            expected << QStringLiteral("Play");
        QCOMPARE(m_player->callsWithoutState(), expected);
        QCOMPARE(state().dangqian_yanse, (index + 1) % 16);
    }
}

void TestForm1Exercises::automaticPlayRestartsAtBlack() {
    ui().zidongbofang->trigger();
    for (int tick = 0; tick < 5; ++tick)
        m_form->Timer1_Timer();
    QCOMPARE(ui().Text1->backColour(), colourtable::value(4));

    // Off: the swatch keeps the last colour, ticks do nothing.
    ui().zidongbofang->trigger();
    m_player->clearCalls();
    m_form->Timer1_Timer();
    m_form->Timer1_Timer();
    QVERIFY(m_player->calls().isEmpty());
    QCOMPARE(ui().Text1->backColour(), colourtable::value(4));

    // On again: black first.
    ui().zidongbofang->trigger();
    m_form->Timer1_Timer();
    QCOMPARE(ui().Text1->backColour(), colourtable::value(0));
    QCOMPARE(m_player->played(), QStringList{nameSound(0)});
    m_form->Timer1_Timer();
    QCOMPARE(ui().Text1->backColour(), colourtable::value(1));
}

void TestForm1Exercises::ticksOutsideAutomaticPlay_data() {
    QTest::addColumn<QString>("exercise");
    QTest::newRow("free mode") << QString();
    QTest::newRow("test") << QStringLiteral("ceshi");
    QTest::newRow("mixing") << QStringLiteral("shoudongpeise");
}

void TestForm1Exercises::ticksOutsideAutomaticPlay() {
    QFETCH(QString, exercise);
    if (!exercise.isEmpty())
        entry(exercise)->trigger();
    const quint32 swatch = ui().Text1->backColour();
    const int current = state().dangqian_yanse;
    const QString lastSound = state().dangqian_shengyin;
    m_player->clearCalls();

    for (int tick = 0; tick < 3; ++tick)
        m_form->Timer1_Timer();

    QVERIFY(m_player->calls().isEmpty());
    QCOMPARE(ui().Text1->backColour(), swatch);
    QCOMPARE(state().dangqian_yanse, current);
    QCOMPARE(state().dangqian_shengyin, lastSound);
}

void TestForm1Exercises::testStart() {
    // Several starts: each shuffles every colour onto exactly one blank
    // button and names a target.
    QSet<QList<quint32>> arrangements;
    for (int start = 0; start < 6; ++start) {
        m_player->clearCalls();
        ui().ceshi->trigger();
        QVERIFY(ui().ceshi->isChecked());

        QList<quint32> colours;
        for (const ColourButton *button : ui().Command1) {
            QVERIFY(button->text().isEmpty());
            QVERIFY(!button->isHidden());
            colours << button->backColour();
        }
        arrangements.insert(colours);
        std::sort(colours.begin(), colours.end());
        QList<quint32> table(colourtable::kValues.begin(), colourtable::kValues.end());
        std::sort(table.begin(), table.end());
        QCOMPARE(colours, table);

        QCOMPARE(ui().Text1->backColour(), 0U);
        QCOMPARE(ui().Text2->backColour(), 0U);
        const int target = state().dangqian_yanse;
        QVERIFY(target >= 0 && target < 16);
        QCOMPARE(m_player->callsWithoutState(),
                 (QStringList{QStringLiteral("Stop"), QStringLiteral("Open:") + nameSound(target),
                              QStringLiteral("Play")}));
        QCOMPARE(state().dangqian_shengyin, nameSound(target));

        // Selecting it again ends the test; the buttons are themselves again.
        ui().ceshi->trigger();
        QVERIFY(!ui().ceshi->isChecked());
        expectOwnColoursAndNames();
        QCOMPARE(state().dangqian_yanse, target);
    }
    // Six arrangements out of 16!: the same one twice would mean no shuffle.
    QCOMPARE(arrangements.size(), 6);
}

void TestForm1Exercises::testAnswers_data() {
    QTest::addColumn<bool>("right");
    QTest::newRow("right answer") << true;
    QTest::newRow("wrong answer") << false;
}

void TestForm1Exercises::testAnswers() {
    QFETCH(bool, right);
    ui().ceshi->trigger();
    const int target = state().dangqian_yanse;

    // The button that carries the target's colour, or any other one.
    int clicked = -1;
    for (int i = 0; i < 16; ++i) {
        const bool carries = ui().Command1.at(static_cast<std::size_t>(i))->backColour() ==
                             colourtable::value(target);
        if (carries == right) {
            clicked = i;
            break;
        }
    }
    QVERIFY(clicked >= 0);
    QList<quint32> shuffled;
    for (const ColourButton *button : ui().Command1)
        shuffled << button->backColour();
    m_player->clearCalls();

    ui().Command1.at(static_cast<std::size_t>(clicked))->click();

    const int next = state().dangqian_yanse;
    QVERIFY(next >= 0 && next < 16);
    const QString sound =
        right ? soundpath::rightAnswerSound(m_folder->path(),
                                            colourtable::names().at(static_cast<std::size_t>(next)))
              : soundpath::wrongAnswerSound(m_folder->path());
    if (!right)
        QCOMPARE(next, target);
    QCOMPARE(m_player->callsWithoutState(),
             (QStringList{QStringLiteral("Stop"), QStringLiteral("Open:") + sound,
                          QStringLiteral("Play")}));
    // No new shuffle, the swatch stays black.
    QList<quint32> now;
    for (const ColourButton *button : ui().Command1)
        now << button->backColour();
    QCOMPARE(now, shuffled);
    QCOMPARE(ui().Text1->backColour(), 0U);
}

void TestForm1Exercises::mixingReadouts_data() {
    QTest::addColumn<int>("red");
    QTest::addColumn<int>("green");
    QTest::addColumn<int>("blue");
    QTest::addColumn<quint32>("value");
    QTest::addColumn<QString>("triple");
    QTest::addColumn<QString>("decimal");
    QTest::addColumn<QString>("hex");

    QTest::newRow("orange") << 255 << 128 << 0 << 0x0080FFU << QStringLiteral("255,128,0")
                            << QStringLiteral("33023") << QStringLiteral("&H80FF");
    QTest::newRow("red") << 255 << 0 << 0 << 0x0000FFU << QStringLiteral("255,0,0")
                         << QStringLiteral("255") << QStringLiteral("&HFF");
    QTest::newRow("blue") << 0 << 0 << 255 << 0xFF0000U << QStringLiteral("0,0,255")
                          << QStringLiteral("16711680") << QStringLiteral("&HFF0000");
    QTest::newRow("white") << 255 << 255 << 255 << 0xFFFFFFU << QStringLiteral("255,255,255")
                           << QStringLiteral("16777215") << QStringLiteral("&HFFFFFF");
    QTest::newRow("back to black") << 0 << 0 << 0 << 0U << QStringLiteral("0,0,0")
                                   << QStringLiteral("0") << QStringLiteral("&H0");
}

void TestForm1Exercises::mixingReadouts() {
    QFETCH(int, red);
    QFETCH(int, green);
    QFETCH(int, blue);
    QFETCH(quint32, value);
    QFETCH(QString, triple);
    QFETCH(QString, decimal);
    QFETCH(QString, hex);

    ui().shoudongpeise->trigger();
    // Start away from the row's colour, so that every slider moves.
    for (QSlider *slider : ui().slider1)
        slider->setValue(77);
    ui().slider1[0]->setValue(red);
    ui().slider1[1]->setValue(green);
    ui().slider1[2]->setValue(blue);

    QCOMPARE(ui().Text1->backColour(), value);
    QCOMPARE(ui().Text2->backColour(), value);
    QCOMPARE(ui().Label3[0]->text(), triple);
    QCOMPARE(ui().Label3[1]->text(), decimal);
    QCOMPARE(ui().Label3[2]->text(), hex);
    // Mixing is silent.
    QCOMPARE(m_player->calls(), QStringList{QStringLiteral("Stop")});
}

void TestForm1Exercises::mixingByKeyboardAndMouse() {
    ui().shoudongpeise->trigger();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));

    QSlider *green = ui().slider1[1];
    QTest::keyClick(green, Qt::Key_Right);
    QTest::keyClick(green, Qt::Key_Right);
    QCOMPARE(ui().Label3[0]->text(), QStringLiteral("0,2,0"));
    QTest::keyClick(green, Qt::Key_PageUp);
    QCOMPARE(ui().Label3[0]->text(), QStringLiteral("0,7,0"));
    QTest::keyClick(green, Qt::Key_Left);
    QCOMPARE(ui().Label3[0]->text(), QStringLiteral("0,6,0"));
    QTest::keyClick(green, Qt::Key_End);
    QCOMPARE(ui().Label3[0]->text(), QStringLiteral("0,255,0"));
    QCOMPARE(ui().Text1->backColour(), 0x00FF00U);
    QTest::keyClick(green, Qt::Key_PageDown);
    QCOMPARE(ui().Label3[1]->text(), QString::number(250 * 256));

    // A click on the groove right of the handle moves the slider up.
    QSlider *blue = ui().slider1[2];
    QTest::mouseClick(blue, Qt::LeftButton, {}, QPoint(blue->width() - 3, blue->height() / 2));
    QVERIFY(blue->value() > 0);
    QCOMPARE(ui().Label3[0]->text(), QStringLiteral("0,250,%1").arg(blue->value()));
    QCOMPARE(ui().Text1->backColour(), colourtable::rgbToValue(0, 250, blue->value()));
}

void TestForm1Exercises::mixingKeepsSwatchAndSliders() {
    ui().shoudongpeise->trigger();
    ui().slider1[0]->setValue(10);
    ui().slider1[2]->setValue(30);
    ui().shoudongpeise->trigger(); // off

    // Automatic play paints the swatch; mixing entered after it keeps that
    // colour and the last read-outs until a slider moves.
    ui().zidongbofang->trigger();
    for (int tick = 0; tick < 4; ++tick)
        m_form->Timer1_Timer();
    ui().shoudongpeise->trigger();
    QCOMPARE(ui().Text1->backColour(), colourtable::value(3));
    QCOMPARE(ui().Label3[0]->text(), QStringLiteral("10,0,30"));
    QCOMPARE(ui().slider1[0]->value(), 10);
    QCOMPARE(ui().slider1[2]->value(), 30);

    ui().slider1[1]->setValue(20);
    QCOMPARE(ui().Text1->backColour(), colourtable::rgbToValue(10, 20, 30));
    QCOMPARE(ui().Label3[0]->text(), QStringLiteral("10,20,30"));
}

void TestForm1Exercises::readoutShowsOneAmpersand() {
    // The hexadecimal read-out shows its ampersand as one character, not as
    // an access-key marker: its ink is wider than that of the text without
    // it by about one "&".
    ui().shoudongpeise->trigger();
    ui().slider1[0]->setValue(255);
    ui().slider1[1]->setValue(128);
    QLabel *readout = ui().Label3[2];
    QCOMPARE(readout->text(), QStringLiteral("&H80FF"));

    const auto inkWidth = [readout](const QString &text) {
        const QString kept = readout->text();
        readout->setText(text);
        const QImage image = readout->grab().toImage();
        readout->setText(kept);
        int left = image.width();
        int right = -1;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.red() > 128 && c.green() < 100 && c.blue() < 100) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
            }
        }
        return right - left;
    };
    const int shown = inkWidth(QStringLiteral("&H80FF"));
    const int withoutAmpersand = inkWidth(QStringLiteral("H80FF"));
    const int withTwo = inkWidth(QStringLiteral("&&H80FF"));
    const int ampersand = readout->fontMetrics().horizontalAdvance(QLatin1Char('&'));
    QVERIFY2(shown - withoutAmpersand > ampersand / 2,
             qPrintable(QStringLiteral("%1 %2").arg(shown).arg(withoutAmpersand)));
    QVERIFY2(withTwo - shown > ampersand / 2,
             qPrintable(QStringLiteral("%1 %2").arg(withTwo).arg(shown)));
}

void TestForm1Exercises::speed_data() {
    QTest::addColumn<QList<int>>("choices");
    QTest::addColumn<int>("interval");
    QTest::newRow("as started") << QList<int>{} << 2000;
    QTest::newRow("fast") << QList<int>{0} << 1500;
    QTest::newRow("medium, already checked") << QList<int>{1} << 3000;
    QTest::newRow("slow") << QList<int>{2} << 4500;
    QTest::newRow("slow then fast") << QList<int>{2, 0} << 1500;
    QTest::newRow("fast twice") << QList<int>{0, 0} << 1500;
}

void TestForm1Exercises::speed() {
    QFETCH(QList<int>, choices);
    QFETCH(int, interval);

    ui().Timer1->start();
    for (const int k : choices)
        ui().sudu1.value(k)->trigger();

    QCOMPARE(ui().Timer1->interval(), interval);
    QVERIFY(ui().Timer1->isActive());
    const int checked = choices.isEmpty() ? 1 : choices.last();
    for (int k = 0; k < 3; ++k)
        QCOMPARE(ui().sudu1.value(k)->isChecked(), k == checked);
    // The speed starts nothing.
    QVERIFY(checkedEntries().isEmpty());
}

void TestForm1Exercises::statusLine_data() {
    QTest::addColumn<QString>("exercise");
    QTest::addColumn<int>("counter");
    QTest::addColumn<int>("ticks");
    QTest::addColumn<int>("counterAfter");
    QTest::addColumn<QString>("shown");

    const QString autoPlay = QStringLiteral(" 自动播放!请认真辨别!            ");
    const QString test = QStringLiteral(" 正在测试!请选择...              ");
    const QString mixing = QStringLiteral(" 现在可以手动调制颜色!           ");
    QTest::newRow("free mode: empty, counter advances") << QString() << 0 << 3 << 3 << QString();
    QTest::newRow("first tick: as stored") << "zidongbofang" << 0 << 1 << 1 << autoPlay;
    QTest::newRow("second tick: from 自")
        << "zidongbofang" << 0 << 2 << 2 << autoPlay.mid(1) + autoPlay.left(1);
    QTest::newRow("wrap at 24: last character first")
        << "zidongbofang" << 23 << 1 << 0 << autoPlay.right(1) + autoPlay.left(23);
    QTest::newRow("test: the 26th tick wraps to 0")
        << "ceshi" << 0 << 26 << 0 << test.right(1) + test.left(25);
    QTest::newRow("test to mixing at 25")
        << "shoudongpeise" << 25 << 1 << 26 << mixing.mid(2) + mixing.left(2);
}

void TestForm1Exercises::statusLine() {
    QFETCH(QString, exercise);
    QFETCH(int, counter);
    QFETCH(int, ticks);
    QFETCH(int, counterAfter);
    QFETCH(QString, shown);

    QCOMPARE(ui().Text2->text(), QStringLiteral(" "));
    if (!exercise.isEmpty())
        entry(exercise)->trigger();
    state().gundong_weizhi = counter;
    for (int tick = 0; tick < ticks; ++tick)
        m_form->Timer2_Timer();
    QCOMPARE(state().gundong_weizhi, counterAfter);
    QCOMPARE(ui().Text2->text(), shown);
}

void TestForm1Exercises::errorBoxes() {
    QLineEdit *box1 = ui().shijiancuowu.value(1);
    QLineEdit *box2 = ui().shijiancuowu.value(2);
    box1->show();
    box2->show();
    m_form->Timer1_Timer();
    m_form->Timer2_Timer();
    QVERIFY(box1->isHidden());
    QVERIFY(box2->isHidden());

    // A tick that runs into an error leaves the box as it is; the next clean
    // tick hides it again. The bad index also skips showing and playing, and
    // the sequence goes on from black.
    ui().zidongbofang->trigger();
    box1->show();
    state().dangqian_yanse = 99;
    m_player->clearCalls();
    m_form->Timer1_Timer();
    QVERIFY(!box1->isHidden());
    QVERIFY(m_player->calls().isEmpty());
    QCOMPARE(state().dangqian_yanse, 0);
    m_form->Timer1_Timer();
    QVERIFY(box1->isHidden());
    QCOMPARE(m_player->played(), QStringList{nameSound(0)});
}

void TestForm1Exercises::menuClickDuringTheWait_data() {
    // What happens while a tick of automatic play waits for the player.
    QTest::addColumn<QString>("during");
    QTest::newRow("test selected") << QStringLiteral("ceshi");
    QTest::newRow("mixing selected") << QStringLiteral("shoudongpeise");
    QTest::newRow("automatic play off and on") << QStringLiteral("zidongbofang twice");
    QTest::newRow("automatic play off") << QStringLiteral("zidongbofang");
    QTest::newRow("another sound, no selection") << QStringLiteral("sound");
}

void TestForm1Exercises::menuClickDuringTheWait() {
    QFETCH(QString, during);

    ui().zidongbofang->trigger();
    for (int tick = 0; tick < 5; ++tick)
        m_form->Timer1_Timer();
    QCOMPARE(state().dangqian_yanse, 5);

    bool done = false;
    m_player->stateFunction = [&] {
        if (!done) {
            done = true;
            if (during == QLatin1String("sound")) {
                // e.g. the replay entry of the file menu
                m_form->bofang_shengyin(nameSound(11));
            } else {
                const QStringList names = during.split(QLatin1Char(' '));
                entry(names.first())->trigger();
                if (names.size() == 2)
                    entry(names.first())->trigger();
            }
        }
        return 0;
    };
    m_player->clearCalls();
    m_form->Timer1_Timer();
    QVERIFY(done);
    QCOMPARE(ui().Text1->backColour() == colourtable::value(5), during != QLatin1String("ceshi"));

    if (during == QLatin1String("ceshi")) {
        // The tick neither moves nor overwrites the target just drawn, and
        // the target's announcement is what keeps playing.
        QVERIFY(ui().ceshi->isChecked());
        QCOMPARE(state().dangqian_yanse, announcedTarget());
        QCOMPARE(m_player->calls().last(), QStringLiteral("Play"));
        QCOMPARE(state().dangqian_shengyin, nameSound(announcedTarget()));
        QVERIFY(ui().Command1[0]->text().isEmpty());
        QCOMPARE(ui().Text1->backColour(), 0U);
    } else if (during == QLatin1String("sound")) {
        // Nothing changed the exercise: the tick goes on to the next colour.
        QCOMPARE(state().dangqian_yanse, 6);
        QCOMPARE(m_player->played(), QStringList{nameSound(11)});
    } else {
        // The tick's recording does not outlast the exercise it was for.
        QCOMPARE(m_player->calls().last(), QStringLiteral("Stop"));
        const int expected = during.startsWith(QLatin1String("zidongbofang")) ? 0 : 5;
        QCOMPARE(state().dangqian_yanse, expected);
    }
    QVERIFY(ui().shijiancuowu.value(1)->isHidden());

    // Automatic play, if it runs now, goes on from where the click left it.
    m_player->stateFunction = nullptr;
    if (during == QLatin1String("zidongbofang twice")) {
        m_player->clearCalls();
        m_form->Timer1_Timer();
        QCOMPARE(m_player->played(), QStringList{nameSound(0)});
    }
}

void TestForm1Exercises::mixingChosenDuringTheAnnouncement() {
    // The test's announcement waits for the player; the child chooses mixing
    // meanwhile. Mixing is silent: the announcement must not sound after it.
    bool done = false;
    m_player->stateFunction = [&] {
        if (!done) {
            done = true;
            ui().shoudongpeise->trigger();
        }
        return 0;
    };
    ui().ceshi->trigger();
    QVERIFY(done);
    QCOMPARE(checkedEntries(), QStringList{QStringLiteral("shoudongpeise")});
    QVERIFY(ui().Command1[0]->isHidden());
    QCOMPARE(m_player->calls().last(), QStringLiteral("Stop"));
}

QTEST_MAIN(TestForm1Exercises)
#include "tst_form1_exercises.moc"
