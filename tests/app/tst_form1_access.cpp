#include "announcements.h"
#include "colourbutton.h"
#include "fakes/fakesoundplayer.h"
#include "fakes/scriptedcolours.h"
#include "form1.h"
#include "swatchbox.h"

#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

// The main window as a screen reader and a keyboard meet it: what the
// accessible interfaces say, and what keys do on the colour buttons.
class TestForm1Access : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup() { m_form.reset(); }
    void buttonNamesAndSwatch_data();
    void buttonNamesAndSwatch();
    void readoutsAndHiddenBoxes();
    void keys_data();
    void keys();
    void focusAndTabOrder();

private:
    const Form1Ui &ui() const { return m_form->ui(); }
    static QString said(QObject *object, QAccessible::Text what = QAccessible::Name) {
        return QAccessible::queryAccessibleInterface(object)->text(what);
    }

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<FakeSoundPlayer> m_player;
    ScriptedColours m_random;
    std::unique_ptr<Form1> m_form;
};

void TestForm1Access::init() {
    m_folder = std::make_unique<QTemporaryDir>();
    m_player = std::make_unique<FakeSoundPlayer>();
    m_form = std::make_unique<Form1>(Form1Services{
        .programFolder = m_folder->path(), .player = m_player.get(), .random = &m_random});
    ui().Timer2->stop();
}

void TestForm1Access::buttonNamesAndSwatch_data() {
    QTest::addColumn<QString>("entry"); // the exercise chosen; "" for free play
    QTest::addColumn<QString>("button13");
    QTest::addColumn<QString>("swatch");
    QTest::addColumn<QString>("status"); // the status line's text after a tick
    const auto row = [](const char *tag, const char *entry, const char *button13,
                        const char *swatch, const char *status) {
        QTest::newRow(tag) << QString(entry) << QString(button13) << QString(swatch)
                           << QString(status);
    };
    row("free play, after a click on 亮蓝色", "", "亮洋红", "亮蓝色", "");
    row("automatic play, second colour", "zidongbofang", "亮洋红", "蓝色", "自动播放!请认真辨别!");
    row("test: no name gives the answer away", "ceshi", "颜色按钮 14", "黑色",
        "正在测试!请选择...");
    row("mixing: the triple of a colour not named", "shoudongpeise", "亮洋红", "255,128,0",
        "现在可以手动调制颜色!");
}

void TestForm1Access::buttonNamesAndSwatch() {
    QFETCH(QString, entry);
    QFETCH(QString, button13);
    QFETCH(QString, swatch);
    QFETCH(QString, status);
    QCOMPARE(said(ui().Text1, QAccessible::Description), QStringLiteral("黑色"));
    QCOMPARE(said(m_form->menuBar()), QStringLiteral("菜单栏"));
    announcers.clear();
    ui().Command1[9]->click();
    if (!entry.isEmpty())
        m_form->findChild<QAction *>(entry)->trigger();
    m_form->Timer1_Timer();
    m_form->Timer1_Timer();
    if (entry == "shoudongpeise") {
        ui().slider1[0]->setValue(255);
        ui().slider1[1]->setValue(128);
    }

    QCOMPARE(said(ui().Command1[13]), button13);
    QCOMPARE(said(ui().Command1[0]), entry == "ceshi" ? "颜色按钮 1" : "黑色");
    QCOMPARE(said(ui().Text1, QAccessible::Description), swatch);
    // A reader says the exercise's message by itself, once, not again as it scrolls.
    m_form->Timer2_Timer();
    m_form->Timer2_Timer();
    QCOMPARE(announced(), status.isEmpty() ? QStringList() : QStringList{status});
    // The status line has the child it counts, in free play too, where it said nothing yet.
    QAccessibleInterface *line = QAccessible::queryAccessibleInterface(ui().Text2);
    QVERIFY(line->child(line->childCount() - 1) != nullptr);
}

void TestForm1Access::readoutsAndHiddenBoxes() {
    ui().shoudongpeise->trigger();
    ui().slider1[2]->setValue(255);
    // The status line is read on demand: the exercise's message, whole.
    m_form->Timer2_Timer();
    m_form->Timer2_Timer();
    QAccessibleInterface *line = QAccessible::queryAccessibleInterface(ui().Text2);
    QCOMPARE(line->role(), QAccessible::StatusBar);
    QCOMPARE(line->text(QAccessible::Name), QStringLiteral("状态"));
    QCOMPARE(line->textInterface()->text(0, 11), QStringLiteral("现在可以手动调制颜色!"));
    QCOMPARE(line->textInterface()->characterCount(), 11);
    // Each read-out says its value, as name and as text, labelled by its caption;
    // each slider tells all three with its own value.
    const QStringList values{"0,0,255", "16711680", "&HFF0000"};
    for (std::size_t k = 0; k < 3; ++k) {
        QCOMPARE(said(ui().slider1[k], QAccessible::Description),
                 QStringLiteral("R G B: 0,0,255，十 位: 16711680，十六位: &HFF0000"));
        QAccessibleInterface *readout = QAccessible::queryAccessibleInterface(ui().Label3[k]);
        QCOMPARE(readout->text(QAccessible::Name), values[qsizetype(k)]);
        QCOMPARE(readout->text(QAccessible::Description), QString()); // said once
        QCOMPARE(readout->textInterface()->text(0, readout->textInterface()->characterCount()),
                 values[qsizetype(k)]);
        const auto labels = readout->relations(QAccessible::Label);
        QCOMPARE(labels.size(), 1);
        QCOMPARE(labels.first().first->object(), ui().Label2[k]);
    }
    // The timers' error boxes, never shown, are not among the client area's
    // 31 controls.
    QAccessibleInterface *client = QAccessible::queryAccessibleInterface(ui().client);
    QList<QObject *> offered;
    for (int i = 0; i < client->childCount(); ++i)
        offered << client->child(i)->object();
    QCOMPARE(offered.size(), 31);
    QVERIFY(!offered.contains(ui().shijiancuowu.value(1)) &&
            !offered.contains(ui().shijiancuowu.value(2)));
    QCOMPARE(client->indexOfChild(QAccessible::queryAccessibleInterface(ui().Frame3)), 30);
}

void TestForm1Access::keys_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("focused"); // afterwards
    QTest::addColumn<int>("clicks");
    QTest::newRow("Space") << 4 << int(Qt::Key_Space) << 4 << 1;
    QTest::newRow("Return") << 4 << int(Qt::Key_Return) << 4 << 1;
    QTest::newRow("Enter") << 4 << int(Qt::Key_Enter) << 4 << 1;
    QTest::newRow("Down from button 2") << 1 << int(Qt::Key_Down) << 9 << 0;
    QTest::newRow("Up from button 10") << 9 << int(Qt::Key_Up) << 1 << 0;
    QTest::newRow("Right along the row") << 9 << int(Qt::Key_Right) << 10 << 0;
    QTest::newRow("no Left past the row's start") << 8 << int(Qt::Key_Left) << 8 << 0;
    QTest::newRow("no Right past the row's end") << 7 << int(Qt::Key_Right) << 7 << 0;
    QTest::newRow("no Down from the lower row") << 12 << int(Qt::Key_Down) << 12 << 0;
}

void TestForm1Access::keys() {
    QFETCH(int, from);
    QFETCH(int, key);
    QFETCH(int, focused);
    QFETCH(int, clicks);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    ColourButton *button = ui().Command1.at(std::size_t(from));
    button->setFocus();
    QSignalSpy clicked(button, &QPushButton::clicked);
    QTest::keyClick(button, Qt::Key(key));
    QCOMPARE(clicked.count(), clicks);
    QCOMPARE(QApplication::focusWidget(), ui().Command1.at(std::size_t(focused)));
    // Held down, a key presses the button once.
    QTest::sendKeyEvent(QTest::Press, button, Qt::Key(key), QString(), {});
    QTest::simulateEvent(button, true, key, {}, QString(), true); // auto-repeat
    QTest::sendKeyEvent(QTest::Release, button, Qt::Key(key), QString(), {});
    QCOMPARE(clicked.count(), 2 * clicks);
}

void TestForm1Access::focusAndTabOrder() {
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    const auto focused = [] { return QApplication::focusWidget(); };
    // Mixing takes the focus from a colour button to the red slider in one
    // step (no other button is announced on the way); Tab goes on from the
    // blue slider to the three links.
    ui().Command1[5]->setFocus();
    QSignalSpy moves(qApp, &QApplication::focusChanged);
    ui().shoudongpeise->trigger();
    QCOMPARE(moves.count(), 1);
    QCOMPARE(focused(), ui().slider1[0]);
    ui().slider1[2]->setFocus();
    for (int index : {1, 3, 6}) {
        QTest::keyClick(focused(), Qt::Key_Tab);
        QCOMPARE(focused(), ui().wangye.value(index));
    }
    // The focused link has a dotted frame in its colour around its text (on
    // its top row, not a line); the others only their text.
    const auto pixels = [this](int index, int rows, const QColor &colour) {
        const QImage image = ui().wangye.value(index)->grab().toImage();
        int count = 0;
        for (int y = 0; y < std::min(rows, image.height()); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += image.pixelColor(x, y) == colour ? 1 : 0;
        return count;
    };
    const QColor blue(0, 0, 255);
    const QColor background = ui().wangye.value(3)->grab().toImage().pixelColor(0, 0);
    const QSize three = ui().wangye.value(3)->size();
    QVERIFY(pixels(6, 1, blue) > 0 && pixels(6, 1, blue) < ui().wangye.value(6)->width() / 2);
    QVERIFY(pixels(3, 1, blue) == 0 && pixels(3, 100, background) < three.width() * three.height());
    // Leaving mixing gives it to the first colour button, wherever it was; an
    // exercise that keeps the buttons leaves it where it is.
    ui().zidongbofang->trigger();
    QCOMPARE(focused(), ui().Command1[0]);
    ui().Command1[15]->setFocus();
    ui().ceshi->trigger();
    QCOMPARE(focused(), ui().Command1[15]);
}

QTEST_MAIN(TestForm1Access)
#include "tst_form1_access.moc"
