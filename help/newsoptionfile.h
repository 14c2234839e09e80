#pragma once

#include <QString>

class QIODevice;

// v.sz keeps the one setting Tintoko remembers: whether the timed news window
// is switched off. It is one line, "True" or "False".
namespace newsoptionfile {

// How much of the file is read: one read of its start, at the most this many
// bytes. Only the first non-blank line decides, and a real v.sz is one line,
// so a huge or hostile file costs start-up no more than this.
inline constexpr qint64 kMaxBytes = qint64(64) * 1024;

// True when the line switches the option on: it reads as the number 1
// (leading blanks skipped, reading stops at the first character that cannot
// continue a number), or it is exactly "True".
bool lineMeansOn(const QString &line);

// Reads the option from an open device; false for empty or unreadable input.
bool read(QIODevice &device);

// Reads the option from a file; a missing or unreadable file leaves it off, and
// so does anything that is not a regular file (a FIFO, a device, a folder).
// Opening never waits: a FIFO without a writer is turned down at once.
bool readFile(const QString &path);

// Where v.sz lives: `besideProgram` (the program folder's v.sz) when that
// folder can be written and holds no v.sz or a regular file of that name (not
// a link); otherwise the file of the same name in the user's configuration
// folder (a system-wide install, or a program folder with something odd in
// place of v.sz).
QString location(const QString &besideProgram);

// The option as start-up finds it: in the file a toggle would write (see
// location()); when that is the user's file and it is missing or not a
// readable regular file, in the program folder's, where an administrator may
// have put one.
bool readOption(const QString &besideProgram);
// The same, with the file a toggle writes already found.
bool readOption(const QString &besideProgram, const QString &toggleWrites);

// Writes "True" or "False" as one line: into a new file beside `path`, which
// is flushed to the disk, closed and only then renamed over `path`. Only a
// regular file is replaced: a link (wherever it points), FIFO, device, socket
// or folder at `path` is left as it is and nothing is written. Returns false
// when anything failed, with the old file unchanged, nothing left beside it and
// the reason in *why; the caller then keeps the option for this run only.
bool writeFile(const QString &path, bool on, QString *why = nullptr);

} // namespace newsoptionfile
