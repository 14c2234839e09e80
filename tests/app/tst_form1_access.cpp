#include "colourbutton.h"
#include "fakes/fakesoundplayer.h"
#include "fakes/scriptedcolours.h"
#include "form1.h"
#include "swatchbox.h"

#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// The main window as a screen reader meets it: what the accessible
// interfaces say.
class TestForm1Access : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup() { m_form.reset(); }
    void buttonNamesAndSwatch_data();
    void buttonNamesAndSwatch();
    void readoutsAndHiddenBoxes();

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
    QTest::newRow("free play, after a click on 亮蓝色") << ""
                                                        << "亮洋红"
                                                        << "亮蓝色";
    QTest::newRow("automatic play, second colour") << "zidongbofang"
                                                   << "亮洋红"
                                                   << "蓝色";
    QTest::newRow("test: no name gives the answer away") << "ceshi"
                                                         << "颜色按钮 14"
                                                         << "黑色";
    QTest::newRow("mixing: the triple of a colour not named") << "shoudongpeise"
                                                              << "亮洋红"
                                                              << "255,128,0";
}

void TestForm1Access::buttonNamesAndSwatch() {
    QFETCH(QString, entry);
    QFETCH(QString, button13);
    QFETCH(QString, swatch);
    QCOMPARE(said(ui().Text1, QAccessible::Description), QStringLiteral("黑色"));
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
}

void TestForm1Access::readoutsAndHiddenBoxes() {
    ui().shoudongpeise->trigger();
    ui().slider1[2]->setValue(255);
    // Each read-out says its value, as name and as text, labelled by its caption.
    const QStringList values{"0,0,255", "16711680", "&HFF0000"};
    for (std::size_t k = 0; k < 3; ++k) {
        QAccessibleInterface *readout = QAccessible::queryAccessibleInterface(ui().Label3[k]);
        QCOMPARE(readout->text(QAccessible::Name), values[qsizetype(k)]);
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

QTEST_MAIN(TestForm1Access)
#include "tst_form1_access.moc"
