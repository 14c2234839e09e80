#include "colourbutton.h"
#include "colourtable.h"
#include "colourvalue.h"
#include "fakes/fakesoundplayer.h"
#include "form1.h"
#include "programicon.h"
#include "swatchbox.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

struct PaintCount final : QObject {
    explicit PaintCount(QWidget *widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject * /*watched*/, QEvent *event) override {
        count += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
    int count = 0;
};

} // namespace

class TestForm1Load : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void buttonsAfterLoad_data();
    void buttonsAfterLoad();
    void menusAndControlsAfterLoad();
    void lettering_data();
    void lettering();
    void newsOptionFromFile_data();
    void newsOptionFromFile();
    void unloadIsRefusedAndEndsOnTimerEnd();

private:
    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<FakeSoundPlayer> m_player;
    std::unique_ptr<Form1> m_form;
    void makeForm() {
        m_form = std::make_unique<Form1>(
            Form1Services{.programFolder = m_folder->path(), .player = m_player.get()});
    }
};

void TestForm1Load::init() {
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
    m_player = std::make_unique<FakeSoundPlayer>();
}

void TestForm1Load::cleanup() {
    m_form.reset();
    m_player.reset();
    m_folder.reset();
}

void TestForm1Load::buttonsAfterLoad_data() {
    QTest::addColumn<int>("index");
    for (int i = 0; i < 16; ++i)
        QTest::addRow("button %d", i) << i;
}

void TestForm1Load::buttonsAfterLoad() {
    QFETCH(int, index);
    makeForm();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));

    ColourButton *button = m_form->ui().Command1.at(static_cast<std::size_t>(index));
    QVERIFY(button->isVisible());
    QCOMPARE(button->backColour(), colourtable::value(index));
    QCOMPARE(button->text(), colourtable::names().at(static_cast<std::size_t>(index)));
    QCOMPARE(button->objectName(), QStringLiteral("Command1_%1").arg(index));
    QVERIFY(!button->accessibleName().isEmpty());

    // The face shows exactly the colour, beside the caption, between the edge
    // and the focus mark.
    const QImage face = button->grab().toImage();
    const quint32 value = colourtable::value(index);
    const QColor expected(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
    for (const QPoint &p : {QPoint(2, face.height() / 2), QPoint(face.width() - 3, 2),
                            QPoint(face.width() / 2, face.height() - 3)}) {
        QCOMPARE(face.pixelColor(p).rgb(), expected.rgb());
    }
    // A raised edge: white at the top and left, dark grey at the bottom and right.
    const int w = face.width() - 1;
    const int h = face.height() - 1;
    for (const auto &[x, y, grey] :
         {std::tuple{w / 2, 0, 255}, {0, h / 2, 255}, {w / 2, h, 64}, {w, h / 2, 64}})
        QCOMPARE(face.pixelColor(x, y), QColor(grey, grey, grey));
    // The first button has the focus, marked by a dotted frame 3 pixels in.
    int dots = 0;
    for (int y = 3; y <= h - 4; ++y)
        dots += face.pixelColor(3, y) != expected ? 1 : 0;
    QCOMPARE(button->hasFocus(), index == 0);
    QCOMPARE(dots > 0 && dots < h - 6, index == 0);

    // A new colour is painted on the screen, not only kept.
    PaintCount painted(button);
    button->setBackColour(value ^ 0xFFFFFFU);
    QTRY_VERIFY(painted.count > 0);
}

void TestForm1Load::menusAndControlsAfterLoad() {
    makeForm();
    const Form1Ui &ui = m_form->ui();
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Tintoko 5.70"));
    // The icon the programs give their windows and the tray, in every size a panel asks for.
    QCOMPARE(programIcon().availableSizes(),
             (QList<QSize>{{16, 16}, {22, 22}, {24, 24}, {32, 32}, {48, 48}, {64, 64}}));

    // Mixing controls hidden, read-outs filled from the design state.
    for (std::size_t k = 0; k < 3; ++k) {
        QVERIFY(ui.Label1[k]->isHidden());
        QVERIFY(ui.Label2[k]->isHidden());
        QVERIFY(ui.Label3[k]->isHidden());
        QVERIFY(ui.slider1[k]->isHidden());
    }
    QCOMPARE(ui.Label3[0]->text(), QStringLiteral("0,0,0"));
    QCOMPARE(ui.Label3[1]->text(), QStringLiteral("0"));
    QCOMPARE(ui.Label3[2]->text(), QStringLiteral("&H0"));
    QVERIFY(ui.shijiancuowu.value(1)->isHidden());
    QVERIFY(ui.shijiancuowu.value(2)->isHidden());
    QCOMPARE(ui.shijiancuowu.value(1)->text() + ui.shijiancuowu.value(2)->text(),
             QStringLiteral("Timer1_Timer()出现错误,错误号:Timer2_Timer()出现错误,错误号:"));
    QCOMPARE(ui.shijiancuowu.value(1)->geometry(), QRect(64, 144, 349, 21));
    QCOMPARE(ui.shijiancuowu.value(2)->geometry(), QRect(60, 168, 349, 21));
    // The status strip: red text on the black swatch, one space until the first tick.
    QCOMPARE(ui.Text2->foreColour(), QColor(255, 0, 0));
    QCOMPARE(ui.Text2->backColour(), 0x000000U);
    QCOMPARE(ui.Text2->text(), QStringLiteral(" "));

    // Exactly the medium speed is checked; no exercise is.
    QVERIFY(!ui.sudu1.value(0)->isChecked());
    QVERIFY(ui.sudu1.value(1)->isChecked());
    QVERIFY(!ui.sudu1.value(2)->isChecked());
    QVERIFY(!ui.zidongbofang->isChecked());
    QVERIFY(!ui.ceshi->isChecked());
    QVERIFY(!ui.shoudongpeise->isChecked());

    // The menu bar shows the four menus; the tray menu is not among them.
    QStringList shown;
    for (QAction *action : m_form->menuBar()->actions()) {
        if (action->isVisible())
            shown << action->text();
    }
    QCOMPARE(shown, (QStringList{QStringLiteral("文件(&W)"), QStringLiteral("播放速度(&B)"),
                                 QStringLiteral("选择项目(&X)"), QStringLiteral("帮助(&H)")}));
    // Every entry of the help and tray menus, in order, under its own index.
    const auto entries = [](const QMenu *menu, const QMap<int, QAction *> &byIndex) {
        QStringList found;
        for (QAction *action : menu->actions())
            found << QString::number(byIndex.key(action, -1)) + ' ' + action->text();
        return found;
    };
    QCOMPARE(entries(ui.bangzhu, ui.bangzhu1),
             (QStringList{"0 功能介绍(&N)", "1 软件升级(&S)", "3 ", "5 禁止弹出新闻资讯(&X)", "6 ",
                          "7 软件主页(&H)", "8 新闻资讯(&W)", "9 ", "10 联系方式(&L)",
                          "11 关于...(&G)"}));
    QCOMPARE(
        entries(ui.kor_tuopan, ui.kor_tuopan1),
        (QStringList{"2 软件主页(&H)", "3 新闻资讯(&W)", "4 ", "5 什么都不做(&T)", "6 退出(&F)"}));

    QCOMPARE(ui.Timer1->interval(), 2000);
    QVERIFY(ui.Timer1->isActive());
    QCOMPARE(ui.Timer2->interval(), 1000);
    QVERIFY(ui.Timer2->isActive());
    QCOMPARE(ui.Timer_end->interval(), 100);
    QVERIFY(!ui.Timer_end->isActive());
    QCOMPARE(ui.Timer_tan->interval(), 1000);
    QVERIFY(ui.Timer_tan->isActive());

    const Form1State &state = m_form->state();
    QCOMPARE(m_form->drill().currentColour(), 0);
    QCOMPARE(m_form->drill().lastSound(), m_folder->path() + QStringLiteral("/声音/黑  色.mp3"));
    QVERIFY(!state.guanbi_biaozhi);
    QCOMPARE(state.chuangkou_zhuangtai, WindowState::Normal);
    // Loading plays nothing.
    QVERIFY(m_player->calls().isEmpty());
}

void TestForm1Load::lettering_data() {
    QTest::addColumn<QString>("object");
    QTest::addColumn<double>("points");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<QColor>("ink");   // invalid: the style's own
    QTest::addColumn<quint32>("back"); // 0xBBGGRR, a box's only
    const QColor red(255, 0, 0);
    const QColor blue(0, 0, 255);
    const QColor none;
    // clang-format off
    QTest::newRow("swatch") << "Text1" << 72.0 << true << none << 0x000000U;
    QTest::newRow("status strip") << "Text2" << 36.0 << true << red << 0x000000U;
    QTest::newRow("colour button") << "Command1_9" << 9.0 << true << none << 0U;
    QTest::newRow("red slider's name") << "Label1_0" << 12.0 << true << red << 0U;
    QTest::newRow("green slider's name") << "Label1_1" << 12.0 << true << QColor(0, 192, 0) << 0U;
    QTest::newRow("blue slider's name") << "Label1_2" << 12.0 << true << blue << 0U;
    QTest::newRow("caption") << "Label2_2" << 9.0 << true << QColor(255, 0, 255) << 0U;
    QTest::newRow("read-out") << "Label3_1" << 9.0 << true << red << 0U;
    QTest::newRow("error box") << "shijiancuowu_2" << 12.0 << true << red << 0xF4E6F0U;
    QTest::newRow("link") << "wangye_3" << 10.5 << false << blue << 0U;
    QTest::newRow("link caption") << "wangye_7" << 9.0 << false << none << 0U;
    // clang-format on
}

// Each kind of control's lettering: size, weight and ink, and a box's ground.
void TestForm1Load::lettering() {
    QFETCH(QString, object);
    QFETCH(double, points);
    QFETCH(bool, bold);
    QFETCH(QColor, ink);
    QFETCH(quint32, back);
    makeForm();
    const auto *widget = m_form->findChild<QWidget *>(object);
    QVERIFY(widget != nullptr);
    QCOMPARE(widget->font().pointSizeF(), points);
    QCOMPARE(widget->font().bold(), bold);
    if (const auto *box = qobject_cast<const SwatchBox *>(widget)) {
        if (ink.isValid())
            QCOMPARE(box->foreColour(), ink);
        QCOMPARE(box->backColour(), back);
        // Painted so: the ground, and letters in the ink where there is text.
        const QImage face = const_cast<SwatchBox *>(box)->grab().toImage();
        QCOMPARE(face.pixelColor(0, 0).rgb(), colourvalue::toColor(back).rgb());
        qsizetype inked = 0;
        for (int y = 0; y < face.height(); ++y) {
            for (int x = 0; x < face.width(); ++x)
                inked += face.pixelColor(x, y) == box->foreColour() ? 1 : 0;
        }
        QCOMPARE(inked > 20, !box->text().trimmed().isEmpty());
    } else {
        QCOMPARE(widget->palette().color(QPalette::WindowText),
                 ink.isValid() ? ink : QApplication::palette(widget).color(QPalette::WindowText));
    }
}

void TestForm1Load::newsOptionFromFile_data() {
    QTest::addColumn<QByteArray>("content"); // empty: no file at all
    QTest::addColumn<bool>("checked");
    QTest::newRow("no file") << QByteArray() << false;
    QTest::newRow("True") << QByteArray("True\r\n") << true;
    QTest::newRow("False") << QByteArray("False\r\n") << false;
    QTest::newRow("space and 1") << QByteArray(" 1\r\n") << true;
    QTest::newRow("garbage") << QByteArray("\x7f\x45LF\x02\x01") << false;
}

void TestForm1Load::newsOptionFromFile() {
    QFETCH(QByteArray, content);
    QFETCH(bool, checked);
    if (!content.isEmpty()) {
        QFile file(m_folder->filePath(QStringLiteral("v.sz")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    makeForm();
    QCOMPARE(m_form->ui().bangzhu1.value(5)->isChecked(), checked);
}

void TestForm1Load::unloadIsRefusedAndEndsOnTimerEnd() {
    makeForm();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));

    QVERIFY(!m_form->close());
    QVERIFY(m_form->isVisible());
    QVERIFY(m_form->state().guanbi_biaozhi);
    QVERIFY(m_form->ui().Timer_end->isActive());

    // A second request while closing changes nothing.
    QVERIFY(!m_form->close());
    QVERIFY(m_form->state().guanbi_biaozhi);

    // The next Timer_end tick ends the event loop: exit code 0, not the
    // watchdog's 1.
    QEventLoop loop;
    QTimer::singleShot(10000, &loop, [&loop] { loop.exit(1); });
    QCOMPARE(loop.exec(), 0);
}

QTEST_MAIN(TestForm1Load)
#include "tst_form1_load.moc"
