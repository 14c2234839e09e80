#pragma once

#include <QString>
#include <QStringList>

// The folder the program runs from and the names of what lies in it:
//   声音/<name>.mp3, 声音/对_<name>.mp3, 声音/错了再试一遍.mp3   the recordings
//   Tintoko说明.txt                                          the instructions
//   v.sz                                                     the news option
//   tintoko-news                                             the news viewer (web engine)
//   tintoko-voices                                           the recorder
// Every path is the folder, exactly one "/", then the name; the root folder
// "/" already ends in one.
//
// A user may have recordings of their own, under the same file names, in a
// folder of their own (userSoundFolder()), and a machine may hold recordings
// for all its users, a classroom's voice (sharedSoundFolders()). For each file
// name the candidates are asked in this order: the user's, each shared
// folder's, the program folder's. This class decides which file is handed to
// the player: the first that is a readable regular file, asked anew on every
// call, so that a recording made or removed counts from the next click; the
// player falls back along the rest of the list (fallbacksAfter()) when that
// file does not play. The program folder itself is never written.
class ProgramFolder {
public:
    // userSounds: the user's recordings, or empty for none; sharedSounds:
    // folders of recordings for every user, in the order they are asked. A
    // shared folder that repeats the user's or an earlier one is left out.
    explicit ProgramFolder(QString path, QString userSounds = {},
                           const QStringList &sharedSounds = {});

    [[nodiscard]] const QString &path() const { return m_path; }
    [[nodiscard]] const QString &userSounds() const { return m_userSounds; }
    [[nodiscard]] const QStringList &sharedSounds() const { return m_sharedSounds; }

    // Where a user keeps recordings of their own: $XDG_DATA_HOME/tintoko/声音,
    // with ~/.local/share for XDG_DATA_HOME when it is unset or not absolute.
    [[nodiscard]] static QString userSoundFolder();
    // Where recordings for every user of the machine are kept: tintoko/声音
    // under each absolute folder of $XDG_DATA_DIRS, in its order, with
    // /usr/local/share:/usr/share when it is unset or names none.
    [[nodiscard]] static QStringList sharedSoundFolders();

    // The file names of the recordings, in the colour table's order: the
    // sixteen names, the sixteen right answers, the wrong answer.
    [[nodiscard]] static QString colourNameFile(int index);
    [[nodiscard]] static QString rightAnswerFile(int index);
    [[nodiscard]] static QString wrongAnswerFile();
    [[nodiscard]] static QStringList recordingFiles();

    // A file in the folder itself.
    [[nodiscard]] QString file(const QString &fileName) const;
    // Every file that may play under this name, in the order they are asked:
    // the user's, the shared folders', the program folder's.
    [[nodiscard]] QStringList soundCandidates(const QString &fileName) const;
    // The recording to play: the first candidate that is a readable regular
    // file, else the program folder's.
    [[nodiscard]] QString sound(const QString &fileName) const;
    // The user's recording, whether it is there or not; empty without a
    // user folder.
    [[nodiscard]] QString userSound(const QString &fileName) const;
    // What is tried, in order, when `path`, one of a name's candidates, does
    // not play: the candidates after it. Empty for any other path. Only
    // strings: safe on any thread.
    [[nodiscard]] QStringList fallbacksAfter(const QString &path) const;

    // The name of colour `index` (0..15), spoken.
    [[nodiscard]] QString colourNameSound(int index) const;
    // Praise for a right answer that names colour `index` as the next to find.
    [[nodiscard]] QString rightAnswerSound(int index) const;
    // "Wrong, try again."
    [[nodiscard]] QString wrongAnswerSound() const;

    [[nodiscard]] QString instructions() const;
    // v.sz beside the program (see newsoptionfile::location for where it is
    // really kept when this folder cannot be written).
    [[nodiscard]] QString newsOptionFile() const;
    // The news viewer, the process that shows the news window.
    [[nodiscard]] QString newsViewer() const;

private:
    // The folders asked for a recording, in order, the program folder's last.
    [[nodiscard]] QStringList soundFolders() const;

    QString m_path;
    QString m_userSounds;
    QStringList m_sharedSounds;
};
