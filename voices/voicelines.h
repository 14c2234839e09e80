#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The recordings the recorder offers and the words each one speaks, from
// data/recordings.tsv, the table make_recordings.sh makes the shipped
// recordings from (built into the recorder as a resource).
struct VoiceLine {
    QString file;  // the file name in 声音/, e.g. "红  色.mp3"
    QString words; // what is said, e.g. "红色"
};

namespace voicelines {

// The lines of a table: "file<TAB>words"; blank lines and lines starting with
// '#' are skipped, and so is a line without words.
QList<VoiceLine> parse(const QByteArray &table);

// One line for each recording the program plays, in the program's order
// (ProgramFolder::recordingFiles()), with the words the built-in table gives
// it; a recording the table does not know shows its file name.
QList<VoiceLine> all();

} // namespace voicelines
