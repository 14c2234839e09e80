#pragma once

#include <QList>
#include <QtGlobal>

// A process and everything it started, as Linux's /proc shows them: the
// news viewer and the web engine's own processes under it.
namespace processtree {

// pid and all its descendants, pid first; empty when pid is not running.
QList<qint64> members(qint64 pid);

// The memory the tree holds for itself, in bytes: each process's resident
// pages less those it shares (libraries, shared memory), so that the web
// engine's processes, which share much, are not counted several times over.
qint64 memoryBytes(qint64 pid);

// Sends signal to every process of the tree.
void signalAll(qint64 pid, int signal);

} // namespace processtree
