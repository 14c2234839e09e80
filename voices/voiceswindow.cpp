#include "voiceswindow.h"

#include "mp3decoder.h"
#include "readeraccess.h"
#include "recordingcheck.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QMetaEnum>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

QString quoted(const QString &words) {
    return QStringLiteral("「%1」").arg(words);
}

const QString kOldKept = QStringLiteral("原来的录音没有改变。");
const QString kFirstWords = QStringLiteral("选一行，按「录音」开始。");
const QString kChecking = QStringLiteral("正在检查……");

// Why a take could not be written to `path`, from what lies on the way to it.
enum class SaveTrouble {
    FolderBlocked, // something that is not a folder stands where a folder must be
    NotAFile,      // a folder or a link stands where the recording goes
    Other,         // the disk is full, the folder cannot be written, ...
};

SaveTrouble saveTrouble(const QString &path) {
    const QFileInfo target(path);
    if (target.exists() || target.isSymLink())
        return target.isFile() && !target.isSymLink() ? SaveTrouble::Other : SaveTrouble::NotAFile;
    for (QFileInfo up(target.absolutePath());; up = QFileInfo(up.absolutePath())) {
        if (up.exists())
            return up.isDir() ? SaveTrouble::Other : SaveTrouble::FolderBlocked;
        if (up.isRoot())
            return SaveTrouble::Other;
    }
}

// Says on standard error what the system said, for whoever looks into it.
void logDetail(const char *what, const QString &detail) {
    if (!detail.isEmpty())
        qWarning("tintoko-voices: %s: %s", what, qUtf8Printable(detail));
}

} // namespace

VoicesWindow::VoicesWindow(ProgramFolder folder, const QList<VoiceLine> &lines, Recorder &recorder,
                           SoundPlayer &player, Folder whose, QWidget *parent)
    : QMainWindow(parent)
    , m_folder(std::move(folder))
    , m_recorder(recorder)
    , m_player(player)
    , m_whose(whose)
    , m_check(new RecordingCheck(this)) {
    setWindowTitle(QStringLiteral("Tintoko 录音"));
    auto *central = new QWidget(this);
    auto *column = new QVBoxLayout(central);

    auto *intro =
        new QLabel(QStringLiteral("孩子在 Tintoko 里听到的每一句话，都可以换成你自己的声音。"
                                  "按「录音」，说出这一行的话，再按一次「录音」停下（最长 10 秒）。"
                                  "「试听」放出孩子会听到的录音，「恢复」删掉这里录的那一句，"
                                  "孩子又会听到原来的录音。"),
                   central);
    intro->setWordWrap(true);
    column->addWidget(intro);

    auto *place = new QLabel(
        QStringLiteral("录音保存在：%1").arg(QDir::toNativeSeparators(m_folder.userSounds())),
        central);
    place->setObjectName(QStringLiteral("folder"));
    place->setWordWrap(true);
    place->setTextInteractionFlags(Qt::TextSelectableByMouse);
    column->addWidget(place);

    m_message = new QLabel(central);
    m_message->setObjectName(QStringLiteral("message"));
    m_message->setWordWrap(true);
    m_message->setMinimumHeight(2 * fontMetrics().height());
    m_message->setFrameShape(QFrame::StyledPanel);
    readeraccess::offerStatus(m_message);
    column->addWidget(m_message);

    auto *meter = new QHBoxLayout;
    auto *levelLabel = new QLabel(QStringLiteral("音量"), central);
    m_level = new QProgressBar(central);
    m_level->setObjectName(QStringLiteral("level"));
    m_level->setAccessibleName(levelLabel->text());
    m_level->setRange(0, 100);
    m_level->setValue(0);
    m_level->setTextVisible(false);
    levelLabel->setBuddy(m_level);
    meter->addWidget(levelLabel);
    meter->addWidget(m_level, 1);
    column->addLayout(meter);

    auto *rows = new QWidget;
    auto *grid = new QGridLayout(rows);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    for (int i = 0; i < lines.size(); ++i)
        addRow(i, lines.at(i), grid);
    auto *scroll = new QScrollArea(central);
    scroll->setObjectName(QStringLiteral("rows"));
    scroll->setAccessibleName(QStringLiteral("录音列表"));
    scroll->verticalScrollBar()->setAccessibleName(QStringLiteral("上下滚动录音列表"));
    scroll->horizontalScrollBar()->setAccessibleName(QStringLiteral("左右滚动录音列表"));
    scroll->setWidget(rows);
    scroll->setWidgetResizable(true);
    column->addWidget(scroll, 1);
    setCentralWidget(central);
    resize(760, 640);

    connect(&m_recorder, &Recorder::listening, this, [this] {
        if (m_recording >= 0)
            tell(QStringLiteral("正在录音：%1。说完后再按一次「录音」。")
                     .arg(quoted(m_rows.at(m_recording).line.words)));
    });
    connect(&m_recorder, &Recorder::level, m_level, &QProgressBar::setValue);
    connect(&m_recorder, &Recorder::finished, this, &VoicesWindow::takeFinished);
    connect(&m_player, &SoundPlayer::unheard, this, &VoicesWindow::unheard);
    connect(&m_player, &SoundPlayer::stateChanged, this, &VoicesWindow::played);
    connect(m_check, &RecordingCheck::checked, this, &VoicesWindow::checked);

    for (int i = 0; i < m_rows.size(); ++i)
        check(i);
    showButtons();
    tell(kFirstWords);
    if (!m_rows.isEmpty())
        m_rows.first().record->setFocus();
}

VoicesWindow::~VoicesWindow() = default;

QString VoicesWindow::message() const {
    return m_message->text();
}

void VoicesWindow::addRow(int index, const VoiceLine &line, QGridLayout *grid) {
    Row row{line};
    auto *words = new QLabel(line.words);
    row.source = new QLabel;
    row.source->setObjectName(QStringLiteral("source-%1").arg(index));
    const auto button = [&](const QString &caption, const char *name) {
        auto *b = new QPushButton(caption);
        b->setObjectName(QStringLiteral("%1-%2").arg(QLatin1String(name)).arg(index));
        // A screen reader tells the rows apart by their words.
        b->setAccessibleName(caption + QLatin1Char(' ') + line.words);
        b->setAutoDefault(false);
        return b;
    };
    row.record = button(QStringLiteral("录音"), "record");
    row.listen = button(QStringLiteral("试听"), "listen");
    row.restore = button(QStringLiteral("恢复"), "restore");
    connect(row.record, &QPushButton::clicked, this, [this, index] { record(index); });
    connect(row.listen, &QPushButton::clicked, this, [this, index] { listen(index); });
    connect(row.restore, &QPushButton::clicked, this, [this, index] { restore(index); });

    int column = 0;
    for (QWidget *w : {static_cast<QWidget *>(words), static_cast<QWidget *>(row.source),
                       static_cast<QWidget *>(row.record), static_cast<QWidget *>(row.listen),
                       static_cast<QWidget *>(row.restore)})
        grid->addWidget(w, index, column++);
    m_rows.append(row);
    showRow(index, kChecking);
}

void VoicesWindow::check(int row) {
    m_check->check(row, m_folder.soundCandidates(m_rows.at(row).line.file));
}

void VoicesWindow::checked(int row, const QList<int> &results) {
    // The candidates: the window's folder, the shared folders, the program folder.
    const qsizetype shipped = m_folder.sharedSounds().size() + 1;
    const qsizetype plays = results.last() == int(Mp3Decoder::Result::Ok) ? results.size() - 1 : -1;
    Row &r = m_rows[row];
    r.plays = plays < 0          ? Source::None
              : plays == 0       ? Source::Own
              : plays == shipped ? Source::Shipped
                                 : Source::Classroom;
    r.ownBroken = plays != 0 && results.first() != int(Mp3Decoder::Result::NotAFile);
    if (row != m_recording)
        showRow(row, rowText(r));

    // Once every row is known, a word about the user's recordings that do not
    // play, unless something else has been said since the window opened.
    if (std::any_of(m_rows.cbegin(), m_rows.cend(),
                    [](const Row &other) { return other.plays == Source::Checking; }))
        return;
    const auto broken = std::count_if(m_rows.cbegin(), m_rows.cend(),
                                      [](const Row &other) { return other.ownBroken; });
    if (broken > 0 && message() == kFirstWords)
        tell(QStringLiteral("%1录音中有 %2 段放不出来，孩子会听到别的录音。"
                            "请重新录音，或按「恢复」。")
                 .arg(m_whose == Folder::Users ? QStringLiteral("你录的")
                                               : QStringLiteral("这个文件夹里的"))
                 .arg(broken));
}

QString VoicesWindow::sourceText(Source source) const {
    switch (source) {
    case Source::Checking:
        return kChecking;
    case Source::Own:
        return m_whose == Folder::Users ? QStringLiteral("你的录音")
                                        : QStringLiteral("这个文件夹里的录音");
    case Source::Classroom:
        return QStringLiteral("班级的录音");
    case Source::Shipped:
        return QStringLiteral("自带录音");
    case Source::None:
        return QStringLiteral("没有能放的录音");
    }
    return {};
}

QString VoicesWindow::rowText(const Row &row) const {
    if (!row.ownBroken)
        return sourceText(row.plays);
    return QStringLiteral("%1放不出来，现用%2").arg(sourceText(Source::Own), sourceText(row.plays));
}

// The row's state is also each button's description, so that a screen reader
// says it with the button.
void VoicesWindow::showRow(int row, const QString &text) {
    const Row &r = m_rows.at(row);
    r.source->setText(text);
    for (QPushButton *b : {r.record, r.listen, r.restore})
        b->setAccessibleDescription(text);
}

void VoicesWindow::showButtons() {
    const bool busy = m_recording >= 0;
    for (int i = 0; i < m_rows.size(); ++i) {
        const Row &r = m_rows.at(i);
        const QFileInfo own(m_folder.userSound(r.line.file));
        r.record->setEnabled(!busy || (i == m_recording && m_recorder.isBusy()));
        r.listen->setEnabled(!busy);
        r.restore->setEnabled(!busy && (own.exists() || own.isSymLink()));
    }
}

// The status line's name is its text, set anew each time, and a screen reader
// says each message by itself, also when the words repeat, while the focus
// stays on the button the user is on.
void VoicesWindow::tell(const QString &text) {
    m_message->setText(text);
    m_message->setAccessibleName(text);
    readeraccess::setStatusText(m_message, text, readeraccess::Say::Every);
}

void VoicesWindow::record(int row) {
    if (row == m_recording) {
        m_recorder.stop();
        tell(QStringLiteral("正在保存……"));
        return;
    }
    const QString path = m_folder.userSound(m_rows.at(row).line.file);
    if (m_recording >= 0 || m_recorder.isBusy() || path.isEmpty()) {
        showButtons();
        return;
    }
    m_heard = false;
    m_player.Stop(); // the microphone would hear it
    m_listening = -1;
    m_recording = row;
    m_recorder.start(path);
    showRow(row, QStringLiteral("● 正在录音"));
    showButtons();
    tell(QStringLiteral("正在打开麦克风……"));
}

void VoicesWindow::takeFinished(Recorder::Outcome outcome, const QString &detail) {
    const int row = std::exchange(m_recording, -1);
    m_level->setValue(0);
    if (row < 0)
        return;
    logDetail(QMetaEnum::fromType<Recorder::Outcome>().valueToKey(int(outcome)), detail);
    const QString words = quoted(m_rows.at(row).line.words);
    showRow(row, kChecking);
    check(row);
    showButtons();
    m_rows.at(row).record->setFocus();
    switch (outcome) {
    case Recorder::Outcome::Saved:
        tell(QStringLiteral("已保存%1。按「试听」听一听。").arg(words));
        break;
    case Recorder::Outcome::NoServer:
        tell(
            QStringLiteral("打不开麦克风：连不上电脑的声音服务。请检查电脑的声音设置，再试一次。") +
            kOldKept);
        break;
    case Recorder::Outcome::NoMicrophone:
        tell(QStringLiteral("找不到麦克风。请接好麦克风，在声音设置里选中它，再试一次。") +
             kOldKept);
        break;
    case Recorder::Outcome::Broken:
        tell(
            QStringLiteral("录音中断了：电脑的声音服务不再回应。请检查电脑的声音设置，再试一次。") +
            kOldKept);
        break;
    case Recorder::Outcome::Silent:
        tell(QStringLiteral("没有听到声音。请检查麦克风有没有接好、有没有被静音。") + kOldKept);
        break;
    case Recorder::Outcome::TooShort:
        tell(QStringLiteral("录到的声音太短（不到 0.3 秒），没有保存。请说完整句话再停。") +
             kOldKept);
        break;
    case Recorder::Outcome::NotSaved:
        tell(notSaved(m_folder.userSound(m_rows.at(row).line.file)) + kOldKept);
        break;
    case Recorder::Outcome::NoAnswer:
        tell(QStringLiteral("电脑的声音服务没有回应，这次录音没有完成。请等一会儿再试；"
                            "如果还是不行，请重新启动电脑。") +
             kOldKept);
        break;
    }
    if (std::exchange(m_closeAfterTake, false) && outcome == Recorder::Outcome::Saved)
        close();
}

QString VoicesWindow::notSaved(const QString &path) const {
    switch (saveTrouble(path)) {
    case SaveTrouble::FolderBlocked:
        return QStringLiteral("没能保存录音：录音文件夹的位置上有一个同名的文件，建不成文件夹。"
                              "请把那个文件移走，再试一次。");
    case SaveTrouble::NotAFile:
        return QStringLiteral("没能保存录音：这一句的录音文件的位置上是一个文件夹或链接，"
                              "录音程序不会动它。请把它移走，再试一次。");
    case SaveTrouble::Other:
        break;
    }
    return QStringLiteral("没能保存录音：写不进录音文件夹，可能是磁盘满了，或者没有写入的权限。"
                          "请腾出一些磁盘空间，或者检查文件夹的权限，再试一次。");
}

void VoicesWindow::listen(int row) {
    if (m_recording >= 0)
        return;
    const Row &r = m_rows.at(row);
    m_heard = false; // what played before is cut off, not played to its end
    if (m_player.Open(m_folder.sound(r.line.file)) != 0) {
        tell(QStringLiteral("%1的录音放不出来。").arg(quoted(r.line.words)));
        return;
    }
    m_player.Play();
    m_listening = row;
    tell(r.plays == Source::Checking
             ? QStringLiteral("正在播放%1。").arg(quoted(r.line.words))
             : QStringLiteral("正在播放%1：%2。").arg(quoted(r.line.words), rowText(r)));
    m_heard = true;
    check(row); // the files may have changed since
}

void VoicesWindow::played(qint32 state) {
    // The player goes quiet at the end of the recording, and also after one
    // that was not heard: that has been said already.
    if (state != SoundPlayer::Idle || !std::exchange(m_heard, false) || m_listening < 0)
        return;
    tell(QStringLiteral("%1放完了。").arg(quoted(m_rows.at(m_listening).line.words)));
}

void VoicesWindow::unheard(SoundPlayer::Unheard why) {
    m_heard = false;
    if (m_listening < 0)
        return;
    const QString words = quoted(m_rows.at(m_listening).line.words);
    if (why == SoundPlayer::Unheard::NoOutput)
        tell(QStringLiteral("听不到%1：连不上电脑的声音服务，所以放不出声音。"
                            "请检查电脑的声音设置，比如声音服务有没有打开、扬声器有没有选对，"
                            "再试一次。")
                 .arg(words));
    else
        tell(QStringLiteral("%1的录音一段也放不出来，文件可能坏了。请重新录一段。").arg(words));
}

void VoicesWindow::restore(int row) {
    if (m_recording >= 0)
        return;
    const Row &r = m_rows.at(row);
    const QFileInfo own(m_folder.userSound(r.line.file));
    if (!own.exists() && !own.isSymLink()) {
        showButtons();
        return;
    }
    // What the child hears once it is gone: the next file of the name.
    Source next = Source::Shipped;
    const QStringList candidates = m_folder.soundCandidates(r.line.file);
    for (qsizetype i = 1; i + 1 < candidates.size(); ++i) {
        if (QFileInfo(candidates.at(i)).isFile())
            next = Source::Classroom;
    }
    const QString whose =
        m_whose == Folder::Users ? QStringLiteral("你录的") : QStringLiteral("这个文件夹里的");
    ask({QStringLiteral("要删除%1%2吗？删除以后就找不回来了，孩子会听到%3。")
             .arg(whose, quoted(r.line.words), sourceText(next)),
         {QStringLiteral("删除"), QStringLiteral("不删除")}},
        [this, row](int answer) {
            if (answer == 0)
                remove(row);
        });
}

void VoicesWindow::remove(int row) {
    if (m_recording >= 0)
        return;
    const Row &r = m_rows.at(row);
    const QString words = quoted(r.line.words);
    const QString path = m_folder.userSound(r.line.file);
    const QFileInfo info(path);
    QFile own(path);
    m_heard = false;
    m_player.Stop(); // it may be the file that plays
    m_listening = -1;
    if (info.isDir() && !info.isSymLink()) {
        tell(QStringLiteral("没能删除：%1的录音文件的位置上是一个文件夹，录音程序不会删除它。")
                 .arg(words));
    } else if ((info.exists() || info.isSymLink()) && !own.remove()) {
        logDetail("remove", own.errorString());
        tell(QStringLiteral("没能删除%1的录音：这个文件夹不能改动，可能没有权限。").arg(words));
    } else {
        tell(QStringLiteral("已删除%1的录音。").arg(words));
    }
    showRow(row, kChecking);
    check(row);
    showButtons();
}

void VoicesWindow::closeEvent(QCloseEvent *event) {
    if (m_recording < 0 || m_closing) {
        QMainWindow::closeEvent(event);
        return;
    }
    event->ignore();
    ask({QStringLiteral("正在录%1。关上窗口之前，要保存这段录音吗？")
             .arg(quoted(m_rows.at(m_recording).line.words)),
         {QStringLiteral("保存并关闭"), QStringLiteral("不保存，关闭"),
          QStringLiteral("继续录音")}},
        [this](int answer) {
            if (answer == 0 && m_recording >= 0) {
                m_closeAfterTake = true;
                record(m_recording); // stops the take; it closes once saved
            } else if (answer < 2) {
                // Dropped: a take still running ends with the recorder.
                // Closed from the event loop, for the answer may come while
                // this close is still being refused.
                m_closing = true;
                QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
            }
        });
}

// The test's asker, or a message box of the window's, window-modal (open())
// and without a loop of its own: the answer comes back when the box is done.
void VoicesWindow::ask(const Question &question, std::function<void(int)> answered) {
    if (m_ask) {
        m_ask(question, std::move(answered));
        return;
    }
    auto *box = new QMessageBox(QMessageBox::Question, windowTitle(), question.text,
                                QMessageBox::NoButton, this);
    QList<QAbstractButton *> buttons;
    for (const QString &answer : question.answers)
        buttons << box->addButton(answer, buttons.size() + 1 < question.answers.size()
                                              ? QMessageBox::AcceptRole
                                              : QMessageBox::RejectRole);
    box->setDefaultButton(qobject_cast<QPushButton *>(buttons.last()));
    connect(box, &QMessageBox::finished, this, [box, buttons, answered = std::move(answered)] {
        const qsizetype chosen = buttons.indexOf(box->clickedButton());
        box->deleteLater();
        answered(int(chosen < 0 ? buttons.size() - 1 : chosen));
    });
    box->open();
}
