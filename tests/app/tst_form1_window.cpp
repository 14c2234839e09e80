#include "colourbutton.h"
#include "colourtable.h"
#include "fakes/fakesoundplayer.h"
#include "fakes/faketray.h"
#include "form1.h"
#include "form1layout.h"
#include "swatchbox.h"
#include "units.h"

#include <QAction>
#include <QEventLoop>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

// The main window's layout handling, double-click, link frame, file menu and
// tray icon, on the offscreen platform with a fake player and a fake tray.

namespace {

const QString kClosing = QStringLiteral("关闭");

QPoint pixels(const Placement &p) {
    return {units::unitsToPxX(p.left), units::unitsToPxY(p.top)};
}

// Counts the resize events a widget gets.
class ResizeCounter final : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() == QEvent::Resize)
            ++count;
        return false;
    }
};

enum class Step { Maximise, Minimise, Restore, Hide };
enum class Scenario { AfterStart, AfterWrongAnswer, AfterRightAnswer, InAutomaticPlay, InMixing };

} // namespace

Q_DECLARE_METATYPE(QList<Step>)
Q_DECLARE_METATYPE(Scenario)

class TestForm1Window : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void resizeInEachState_data();
    void resizeInEachState();
    void resizeSnapsBack_data();
    void resizeSnapsBack();
    void doubleClick_data();
    void doubleClick();
    void frame3MouseMove_data();
    void frame3MouseMove();
    void replay_data();
    void replay();
    void trayIconFollowsLoadAndUnload();
    void trayLeftClick_data();
    void trayLeftClick();
    void trayMenuItems_data();
    void trayMenuItems();
    void exitEndsTheEventLoop_data();
    void exitEndsTheEventLoop();

private:
    Form1Ui &ui() { return m_form->ui(); }
    void showForm();
    void apply(Step step);
    void expectPinned();
    QString nameSound(int index) const {
        return soundpath::colourNameSound(m_folder->path(),
                                          colourtable::names().at(static_cast<std::size_t>(index)));
    }

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<FakeSoundPlayer> m_player;
    std::unique_ptr<FakeTray> m_tray;
    std::unique_ptr<Form1> m_form;
};

void TestForm1Window::init() {
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
    m_player = std::make_unique<FakeSoundPlayer>();
    m_tray = std::make_unique<FakeTray>();
    m_form = std::make_unique<Form1>(Form1Services{m_folder->path(), m_player.get(), m_tray.get()});
    // The drill timers' handlers are called directly where a test needs them.
    ui().Timer1->stop();
    ui().Timer2->stop();
    ui().Timer_tan->stop();
}

void TestForm1Window::cleanup() {
    m_form.reset();
    m_tray.reset();
    m_player.reset();
    m_folder.reset();
}

void TestForm1Window::showForm() {
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
}

void TestForm1Window::apply(Step step) {
    switch (step) {
    case Step::Maximise:
        m_form->showMaximized();
        break;
    case Step::Minimise:
        m_form->showMinimized();
        break;
    case Step::Restore:
        m_form->showNormal();
        break;
    case Step::Hide:
        m_form->hide();
        break;
    }
}

void TestForm1Window::expectPinned() {
    // Frame at (1500, 1005) twips; the client area exactly as designed.
    QTRY_COMPARE(m_form->frameGeometry().topLeft(), QPoint(100, 67));
    QTRY_COMPARE(ui().client->size(), QSize(504, 319));
    QCOMPARE(ui().client->geometry().bottom(), m_form->rect().bottom());
    QCOMPARE(ui().client->width(), m_form->width());
}

void TestForm1Window::resizeInEachState_data() {
    QTest::addColumn<QList<Step>>("steps");
    QTest::addColumn<int>("restoreState"); // chuangkou_zhuangtai afterwards
    QTest::addColumn<bool>("maximisedLayout");
    QTest::addColumn<bool>("wasMaximised"); // Text1 has its maximised height

    using L = QList<Step>;
    QTest::newRow("normal") << L{} << 0 << false << false;
    QTest::newRow("maximised") << L{Step::Maximise} << 2 << true << true;
    QTest::newRow("minimised") << L{Step::Minimise} << 0 << false << false;
    QTest::newRow("maximised, minimised") << L{Step::Maximise, Step::Minimise} << 0 << true << true;
    QTest::newRow("maximised, restored") << L{Step::Maximise, Step::Restore} << 0 << false << true;
    QTest::newRow("minimised, restored") << L{Step::Minimise, Step::Restore} << 0 << false << false;
    QTest::newRow("maximised twice")
        << L{Step::Maximise, Step::Restore, Step::Maximise} << 2 << true << true;
}

void TestForm1Window::resizeInEachState() {
    QFETCH(QList<Step>, steps);
    QFETCH(int, restoreState);
    QFETCH(bool, maximisedLayout);
    QFETCH(bool, wasMaximised);

    showForm();
    for (Step step : steps) {
        apply(step);
        QTest::qWait(0);
    }
    QTRY_COMPARE(m_form->state().chuangkou_zhuangtai, qint16(restoreState));

    // Minimising places nothing: the arrangement is the one before.
    const Form1Layout layout = maximisedLayout ? ::maximisedLayout() : normalLayout();
    QTRY_COMPARE(ui().Text1->pos(), pixels(layout.text1));
    QCOMPARE(ui().Text2->pos(), pixels(layout.text2));
    QCOMPARE(ui().Command1[9]->pos(), pixels(layout.command1[9]));
    QCOMPARE(ui().slider1[2]->pos(), pixels(layout.slider1[2]));
    QCOMPARE(ui().Label3[1]->pos(), pixels(layout.label3[1]));
    QCOMPARE(ui().Frame3->pos(), pixels(layout.frame3));
    QCOMPARE(ui().Text1->height(), wasMaximised ? units::unitsToPxY(5328) : units::twipsToPx(2835));

    if (m_form->isMinimized())
        return;
    if (maximisedLayout) {
        // The client area has grown so that the moved arrangement is whole.
        QTRY_VERIFY(ui().client->width() > 504);
        for (QWidget *w : std::initializer_list<QWidget *>{ui().Text1, ui().Command1[15],
                                                           ui().Label3[2], ui().slider1[2]}) {
            QVERIFY2(ui().client->rect().contains(w->geometry()), qPrintable(w->objectName()));
        }
        QVERIFY(ui().client->rect().contains(ui().Frame3->geometry().topLeft()));
    } else {
        expectPinned();
    }
}

void TestForm1Window::resizeSnapsBack_data() {
    QTest::addColumn<QRect>("asked"); // the window's geometry, as a user drags it
    QTest::newRow("larger") << QRect(100, 87, 800, 600);
    QTest::newRow("smaller") << QRect(100, 87, 300, 200);
    QTest::newRow("moved and larger") << QRect(400, 300, 640, 480);
    QTest::newRow("one pixel wider") << QRect(100, 87, 505, 342);
}

void TestForm1Window::resizeSnapsBack() {
    QFETCH(QRect, asked);
    showForm();
    expectPinned();
    const QSize pinnedSize = m_form->size();

    ResizeCounter counter;
    m_form->installEventFilter(&counter);
    m_form->windowHandle()->setGeometry(asked);
    QTRY_COMPARE(m_form->size(), pinnedSize);
    expectPinned();
    QCOMPARE(m_form->state().chuangkou_zhuangtai, qint16(0));

    // The nested resizes have come to an end: handling every pending event
    // brings no further resize.
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    const int settled = counter.count;
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents();
    QCOMPARE(counter.count, settled);
}

void TestForm1Window::doubleClick_data() {
    QTest::addColumn<QString>("target"); // object name; "" for the client area itself
    QTest::addColumn<QPoint>("at");      // in the target; a null point for its centre
    QTest::addColumn<int>("colour");     // dangqian_yanse
    QTest::addColumn<bool>("plays");

    QTest::newRow("swatch") << QStringLiteral("Text1") << QPoint() << 0 << true;
    QTest::newRow("swatch, colour 13") << QStringLiteral("Text1") << QPoint(5, 5) << 13 << true;
    QTest::newRow("status strip") << QStringLiteral("Text2") << QPoint() << 6 << true;
    QTest::newRow("free area left of the swatch") << QString() << QPoint(4, 100) << 2 << true;
    QTest::newRow("free area below the buttons") << QString() << QPoint(250, 270) << 15 << true;
    QTest::newRow("link frame") << QStringLiteral("Frame3") << QPoint(100, 3) << 3 << false;
    QTest::newRow("link label") << QStringLiteral("wangye_2") << QPoint() << 3 << false;
}

void TestForm1Window::doubleClick() {
    QFETCH(QString, target);
    QFETCH(QPoint, at);
    QFETCH(int, colour);
    QFETCH(bool, plays);

    showForm();
    m_form->state().dangqian_yanse = colour;
    const quint32 swatch = ui().Text1->backColour();
    QWidget *widget = target.isEmpty() ? ui().client : m_form->findChild<QWidget *>(target);
    QVERIFY(widget != nullptr);
    QVERIFY(!target.startsWith(QLatin1String("Text")) || !widget->isEnabled());
    const QPoint point = at.isNull() ? widget->rect().center() : at;
    QTest::mouseDClick(widget, Qt::LeftButton, {}, point);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, point);

    if (plays) {
        QCOMPARE(m_player->callsWithoutState(),
                 (QStringList{QStringLiteral("Stop"), QStringLiteral("Open:") + nameSound(colour),
                              QStringLiteral("Play")}));
        QCOMPARE(m_form->state().dangqian_shengyin, nameSound(colour));
    } else {
        QVERIFY(m_player->calls().isEmpty());
    }
    // The double-click only speaks: the swatch and the exercise stay.
    QCOMPARE(ui().Text1->backColour(), swatch);
    QCOMPARE(m_form->state().dangqian_yanse, colour);
    QVERIFY(!ui().zidongbofang->isChecked() && !ui().ceshi->isChecked() &&
            !ui().shoudongpeise->isChecked());
}

void TestForm1Window::frame3MouseMove_data() {
    QTest::addColumn<QPoint>("at"); // in Frame3
    QTest::addColumn<bool>("resets");
    QTest::newRow("bare area") << QPoint(100, 3) << true;
    QTest::newRow("between the labels") << QPoint(176, 20) << true;
    QTest::newRow("over the upgrade link") << QPoint(260, 15) << false;
    QTest::newRow("over a plain label") << QPoint(15, 18) << false;
}

void TestForm1Window::frame3MouseMove() {
    QFETCH(QPoint, at);
    QFETCH(bool, resets);
    showForm();

    // Highlight the three links the way hovering over them does.
    for (int index : {1, 3, 6}) {
        QLabel *label = ui().wangye.value(index);
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, Qt::red);
        label->setPalette(palette);
        QFont font = label->font();
        font.setUnderline(true);
        label->setFont(font);
    }
    // The pointer moves there as a real one would: the widget under it gets
    // the move, and a label passes it on to the frame.
    QTest::mouseMove(ui().Frame3, at);

    for (int index : {1, 3, 6}) {
        const QLabel *label = ui().wangye.value(index);
        const QColor expected = resets ? QColor(0, 0, 255) : QColor(Qt::red);
        QCOMPARE(label->palette().color(QPalette::WindowText), expected);
        QCOMPARE(label->font().underline(), !resets);
    }
    // The plain labels keep their look.
    QCOMPARE(ui().wangye.value(0)->font().underline(), false);
}

void TestForm1Window::replay_data() {
    QTest::addColumn<Scenario>("scenario");
    QTest::newRow("after start") << Scenario::AfterStart;
    QTest::newRow("test, after a wrong answer") << Scenario::AfterWrongAnswer;
    QTest::newRow("test, after a right answer") << Scenario::AfterRightAnswer;
    QTest::newRow("automatic play") << Scenario::InAutomaticPlay;
    QTest::newRow("mixing") << Scenario::InMixing;
}

void TestForm1Window::replay() {
    QFETCH(Scenario, scenario);
    showForm();
    Form1State &state = m_form->state();

    // Which button in the test carries the target colour (or does not).
    const auto findButton = [&](bool right) -> ColourButton * {
        const quint32 target = colourtable::value(state.dangqian_yanse);
        for (ColourButton *button : ui().Command1) {
            if ((button->backColour() == target) == right)
                return button;
        }
        return nullptr;
    };

    QString expected;
    switch (scenario) {
    case Scenario::AfterStart:
        expected = nameSound(0);
        break;
    case Scenario::AfterWrongAnswer:
    case Scenario::AfterRightAnswer: {
        ui().ceshi->trigger();
        QVERIFY(ui().ceshi->isChecked());
        const bool right = scenario == Scenario::AfterRightAnswer;
        ColourButton *button = findButton(right);
        QVERIFY(button != nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
        expected =
            right ? soundpath::rightAnswerSound(
                        m_folder->path(),
                        colourtable::names().at(static_cast<std::size_t>(state.dangqian_yanse)))
                  : soundpath::wrongAnswerSound(m_folder->path());
        break;
    }
    case Scenario::InAutomaticPlay:
        ui().zidongbofang->trigger();
        m_form->Timer1_Timer();
        m_form->Timer1_Timer();
        // The name of the colour the swatch shows (dangqian_yanse has moved
        // on to the next one).
        QCOMPARE(ui().Text1->backColour(), colourtable::value(1));
        expected = nameSound(1);
        break;
    case Scenario::InMixing:
        ui().zidongbofang->trigger();
        m_form->Timer1_Timer();
        ui().shoudongpeise->trigger();
        QVERIFY(ui().shoudongpeise->isChecked());
        ui().slider1[1]->setValue(200); // mixing itself plays nothing
        expected = state.dangqian_shengyin;
        QVERIFY(expected.endsWith(QStringLiteral(".mp3")));
        break;
    }
    QCOMPARE(state.dangqian_shengyin, expected);

    const quint32 swatch = ui().Text1->backColour();
    const int colour = state.dangqian_yanse;
    const bool test = ui().ceshi->isChecked();
    m_player->clearCalls();
    ui().wenjian1.value(0)->trigger();

    QCOMPARE(m_player->callsWithoutState(),
             (QStringList{QStringLiteral("Stop"), QStringLiteral("Open:") + expected,
                          QStringLiteral("Play")}));
    QCOMPARE(state.dangqian_shengyin, expected);
    QCOMPARE(ui().Text1->backColour(), swatch);
    QCOMPARE(state.dangqian_yanse, colour);
    QCOMPARE(ui().ceshi->isChecked(), test);
}

void TestForm1Window::trayIconFollowsLoadAndUnload() {
    QCOMPARE(m_tray->added, 1);
    QVERIFY(m_tray->shown);
    QCOMPARE(m_tray->window.data(), m_form.get());
    QCOMPARE(m_tray->menu.data(), ui().kor_tuopan);
    QCOMPARE(m_tray->tip, QStringLiteral("Tintoko 5.70"));
    QCOMPARE(m_tray->tip, m_form->windowTitle());
    QVERIFY(!ui().kor_tuopan->menuAction()->isVisible());

    showForm();
    QVERIFY(!m_form->close());
    QCOMPARE(m_tray->removed, 1);
    QVERIFY(!m_tray->shown);
    QCOMPARE(m_form->state().guanbi_biaozhi, kClosing);
    QVERIFY(ui().Timer_end->isActive());
    QVERIFY(m_form->isVisible());
}

void TestForm1Window::trayLeftClick_data() {
    QTest::addColumn<QList<Step>>("steps");
    QTest::addColumn<bool>("restores");  // false: the click changes nothing
    QTest::addColumn<bool>("maximised"); // the state afterwards

    using L = QList<Step>;
    QTest::newRow("shown normal") << L{} << false << false;
    QTest::newRow("shown maximised") << L{Step::Maximise} << false << true;
    QTest::newRow("minimised") << L{Step::Minimise} << true << false;
    QTest::newRow("maximised, then minimised")
        << L{Step::Maximise, Step::Minimise} << true << false;
    QTest::newRow("hidden") << L{Step::Hide} << true << false;
    QTest::newRow("hidden while maximised") << L{Step::Maximise, Step::Hide} << true << true;
}

void TestForm1Window::trayLeftClick() {
    QFETCH(QList<Step>, steps);
    QFETCH(bool, restores);
    QFETCH(bool, maximised);

    showForm();
    for (Step step : steps) {
        apply(step);
        QTest::qWait(0);
    }
    const bool wasShown = m_form->isVisible() && !m_form->isMinimized();
    QCOMPARE(wasShown, !restores);

    m_tray->clickLeft();
    QVERIFY(m_form->isVisible());
    QVERIFY(!m_form->isMinimized());
    QCOMPARE(m_form->isMaximized(), maximised);
    if (restores) {
        // (The offscreen platform does not activate a window that is shown
        // again after hide(), so only the restore from minimised is checked.)
        if (!steps.contains(Step::Hide))
            QTRY_VERIFY(m_form->isActiveWindow());
        if (!maximised)
            expectPinned();
    }
    // A second click finds the window shown and leaves it alone.
    const Qt::WindowStates before = m_form->windowState();
    m_tray->clickLeft();
    QCOMPARE(m_form->windowState(), before);
    QVERIFY(m_player->calls().isEmpty());
}

void TestForm1Window::trayMenuItems_data() {
    QTest::addColumn<int>("item");
    QTest::addColumn<int>("helpItem"); // the help item it stands for, or -1
    QTest::newRow("home page") << 2 << 7;
    QTest::newRow("news") << 3 << 8;
    QTest::newRow("do nothing") << 5 << -1;
}

void TestForm1Window::trayMenuItems() {
    QFETCH(int, item);
    QFETCH(int, helpItem);
    showForm();

    QSignalSpy home(ui().bangzhu1.value(7), &QAction::triggered);
    QSignalSpy news(ui().bangzhu1.value(8), &QAction::triggered);
    QCOMPARE(ui().kor_tuopan->actions().indexOf(ui().kor_tuopan1.value(item)),
             item == 5 ? 3 : item - 2);
    ui().kor_tuopan1.value(item)->trigger();

    QCOMPARE(home.count(), helpItem == 7 ? 1 : 0);
    QCOMPARE(news.count(), helpItem == 8 ? 1 : 0);
    QVERIFY(m_form->state().guanbi_biaozhi.isEmpty());
    QVERIFY(!ui().Timer_end->isActive());
    QCOMPARE(m_tray->removed, 0);
    QVERIFY(m_form->isVisible());
}

void TestForm1Window::exitEndsTheEventLoop_data() {
    QTest::addColumn<QString>("item");
    QTest::addColumn<bool>("minimised");
    QTest::newRow("tray menu") << QStringLiteral("kor_tuopan1_6") << false;
    QTest::newRow("tray menu, window minimised") << QStringLiteral("kor_tuopan1_6") << true;
    QTest::newRow("file menu") << QStringLiteral("wenjian1_1") << false;
}

void TestForm1Window::exitEndsTheEventLoop() {
    QFETCH(QString, item);
    QFETCH(bool, minimised);
    showForm();
    if (minimised) {
        m_form->showMinimized();
        QTRY_VERIFY(m_form->isMinimized());
    }
    auto *action = m_form->findChild<QAction *>(item);
    QVERIFY(action != nullptr);

    // What the window looks like while the exit lets events run: marked as
    // closing, but not yet unloaded.
    bool probed = false;
    QString flagDuringWait;
    bool unloadedDuringWait = true;
    QObject context;
    QTimer::singleShot(0, &context, [&] {
        QTimer::singleShot(0, &context, [&] {
            probed = true;
            flagDuringWait = m_form->state().guanbi_biaozhi;
            unloadedDuringWait = m_tray->removed > 0 || ui().Timer_end->isActive();
        });
        action->trigger();
    });
    QTimer::singleShot(10000, &context, [] { QCoreApplication::exit(1); });
    // The application's own event loop, as in the program: it ends with code
    // 0 on the Timer_end tick, and with 1 if the watchdog has to end it.
    QCOMPARE(QCoreApplication::exec(), 0);

    QVERIFY(probed);
    QCOMPARE(flagDuringWait, kClosing);
    QVERIFY(!unloadedDuringWait);
    QCOMPARE(m_form->state().guanbi_biaozhi, kClosing);
    QCOMPARE(m_tray->removed, 1);
    QVERIFY(m_player->calls().isEmpty());
}

QTEST_MAIN(TestForm1Window)
#include "tst_form1_window.moc"
