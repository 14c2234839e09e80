#pragma once

#include <QString>

// The folder the program runs from and the names of what lies in it:
//   声音/<name>.mp3, 声音/对_<name>.mp3, 声音/错了再试一遍.mp3   the recordings
//   Tintoko说明.txt                                          the instructions
//   v.sz                                                     the news option
//   tintoko-news                                             the news viewer (web engine)
// Every path is the folder, exactly one "/", then the name; the root folder
// "/" already ends in one.
class ProgramFolder {
public:
    explicit ProgramFolder(QString path);

    [[nodiscard]] const QString &path() const { return m_path; }

    // A file in the folder itself.
    [[nodiscard]] QString file(const QString &fileName) const;
    // A recording in 声音/.
    [[nodiscard]] QString sound(const QString &fileName) const;

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
};
