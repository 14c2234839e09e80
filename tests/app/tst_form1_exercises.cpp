#include "colourbutton.h"
#include "colourtable.h"
#include "fakes/fakesoundplayer.h"
#include "form1.h"
#include "swatchbox.h"

#include <QAction>
#include <QLabel>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <memory>

// The three exercises, the speed and the status line, with a fake player and
// the timer handlers called directly.
class TestForm1Exercises : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup() { m_form.reset(); }
    void switching_data();
    void switching();
    void automaticPlay_data();
    void automaticPlay();
    void testStart();
    void mixingSliders();
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
    QAction *entry(const QString &name) { return m_form->findChild<QAction *>(name); }
    QString nameSound(int index) const {
        return soundpath::colourNameSound(m_folder->path(),
                                          colourtable::names().at(static_cast<std::size_t>(index)));
    }
    QStringList checkedEntries() {
        QStringList checked;
        for (QAction *action : {ui().zidongbofang, ui().ceshi, ui().shoudongpeise}) {
            if (action->isChecked())
                checked << action->objectName();
        }
        return checked;
    }
    QList<quint32> buttonColours() {
        QList<quint32> colours;
        for (const ColourButton *button : ui().Command1)
            colours << button->backColour();
        return colours;
    }

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<FakeSoundPlayer> m_player;
    std::unique_ptr<Form1> m_form;
};

void TestForm1Exercises::init() {
    m_folder = std::make_unique<QTemporaryDir>();
    m_player = std::make_unique<FakeSoundPlayer>();
    m_form = std::make_unique<Form1>(Form1Services{m_folder->path(), m_player.get()});
    ui().Timer1->stop();
    ui().Timer2->stop();
}

void TestForm1Exercises::switching_data() {
    QTest::addColumn<QString>("before"); // "" for free mode
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("after"); // "" for free mode

    const QStringList exercises = {QStringLiteral("zidongbofang"), QStringLiteral("ceshi"),
                                   QStringLiteral("shoudongpeise")};
    for (const QString &before : QStringList{QString()} + exercises) {
        for (const QString &selected : exercises) {
            QTest::addRow("%s -> %s", before.isEmpty() ? "free" : qPrintable(before),
                          qPrintable(selected))
                << before << selected << (selected == before ? QString() : selected);
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
    m_player->clearCalls();

    entry(selected)->trigger();

    QCOMPARE(checkedEntries(), after.isEmpty() ? QStringList() : QStringList{after});
    const bool mixing = after == QLatin1String("shoudongpeise");
    for (const ColourButton *button : ui().Command1)
        QCOMPARE(button->isHidden(), mixing);
    for (std::size_t k = 0; k < 3; ++k) {
        for (QWidget *w : std::initializer_list<QWidget *>{ui().slider1[k], ui().Label1[k],
                                                           ui().Label2[k], ui().Label3[k]})
            QCOMPARE(w->isHidden(), !mixing);
    }

    if (after == QLatin1String("ceshi")) {
        // Blank captions, each colour on one button, black swatch, target announced.
        for (const ColourButton *button : ui().Command1)
            QVERIFY(button->text().isEmpty());
        const QList<quint32> colours = buttonColours();
        QVERIFY(std::is_permutation(colours.begin(), colours.end(), colourtable::kValues.begin(),
                                    colourtable::kValues.end()));
        QCOMPARE(ui().Text1->backColour(), 0U);
        QCOMPARE(ui().Text2->backColour(), 0U);
        QCOMPARE(m_player->callsWithoutState(),
                 (QStringList{QStringLiteral("Stop"),
                              QStringLiteral("Open:") + nameSound(state().dangqian_yanse),
                              QStringLiteral("Play")}));
    } else {
        // Every button has its own colour and name back; the swatch stays.
        for (int i = 0; i < 16; ++i) {
            const ColourButton *button = ui().Command1.at(static_cast<std::size_t>(i));
            QCOMPARE(button->backColour(), colourtable::value(i));
            QCOMPARE(button->text(), colourtable::names().at(static_cast<std::size_t>(i)));
        }
        QCOMPARE(ui().Text1->backColour(), 0x123456U);
        QCOMPARE(state().dangqian_yanse, selected == QLatin1String("zidongbofang") ? 0 : 9);
        // Only selecting mixing stops the player.
        QCOMPARE(m_player->calls(), selected == QLatin1String("shoudongpeise")
                                        ? QStringList{QStringLiteral("Stop")}
                                        : QStringList());
    }

    // Timer1 plays only in automatic play, and from black; otherwise it
    // leaves the player and the test's target alone.
    const int current = state().dangqian_yanse;
    m_player->clearCalls();
    m_form->Timer1_Timer();
    if (after == QLatin1String("zidongbofang")) {
        QCOMPARE(m_player->played(), QStringList{nameSound(0)});
    } else {
        QVERIFY(m_player->calls().isEmpty());
        QCOMPARE(state().dangqian_yanse, current);
    }
}

void TestForm1Exercises::automaticPlay_data() {
    QTest::addColumn<int>("missing"); // colour whose recording cannot be opened, or -1
    QTest::newRow("all recordings") << -1;
    QTest::newRow("black missing") << 0;
}

void TestForm1Exercises::automaticPlay() {
    QFETCH(int, missing);
    if (missing >= 0)
        m_player->openResults.insert(nameSound(missing), 1);

    ui().zidongbofang->trigger();
    QVERIFY(m_player->calls().isEmpty()); // the first colour waits for the tick
    for (int tick = 0; tick < 18; ++tick) {
        const int index = tick % 16;
        m_player->clearCalls();
        m_form->Timer1_Timer();
        QCOMPARE(ui().Text1->backColour(), colourtable::value(index));
        QCOMPARE(ui().Text2->backColour(), colourtable::value(index));
        QStringList expected = {QStringLiteral("Stop"), QStringLiteral("Open:") + nameSound(index)};
        if (index != missing)
            expected << QStringLiteral("Play");
        QCOMPARE(m_player->callsWithoutState(), expected);
        QCOMPARE(state().dangqian_yanse, (index + 1) % 16);
    }
}

void TestForm1Exercises::testStart() {
    // Each start shuffles anew: the same arrangement twice out of 16! is no shuffle.
    QSet<QList<quint32>> arrangements;
    for (int start = 0; start < 6; ++start) {
        ui().ceshi->trigger();
        arrangements.insert(buttonColours());
        ui().ceshi->trigger();
    }
    QCOMPARE(arrangements.size(), 6);
}

void TestForm1Exercises::mixingSliders() {
    ui().shoudongpeise->trigger();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));

    // Arrows step 1, Page Up/Down step 5.
    ui().slider1[0]->setValue(255);
    QSlider *green = ui().slider1[1];
    QTest::keyClick(green, Qt::Key_Right);
    QTest::keyClick(green, Qt::Key_Right);
    QCOMPARE(ui().Label3[0]->text(), QStringLiteral("255,2,0"));
    QTest::keyClick(green, Qt::Key_PageUp);
    QTest::keyClick(green, Qt::Key_Left);
    QCOMPARE(ui().Label3[0]->text(), QStringLiteral("255,6,0"));
    QTest::keyClick(green, Qt::Key_PageDown);
    QCOMPARE(ui().Label3[0]->text(), QStringLiteral("255,1,0"));

    // A click on the groove right of the handle moves the slider up.
    QSlider *blue = ui().slider1[2];
    QTest::mouseClick(blue, Qt::LeftButton, {}, QPoint(blue->width() - 3, blue->height() / 2));
    QVERIFY(blue->value() > 0);
    QCOMPARE(ui().Text1->backColour(), colourtable::rgbToValue(255, 1, blue->value()));

    green->setValue(128);
    blue->setValue(0);
    QCOMPARE(ui().Text1->backColour(), 0x0080FFU);
    QCOMPARE(ui().Text2->backColour(), 0x0080FFU);
    QCOMPARE(ui().Label3[0]->text(), QStringLiteral("255,128,0"));
    QCOMPARE(ui().Label3[1]->text(), QStringLiteral("33023"));
    QCOMPARE(ui().Label3[2]->text(), QStringLiteral("&H80FF"));
    QCOMPARE(m_player->calls(), QStringList{QStringLiteral("Stop")}); // mixing is silent

    // The ampersand is shown, not taken as an access-key marker: it adds ink
    // to the red text.
    QLabel *readout = ui().Label3[2];
    const auto inkColumns = [readout](const QString &text) {
        readout->setText(text);
        const QImage image = readout->grab().toImage();
        int columns = 0;
        for (int x = 0; x < image.width(); ++x) {
            for (int y = 0; y < image.height(); ++y) {
                const QColor c = image.pixelColor(x, y);
                if (c.red() > 128 && c.green() < 100 && c.blue() < 100) {
                    ++columns;
                    break;
                }
            }
        }
        return columns;
    };
    const int ampersand = readout->fontMetrics().horizontalAdvance(QLatin1Char('&'));
    QVERIFY(inkColumns(QStringLiteral("&H80FF")) - inkColumns(QStringLiteral("H80FF")) >
            ampersand / 3);
}

void TestForm1Exercises::speed_data() {
    QTest::addColumn<QList<int>>("choices");
    QTest::addColumn<int>("interval");
    QTest::newRow("fast") << QList<int>{0} << 1500;
    QTest::newRow("medium, already checked") << QList<int>{1} << 3000;
    QTest::newRow("slow") << QList<int>{2} << 4500;
    QTest::newRow("slow then fast") << QList<int>{2, 0} << 1500;
}

void TestForm1Exercises::speed() {
    QFETCH(QList<int>, choices);
    QFETCH(int, interval);

    ui().Timer1->start();
    for (const int k : choices)
        ui().sudu1.value(k)->trigger();
    QCOMPARE(ui().Timer1->interval(), interval);
    QVERIFY(ui().Timer1->isActive());
    for (int k = 0; k < 3; ++k)
        QCOMPARE(ui().sudu1.value(k)->isChecked(), k == choices.last());
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
    SwatchBox *box1 = ui().shijiancuowu.value(1);
    SwatchBox *box2 = ui().shijiancuowu.value(2);
    box1->show();
    box2->show();
    m_form->Timer1_Timer();
    m_form->Timer2_Timer();
    QVERIFY(box1->isHidden());
    QVERIFY(box2->isHidden());

    // A tick with an error (a bad index) leaves the box shown and plays
    // nothing; play goes on from black, and the next clean tick hides it.
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
    // What is clicked while a tick of automatic play (at colour 5) waits for
    // the player; "sound" plays another recording, e.g. the replay entry.
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<int>("colourAfter"); // dangqian_yanse; -1: the target just announced
    QTest::addColumn<QString>("lastCall");
    QTest::newRow("test selected") << QStringList{"ceshi"} << -1 << "Play";
    QTest::newRow("mixing selected") << QStringList{"shoudongpeise"} << 5 << "Stop";
    QTest::newRow("automatic play off") << QStringList{"zidongbofang"} << 0 << "Stop";
    QTest::newRow("automatic play off and on")
        << QStringList{"zidongbofang", "zidongbofang"} << 0 << "Stop";
    QTest::newRow("another sound, no selection") << QStringList{"sound"} << 6 << "Play";
}

void TestForm1Exercises::menuClickDuringTheWait() {
    QFETCH(QStringList, clicks);
    QFETCH(int, colourAfter);
    QFETCH(QString, lastCall);

    ui().zidongbofang->trigger();
    for (int tick = 0; tick < 5; ++tick)
        m_form->Timer1_Timer();
    bool done = false;
    m_player->stateFunction = [&] {
        if (!done) {
            done = true;
            for (const QString &click : clicks) {
                if (click == QLatin1String("sound"))
                    m_form->bofang_shengyin(nameSound(11));
                else
                    entry(click)->trigger();
            }
        }
        return 0;
    };
    m_player->clearCalls();
    m_form->Timer1_Timer();
    m_player->stateFunction = nullptr;

    QVERIFY(done);
    QCOMPARE(m_player->calls().last(), lastCall);
    QVERIFY(ui().shijiancuowu.value(1)->isHidden());
    if (colourAfter < 0) {
        // The tick neither moves nor overwrites the target just drawn; its
        // announcement is the only sound, and the swatch stays black.
        QVERIFY(ui().ceshi->isChecked());
        QCOMPARE(m_player->played(), QStringList{nameSound(state().dangqian_yanse)});
        QCOMPARE(state().dangqian_shengyin, nameSound(state().dangqian_yanse));
        QCOMPARE(ui().Text1->backColour(), 0U);
        return;
    }
    QCOMPARE(state().dangqian_yanse, colourAfter);
    QCOMPARE(ui().Text1->backColour(), colourtable::value(5));
    // Automatic play, if it runs now, goes on from where the click left it.
    if (ui().zidongbofang->isChecked()) {
        m_player->clearCalls();
        m_form->Timer1_Timer();
        QCOMPARE(m_player->played(), QStringList{nameSound(colourAfter)});
    }
}

void TestForm1Exercises::mixingChosenDuringTheAnnouncement() {
    // Mixing, chosen while the test's announcement waits for the player, is
    // silent: the announcement must not sound after it.
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
