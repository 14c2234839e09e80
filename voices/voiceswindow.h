#pragma once

// The recorder's window, for a parent or a teacher: one row for each of the
// program's recordings, in the program's order, with the words it speaks,
// which recording the child hears now (the one that came with the program or
// the user's own), and three buttons: 录音 records a take in place of the
// user's recording (pressed again, it stops), 试听 plays what the child would
// hear, 恢复 removes the user's recording. A line of text above the rows says
// what happens and what went wrong; a level meter moves while the microphone
// is open.
//
// The window only shows and forwards: the takes are made by Recorder on its
// own thread, played by the program's SoundPlayer, and ProgramFolder decides
// which file is in effect.

#include "programfolder.h"
#include "recorder.h"
#include "voicelines.h"

#include <QList>
#include <QMainWindow>
#include <QString>

class QGridLayout;
class QLabel;
class QProgressBar;
class QPushButton;
class SoundPlayer;

class VoicesWindow final : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(VoicesWindow)

public:
    VoicesWindow(ProgramFolder folder, const QList<VoiceLine> &lines, Recorder &recorder,
                 SoundPlayer &player, QWidget *parent = nullptr);
    ~VoicesWindow() override;

    // What the window says now (for tests and tools).
    [[nodiscard]] QString message() const;

    // The three buttons of each row.
    void record(int row);
    void listen(int row);
    void restore(int row);

private:
    enum class Source { Shipped, Own, OwnBroken };
    struct Row {
        VoiceLine line;
        QLabel *source = nullptr;
        QPushButton *record = nullptr;
        QPushButton *listen = nullptr;
        QPushButton *restore = nullptr;
    };

    void addRow(int index, const VoiceLine &line, QGridLayout *grid);
    [[nodiscard]] Source sourceOf(const Row &row) const;
    void showRow(int row);
    void showButtons();
    void tell(const QString &text);
    void takeFinished(Recorder::Outcome outcome, const QString &detail);

    ProgramFolder m_folder;
    Recorder &m_recorder;
    SoundPlayer &m_player;
    QList<Row> m_rows;
    QLabel *m_message = nullptr;
    QProgressBar *m_level = nullptr;
    int m_recording = -1; // the row whose take runs
};
