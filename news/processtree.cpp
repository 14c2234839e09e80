#include "processtree.h"

#include <QDir>
#include <QFile>
#include <QHash>

#include <csignal>
#include <sys/types.h>
#include <unistd.h>

namespace processtree {

namespace {

QByteArray readProcFile(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return {};
    return file.read(qint64(64) * 1024);
}

// The parent of a process from /proc/<pid>/stat: "pid (name) state ppid ...";
// the name may hold spaces and parentheses, so the fields after the last ")"
// are read.
qint64 parentOf(const QString &pid) {
    const QByteArray stat = readProcFile(QStringLiteral("/proc/%1/stat").arg(pid));
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0)
        return -1;
    const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
    bool ok = false;
    const qint64 parent = fields.value(1).toLongLong(&ok);
    return ok ? parent : -1;
}

// The resident pages the process does not share with others (resident less
// shared, from statm): what a page's scripts and documents grow. Cheap to
// read, unlike smaps, whose cost grows with the process.
qint64 processBytes(qint64 pid) {
    const QList<QByteArray> statm =
        readProcFile(QStringLiteral("/proc/%1/statm").arg(pid)).split(' ');
    const qint64 pages = statm.value(1).toLongLong() - statm.value(2).toLongLong();
    return qMax<qint64>(0, pages) * sysconf(_SC_PAGESIZE);
}

} // namespace

QList<qint64> members(qint64 pid) {
    if (pid <= 0 || !QFile::exists(QStringLiteral("/proc/%1").arg(pid)))
        return {};
    QHash<qint64, QList<qint64>> children;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        bool numeric = false;
        const qint64 child = entry.toLongLong(&numeric);
        if (numeric)
            children[parentOf(entry)].append(child);
    }
    QList<qint64> tree{pid};
    for (qsizetype i = 0; i < tree.size(); ++i)
        tree += children.value(tree.at(i));
    return tree;
}

qint64 memoryBytes(qint64 pid) {
    qint64 total = 0;
    for (qint64 member : members(pid))
        total += processBytes(member);
    return total;
}

void signalAll(qint64 pid, int signal) {
    for (qint64 member : members(pid))
        ::kill(pid_t(member), signal);
}

} // namespace processtree
