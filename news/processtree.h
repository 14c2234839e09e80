#pragma once

#include <QList>
#include <QtGlobal>

// A process and everything it started, as Linux's /proc shows them: the
// news viewer and the web engine's own processes under it.
namespace processtree {

// pid and all its descendants, pid first; empty when pid is not running.
QList<qint64> members(qint64 pid);

// The memory the tree holds, in bytes: each process's proportional share
// (shared pages divided among those that share them), so that the web
// engine's processes, which share much, are not counted several times over.
qint64 memoryBytes(qint64 pid);

// Sends signal to every process of the tree.
void signalAll(qint64 pid, int signal);

} // namespace processtree
