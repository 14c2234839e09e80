#pragma once

#include <QByteArray>
#include <QString>

// Puts `data` in place of the file at `path`, making its folder when missing.
// The data goes into a temporary file beside it, which is renamed over the
// old file only when every write and the flush succeeded:
// whoever opens `path` finds the old file or the whole new one, never part of
// one. On failure the old file is as it was, no temporary file stays behind,
// and `error` (when given) says why.
bool replaceFile(const QString &path, const QByteArray &data, QString *error = nullptr);
