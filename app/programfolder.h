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
// folder of their own (userSoundFolder()). This class decides which file is
// played: the user's when there is a readable one, else the program folder's,
// asked anew on every call, so that a recording made or removed counts from
// the next click. The program folder itself is never written.
class ProgramFolder {
public:
    // userSounds: the user's recordings, or empty for none.
    explicit ProgramFolder(QString path, QString userSounds = {});

    [[nodiscard]] const QString &path() const { return m_path; }
    [[nodiscard]] const QString &userSounds() const { return m_userSounds; }

    // Where a user keeps recordings of their own: $XDG_DATA_HOME/tintoko/声音,
    // with ~/.local/share for XDG_DATA_HOME when it is unset or not absolute.
    [[nodiscard]] static QString userSoundFolder();

    // The file names of the recordings, in the colour table's order: the
    // sixteen names, the sixteen right answers, the wrong answer.
    [[nodiscard]] static QString colourNameFile(int index);
    [[nodiscard]] static QString rightAnswerFile(int index);
    [[nodiscard]] static QString wrongAnswerFile();
    [[nodiscard]] static QStringList recordingFiles();

    // A file in the folder itself.
    [[nodiscard]] QString file(const QString &fileName) const;
    // The recording to play: the user's when it is a readable file, else the
    // program folder's.
    [[nodiscard]] QString sound(const QString &fileName) const;
    // The program folder's recording, whatever the user has.
    [[nodiscard]] QString shippedSound(const QString &fileName) const;
    // The user's recording, whether it is there or not; empty without a
    // user folder.
    [[nodiscard]] QString userSound(const QString &fileName) const;
    // What plays instead when `path`, a user's recording, does not play: the
    // program folder's file of that name. Empty for any other path. Only
    // strings: safe on any thread.
    [[nodiscard]] QString shippedInsteadOf(const QString &path) const;

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
    QString m_path;
    QString m_userSounds;
};
