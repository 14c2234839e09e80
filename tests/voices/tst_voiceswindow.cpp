#include "audiosource.h"
#include "fakes/fakesoundplayer.h"
#include "madesound.h"
#include "recorder.h"
#include "voiceswindow.h"

#include <QDir>
#include <QLabel>
#include <QMessageBox>
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
// or wait until it is released (the take is stopped by then) and hear silence.
struct Hearing {
    AudioSource::Failure failure = AudioSource::Failure::None;
    std::vector<qint16> heard;
    bool breaks = false;
};

struct Microphone final : AudioSource {
    Microphone(Hearing h, std::atomic<bool> *r)
        : hearing(std::move(h))
        , released(r) {}
    Hearing hearing;
    std::atomic<bool> *released;
    std::size_t at = 0;

    Failure open(int) override { return hearing.failure; }
    bool read(std::span<qint16> block) override {
        const std::vector<qint16> &heard = hearing.heard;
        for (qint16 &s : block) {
            if (at == heard.size() && hearing.breaks)
                return false;
            while (at >= heard.size() && !*released)
                QThread::yieldCurrentThread();
            s = at < heard.size() ? heard[at] : 0;
            ++at;
        }
        return true;
    }
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
const QRegularExpression kLatin(QStringLiteral("[A-Za-z]"));

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
    void unheard();
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
    // Which of record, listen, restore are enabled, row by row: "110 111 ...".
    QString enabled() const;
    bool recordRed();

    QTemporaryDir m_dir;
    FakeSoundPlayer m_player;
    Hearing m_microphone;
    std::atomic<bool> m_released = false;
    std::unique_ptr<Recorder> m_recorder;
    std::unique_ptr<VoicesWindow> m_window;
    QList<VoicesWindow::Question> m_asked;
    QList<int> m_answers; // the next answers to give
};

void TestVoicesWindow::initTestCase() {
    QVERIFY(m_dir.isValid());
    testLog = qInstallMessageHandler(keepWarnings);
    std::signal(SIGXFSZ, SIG_IGN);
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
}

VoicesWindow &TestVoicesWindow::open(VoicesWindow::Folder whose) {
    for (const QString &name :
         {QStringLiteral("黑  色.mp3"), kRed, QStringLiteral("对_红  色.mp3")})
        put(folder(QStringLiteral("program/声音/") + name), QStringLiteral("good"));
    m_released = false;
    m_recorder = std::make_unique<Recorder>(
        [this] { return std::make_unique<Microphone>(m_microphone, &m_released); });
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

// Starts a take in the red row and waits until the microphone is open.
bool TestVoicesWindow::recordRed() {
    m_window->record(1);
    return QTest::qWaitFor(
        [&] { return m_window->message().startsWith(QStringLiteral("正在录音")); }, 10000);
}

void TestVoicesWindow::rows_data() {
    QTest::addColumn<QString>("own");   // what the window's folder holds for red
    QTest::addColumn<QString>("share"); // what the classroom's holds
    QTest::addColumn<bool>("chosen");   // the window records into a chosen folder
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    const QString first = QStringLiteral("选一行，按「录音」开始。");
    const QString broken = QStringLiteral(
        "你录的录音中有 1 段放不出来，孩子会听到别的录音。请重新录音，或按「恢复」。");
    QTest::newRow("shipped") << ""
                             << "" << false << "自带录音" << first;
    QTest::newRow("own") << "good"
                         << "good" << false << "你的录音" << first;
    QTest::newRow("classroom") << ""
                               << "good" << false << "班级的录音" << first;
    QTest::newRow("own broken, classroom")
        << "junk"
        << "good" << false << "你的录音放不出来，现用班级的录音" << broken;
    QTest::newRow("own broken") << "junk"
                                << "junk" << false << "你的录音放不出来，现用自带录音" << broken;
    QTest::newRow("own broken, played at once") // while it is checked: no word about it
        << "junk"
        << "junk" << false << "你的录音放不出来，现用自带录音"
        << "正在播放「红色」。";
    QTest::newRow("own is a folder") << "folder"
                                     << "folder" << false << "自带录音" << first;
    QTest::newRow("chosen folder") << "good"
                                   << "" << true << "这个文件夹里的录音" << first;
    QTest::newRow("chosen folder, broken")
        << "junk"
        << "" << true << "这个文件夹里的录音放不出来，现用自带录音"
        << "这个文件夹里的录音中有 1 段放不出来，孩子会听到别的录音。请重新录音，或按「恢复」。";
}

// Each row says which recording the child hears, in its label and in its
// buttons' descriptions, once it has been checked off the window's thread;
// 试听 plays the first file there is and says what it is.
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
    if (message.startsWith(QStringLiteral("正在播放"))) {
        window.listen(1);
        QCOMPARE(window.message(), message);
    }
    QTRY_COMPARE(source(1), text);
    QCOMPARE(source(0), QStringLiteral("自带录音"));
    QCOMPARE(window.message(), message);
    QCOMPARE(window.findChild<QLabel *>("message")->accessibleName(), message);
    QCOMPARE(enabled(), QStringLiteral("110 11%1 110").arg(own.isEmpty() ? '0' : '1'));
    QCOMPARE(window.findChild<QLabel *>("folder")->text(), "录音保存在：" + folder("own"));
    QCOMPARE(window.focusWidget(), button("record", 0));
    const auto *scroll = window.findChild<QScrollArea *>("rows");
    QCOMPARE(scroll->accessibleName(), QStringLiteral("录音列表"));
    QCOMPARE(scroll->verticalScrollBar()->accessibleName(), QStringLiteral("上下滚动录音列表"));
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
}

void TestVoicesWindow::takes_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("microphone"); // "word", "cough", "silence", "breaks", "no server"...
    QTest::addColumn<QString>("own"); // what stands in the way: "", "folder", "blocked", "full"
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("warning"); // on standard error
    const QString kept = QStringLiteral("原来的录音没有改变。");
    for (const char *locale : {"C", "zh_CN.UTF-8"}) {
        const auto row = [&](const char *name) {
            return &(QTest::addRow("%s, %s", name, locale) << QString::fromLatin1(locale));
        };
        *row("saved") << "word"
                      << ""
                      << "已保存「红色」。按「试听」听一听。"
                      << "";
        *row("no server")
            << "no server"
            << ""
            << "打不开麦克风：连不上电脑的声音服务。请检查电脑的声音设置，再试一次。" + kept
            << "tintoko-voices: NoServer: made up";
        *row("no microphone") << "no microphone"
                              << ""
                              << "找不到麦克风。请接好麦克风，在声音设置里选中它，再试一次。" + kept
                              << "tintoko-voices: NoMicrophone: made up";
        *row("the stream breaks")
            << "breaks"
            << ""
            << "录音中断了：电脑的声音服务不再回应。请检查电脑的声音设置，再试一次。" + kept
            << "tintoko-voices: Broken: made up";
        *row("silence") << "silence"
                        << ""
                        << "没有听到声音。请检查麦克风有没有接好、有没有被静音。" + kept << "";
        *row("a cough") << "cough"
                        << ""
                        << "录到的声音太短（不到 0.3 秒），没有保存。请说完整句话再停。" + kept
                        << "";
        *row("a file where the folder goes")
            << "word"
            << "blocked"
            << "没能保存录音：录音文件夹的位置上有一个同名的文件，建不成文件夹。请把那个文件移走，"
               "再试一次。" +
                   kept
            << "tintoko-voices: NotSaved: cannot make the folder OWN";
        *row("a folder where the file goes")
            << "word"
            << "folder"
            << "没能保存录音：这一句的录音文件的位置上是一个文件夹或链接，录音程序不会动它。请把它"
               "移走，再试一次。" +
                   kept
            << "tintoko-voices: NotSaved: not a regular file, left as it is";
        *row("a full disk") << "word"
                            << "full"
                            << "没能保存录音：写不进录音文件夹，可能是磁盘满了，或者没有写入的权限"
                               "。请腾出一些磁盘空间，或者检查文件夹的权限，再试一次。" +
                                   kept
                            << "tintoko-voices: NotSaved: write: File too large";
    }
}

// A take from start to end: while it runs only its own 录音 works and any
// sound that plays is stopped; afterwards the status line says in Chinese
// what happened and what to do, whatever the locale, and the system's words
// go to standard error.
void TestVoicesWindow::takes() {
    QFETCH(QString, locale);
    QFETCH(QString, microphone);
    QFETCH(QString, own);
    QFETCH(QString, message);
    QFETCH(QString, warning);
    warning.replace(QStringLiteral("OWN"), folder(QStringLiteral("own")));
    std::setlocale(LC_ALL, qPrintable(locale));
    qputenv("LANG", locale.toLatin1());
    QLocale::setDefault(QLocale(locale == "C" ? QLocale::C : QLocale::Chinese));
    using F = AudioSource::Failure;
    m_microphone = {};
    m_microphone.failure = microphone == "no server"       ? F::NoServer
                           : microphone == "no microphone" ? F::NoMicrophone
                                                           : F::None;
    m_microphone.heard = madeSound({{microphone == "cough"     ? 150
                                     : microphone == "silence" ? 0
                                                               : 900,
                                     8000}});
    m_microphone.breaks = microphone == "breaks";
    if (own == "blocked")
        put(folder("own"), "file");
    if (own == "folder")
        put(folder("own/") + kRed, "folder");
    VoicesWindow &window = open();
    QTRY_COMPARE(source(1), QStringLiteral("自带录音"));
    window.listen(0);
    QCOMPARE(m_player.State(), 1);

    window.record(1);
    QCOMPARE(m_player.callsWithoutState().mid(2), QStringList{"Stop"});
    QCOMPARE(source(1), QStringLiteral("● 正在录音"));
    QCOMPARE(enabled(), QStringLiteral("000 100 000"));
    window.listen(0);
    window.restore(1);
    window.record(0);
    QCOMPARE(m_player.callsWithoutState().size(), 3);
    QVERIFY(m_asked.isEmpty());
    const bool stopped = m_microphone.failure == F::None && !m_microphone.breaks;
    if (stopped) {
        QTRY_COMPARE(window.message(),
                     QStringLiteral("正在录音：「红色」。说完后再按一次「录音」。"));
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
    QVERIFY(!window.message().contains(kLatin));
    QCOMPARE(window.findChild<QLabel *>("message")->accessibleName(), message);
    QCOMPARE(warnings, warning.isEmpty() ? QStringList() : QStringList{warning});
    QTRY_COMPARE(source(1), message.startsWith("已保存") ? "你的录音" : "自带录音");
    QCOMPARE(enabled(), QStringLiteral("110 11%1 110")
                            .arg(message.startsWith("已保存") || own == "folder" ? '1' : '0'));
    QCOMPARE(window.focusWidget(), button("record", 1));
}

void TestVoicesWindow::restoreAsks_data() {
    QTest::addColumn<QString>("own");
    QTest::addColumn<QString>("share");
    QTest::addColumn<int>("answer"); // -1: the real message box, its first button
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("after");
    const QString asked =
        QStringLiteral("要删除你录的「红色」吗？删除以后就找不回来了，孩子会听到%1。");
    QTest::newRow("deleted") << "good"
                             << "" << 0 << asked.arg("自带录音") << "已删除「红色」的录音。"
                             << "自带录音";
    QTest::newRow("deleted, a classroom's next")
        << "junk"
        << "good" << 0 << asked.arg("班级的录音") << "已删除「红色」的录音。"
        << "班级的录音";
    QTest::newRow("kept") << "good"
                          << "" << 1 << asked.arg("自带录音") << "选一行，按「录音」开始。"
                          << "你的录音";
    QTest::newRow("a folder")
        << "folder"
        << "" << 0 << asked.arg("自带录音")
        << "没能删除：「红色」的录音文件的位置上是一个文件夹，录音程序不会删除它。"
        << "自带录音";
    QTest::newRow("asked in a message box") << "good"
                                            << "" << -1 << ""
                                            << "已删除「红色」的录音。"
                                            << "自带录音";
}

// 恢复 asks first, naming the row and what the child hears afterwards; only
// the first answer deletes.
void TestVoicesWindow::restoreAsks() {
    QFETCH(QString, own);
    QFETCH(QString, share);
    QFETCH(int, answer);
    QFETCH(QString, question);
    QFETCH(QString, message);
    QFETCH(QString, after);
    put(folder("own/") + kRed, own);
    put(folder("share/") + kRed, share);
    VoicesWindow &window = open();
    if (answer < 0)
        window.setAsker({}); // back to the window's own message box
    QTRY_VERIFY(source(1) != QStringLiteral("正在检查……"));
    m_answers = {answer};
    window.restore(1);
    if (answer < 0) {
        auto *box = window.findChild<QMessageBox *>();
        QVERIFY(box != nullptr);
        QCOMPARE(
            box->text(),
            QStringLiteral("要删除你录的「红色」吗？删除以后就找不回来了，孩子会听到自带录音。"));
        QCOMPARE(box->buttons().size(), 2);
        QCOMPARE(box->defaultButton()->text(), QStringLiteral("不删除"));
        for (QAbstractButton *b : box->buttons()) {
            if (b->text() == QStringLiteral("删除"))
                b->click();
        }
    } else {
        QCOMPARE(m_asked.size(), 1);
        QCOMPARE(m_asked.first().text, question);
        QCOMPARE(m_asked.first().answers, (QStringList{"删除", "不删除"}));
    }
    QCOMPARE(window.message(), message);
    QCOMPARE(QFileInfo::exists(folder("own/") + kRed), answer == 1 || own == "folder");
    QCOMPARE(m_player.callsWithoutState(), answer == 1 ? QStringList() : QStringList{"Stop"});
    QTRY_COMPARE(source(1), after);
    QCOMPARE(
        enabled(),
        QStringLiteral("110 11%1 110").arg(QFileInfo::exists(folder("own/") + kRed) ? '1' : '0'));
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
    m_microphone = {};
    m_microphone.heard = madeSound({{900, 8000}});
    VoicesWindow &window = open();
    window.show();
    QVERIFY(recordRed());
    m_answers = {answer};
    QCOMPARE(window.close(), false);
    m_released = answer == 0; // else the take would go on to its end
    QCOMPARE(m_asked.size(), 1);
    QCOMPARE(m_asked.first().text,
             QStringLiteral("正在录「红色」。关上窗口之前，要保存这段录音吗？"));
    QCOMPARE(m_asked.first().answers, (QStringList{"保存并关闭", "不保存，关闭", "继续录音"}));
    QTRY_COMPARE(window.isVisible(), !closed);
    m_recorder.reset(); // as at the program's end
    QCOMPARE(QFileInfo::exists(folder("own/") + kRed), saved);
    QCOMPARE(window.message(),
             saved ? QStringLiteral("已保存「红色」。按「试听」听一听。")
                   : QStringLiteral("正在录音：「红色」。说完后再按一次「录音」。"));
    m_window.reset();

    open().show();
    QVERIFY(m_window->close());
    QCOMPARE(m_asked.size(), 1);
}

// 试听 without a sound server, or with nothing that plays, says so.
void TestVoicesWindow::unheard() {
    VoicesWindow &window = open();
    emit m_player.unheard(SoundPlayer::Unheard::NoOutput);
    QCOMPARE(window.message(), QStringLiteral("选一行，按「录音」开始。"));
    window.listen(2);
    emit m_player.unheard(SoundPlayer::Unheard::NoOutput);
    QCOMPARE(window.message(),
             QStringLiteral(
                 "听不到「对了，真棒！下一个，找红色」：连不上电脑的声音服务，所以放不出声音。"
                 "请检查电脑的声音设置，比如声音服务有没有打开、扬声器有没有选对，再试一次。"));
    emit m_player.unheard(SoundPlayer::Unheard::NotPlayable);
    QCOMPARE(
        window.message(),
        QStringLiteral(
            "「对了，真棒！下一个，找红色」的录音一段也放不出来，文件可能坏了。请重新录一段。"));
    m_player.openResult = 1;
    window.listen(0);
    QCOMPARE(window.message(), QStringLiteral("「黑色」的录音放不出来。"));
    m_player.openResult = 0;
}

QTEST_MAIN(TestVoicesWindow)
#include "tst_voiceswindow.moc"
