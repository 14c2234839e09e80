#pragma once

// The recorder's window, for a parent or a teacher: one row for each of the
// program's recordings, in the program's order, with the words it speaks,
// which recording the child hears now (the user's own, a classroom's shared
// by every account of the machine, or the one that came with the program),
// and three buttons: 录音 records a take in place of the recording in the
// window's folder (pressed again, it stops), 试听 plays what the child would
// hear, 恢复 deletes the recording in the window's folder, after asking. A
// line of text above the rows says what happens and what went wrong, in words
// a parent can read; the system's own error texts go to standard error. A
// level meter moves while the microphone is open.
//
// The window only shows and forwards: the takes are made by Recorder on its
// own thread, played by the program's SoundPlayer, ProgramFolder names the
// files in the order they are asked, and RecordingCheck finds out on a thread
// of its own which of them plays, so that no recording is ever read on the
// window's thread. Until a row's answer is there, the row says so.

#include "programfolder.h"
#include "recorder.h"
#include "soundplayer.h"
#include "voicelines.h"

#include <QList>
#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <functional>

class QGridLayout;
class QLabel;
class QProgressBar;
class QPushButton;
class RecordingCheck;

class VoicesWindow final : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(VoicesWindow)

public:
    // Whose folder the window records into: the user's own, or one chosen
    // when the recorder was started (a classroom's, say).
    enum class Folder { Users, Chosen };

    // folder.userSounds() is the folder the window records into.
    VoicesWindow(ProgramFolder folder, const QList<VoiceLine> &lines, Recorder &recorder,
                 SoundPlayer &player, Folder whose = Folder::Users, QWidget *parent = nullptr);
    ~VoicesWindow() override;

    // A question the window asks before it deletes a recording or drops a
    // take: its words and its answers. The last answer leaves everything as
    // it was; it is also the answer when the box is closed otherwise.
    struct Question {
        QString text;
        QStringList answers;
    };
    // Shows the question and calls `answered` with the index of the answer
    // chosen, now or later. Without one (the default), the window shows a
    // message box, without a loop of its own; a test puts its own in place.
    using Asker = std::function<void(const Question &, std::function<void(int answer)> answered)>;
    void setAsker(Asker asker) { m_ask = std::move(asker); }

    // What the window says now (for tests and tools).
    [[nodiscard]] QString message() const;

    // The three buttons of each row.
    void record(int row);
    void listen(int row);
    void restore(int row);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // Where the recording a child hears comes from.
    enum class Source { Checking, Own, Classroom, Shipped, None };
    struct Row {
        VoiceLine line;
        QLabel *source = nullptr;
        QPushButton *record = nullptr;
        QPushButton *listen = nullptr;
        QPushButton *restore = nullptr;
        Source plays = Source::Checking;
        bool ownBroken = false; // there is one in the window's folder, and it does not play
    };

    void addRow(int index, const VoiceLine &line, QGridLayout *grid);
    void check(int row);
    void checked(int row, const QList<int> &results);
    [[nodiscard]] QString sourceText(Source source) const;
    [[nodiscard]] QString rowText(const Row &row) const;
    void showRow(int row, const QString &text);
    void showButtons();
    void tell(const QString &text);
    void takeFinished(Recorder::Outcome outcome, const QString &detail);
    [[nodiscard]] QString notSaved(const QString &path) const;
    void unheard(SoundPlayer::Unheard why);
    void played(qint32 state);
    void remove(int row);
    void ask(const Question &question, std::function<void(int answer)> answered);

    ProgramFolder m_folder;
    Recorder &m_recorder;
    SoundPlayer &m_player;
    Folder m_whose;
    RecordingCheck *m_check = nullptr;
    Asker m_ask;
    QList<Row> m_rows;
    QLabel *m_message = nullptr;
    QProgressBar *m_level = nullptr;
    int m_recording = -1;          // the row whose take runs
    int m_listening = -1;          // the row 试听 played last
    bool m_heard = false;          // it plays, and the end is worth a word
    bool m_closeAfterTake = false; // close once the take is saved
    bool m_closing = false;        // the take may be dropped: close without asking
};
