#include "voiceswindow.h"

#include "mp3decoder.h"
#include "soundplayer.h"

#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <utility>

namespace {

QString quoted(const QString &words) {
    return QStringLiteral("「%1」").arg(words);
}

// " (why)" when the system said why, else nothing.
QString because(const QString &detail) {
    return detail.isEmpty() ? QString() : QStringLiteral("（%1）").arg(detail);
}

const QString kOldKept = QStringLiteral("原来的录音没有改变。");

} // namespace

VoicesWindow::VoicesWindow(ProgramFolder folder, const QList<VoiceLine> &lines, Recorder &recorder,
                           SoundPlayer &player, QWidget *parent)
    : QMainWindow(parent)
    , m_folder(std::move(folder))
    , m_recorder(recorder)
    , m_player(player) {
    setWindowTitle(QStringLiteral("Tintoko 录音"));
    auto *central = new QWidget(this);
    auto *column = new QVBoxLayout(central);

    auto *intro = new QLabel(
        QStringLiteral("孩子在 Tintoko 里听到的每一句话，都可以换成你自己的声音。"
                       "按「录音」，说出这一行的话，再按一次「录音」停下（最长 10 秒）。"
                       "「试听」放出孩子会听到的录音，「恢复」换回 Tintoko 自带的录音。"),
        central);
    intro->setWordWrap(true);
    column->addWidget(intro);

    m_message = new QLabel(central);
    m_message->setObjectName(QStringLiteral("message"));
    m_message->setWordWrap(true);
    m_message->setMinimumHeight(2 * fontMetrics().height());
    m_message->setFrameShape(QFrame::StyledPanel);
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

    int broken = 0;
    for (int i = 0; i < m_rows.size(); ++i) {
        showRow(i);
        broken += int(sourceOf(m_rows.at(i)) == Source::OwnBroken);
    }
    showButtons();
    tell(QStringLiteral("选一行，按「录音」开始。"));
    if (broken > 0)
        tell(QStringLiteral("你的录音中有 %1 段放不出来，孩子会听到自带的录音。"
                            "请重新录音，或按「恢复」。")
                 .arg(broken));
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
}

VoicesWindow::Source VoicesWindow::sourceOf(const Row &row) const {
    const QString own = m_folder.userSound(row.line.file);
    if (own.isEmpty() || m_folder.sound(row.line.file) != own)
        return Source::Shipped;
    Mp3Decoder decoder;
    return decoder.open(own) == Mp3Decoder::Result::Ok ? Source::Own : Source::OwnBroken;
}

void VoicesWindow::showRow(int row) {
    const Row &r = m_rows.at(row);
    switch (sourceOf(r)) {
    case Source::Shipped:
        r.source->setText(QStringLiteral("自带录音"));
        break;
    case Source::Own:
        r.source->setText(QStringLiteral("你的录音"));
        break;
    case Source::OwnBroken:
        r.source->setText(QStringLiteral("你的录音放不出来，现用自带录音"));
        break;
    }
}

void VoicesWindow::showButtons() {
    const bool busy = m_recording >= 0;
    for (int i = 0; i < m_rows.size(); ++i) {
        const Row &r = m_rows.at(i);
        r.record->setEnabled(!busy || (i == m_recording && m_recorder.isBusy()));
        r.listen->setEnabled(!busy);
        r.restore->setEnabled(!busy && QFileInfo::exists(m_folder.userSound(r.line.file)));
    }
}

void VoicesWindow::tell(const QString &text) {
    m_message->setText(text);
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
    m_player.Stop(); // the microphone would hear it
    m_recording = row;
    m_recorder.start(path);
    m_rows.at(row).source->setText(QStringLiteral("● 正在录音"));
    showButtons();
    tell(QStringLiteral("正在打开麦克风……"));
}

void VoicesWindow::takeFinished(Recorder::Outcome outcome, const QString &detail) {
    const int row = std::exchange(m_recording, -1);
    m_level->setValue(0);
    if (row < 0)
        return;
    const QString words = quoted(m_rows.at(row).line.words);
    showRow(row);
    showButtons();
    m_rows.at(row).record->setFocus();
    switch (outcome) {
    case Recorder::Outcome::Saved:
        tell(QStringLiteral("已保存%1。按「试听」听一听。").arg(words));
        break;
    case Recorder::Outcome::NoServer:
        tell(
            QStringLiteral("打不开麦克风：连不上电脑的声音服务%1。请检查电脑的声音设置，再试一次。")
                .arg(because(detail)) +
            kOldKept);
        break;
    case Recorder::Outcome::NoMicrophone:
        tell(QStringLiteral("找不到麦克风%1。请接好麦克风，在声音设置里选中它，再试一次。")
                 .arg(because(detail)) +
             kOldKept);
        break;
    case Recorder::Outcome::Broken:
        tell(QStringLiteral("录音中断了：声音服务不再回应%1。").arg(because(detail)) + kOldKept);
        break;
    case Recorder::Outcome::Silent:
        tell(QStringLiteral("没有听到声音。请检查麦克风有没有接好、有没有被静音。") + kOldKept);
        break;
    case Recorder::Outcome::TooShort:
        tell(QStringLiteral("录到的声音太短（不到 0.3 秒），没有保存。请说完整句话再停。") +
             kOldKept);
        break;
    case Recorder::Outcome::NotSaved:
        tell(QStringLiteral("没能保存录音%1：磁盘可能满了，或者不能写入。").arg(because(detail)) +
             kOldKept);
        break;
    case Recorder::Outcome::NoAnswer:
        tell(QStringLiteral("电脑的声音服务没有回应，这次录音没有完成。请等一会儿再试；"
                            "如果还是不行，请重新启动电脑。") +
             kOldKept);
        break;
    }
}

void VoicesWindow::listen(int row) {
    if (m_recording >= 0)
        return;
    const Row &r = m_rows.at(row);
    showRow(row);
    const Source source = sourceOf(r);
    if (m_player.Open(m_folder.sound(r.line.file)) != 0) {
        tell(QStringLiteral("%1的录音放不出来。").arg(quoted(r.line.words)));
        return;
    }
    m_player.Play();
    tell(QStringLiteral("正在播放%1：%2。")
             .arg(quoted(r.line.words),
                  source == Source::Own ? QStringLiteral("你的录音") : QStringLiteral("自带录音")));
}

void VoicesWindow::restore(int row) {
    if (m_recording >= 0)
        return;
    const Row &r = m_rows.at(row);
    QFile own(m_folder.userSound(r.line.file));
    m_player.Stop(); // it may be the file that plays
    if (own.exists() && !own.remove()) {
        tell(QStringLiteral("没能删除你的录音%1（%2）。")
                 .arg(quoted(r.line.words), own.errorString()));
    } else {
        tell(QStringLiteral("%1已换回自带的录音。").arg(quoted(r.line.words)));
    }
    showRow(row);
    showButtons();
}
