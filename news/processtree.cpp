#include "processtree.h"

#include <QByteArray>

#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

namespace processtree {

namespace {

// A small file of /proc, read with plain system calls: a check runs often
// on the window's thread and must stay cheap.
QByteArray readProcFile(const QByteArray &path) {
    QByteArray text;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return text;
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n <= 0)
            break;
        text.append(chunk, n);
    }
    ::close(fd);
    return text;
}

QByteArray procPath(qint64 pid) {
    return "/proc/" + QByteArray::number(pid);
}

// The children of every thread of the process (a child belongs to the
// thread that started it), from /proc/<pid>/task/<tid>/children.
QList<qint64> childrenOf(qint64 pid) {
    QList<qint64> children;
    const QByteArray tasks = procPath(pid) + "/task";
    DIR *dir = ::opendir(tasks.constData());
    if (dir == nullptr)
        return children;
    while (const dirent *entry = ::readdir(dir)) {
        bool numeric = false;
        QByteArray(entry->d_name).toLongLong(&numeric);
        if (!numeric)
            continue;
        const QByteArray list = readProcFile(tasks + '/' + entry->d_name + "/children");
        for (const QByteArray &field : list.split(' ')) {
            bool ok = false;
            const qint64 child = field.toLongLong(&ok);
            if (ok)
                children << child;
        }
    }
    ::closedir(dir);
    return children;
}

// The resident pages the process does not share with others (resident less
// shared, from statm): what a page's scripts and documents grow. Cheap to
// read, unlike smaps, whose cost grows with the process.
qint64 processBytes(qint64 pid) {
    const QList<QByteArray> statm = readProcFile(procPath(pid) + "/statm").split(' ');
    const qint64 pages = statm.value(1).toLongLong() - statm.value(2).toLongLong();
    return qMax<qint64>(0, pages) * sysconf(_SC_PAGESIZE);
}

} // namespace

QList<qint64> members(qint64 pid) {
    if (pid <= 0 || ::access(procPath(pid).constData(), F_OK) != 0)
        return {};
    // Following the tree down from pid reads a few files for each of its
    // own processes, however many others the machine runs.
    QList<qint64> tree{pid};
    QList<qint64> unread{pid};
    while (!unread.isEmpty()) {
        for (qint64 child : childrenOf(unread.takeFirst())) {
            if (tree.contains(child))
                continue;
            tree << child;
            unread << child;
        }
    }
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
