#include "announcements.h"
#include "audiosource.h"
#include "fakes/fakesoundplayer.h"
#include "madesound.h"
#include "recorder.h"
#include "unprivileged.h"
#include "voicelines.h"
#include "voicesarguments.h"
#include "voiceswindow.h"

#include <QBoxLayout>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <clocale>
#include <csignal>
#include <sys/resource.h>

namespace {

// What the made-up microphone does: open as told, hear `heard`, then break
// or say that all is heard and wait until it is released (the take is stopped
// by then) and hear silence.
struct Hearing {
    AudioSource::Failure failure = AudioSource::Failure::None;
    std::vector<qint16> heard;
    bool breaks = false;
};

struct Microphone final : AudioSource {
    Microphone(Hearing h, std::atomic<bool> *r, std::atomic<bool> *d)
        : hearing(std::move(h))
        , released(r)
        , drained(d) {}
    Hearing hearing;
    std::atomic<bool> *released;
    std::atomic<bool> *drained;
    std::size_t at = 0;

    Failure open(int) override { return hearing.failure; }
    Failure read(std::span<qint16> block) override {
        const std::vector<qint16> &heard = hearing.heard;
        for (qint16 &s : block) {
            if (at == heard.size() && hearing.breaks)
                return Failure::Broken;
            while (at >= heard.size() && !*released) {
                *drained = true;
                QThread::yieldCurrentThread();
            }
            s = at < heard.size() ? heard[at] : qint16(0);
            ++at;
        }
        return Failure::None;
    }
    qsizetype backlog() override { return 0; } // all it heard was read
    [[nodiscard]] QString errorString() const override { return QStringLiteral("made up"); }
};

QStringList warnings;
QtMessageHandler testLog = nullptr;
void keepWarnings(QtMsgType type, const QMessageLogContext &context, const QString &text) {
    if (type == QtWarningMsg && text.startsWith(QLatin1String("tintoko-voices:")))
        warnings << text;
    else
        testLog(type, context, text);
}

const QString kRed = QStringLiteral("红  色.mp3");
const QString kFirst = QStringLiteral("选一行，按「录音」开始。");
const QString kKept = QStringLiteral("原来的录音没有改变。");

} // namespace

// The recorder's window with real takes from a made-up microphone, a fake
// player, and real files: what each row says, which buttons work when, what
// the status line says after each take and each failure, and the questions
// asked before a recording is deleted or a take dropped.
class TestVoicesWindow final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void rows_data();
    void rows();
    void takes_data();
    void takes();
    void restoreAsks_data();
    void restoreAsks();
    void closeWhileRecording_data();
    void closeWhileRecording();
    void arguments_data();
    void arguments();
    void cleanup();

private:
    // A window over folders of the current row's own: "own" (the window's),
    // "share" (a classroom's), and the program folder with the shipped files.
    VoicesWindow &open(VoicesWindow::Folder whose = VoicesWindow::Folder::Users);
    QString folder(const QString &name) const {
        return m_dir.filePath(
            QStringLiteral("%1-%2/%3")
                .arg(QTest::currentTestFunction(), QTest::currentDataTag(), name));
    }
    static void put(const QString &path, const QString &what);
    QPushButton *button(const char *name, int row) const {
        return m_window->findChild<QPushButton *>(QStringLiteral("%1-%2").arg(name).arg(row));
    }
    QString source(int row) const {
        return m_window->findChild<QLabel *>(QStringLiteral("source-%1").arg(row))->text();
    }
    // Which of record, listen, restore are enabled, row by row: "110 111 110".
    QString enabled() const;

    QTemporaryDir m_dir;
    FakeSoundPlayer m_player;
    Hearing m_microphone;
    std::atomic<bool> m_released = false;
    std::atomic<bool> m_drained = false; // the take holds all the microphone heard
    std::unique_ptr<Recorder> m_recorder;
    std::unique_ptr<VoicesWindow> m_window;
    QList<VoicesWindow::Question> m_asked;
    QList<int> m_answers; // the next answers to give
};

void TestVoicesWindow::initTestCase() {
    QVERIFY(m_dir.isValid());
    testLog = qInstallMessageHandler(keepWarnings);
    std::signal(SIGXFSZ, SIG_IGN);
    // Every one of the 33 recordings comes with the words to say.
    const QList<VoiceLine> lines = voicelines::all();
    QCOMPARE(lines.size(), 33);
    for (const VoiceLine &line : lines)
        QVERIFY2(!line.words.isEmpty(), qPrintable(line.file));
    QCOMPARE(lines.at(16).words, QStringLiteral("对了！下一个，找黑色"));
}

void TestVoicesWindow::cleanup() {
    m_released = true;
    m_window.reset();
    m_recorder.reset();
    m_asked.clear();
    warnings.clear();
}

void TestVoicesWindow::put(const QString &path, const QString &what) {
    QDir().mkpath(QFileInfo(path).path());
    if (what == QLatin1String("good"))
        QFile::copy(QStringLiteral(TINTOKO_SHIPPED_SOUNDS "/") + QFileInfo(path).fileName(), path);
    else if (what == QLatin1String("junk") || what == QLatin1String("file"))
        QFile(path).open(QIODevice::WriteOnly);
    else if (what == QLatin1String("folder"))
        QDir().mkpath(path);
    else if (what == QLatin1String("link")) // to a file that plays
        QFile::link(QStringLiteral(TINTOKO_SHIPPED_SOUNDS "/黑  色.mp3"), path);
}

VoicesWindow &TestVoicesWindow::open(VoicesWindow::Folder whose) {
    for (const QString &name :
         {QStringLiteral("黑  色.mp3"), kRed, QStringLiteral("对_红  色.mp3")})
        put(folder(QStringLiteral("program/声音/") + name), QStringLiteral("good"));
    m_released = false;
    m_drained = false;
    m_recorder = std::make_unique<Recorder>(
        [this] { return std::make_unique<Microphone>(m_microphone, &m_released, &m_drained); });
    m_player.clearCalls();
    m_window = std::make_unique<VoicesWindow>(
        ProgramFolder(folder(QStringLiteral("program")), folder(QStringLiteral("own")),
                      {folder(QStringLiteral("share"))}),
        QList<VoiceLine>{
            {QStringLiteral("黑  色.mp3"), QStringLiteral("黑色")},
            {kRed, QStringLiteral("红色")},
            {QStringLiteral("对_红  色.mp3"), QStringLiteral("对了，真棒！下一个，找红色")}},
        *m_recorder, m_player, whose);
    m_window->setAsker([this](const VoicesWindow::Question &question, auto answered) {
        m_asked << question;
        if (!m_answers.isEmpty())
            answered(m_answers.takeFirst());
    });
    return *m_window;
}

QString TestVoicesWindow::enabled() const {
    QStringList rows;
    for (int row = 0; row < 3; ++row) {
        QString row3;
        for (const char *name : {"record", "listen", "restore"})
            row3 += button(name, row)->isEnabled() ? '1' : '0';
        rows << row3;
    }
    return rows.join(' ');
}

void TestVoicesWindow::rows_data() {
    QTest::addColumn<QString>("own");   // what the window's folder holds for red
    QTest::addColumn<QString>("share"); // what the classroom's holds
    QTest::addColumn<bool>("chosen");   // the window records into a chosen folder
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message"); // once all are checked
    const QString broken =
        QStringLiteral("%1录音中有 1 段放不出来，孩子会听到别的录音。请重新录音，或按「恢复」。");
    // clang-format off
    QTest::newRow("shipped") << "" << "" << false << "自带录音" << kFirst;
    QTest::newRow("own") << "good" << "good" << false << "你的录音" << kFirst;
    QTest::newRow("classroom") << "" << "good" << false << "班级的录音" << kFirst;
    QTest::newRow("own broken, classroom") << "junk" << "good" << false << "你的录音放不出来，现用班级的录音" << broken.arg("你录的");
    QTest::newRow("own broken") << "junk" << "junk" << false << "你的录音放不出来，现用自带录音" << broken.arg("你录的");
    // Played while it is checked: no word about it then.
    QTest::newRow("own broken, played") << "junk" << "junk" << false << "你的录音放不出来，现用自带录音" << "正在播放「红色」。";
    QTest::newRow("own is a folder") << "folder" << "folder" << false << "自带录音" << kFirst;
    QTest::newRow("chosen folder") << "good" << "" << true << "这个文件夹里的录音" << kFirst;
    QTest::newRow("chosen folder, broken") << "junk" << "" << true << "这个文件夹里的录音放不出来，现用自带录音" << broken.arg("这个文件夹里的");
    // clang-format on
}

// Each row says which recording the child hears, in its label and in its
// buttons' descriptions, once it has been checked off the window's thread;
// 试听 plays the first file there is and says what it is, or why nothing is
// heard.
void TestVoicesWindow::rows() {
    QFETCH(QString, own);
    QFETCH(QString, share);
    QFETCH(bool, chosen);
    QFETCH(QString, text);
    QFETCH(QString, message);
    put(folder("own/") + kRed, own);
    put(folder("share/") + kRed, share);
    VoicesWindow &window =
        open(chosen ? VoicesWindow::Folder::Chosen : VoicesWindow::Folder::Users);
    QCOMPARE(source(1), QStringLiteral("正在检查……"));
    emit m_player.unheard(SoundPlayer::Unheard::NoOutput); // nothing was played
    if (message.startsWith(QStringLiteral("正在播放")))
        window.listen(1);
    QTRY_COMPARE(source(1), text);
    QCOMPARE(source(0), QStringLiteral("自带录音"));
    QTRY_COMPARE(window.message(), message); // once the last row is checked too
    QCOMPARE(window.findChild<QLabel *>("message")->accessibleName(), message);
    QCOMPARE(enabled(), QStringLiteral("110 11%1 110").arg(own.isEmpty() ? '0' : '1'));
    const auto *place = window.findChild<QLabel *>("folder");
    QCOMPARE(place->text(), "录音保存在：" + folder("own"));
    // Every sentence wraps, however long the folder's name; the meter is a bar
    // without a number.
    for (const auto *label :
         window.centralWidget()->findChildren<QLabel *>(Qt::FindDirectChildrenOnly))
        QCOMPARE(label->wordWrap(), label->text() != QStringLiteral("音量"));
    QVERIFY(!window.findChild<QProgressBar *>("level")->isTextVisible());
    QCOMPARE(window.focusWidget(), button("record", 0));
    const auto *scroll = window.findChild<QScrollArea *>("rows");
    // The list takes the height the window has to spare, the rows its whole width.
    const auto *column = qobject_cast<QBoxLayout *>(window.centralWidget()->layout());
    QCOMPARE(column->stretch(column->indexOf(scroll)), 1);
    QVERIFY(scroll->widgetResizable());
    // The words and what plays share the width the buttons leave.
    const auto *grid = qobject_cast<QGridLayout *>(scroll->widget()->layout());
    QCOMPARE((QList<int>{grid->columnStretch(0), grid->columnStretch(1), grid->columnStretch(2)}),
             (QList<int>{1, 1, 0}));
    QCOMPARE(scroll->accessibleName(), QStringLiteral("录音列表"));
    QCOMPARE(scroll->verticalScrollBar()->accessibleName(), QStringLiteral("上下滚动录音列表"));
    QCOMPARE(scroll->horizontalScrollBar()->accessibleName(), QStringLiteral("左右滚动录音列表"));
    for (const char *name : {"record", "listen", "restore"}) {
        QCOMPARE(button(name, 1)->accessibleDescription(), text);
        QCOMPARE(button(name, 2)->accessibleName(),
                 button(name, 2)->text() + QStringLiteral(" 对了，真棒！下一个，找红色"));
    }

    m_player.clearCalls();
    window.listen(1);
    const QString plays = own == "good" || own == "junk" ? folder("own/")
                          : share == "good"              ? folder("share/")
                                                         : folder("program/声音/");
    QCOMPARE(m_player.callsWithoutState(), (QStringList{"Open:" + plays + kRed, "Play"}));
    QCOMPARE(window.message(), QStringLiteral("正在播放「红色」：%1。").arg(text));
    QCOMPARE(source(1), text);
    emit m_player.stateChanged(SoundPlayer::Idle); // played to its end
    QCOMPARE(window.message(), QStringLiteral("「红色」放完了。"));
    window.listen(1);
    emit m_player.unheard(SoundPlayer::Unheard::NoOutput);
    emit m_player.stateChanged(SoundPlayer::Idle); // as long as it would have sounded
    QCOMPARE(window.message(),
             QStringLiteral(
                 "听不到「红色」：连不上电脑的声音服务，所以放不出声音。"
                 "请检查电脑的声音设置，比如声音服务有没有打开、扬声器有没有选对，再试一次。"));
    window.listen(0);
    emit m_player.unheard(SoundPlayer::Unheard::NotPlayable);
    QCOMPARE(window.message(),
             QStringLiteral("「黑色」的录音一段也放不出来，文件可能坏了。请重新录一段。"));
    m_player.openResult = 1;
    window.listen(0);
    m_player.openResult = 0;
    QCOMPARE(window.message(), QStringLiteral("「黑色」的录音放不出来。"));
    // A message of one line keeps the room of two: the list stays put as messages come and go.
    const auto *said = window.findChild<QLabel *>("message");
    QCOMPARE(column->itemAt(column->indexOf(said))->minimumSize().height(),
             2 * said->fontMetrics().height());
    // 试听 looks again: the recordings may have gone meanwhile.
    QVERIFY(QDir(folder("own")).removeRecursively() && QDir(folder("share")).removeRecursively());
    window.listen(1);
    QTRY_COMPARE(source(1), QStringLiteral("自带录音"));
    window.restore(1); // nothing left to delete: nothing asked
    QCOMPARE(enabled() + QString::number(m_asked.size()), QStringLiteral("110 110 1100"));
}

void TestVoicesWindow::takes_data() {
    QTest::addColumn<QString>("microphone"); // what it hears, or how it fails
    QTest::addColumn<QString>("own");        // what stands in the way
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("warning"); // on standard error
    const QString setup = QStringLiteral("请检查电脑的声音设置，再试一次。");
    const QString unsaved = QStringLiteral("没能保存录音：");
    // clang-format off
    for (const char *locale : {"C", "zh_CN.UTF-8"}) {
        QTest::addRow("saved, %s", locale) << "word" << "" << "已保存「红色」。按「试听」听一听。" << "";
        QTest::addRow("no server, %s", locale) << "no server" << "" << "打不开麦克风：连不上电脑的声音服务。" + setup + kKept << "NoServer: made up";
        QTest::addRow("no microphone, %s", locale) << "no microphone" << "" << "找不到麦克风。请接好麦克风，在声音设置里选中它，再试一次。" + kKept << "NoMicrophone: made up";
        QTest::addRow("broken, %s", locale) << "breaks" << "" << "录音中断了：电脑的声音服务不再回应。" + setup + kKept << "Broken: made up";
        QTest::addRow("silence, %s", locale) << "silence" << "" << "没有听到声音。请检查麦克风有没有接好、有没有被静音。" + kKept << "";
        QTest::addRow("a cough, %s", locale) << "cough" << "" << "录到的声音太短（不到 0.3 秒），没有保存。请说完整句话再停。" + kKept << "";
        QTest::addRow("a file for the folder, %s", locale) << "word" << "blocked" << unsaved + "录音文件夹的位置上有一个同名的文件，建不成文件夹。请把那个文件移走，再试一次。" + kKept << "NotSaved: cannot make the folder OWN";
        QTest::addRow("a folder for the file, %s", locale) << "word" << "folder" << unsaved + "这一句的录音文件的位置上是一个文件夹或链接，录音程序不会动它。请把它移走，再试一次。" + kKept << "NotSaved: not a regular file, left as it is";
        QTest::addRow("a link for the file, %s", locale) << "word" << "link" << unsaved + "这一句的录音文件的位置上是一个文件夹或链接，录音程序不会动它。请把它移走，再试一次。" + kKept << "NotSaved: not a regular file, left as it is";
        QTest::addRow("a full disk, %s", locale) << "word" << "full" << unsaved + "写不进录音文件夹，可能是磁盘满了，或者没有写入的权限。请腾出一些磁盘空间，或者检查文件夹的权限，再试一次。" + kKept << "NotSaved: write: File too large";
    }
    // clang-format on
}

// A take from start to end: while it runs only its own 录音 works and what
// played is stopped; afterwards the status line says in Chinese what happened
// and what to do, whatever the locale, and the system's words go to standard
// error.
void TestVoicesWindow::takes() {
    QFETCH(QString, microphone);
    QFETCH(QString, own);
    QFETCH(QString, message);
    QFETCH(QString, warning);
    const QByteArray locale = QByteArray(QTest::currentDataTag()).split(' ').last();
    std::setlocale(LC_ALL, locale.constData());
    qputenv("LANG", locale);
    QLocale::setDefault(QLocale(locale == "C" ? QLocale::C : QLocale::Chinese));
    using F = AudioSource::Failure;
    m_microphone = {
        microphone == "no server"       ? F::NoServer
        : microphone == "no microphone" ? F::NoMicrophone
                                        : F::None,
        // Silence is heard as a microphone's faint hiss.
        madeSound({{microphone == "cough" ? 150 : 900, microphone == "silence" ? 0 : 8000}}),
        microphone == "breaks"};
    put(own == "blocked" ? folder("own") : folder("own/") + kRed, own == "blocked" ? "file" : own);
    VoicesWindow &window = open();
    const QString before = own == "link" ? QStringLiteral("你的录音") : QStringLiteral("自带录音");
    QTRY_COMPARE(source(1), before);
    window.listen(0);

    announcers.clear();
    window.record(1);
    QCOMPARE(m_player.callsWithoutState().mid(2), QStringList{"Stop"});
    QCOMPARE(source(1), QStringLiteral("● 正在录音"));
    QCOMPARE(enabled(), QStringLiteral("000 100 000"));
    window.listen(0);
    window.restore(1);
    window.record(0);
    QCOMPARE(m_player.callsWithoutState().size(), 3);
    QVERIFY(m_asked.isEmpty());
    const bool spoke = microphone == "word" || microphone == "cough" || microphone == "silence";
    if (spoke) {
        QTRY_COMPARE(window.message(),
                     QStringLiteral("正在录音：「红色」。说完后再按一次「录音」。"));
        QTRY_VERIFY(m_drained); // else a stop would cut the words short
        rlimit saved{};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit full{1000, saved.rlim_max};
        if (own == "full")
            ::setrlimit(RLIMIT_FSIZE, &full);
        window.record(1);
        QCOMPARE(window.message(), QStringLiteral("正在保存……"));
        m_released = true;
        QTRY_VERIFY(!window.message().startsWith(QStringLiteral("正在保存")));
        ::setrlimit(RLIMIT_FSIZE, &saved);
    }
    QTRY_COMPARE_WITH_TIMEOUT(window.message(), message, 15000);
    QVERIFY(!window.message().contains(QRegularExpression(QStringLiteral("[A-Za-z]"))));
    QCOMPARE(window.findChild<QLabel *>("message")->accessibleName(), message);
    // A reader says the last messages by itself, each with its own words when
    // it reads them after the next came.
    const QStringList said = announced();
    QCOMPARE(said.mid(said.size() - (spoke ? 2 : 1)),
             (spoke ? QStringList{QStringLiteral("正在保存……"), message} : QStringList{message}));
    QCOMPARE(warnings, warning.isEmpty() ? QStringList()
                                         : QStringList{"tintoko-voices: " +
                                                       warning.replace("OWN", folder("own"))});
    const bool saved = message.startsWith(QStringLiteral("已保存"));
    QTRY_COMPARE(source(1), saved ? QStringLiteral("你的录音") : before);
    QCOMPARE(
        enabled(),
        QStringLiteral("110 11%1 110").arg(saved || own == "folder" || own == "link" ? '1' : '0'));
    QCOMPARE(window.focusWidget(), button("record", 1));
}

void TestVoicesWindow::restoreAsks_data() {
    QTest::addColumn<QString>("own");
    QTest::addColumn<QString>("share");
    QTest::addColumn<int>("answer"); // -1: the real message box, its 删除
    QTest::addColumn<QString>("next");
    QTest::addColumn<QString>("message");
    const QString deleted = QStringLiteral("已删除「红色」的录音。");
    // clang-format off
    QTest::newRow("deleted") << "good" << "" << 0 << "自带录音" << deleted;
    QTest::newRow("deleted, a classroom's next") << "junk" << "good" << 0 << "班级的录音" << deleted;
    QTest::newRow("kept") << "good" << "" << 1 << "自带录音" << kFirst;
    QTest::newRow("a folder") << "folder" << "" << 0 << "自带录音" << "没能删除：「红色」的录音文件的位置上是一个文件夹，录音程序不会删除它。";
    QTest::newRow("in a message box") << "good" << "" << -1 << "自带录音" << deleted;
    QTest::newRow("a folder it may not change") << "locked" << "" << 0 << "自带录音" << "没能删除「红色」的录音：这个文件夹不能改动，可能没有权限。";
    // clang-format on
}

// 恢复 asks first, naming the row and what the child hears afterwards; only
// the first answer deletes.
void TestVoicesWindow::restoreAsks() {
    QFETCH(QString, own);
    QFETCH(QString, share);
    QFETCH(int, answer);
    QFETCH(QString, next);
    QFETCH(QString, message);
    const bool locked = own == "locked";
    if (locked)
        TINTOKO_RUN_ROW_AS_ORDINARY_USER();
    put(folder("own/") + kRed, locked ? QStringLiteral("good") : own);
    if (locked)
        QFile::setPermissions(folder("own"), QFile::ReadOwner | QFile::ExeOwner);
    put(folder("share/") + kRed, share);
    VoicesWindow &window = open();
    if (answer < 0)
        window.setAsker({}); // back to the window's own message box
    QTRY_VERIFY(source(1) != QStringLiteral("正在检查……"));
    m_answers = {answer};
    window.restore(1);
    const QString question =
        QStringLiteral("要删除你录的「红色」吗？删除以后就找不回来了，孩子会听到%1。").arg(next);
    if (answer < 0) {
        auto *box = window.findChild<QMessageBox *>();
        QVERIFY(box != nullptr);
        QCOMPARE(box->text(), question);
        QCOMPARE(box->defaultButton()->text(), QStringLiteral("不删除"));
        QCOMPARE(box->windowModality(), Qt::WindowModal); // the rows wait for the answer
        QCOMPARE(box->buttons().size(), 2);
        box->buttons().at(box->buttons().at(0)->text() == "删除" ? 0 : 1)->click();
    } else {
        QCOMPARE(m_asked.size(), 1);
        QCOMPARE(m_asked.first().text, question);
        QCOMPARE(m_asked.first().answers, (QStringList{"删除", "不删除"}));
    }
    QCOMPARE(window.message(), message);
    const bool stays = answer == 1 || own == "folder" || locked;
    QCOMPARE(warnings.size(), int(locked));
    QCOMPARE(warnings.value(0).startsWith("tintoko-voices: remove: "), locked);
    QCOMPARE(QFileInfo::exists(folder("own/") + kRed), stays);
    QCOMPARE(m_player.callsWithoutState(), answer == 1 ? QStringList() : QStringList{"Stop"});
    QCOMPARE(source(1), answer == 1 ? QStringLiteral("你的录音") : QStringLiteral("正在检查……"));
    QTRY_COMPARE(source(1), answer == 1 || locked ? QStringLiteral("你的录音") : next);
    QCOMPARE(enabled(), QStringLiteral("110 11%1 110").arg(stays ? '1' : '0'));
}

void TestVoicesWindow::closeWhileRecording_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<bool>("saved");
    QTest::newRow("saved, then closed") << 0 << true << true;
    QTest::newRow("dropped") << 1 << true << false;
    QTest::newRow("recording on") << 2 << false << false;
}

// Closing the window during a take asks whether to keep it: kept, the window
// closes once it is saved; dropped, it closes at once and the take is not
// written; or the take goes on. Without a take, it closes without asking.
void TestVoicesWindow::closeWhileRecording() {
    QFETCH(int, answer);
    QFETCH(bool, closed);
    QFETCH(bool, saved);
    m_microphone = {AudioSource::Failure::None, madeSound({{900, 8000}}), false};
    VoicesWindow &window = open();
    window.show();
    window.record(0);
    QTRY_VERIFY(window.message().startsWith(QStringLiteral("正在录音")) && m_drained);
    m_answers = {answer};
    QCOMPARE(window.close(), false);
    m_released = answer == 0;          // else the take would go on to its end
    QCoreApplication::processEvents(); // a close it asked for
    QCOMPARE(m_asked.size(), 1);
    QCOMPARE(m_asked.first().text,
             QStringLiteral("正在录「黑色」。关上窗口之前，要保存这段录音吗？"));
    QCOMPARE(m_asked.first().answers, (QStringList{"保存并关闭", "不保存，关闭", "继续录音"}));
    QTRY_COMPARE(window.isVisible(), !closed);
    if (saved) { // a later take leaves it open
        window.show();
        window.record(0);
        QTRY_VERIFY_WITH_TIMEOUT(button("record", 1)->isEnabled(), 15000);
        QVERIFY(window.isVisible());
    }
    m_recorder.reset(); // as at the program's end
    QCOMPARE(QFileInfo::exists(folder("own/黑  色.mp3")), saved);
    QCOMPARE(window.message().startsWith(QStringLiteral("已保存")), saved);

    open().show();
    QVERIFY(m_window->close());
    QCOMPARE(m_asked.size(), 1);
}

void TestVoicesWindow::arguments_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("error");  // how it starts
    QTest::addColumn<QString>("answer"); // a line of what it prints instead of the window
    const QString own = ProgramFolder::userSoundFolder();
    // clang-format off
    QTest::newRow("none") << QStringList{} << own << "" << "";
    QTest::newRow("a folder") << QStringList{"--folder", "/srv/班级/"} << "/srv/班级" << "" << "";
    QTest::newRow("relative") << QStringList{"--folder=声音"} << QDir::currentPath() + "/声音" << "" << "";
    QTest::newRow("an empty folder") << QStringList{"--folder="} << "" << "--folder 后面要写一个文件夹。" << "";
    QTest::newRow("no folder") << QStringList{"--folder"} << "" << "--folder 后面要写一个文件夹。用法见 tintoko-voices --help\n" << "";
    QTest::newRow("another option") << QStringList{"-x"} << "" << "不认识的选项“-x”。用法见 tintoko-voices --help\n" << "";
    QTest::newRow("a file") << QStringList{"红.mp3"} << "" << "多余的参数“红.mp3”。" << "";
    QTest::newRow("help") << QStringList{"--help"} << own << "" << "  -h, --help      显示这段用法说明。\n";
    QTest::newRow("version") << QStringList{"-v"} << own << "" << "tintoko-voices 5.7\n";
    // clang-format on
}

// --folder DIR, made absolute; --help and --version answered in Chinese;
// anything else is refused in one line that points to --help.
void TestVoicesWindow::arguments() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, folder);
    QFETCH(QString, error);
    QFETCH(QString, answer);
    const VoicesArguments parsed =
        parseVoicesArguments(QStringList{"tintoko-voices"} + arguments, QStringLiteral("5.7"));
    if (error.isEmpty()) {
        QCOMPARE(parsed.folder, folder);
        QCOMPARE(parsed.chosen, folder != ProgramFolder::userSoundFolder());
    }
    QCOMPARE(parsed.error.left(error.size()), error);
    QCOMPARE(parsed.answer.isEmpty(), answer.isEmpty());
    QVERIFY2(parsed.answer.contains(answer), qPrintable(parsed.answer));
    const bool usage = arguments.contains("--help");
    QCOMPARE((parsed.error + parsed.answer).contains("--folder <文件夹>  把录音存进这个文件夹。"),
             usage);
}

QTEST_MAIN(TestVoicesWindow)
#include "tst_voiceswindow.moc"
