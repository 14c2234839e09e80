#pragma once

#include <QString>

class QIODevice;

// v.sz keeps the one setting Tintoko remembers: whether the timed news window
// is switched off. It is one line, "True" or "False".
namespace newsoptionfile {

// How much of the file is read: one read of its start, at the most this many
// bytes. Only the first non-blank line decides, and a real v.sz is one line,
// so a huge or hostile file costs start-up no more than this.
inline constexpr qint64 kMaxBytes = 64 * 1024;

// True when the line switches the option on: it reads as the number 1
// (leading blanks skipped, reading stops at the first character that cannot
// continue a number), or it is exactly "True".
bool lineMeansOn(const QString &line);

// Reads the option from an open device; false for empty or unreadable input.
bool read(QIODevice &device);

// Reads the option from a file; a missing or unreadable file leaves it off.
bool readFile(const QString &path);

// Where v.sz lives: `besideProgram` (the program folder's v.sz), or the file of
// the same name in the user's configuration folder when the program folder
// cannot be written (a system-wide install).
QString location(const QString &besideProgram);

// The option as start-up finds it: in the file a toggle would write (see
// location()); when that is the user's file and there is none yet, in the
// program folder's, where an administrator may have put one.
bool readOption(const QString &besideProgram);
// The same, with the file a toggle writes already found.
bool readOption(const QString &besideProgram, const QString &toggleWrites);

// Writes "True" or "False" as one line. Returns false when the file could not
// be written completely; the caller then keeps the option for this run only.
bool writeFile(const QString &path, bool on);

} // namespace newsoptionfile
