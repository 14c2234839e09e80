#include "colourbutton.h"
#include "colourtable.h"
#include "fakes/fakesoundplayer.h"
#include "form1.h"
#include "swatchbox.h"

#include <QAction>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// The colour buttons: the free mode shows and names a colour, the test judges
// the answer by the button's colour, automatic play ignores clicks.
class TestForm1Buttons : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void freeMode_data();
    void freeMode();
    void testAnswers_data();
    void testAnswers();
    void automaticPlayIgnoresClicks();
    void clickDuringTheWait();
    void mixingChosenDuringTheWait();

private:
    QString sound(const QString &file) const {
        return m_folder->path() + QStringLiteral("/声音/") + file;
    }
    QString nameOf(int index) const {
        return colourtable::names().at(static_cast<std::size_t>(index));
    }
    ColourButton *button(int index) {
        return m_form->ui().Command1.at(static_cast<std::size_t>(index));
    }

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<FakeSoundPlayer> m_player;
    std::unique_ptr<Form1> m_form;
};

void TestForm1Buttons::init() {
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
    m_player = std::make_unique<FakeSoundPlayer>();
    m_form = std::make_unique<Form1>(Form1Services{m_folder->path(), m_player.get()});
    m_player->clearCalls();
}

void TestForm1Buttons::cleanup() {
    m_form.reset();
    m_player.reset();
    m_folder.reset();
}

void TestForm1Buttons::freeMode_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<qint16>("openResult");
    QTest::addColumn<QString>("file");

    QTest::newRow("13 bright magenta") << 13 << qint16(0) << QStringLiteral("亮洋红.mp3");
    QTest::newRow("0 black, two spaces") << 0 << qint16(0) << QStringLiteral("黑  色.mp3");
    QTest::newRow("7 light grey") << 7 << qint16(0) << QStringLiteral("灰白色.mp3");
    QTest::newRow("unplayable file still paints") << 4 << qint16(3) << QStringLiteral("红  色.mp3");
}

void TestForm1Buttons::freeMode() {
    QFETCH(int, index);
    QFETCH(qint16, openResult);
    QFETCH(QString, file);
    m_player->openResult = openResult;
    m_form->state().dangqian_yanse = 9;

    QTest::mouseClick(button(index), Qt::LeftButton);

    QCOMPARE(m_form->ui().Text1->backColour(), colourtable::value(index));
    QCOMPARE(m_form->ui().Text2->backColour(), colourtable::value(index));
    QStringList expected{QStringLiteral("Stop"), QStringLiteral("Open:") + sound(file)};
    if (openResult == 0)
        expected << QStringLiteral("Play");
    QCOMPARE(m_player->callsWithoutState(), expected);
    QCOMPARE(m_player->openOptions(), QStringList{QString()});
    QCOMPARE(m_form->state().dangqian_shengyin, sound(file));
    QCOMPARE(m_form->state().dangqian_yanse, 9); // the free mode keeps the current colour
}

void TestForm1Buttons::testAnswers_data() {
    QTest::addColumn<int>("target");
    QTest::addColumn<int>("clicked");
    QTest::addColumn<int>("colourOnClicked");
    QTest::addColumn<bool>("right");

    QTest::newRow("right by colour on another index") << 13 << 2 << 13 << true;
    QTest::newRow("right on its own index") << 5 << 5 << 5 << true;
    QTest::newRow("black target") << 0 << 15 << 0 << true;
    QTest::newRow("wrong: index matches, colour does not") << 6 << 6 << 1 << false;
    QTest::newRow("wrong: another colour") << 3 << 8 << 12 << false;
}

void TestForm1Buttons::testAnswers() {
    QFETCH(int, target);
    QFETCH(int, clicked);
    QFETCH(int, colourOnClicked);
    QFETCH(bool, right);

    // A test in progress: the colours shuffled by hand, the swatch black.
    m_form->ui().ceshi->setChecked(true);
    for (int i = 0; i < 16; ++i) {
        button(i)->setBackColour(colourtable::value((i + 7) % 16));
        button(i)->setText(QString());
    }
    button(clicked)->setBackColour(colourtable::value(colourOnClicked));
    m_form->ui().Text1->setBackColour(0);
    m_form->ui().Text2->setBackColour(0);
    m_form->state().dangqian_yanse = target;

    QTest::mouseClick(button(clicked), Qt::LeftButton);

    const int newTarget = m_form->state().dangqian_yanse;
    const QString expected =
        right ? sound(QStringLiteral("对_") + nameOf(newTarget) + QStringLiteral(".mp3"))
              : sound(QStringLiteral("错了再试一遍.mp3"));
    QVERIFY(newTarget >= 0 && newTarget < 16);
    if (!right)
        QCOMPARE(newTarget, target);
    QCOMPARE(m_player->callsWithoutState(),
             (QStringList{QStringLiteral("Stop"), QStringLiteral("Open:") + expected,
                          QStringLiteral("Play")}));
    QCOMPARE(m_form->state().dangqian_shengyin, expected);
    QCOMPARE(m_form->ui().Text1->backColour(), quint32(0));
    QCOMPARE(m_form->ui().Text2->backColour(), quint32(0));
}

void TestForm1Buttons::automaticPlayIgnoresClicks() {
    m_form->ui().zidongbofang->setChecked(true);
    m_form->state().dangqian_yanse = 4;
    const QString last = m_form->state().dangqian_shengyin;

    QTest::mouseClick(button(13), Qt::LeftButton);

    QVERIFY(m_player->calls().isEmpty());
    QCOMPARE(m_form->ui().Text1->backColour(), quint32(0));
    QCOMPARE(m_form->state().dangqian_yanse, 4);
    QCOMPARE(m_form->state().dangqian_shengyin, last);
}

void TestForm1Buttons::clickDuringTheWait() {
    // The first click's player is still busy; while it waits, a second click
    // comes in. The second is what the child heard last and what the swatch
    // shows; the first does not start its recording afterwards.
    bool clickedAgain = false;
    m_player->stateFunction = [this, &clickedAgain] {
        if (!clickedAgain) {
            clickedAgain = true;
            m_player->stateFunction = nullptr;
            m_player->stateValue = 0;
            m_form->Command1_Click(13);
            return 1;
        }
        return 0;
    };

    m_form->Command1_Click(3);

    QCOMPARE(m_player->played(), QStringList{sound(QStringLiteral("亮洋红.mp3"))});
    QCOMPARE(m_form->ui().Text1->backColour(), colourtable::value(13));
    QCOMPARE(m_form->state().dangqian_shengyin, sound(QStringLiteral("亮洋红.mp3")));
}

void TestForm1Buttons::mixingChosenDuringTheWait() {
    // Mixing is silent: a name still waiting for the player must not sound on
    // into it.
    bool chosen = false;
    m_player->stateFunction = [this, &chosen] {
        if (!chosen) {
            chosen = true;
            m_form->shoudongpeise_Click();
            return 1;
        }
        return 0;
    };

    m_form->Command1_Click(13);

    QVERIFY(m_form->ui().shoudongpeise->isChecked());
    QCOMPARE(m_player->callsWithoutState().last(), QStringLiteral("Stop"));
}

QTEST_MAIN(TestForm1Buttons)
#include "tst_form1_buttons.moc"
