#include "fakes/fakesoundplayer.h"
#include "fakes/fakeurlopener.h"
#include "form1.h"
#include "helptexts.h"
#include "maker.h"

#include <QAccessible>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// The help menu, its boxes, the news option and the link row, with a fake
// opener in place of the desktop.
class TestForm1Help : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        qputenv("HOME", m_home.path().toLocal8Bit()); // the user's v.sz is this test's own
        QStandardPaths::setTestModeEnabled(true);
    }
    void init();
    void cleanup();
    void opens_data();
    void opens();
    void hoverAndReset();
    void newsOption_data();
    void newsOption();
    void boxes_data();
    void boxes();

private:
    const Form1Ui &ui() const { return m_form->ui(); }
    void makeForm(const QString &folder) {
        m_form = std::make_unique<Form1>(
            Form1Services{.programFolder = folder, .player = m_player.get(), .opener = &m_opener});
    }

    QTemporaryDir m_home;
    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<FakeSoundPlayer> m_player;
    FakeUrlOpener m_opener;
    std::unique_ptr<Form1> m_form;
};

void TestForm1Help::init() {
    m_folder = std::make_unique<QTemporaryDir>();
    m_player = std::make_unique<FakeSoundPlayer>();
    m_opener.opened.clear();
    makeForm(m_folder->path());
}

void TestForm1Help::cleanup() {
    m_form.reset();
    m_player.reset();
    m_folder.reset();
}

void TestForm1Help::opens_data() {
    QTest::addColumn<QString>("control"); // an action, or a link label clicked
    QTest::addColumn<QString>("opened");  // "" for nothing; "instructions" for the local file

    const QString home = maker::homePage();
    QTest::newRow("功能介绍") << "bangzhu1_0"
                              << "instructions";
    QTest::newRow("软件升级") << "bangzhu1_1" << home;
    QTest::newRow("软件主页") << "bangzhu1_7" << home;
    QTest::newRow("tray: 软件主页") << "kor_tuopan1_2" << home;
    QTest::newRow("news opens no page") << "bangzhu1_8"
                                        << "";
    QTest::newRow("link 1") << "wangye_1"
                            << "http://" + maker::linkSite();
    QTest::newRow("link 3") << "wangye_3"
                            << "http://" + maker::linkSite() + "/rj";
    QTest::newRow("link 6") << "wangye_6"
                            << helptexts::messagingAddress(maker::messagingHost(),
                                                           maker::contactNumber(), home);
    for (const char *plain : {"wangye_0", "wangye_2", "wangye_7"})
        QTest::newRow(plain) << plain << "";
}

void TestForm1Help::opens() {
    QFETCH(QString, control);
    QFETCH(QString, opened);

    if (auto *label = m_form->findChild<QLabel *>(control)) {
        // Links show the program's own pointing hand, its tip at (12, 3).
        const QCursor hand = label->cursor();
        QCOMPARE(hand.shape() == Qt::BitmapCursor && hand.hotSpot() == QPoint(12, 3) &&
                     hand.pixmap().size() == QSize(32, 32),
                 !opened.isEmpty());
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        // Only the left button let go over the label clicks it.
        QTest::mouseClick(label, Qt::RightButton);
        QTest::mousePress(label, Qt::LeftButton);
        QTest::mouseRelease(label, Qt::LeftButton, {}, QPoint(-2, 2));
        QTest::mouseClick(label, Qt::LeftButton);
        // Space, Return, Enter and a reader's press open a link as the click
        // does, a key held down once; other keys go on to the window.
        QCOMPARE(label->focusPolicy(), opened.isEmpty() ? Qt::NoFocus : Qt::StrongFocus);
        for (const Qt::Key key : {Qt::Key_Space, Qt::Key_Enter, Qt::Key_A})
            QTest::keyClick(label, key);
        QTest::simulateEvent(label, true, Qt::Key_Space, {}, QStringLiteral(" "), true);
        for (const Qt::Key key : {Qt::Key_A, Qt::Key_Return}) {
            QKeyEvent press(QEvent::KeyPress, key, {});
            QApplication::sendEvent(label, &press);
            QCOMPARE(press.isAccepted(), key == Qt::Key_Return && !opened.isEmpty());
        }
        QAccessibleInterface *access = QAccessible::queryAccessibleInterface(label);
        QCOMPARE(access->role(), opened.isEmpty() ? QAccessible::StaticText : QAccessible::Link);
        QCOMPARE(access->text(QAccessible::Name), label->text());
        if (!opened.isEmpty())
            access->actionInterface()->doAction(access->actionInterface()->actionNames().first());
    } else {
        m_form->findChild<QAction *>(control)->trigger();
    }

    QList<QUrl> expected;
    if (opened == QLatin1String("instructions"))
        expected << QUrl::fromLocalFile(m_folder->filePath(QStringLiteral("Tintoko说明.txt")));
    else if (!opened.isEmpty())
        expected.fill(QUrl(opened), control.startsWith(QLatin1String("wangye")) ? 5 : 1);
    QCOMPARE(m_opener.opened, expected);
}

void TestForm1Help::hoverAndReset() {
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    const auto looks = [this](int index) {
        const QLabel *label = ui().wangye.value(index);
        return std::pair{label->palette().color(QPalette::WindowText), label->font().underline()};
    };
    const std::pair blue{QColor(0, 0, 255), false};
    const std::pair red{QColor(255, 0, 0), true};

    QTest::mouseMove(ui().wangye.value(3));
    QTest::mouseMove(ui().wangye.value(0)); // a plain label changes nothing
    QCOMPARE(looks(3), red);
    QCOMPARE(looks(1), blue);
    QTest::mouseMove(ui().wangye.value(1));
    QTest::mouseMove(ui().wangye.value(6));
    QCOMPARE(looks(1), red); // no reset from label to label
    QCOMPARE(looks(6), red);

    QTest::mouseMove(ui().Frame3, QPoint(100, 3)); // the frame's bare area
    for (int index : {1, 3, 6})
        QCOMPARE(looks(index), blue);
    // What each link shows, and its tip.
    QCOMPARE(ui().wangye.value(1)->text(), maker::linkSite());
    QCOMPARE(ui().wangye.value(3)->text(), maker::linkSite() + "/rj");
    QCOMPARE(ui().wangye.value(6)->text(), maker::contactNumber());
    QCOMPARE(ui().wangye.value(1)->toolTip(), maker::linkSiteTip());
    QCOMPARE(ui().wangye.value(3)->toolTip(), QStringLiteral("点击进入软件升级页面"));
    QCOMPARE(ui().wangye.value(6)->toolTip(), maker::contactNumberTip());
}

void TestForm1Help::newsOption_data() {
    QTest::addColumn<int>("toggles");
    QTest::addColumn<bool>("writableFolder");
    QTest::addColumn<QByteArray>("saved");
    QTest::newRow("once") << 1 << true << QByteArray("True\r\n");
    QTest::newRow("twice") << 2 << true << QByteArray("False\r\n");
    QTest::newRow("program folder missing: the user's file")
        << 1 << false << QByteArray("True\r\n");
    QTest::newRow("the user's v.sz a folder: this run only") << 1 << false << QByteArray();
}

void TestForm1Help::newsOption() {
    QFETCH(int, toggles);
    QFETCH(bool, writableFolder);
    QFETCH(QByteArray, saved);

    QString file = m_folder->filePath(QStringLiteral("v.sz"));
    if (!writableFolder) {
        makeForm(m_folder->filePath(QStringLiteral("gone")));
        file = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
               QStringLiteral("/v.sz");
        QFile::remove(file);
        if (saved.isEmpty()) {
            QVERIFY(QDir().mkpath(file));
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("kept for this run only"));
        }
    }
    QAction *entry = ui().bangzhu1.value(menuindex::NoNewsPopup);
    for (int k = 0; k < toggles; ++k)
        entry->trigger();

    QCOMPARE(entry->isChecked(), toggles % 2 == 1);
    QFile written(file);
    QCOMPARE(written.open(QIODevice::ReadOnly) ? written.readAll() : QByteArray(), saved);
    // The next start reads back what was saved.
    written.close();
    makeForm(writableFolder ? m_folder->path() : m_folder->filePath(QStringLiteral("gone")));
    QCOMPARE(ui().bangzhu1.value(menuindex::NoNewsPopup)->isChecked(), saved.startsWith("True"));
    QFile::remove(file);
    QDir().rmdir(file);
}

void TestForm1Help::boxes_data() {
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::newRow("contact") << int(menuindex::Contact) << "联系方式..."
                             << helptexts::contactText();
    QTest::newRow("about") << int(menuindex::About) << "关于Tintoko..." << helptexts::aboutText();
}

void TestForm1Help::boxes() {
    QFETCH(int, entry);
    QFETCH(QString, title);
    QFETCH(QString, text);

    m_form->show();
    ui().bangzhu1.value(entry)->trigger();
    auto *box = m_form->findChild<QMessageBox *>();
    QVERIFY(box != nullptr);
    QVERIFY(box->isVisible());
    QVERIFY(box->isModal());
    QCOMPARE(box->windowTitle(), title);
    QCOMPARE(box->icon(), QMessageBox::Warning); // the exclamation mark
    QCOMPARE(box->standardButtons(), QMessageBox::Ok);
    // Each line on a line of its own.
    QCOMPARE(box->text().split(QLatin1Char('\n')), text.split(QLatin1Char('\r')));

    // The trigger returned with the box open; OK closes and removes it.
    QTest::keyClick(box, Qt::Key_Return);
    QTRY_VERIFY(m_form->findChild<QMessageBox *>() == nullptr);
}

QTEST_MAIN(TestForm1Help)
#include "tst_form1_help.moc"
