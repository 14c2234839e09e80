#include "colourbutton.h"
#include "colourtable.h"
#include "fakes/fakesoundplayer.h"
#include "fakes/scriptedcolours.h"
#include "form1.h"
#include "swatchbox.h"

#include <QAction>
#include <QLabel>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <memory>

// The window as the drill's view: clicks, menu entries, sliders and timer
// ticks reach the drill, the controls show its answer, and its sounds reach
// the player through the play sequence. Fake player, scripted random draws,
// timer handlers called directly.
class TestForm1Drill : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void freeMode_data();
    void freeMode();
    void switching_data();
    void switching();
    void testAnswers_data();
    void testAnswers();
    void automaticPlay_data();
    void automaticPlay();
    void mixingSliders();
    void speed_data();
    void speed();
    void statusLineAndErrorBoxes();
    void scanning();

private:
    const Form1Ui &ui() const { return m_form->ui(); }
    QAction *entry(const QString &name) { return m_form->findChild<QAction *>(name); }
    ColourButton *button(int index) { return ui().Command1.at(static_cast<std::size_t>(index)); }
    QString nameSound(int index) const {
        return ProgramFolder(m_folder->path()).colourNameSound(index);
    }
    QStringList checkedEntries() {
        QStringList checked;
        for (QAction *action : {ui().zidongbofang, ui().ceshi, ui().shoudongpeise}) {
            if (action->isChecked())
                checked << action->objectName();
        }
        return checked;
    }
    QStringList played(const QString &path) const {
        return {QStringLiteral("Stop"), QStringLiteral("Open:") + path, QStringLiteral("Play")};
    }

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<FakeSoundPlayer> m_player;
    ScriptedColours m_random;
    std::unique_ptr<Form1> m_form;
};

void TestForm1Drill::init() {
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
    m_player = std::make_unique<FakeSoundPlayer>();
    m_random.targets.clear();
    m_random.arrangement.reset();
    m_form = std::make_unique<Form1>(Form1Services{
        .programFolder = m_folder->path(), .player = m_player.get(), .random = &m_random});
    ui().Timer1->stop();
    ui().Timer2->stop();
    m_player->clearCalls();
}

void TestForm1Drill::cleanup() {
    m_form.reset();
    m_player.reset();
    m_folder.reset();
}

void TestForm1Drill::freeMode_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<qint16>("openResult");
    QTest::addColumn<QString>("file");

    QTest::newRow("13 bright magenta") << 13 << qint16(0) << QStringLiteral("亮洋红.mp3");
    QTest::newRow("0 black, two spaces") << 0 << qint16(0) << QStringLiteral("黑  色.mp3");
    QTest::newRow("unplayable file still paints") << 4 << qint16(3) << QStringLiteral("红  色.mp3");
}

void TestForm1Drill::freeMode() {
    QFETCH(int, index);
    QFETCH(qint16, openResult);
    QFETCH(QString, file);
    m_player->openResult = openResult;

    // Every click is timed for the benchmarks.
    QLoggingCategory::setFilterRules(QStringLiteral("tintoko.sound.timing.debug=true"));
    QTest::ignoreMessage(
        QtDebugMsg,
        QRegularExpression(
            QStringLiteral("^event=click steady_ns=\\d+ epoch_us=\\d+ index=%1$").arg(index)));
    QTest::mouseClick(button(index), Qt::LeftButton);
    QLoggingCategory::setFilterRules({});

    QCOMPARE(ui().Text1->backColour(), colourtable::value(index));
    QCOMPARE(ui().Text2->backColour(), colourtable::value(index));
    const QString path = m_folder->path() + QStringLiteral("/声音/") + file;
    QStringList expected = played(path);
    if (openResult != 0)
        expected.removeLast();
    QCOMPARE(m_player->callsWithoutState(), expected);
    QCOMPARE(m_form->drill().lastSound(), path);
}

void TestForm1Drill::switching_data() {
    QTest::addColumn<QString>("before"); // "" for free mode
    QTest::addColumn<QString>("selected");

    const QStringList exercises = {QStringLiteral("zidongbofang"), QStringLiteral("ceshi"),
                                   QStringLiteral("shoudongpeise")};
    for (const QString &before : QStringList{QString()} + exercises) {
        for (const QString &selected : exercises) {
            QTest::addRow("%s -> %s", before.isEmpty() ? "free" : qPrintable(before),
                          qPrintable(selected))
                << before << selected;
        }
    }
}

void TestForm1Drill::switching() {
    QFETCH(QString, before);
    QFETCH(QString, selected);
    const QString after = selected == before ? QString() : selected;

    m_random.targets = {7, 7};
    QTest::mouseClick(button(9), Qt::LeftButton);
    if (!before.isEmpty())
        entry(before)->trigger();
    m_player->clearCalls();

    entry(selected)->trigger();

    // The menu shows one check mark at most, the drill's.
    QCOMPARE(checkedEntries(), after.isEmpty() ? QStringList() : QStringList{after});
    const bool mixing = after == QLatin1String("shoudongpeise");
    for (int i = 0; i < 16; ++i) {
        QCOMPARE(button(i)->isHidden(), mixing);
        QCOMPARE(button(i)->backColour(), m_form->drill().buttonColour(i));
        QCOMPARE(button(i)->text(), m_form->drill().buttonCaption(i));
        QCOMPARE(button(i)->text().isEmpty(), after == QLatin1String("ceshi"));
    }
    for (std::size_t k = 0; k < 3; ++k) {
        for (QWidget *w : std::initializer_list<QWidget *>{ui().slider1[k], ui().Label1[k],
                                                           ui().Label2[k], ui().Label3[k]})
            QCOMPARE(w->isHidden(), !mixing);
    }
    QCOMPARE(ui().Text1->backColour(), m_form->drill().swatchColour());
    QCOMPARE(ui().Text2->backColour(), m_form->drill().swatchColour());

    // The test announces its target; mixing's entry stops the player; the
    // others leave it alone.
    QStringList calls;
    if (after == QLatin1String("ceshi"))
        calls = played(nameSound(7));
    else if (selected == QLatin1String("shoudongpeise"))
        calls = QStringList{QStringLiteral("Stop")};
    QCOMPARE(m_player->callsWithoutState(), calls);
}

void TestForm1Drill::testAnswers_data() {
    QTest::addColumn<bool>("right");
    QTest::newRow("right") << true;
    QTest::newRow("wrong") << false;
}

void TestForm1Drill::testAnswers() {
    QFETCH(bool, right);
    std::array<int, 16> arrangement{};
    for (int i = 0; i < 16; ++i)
        arrangement.at(std::size_t(i)) = 15 - i;
    m_random.arrangement = arrangement;
    m_random.targets = {13, 4};

    ui().ceshi->trigger();
    QCOMPARE(button(2)->backColour(), colourtable::value(13));
    QCOMPARE(ui().Text1->backColour(), 0U);
    m_player->clearCalls();

    // Colour 13 is on button 2.
    QTest::mouseClick(button(right ? 2 : 13), Qt::LeftButton);
    const QString sound = right ? ProgramFolder(m_folder->path()).rightAnswerSound(4)
                                : ProgramFolder(m_folder->path()).wrongAnswerSound();
    QCOMPARE(m_player->callsWithoutState(), played(sound));
    QCOMPARE(ui().Text1->backColour(), 0U);

    // The replay entry repeats the verdict, not the target's name.
    m_player->clearCalls();
    ui().wenjian1.value(menuindex::Replay)->trigger();
    QCOMPARE(m_player->callsWithoutState(), played(sound));
}

void TestForm1Drill::automaticPlay_data() {
    QTest::addColumn<int>("missing"); // colour whose recording cannot be opened, or -1
    QTest::newRow("all recordings") << -1;
    QTest::newRow("black missing") << 0;
}

void TestForm1Drill::automaticPlay() {
    QFETCH(int, missing);
    if (missing >= 0)
        m_player->openResults.insert(nameSound(missing), 1);

    ui().zidongbofang->trigger();
    QVERIFY(m_player->calls().isEmpty()); // the first colour waits for the tick
    for (int tick = 0; tick < 17; ++tick) {
        const int index = tick % 16;
        m_player->clearCalls();
        QMetaObject::invokeMethod(ui().Timer1, "timeout"); // a tick
        QCOMPARE(ui().Text1->backColour(), colourtable::value(index));
        QCOMPARE(ui().Text2->backColour(), colourtable::value(index));
        QStringList expected = played(nameSound(index));
        if (index == missing)
            expected.removeLast();
        QCOMPARE(m_player->callsWithoutState(), expected);
    }
}

void TestForm1Drill::mixingSliders() {
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

void TestForm1Drill::speed_data() {
    QTest::addColumn<QList<int>>("choices");
    QTest::addColumn<int>("interval");
    QTest::newRow("fast") << QList<int>{0} << 1500;
    QTest::newRow("medium, already checked") << QList<int>{1} << 3000;
    QTest::newRow("slow then fast") << QList<int>{2, 0} << 1500;
}

void TestForm1Drill::speed() {
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

void TestForm1Drill::statusLineAndErrorBoxes() {
    QCOMPARE(ui().Text2->text(), QStringLiteral(" "));
    ui().zidongbofang->trigger();
    ui().shijiancuowu.value(1)->show();
    ui().shijiancuowu.value(2)->show();
    m_form->Timer2_Timer();
    QMetaObject::invokeMethod(ui().Timer2, "timeout");
    QCOMPARE(ui().Text2->text(), QStringLiteral("自动播放!请认真辨别!             "));
    QVERIFY(ui().shijiancuowu.value(2)->isHidden());
    m_form->Timer1_Timer();
    QVERIFY(ui().shijiancuowu.value(1)->isHidden());
}

void TestForm1Drill::scanning() {
    // The scan's highlight is the focus, its step's name reaches the player,
    // and Space on the highlighted button chooses as it goes down.
    m_form->show();
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    m_form->startScanning(std::chrono::milliseconds(2000));
    QVERIFY(button(0)->hasFocus());
    m_player->clearCalls();
    m_form->Timer_saomiao_Timer();
    m_form->Timer_saomiao_Timer();
    QVERIFY(button(1)->hasFocus());
    QCOMPARE(m_player->callsWithoutState(), played(nameSound(1)));
    QTest::keyPress(button(1), Qt::Key_Space);
    QCOMPARE(ui().Text1->backColour(), colourtable::value(1));
    QTest::keyRelease(button(1), Qt::Key_Space);
    // The adult puts the focus on the last button: the scan goes on from there.
    button(15)->setFocus();
    const QImage light = button(15)->grab().toImage();
    m_form->Timer_saomiao_Timer();
    m_form->Timer_saomiao_Timer();
    QVERIFY(button(0)->hasFocus());
    // Its bold frame, black outside and white inside, on a light and a dark face.
    for (const QImage &face : {light, button(0)->grab().toImage()}) {
        QCOMPARE(face.pixelColor(1, face.height() / 2), QColor(Qt::black));
        QCOMPARE(face.pixelColor(5, face.height() / 2), QColor(Qt::white));
    }
}

QTEST_MAIN(TestForm1Drill)
#include "tst_form1_drill.moc"
