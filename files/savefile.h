#pragma once

#include <QByteArrayView>
#include <QString>

// Puts `data` in place of the regular file at `path`, making its folder when
// missing. Anything else at `path` (a link, a FIFO, a device, a folder) is
// refused and left as it is. The data goes into a new temporary file beside
// it, renamed over the old file only when every write, the fsync and the
// close succeeded: whoever opens `path` finds the old file or the whole new
// one, never part of one. The new file keeps the old one's permissions, with
// read and write for its owner added where they were missing. On
// failure the old file is as it was, no temporary file stays behind, and
// `why` (when given) says what failed.
//
// A save killed before its rename leaves its temporary file behind; a later
// save of the same `path` removes such files that no live save holds and that
// were last written a minute ago or more.
bool replaceFile(const QString &path, QByteArrayView data, QString *why = nullptr);
