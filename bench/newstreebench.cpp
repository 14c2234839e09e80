// What a memory check of the news viewer costs the program's window thread on
// a machine that runs many processes: processtree::memoryBytes() on a tree
// shaped like the viewer's (a viewer with threads, three engine processes
// under it, one of them with a child), beside a check that reads every
// process in /proc, with N other processes running. Prints figures; asserts
// nothing. Usage: tintoko_news_tree_bench [other processes] [checks]
#include "processtree.h"

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QList>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <functional>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// A process that waits until it is killed; with threads, as the engine's
// processes have them.
pid_t idleChild(int threads, const std::function<void()> &inChild = {}) {
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (inChild)
        inChild();
    std::vector<std::thread> pool;
    for (int i = 0; i < threads; ++i)
        pool.emplace_back([] { ::pause(); });
    ::pause();
    ::_exit(0);
}

// The check as it was: every process in /proc, then the tree from the parents.
qint64 scanAllBytes(qint64 pid) {
    QHash<qint64, QList<qint64>> children;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        bool numeric = false;
        const qint64 child = entry.toLongLong(&numeric);
        if (!numeric)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            continue;
        const QByteArray text = stat.read(4096);
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        children[fields.value(1).toLongLong()].append(child);
    }
    QList<qint64> tree{pid};
    for (qsizetype i = 0; i < tree.size(); ++i)
        tree += children.value(tree.at(i));
    qint64 total = 0;
    for (qint64 member : tree) {
        QFile statm(QStringLiteral("/proc/%1/statm").arg(member));
        if (statm.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
            const QList<QByteArray> f = statm.read(256).split(' ');
            total += (f.value(1).toLongLong() - f.value(2).toLongLong()) * sysconf(_SC_PAGESIZE);
        }
    }
    return total;
}

struct Figures {
    double median = 0;
    double worst = 0;
};

Figures measure(int checks, const std::function<qint64()> &check) {
    QList<double> ms;
    for (int i = 0; i < checks; ++i) {
        QElapsedTimer timer;
        timer.start();
        check();
        ms << double(timer.nsecsElapsed()) / 1e6;
    }
    std::sort(ms.begin(), ms.end());
    return {ms.at(ms.size() / 2), ms.last()};
}

} // namespace

int main(int argc, char *argv[]) {
    const int others = argc > 1 ? QByteArray(argv[1]).toInt() : 4000;
    const int checks = argc > 2 ? QByteArray(argv[2]).toInt() : 200;

    std::vector<pid_t> started;
    for (int i = 0; i < others; ++i) {
        const pid_t pid = idleChild(0);
        if (pid < 0)
            break;
        started.push_back(pid);
    }
    // The viewer: 30 threads; under it two engine processes with 10
    // threads and one with a child of its own.
    const pid_t viewer = idleChild(30, [] {
        idleChild(10);
        idleChild(10);
        idleChild(2, [] { idleChild(12); });
    });
    started.push_back(viewer);
    while (processtree::members(viewer).size() < 5)
        ::usleep(10000);

    const int processes = int(QDir(QStringLiteral("/proc")).entryList(QDir::Dirs).size());
    const Figures tree = measure(checks, [&] { return processtree::memoryBytes(viewer); });
    const Figures all = measure(std::min(checks, 20), [&] { return scanAllBytes(viewer); });
    std::printf("news viewer memory check, %d processes on the machine, %lld in the tree:\n",
                processes, static_cast<long long>(processtree::members(viewer).size()));
    std::printf("  following the tree (task/*/children)   median %7.3f ms, worst %7.3f ms\n",
                tree.median, tree.worst);
    std::printf("  reading every process in /proc         median %7.3f ms, worst %7.3f ms\n",
                all.median, all.worst);

    for (pid_t pid : started)
        ::kill(pid, SIGKILL);
    while (::wait(nullptr) > 0) {
    }
    return 0;
}
