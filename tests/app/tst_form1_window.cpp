#include "colourbutton.h"
#include "colourtable.h"
#include "fakes/fakesoundplayer.h"
#include "fakes/faketray.h"
#include "fakes/scriptedcolours.h"
#include "form1.h"
#include "form1layout.h"
#include "swatchbox.h"
#include "units.h"

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

// The main window's layout handling, double-click, link frame, file menu and
// tray icon, on the offscreen platform with a fake player and a fake tray.

namespace {

QPoint pixels(const Placement &p) {
    return {units::unitsToPxX(p.left), units::unitsToPxY(p.top)};
}

using Step = void (QWidget::*)(); // showMaximized, showMinimized, showNormal or hide

} // namespace

Q_DECLARE_METATYPE(QList<Step>)

class TestForm1Window : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup() { m_form.reset(); }
    void windowStates_data();
    void windowStates();
    void resizeSnapsBack();
    void doubleClick_data();
    void doubleClick();
    void frame3MouseMove();
    void replay_data();
    void replay();
    void trayMenuItems();
    void exitEndsTheEventLoop_data();
    void exitEndsTheEventLoop();

private:
    const Form1Ui &ui() const { return m_form->ui(); }
    void showForm() {
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    }
    void expectPinned();
    QString nameSound(int index) const {
        return ProgramFolder(m_folder->path()).colourNameSound(index);
    }

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<FakeSoundPlayer> m_player;
    std::unique_ptr<FakeTray> m_tray;
    ScriptedColours m_random;
    std::unique_ptr<Form1> m_form;
};

void TestForm1Window::init() {
    m_folder = std::make_unique<QTemporaryDir>();
    m_player = std::make_unique<FakeSoundPlayer>();
    m_tray = std::make_unique<FakeTray>();
    m_form = std::make_unique<Form1>(Form1Services{.programFolder = m_folder->path(),
                                                   .player = m_player.get(),
                                                   .tray = m_tray.get(),
                                                   .random = &m_random});
    ui().Timer1->stop();
    ui().Timer2->stop();
    ui().Timer_tan->stop();
}

void TestForm1Window::expectPinned() {
    // Frame at (1500, 1005) twips; the client area exactly as designed.
    QTRY_COMPARE(m_form->frameGeometry().topLeft(), QPoint(100, 67));
    QTRY_COMPARE(ui().client->size(), QSize(504, 319));
    // The window is the client area and the menu bar above it, one row high.
    const int bar = m_form->menuBar()->sizeHint().height();
    QVERIFY(bar > 0);
    QCOMPARE(m_form->menuBar()->geometry(), QRect(0, 0, 504, bar));
    QCOMPARE(ui().client->geometry(), QRect(0, bar, 504, 319));
    QCOMPARE(m_form->size(), QSize(504, 319 + bar));
    QVERIFY(m_form->pinning().pinned());
    // Window managers size in steps from the base: from this very size.
    QCOMPARE(m_form->baseSize(), m_form->size());
}

void TestForm1Window::windowStates_data() {
    QTest::addColumn<QList<Step>>("steps");
    QTest::addColumn<int>("restoreState"); // chuangkou_zhuangtai afterwards
    QTest::addColumn<bool>("maximisedLayout");
    QTest::addColumn<bool>("wasMaximised"); // Text1 has its maximised height

    using L = QList<Step>;
    const Step max = &QWidget::showMaximized;
    const Step min = &QWidget::showMinimized;
    QTest::newRow("normal") << L{} << 0 << false << false;
    QTest::newRow("maximised") << L{max} << 2 << true << true;
    QTest::newRow("minimised") << L{min} << 0 << false << false;
    QTest::newRow("maximised, minimised") << L{max, min} << 0 << true << true;
    QTest::newRow("maximised, restored") << L{max, &QWidget::showNormal} << 0 << false << true;
    QTest::newRow("hidden") << L{&QWidget::hide} << 0 << false << false;
    QTest::newRow("hidden while maximised") << L{max, &QWidget::hide} << 2 << true << true;
}

void TestForm1Window::windowStates() {
    QFETCH(QList<Step>, steps);
    QFETCH(int, restoreState);
    QFETCH(bool, maximisedLayout);
    QFETCH(bool, wasMaximised);

    showForm();
    for (Step step : steps) {
        (m_form.get()->*step)();
        QTest::qWait(0);
    }
    QTRY_COMPARE(m_form->state().chuangkou_zhuangtai, WindowState(restoreState));

    // Minimising places nothing: the arrangement is the one before.
    const Form1Layout layout = maximisedLayout ? ::maximisedLayout() : normalLayout();
    QTRY_COMPARE(ui().Text1->pos(), pixels(layout.text1));
    QCOMPARE(ui().Text2->pos(), pixels(layout.text2));
    for (std::size_t i = 0; i < 16; ++i)
        QCOMPARE(ui().Command1[i]->pos(), pixels(layout.command1[i]));
    for (std::size_t r = 0; r < 3; ++r) {
        QCOMPARE(ui().Label1[r]->pos(), pixels(layout.label1[r]));
        QCOMPARE(ui().Label2[r]->pos(), pixels(layout.label2[r]));
        QCOMPARE(ui().Label3[r]->pos(), pixels(layout.label3[r]));
        QCOMPARE(ui().slider1[r]->pos(), pixels(layout.slider1[r]));
    }
    QCOMPARE(ui().Frame3->pos(), pixels(layout.frame3));
    QCOMPARE(ui().Text1->height(), wasMaximised ? units::unitsToPxY(5328) : units::twipsToPx(2835));

    const bool shown = m_form->isVisible() && !m_form->isMinimized();
    if (shown && maximisedLayout) {
        // The client area has grown so that the moved arrangement is whole.
        QTRY_VERIFY(ui().client->rect().contains(ui().Command1[15]->geometry()));
        QVERIFY(ui().client->rect().contains(ui().Label3[2]->geometry()));
        QVERIFY(ui().client->rect().contains(ui().Frame3->geometry().topLeft()));
    } else if (shown) {
        expectPinned();
    }

    // A left click on the tray icon brings a hidden or minimised window back
    // as chuangkou_zhuangtai says, and leaves a shown one alone.
    const Qt::WindowStates before = m_form->windowState();
    m_tray->clickLeft();
    QVERIFY(m_form->isVisible() && !m_form->isMinimized());
    if (shown) {
        QCOMPARE(m_form->windowState(), before);
        return;
    }
    QCOMPARE(m_form->isMaximized(), restoreState == 2);
    // (Offscreen, a window shown again after hide() is not activated.)
    if (!steps.contains(&QWidget::hide))
        QTRY_VERIFY(m_form->isActiveWindow());
    if (restoreState == 0)
        expectPinned();
}

void TestForm1Window::resizeSnapsBack() {
    showForm();
    expectPinned();
    const QSize pinnedSize = m_form->size();
    QSignalSpy widths(m_form->windowHandle(), &QWindow::widthChanged);
    QSignalSpy heights(m_form->windowHandle(), &QWindow::heightChanged);
    // The window's geometry as a user drags it: moved and larger, smaller.
    for (const QRect asked : {QRect(400, 300, 640, 480), QRect(100, 87, 300, 200)}) {
        m_form->windowHandle()->setGeometry(asked);
        QTRY_COMPARE(m_form->size(), pinnedSize);
        expectPinned();
        // The nested resizes come to an end.
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
        const qsizetype settled = widths.count() + heights.count();
        for (int i = 0; i < 20; ++i)
            QCoreApplication::processEvents();
        QCOMPARE(widths.count() + heights.count(), settled);
    }
    // Moved only: it stays where it was put, past the wait for the window
    // manager to settle.
    QTest::qWait(3 * WindowPinning::kSettleMs);
    expectPinned();
    m_form->move(300, 200);
    QTRY_COMPARE(m_form->pos(), QPoint(300, 200));
    QTest::qWait(3 * WindowPinning::kSettleMs);
    QCOMPARE(m_form->pos(), QPoint(300, 200));
    QCOMPARE(m_form->size(), pinnedSize);
}

void TestForm1Window::doubleClick_data() {
    QTest::addColumn<QString>("target"); // object name; "" for the client area itself
    QTest::addColumn<QPoint>("at");      // in the target; a null point for its centre
    QTest::addColumn<bool>("plays");
    QTest::newRow("swatch") << QStringLiteral("Text1") << QPoint() << true;
    QTest::newRow("status strip") << QStringLiteral("Text2") << QPoint() << true;
    QTest::newRow("free area left of the swatch") << QString() << QPoint(4, 100) << true;
    QTest::newRow("link frame") << QStringLiteral("Frame3") << QPoint(100, 3) << false;
    QTest::newRow("link label") << QStringLiteral("wangye_2") << QPoint() << false;
}

void TestForm1Window::doubleClick() {
    QFETCH(QString, target);
    QFETCH(QPoint, at);
    QFETCH(bool, plays);

    showForm();
    // A test that asked for colour 13 and ended: 13 stays the current colour.
    m_random.targets = {13};
    ui().ceshi->trigger();
    ui().ceshi->trigger();
    m_player->clearCalls();
    QWidget *widget = target.isEmpty() ? ui().client : m_form->findChild<QWidget *>(target);
    QVERIFY(widget != nullptr);
    const QPoint point = at.isNull() ? widget->rect().center() : at;
    QTest::mouseDClick(widget, Qt::LeftButton, {}, point);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, point);

    const QStringList played = {QStringLiteral("Stop"), QStringLiteral("Open:") + nameSound(13),
                                QStringLiteral("Play")};
    QCOMPARE(m_player->callsWithoutState(), plays ? played : QStringList());
}

void TestForm1Window::frame3MouseMove() {
    showForm();
    // The three links highlighted, as hovering over them leaves them.
    for (int index : {1, 3, 6}) {
        QLabel *label = ui().wangye.value(index);
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, Qt::red);
        label->setPalette(palette);
        QFont font = label->font();
        font.setUnderline(true);
        label->setFont(font);
    }
    // As a real pointer: the widget under it gets the move, a label passes
    // it on to the frame. Only the frame's bare area resets the links.
    for (const bool bare : {false, true}) {
        QTest::mouseMove(ui().Frame3, bare ? QPoint(100, 3) : QPoint(260, 15));
        for (int index : {1, 3, 6}) {
            const QLabel *label = ui().wangye.value(index);
            QCOMPARE(label->palette().color(QPalette::WindowText),
                     bare ? QColor(0, 0, 255) : QColor(Qt::red));
            QCOMPARE(label->font().underline(), !bare);
        }
    }
}

void TestForm1Window::replay_data() {
    QTest::addColumn<QString>("before"); // what happened since the start
    QTest::newRow("after start") << QString();
    QTest::newRow("test, after a wrong answer") << QStringLiteral("ceshi");
    QTest::newRow("mixing, after automatic play") << QStringLiteral("shoudongpeise");
}

void TestForm1Window::replay() {
    QFETCH(QString, before);
    QString expected = nameSound(0);
    if (before == QLatin1String("ceshi")) {
        ui().ceshi->trigger();
        const bool first =
            ui().Command1[0]->backColour() == colourtable::value(m_form->drill().currentColour());
        ui().Command1[first ? 1 : 0]->click();
        expected = ProgramFolder(m_folder->path()).wrongAnswerSound();
    } else if (!before.isEmpty()) {
        // The colour shown last (dangqian_yanse has moved on); mixing is silent.
        ui().zidongbofang->trigger();
        m_form->Timer1_Timer();
        m_form->Timer1_Timer();
        ui().shoudongpeise->trigger();
        ui().slider1[1]->setValue(200);
        expected = nameSound(1);
    }
    m_player->clearCalls();
    ui().wenjian1.value(0)->trigger();

    QCOMPARE(m_player->callsWithoutState(),
             (QStringList{QStringLiteral("Stop"), QStringLiteral("Open:") + expected,
                          QStringLiteral("Play")}));
    QCOMPARE(m_form->drill().lastSound(), expected);
}

void TestForm1Window::trayMenuItems() {
    // Items 2 and 3 stand for the help menu's 7 and 8; 5 does nothing.
    showForm();
    QSignalSpy home(ui().bangzhu1.value(7), &QAction::triggered);
    QSignalSpy news(ui().bangzhu1.value(8), &QAction::triggered);
    for (int item : {2, 3, 5}) {
        QCOMPARE(ui().kor_tuopan->actions().indexOf(ui().kor_tuopan1.value(item)),
                 item == 5 ? 3 : item - 2);
        ui().kor_tuopan1.value(item)->trigger();
        QCOMPARE(home.count(), 1);
        QCOMPARE(news.count(), item == 2 ? 0 : 1);
    }
    QVERIFY(!m_form->state().guanbi_biaozhi);
    QCOMPARE(m_tray->removed, 0);
}

void TestForm1Window::exitEndsTheEventLoop_data() {
    QTest::addColumn<QString>("item");
    QTest::newRow("tray menu") << QStringLiteral("kor_tuopan1_6");
    QTest::newRow("file menu") << QStringLiteral("wenjian1_1");
}

void TestForm1Window::exitEndsTheEventLoop() {
    QFETCH(QString, item);
    showForm();
    auto *action = m_form->findChild<QAction *>(item);
    QVERIFY(action != nullptr);
    // The tray icon, added at load: the window's, with its caption.
    QCOMPARE(m_tray->added, 1);
    QCOMPARE(m_tray->window.data(), m_form.get());
    QCOMPARE(m_tray->menu.data(), ui().kor_tuopan);
    QCOMPARE(m_tray->tip, m_form->windowTitle());

    // What the window looks like while the exit lets events run: marked as
    // closing, but not yet unloaded.
    bool flagDuringWait = false;
    bool unloadedDuringWait = true;
    QObject context;
    QTimer::singleShot(0, &context, [&] {
        QTimer::singleShot(0, &context, [&] {
            flagDuringWait = m_form->state().guanbi_biaozhi;
            unloadedDuringWait = m_tray->removed > 0 || ui().Timer_end->isActive();
        });
        action->trigger();
    });
    QTimer::singleShot(10000, &context, [] { QCoreApplication::exit(1); });
    // The application's own loop ends with 0 on the Timer_end tick, 1 from the watchdog.
    QCOMPARE(QCoreApplication::exec(), 0);

    QVERIFY(flagDuringWait);
    QVERIFY(!unloadedDuringWait);
    QCOMPARE(m_tray->removed, 1);
}

QTEST_MAIN(TestForm1Window)
#include "tst_form1_window.moc"
