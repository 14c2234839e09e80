// Pages that allocate memory as fast as they can, in the real news window on
// a private desktop: how far each gets before the program ends the viewer.
// For each probe page it prints the most memory the viewer's processes held
// for themselves (what the program counts: resident, not shared) and in all
// (resident), sampled every few milliseconds, and whether the viewer was
// ended. Prints figures; asserts nothing. Usage: tintoko_news_memory_bench
#include "e2eenvironment.h"
#include "mainwindowmap.h"
#include "newsserver.h"
#include "processtree.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

struct Probe {
    const char *name;
    const char *script;
};

// Each keeps what it made, one step after another, until it is stopped.
const Probe kProbes[] = {
    {"ArrayBuffers, 512 MiB a step",
     "var keep = []; function step() { var b = new ArrayBuffer(512 * 1048576);"
     " new Uint8Array(b).fill(1); keep.push(b); setTimeout(step, 0); } step();"},
    {"SharedArrayBuffers, 512 MiB a step",
     "var keep = []; var Made = typeof SharedArrayBuffer == 'function' ? SharedArrayBuffer :"
     " ArrayBuffer; document.title = Made.name; function step() { var b = new Made(512 * 1048576);"
     " new Uint8Array(b).fill(1); keep.push(b); setTimeout(step, 0); } step();"},
    {"Blobs, 64 MiB a step",
     "var keep = []; function step() { var a = new Uint8Array(64 * 1048576); a.fill(1);"
     " keep.push(new Blob([a])); setTimeout(step, 0); } step();"},
    {"canvases, 4096 x 4096 a step",
     "var keep = []; function step() { var c = document.createElement('canvas'); c.width = 4096;"
     " c.height = 4096; var g = c.getContext('2d'); g.fillStyle = '#' + (keep.length % 9) + '3c';"
     " g.fillRect(0, 0, 4096, 4096); g.getImageData(0, 0, 1, 1); keep.push(c);"
     " setTimeout(step, 0); } step();"},
};

// Resident memory of a process, in bytes (statm's second field).
qint64 residentBytes(qint64 pid) {
    QFile statm(QStringLiteral("/proc/%1/statm").arg(pid));
    if (!statm.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return 0;
    return statm.read(256).split(' ').value(1).toLongLong() * sysconf(_SC_PAGESIZE);
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    NewsServer server;
    if (!server.start())
        return 1;
    std::printf("news viewer against pages that allocate fast (ceiling 768 MiB):\n");
    for (const Probe &probe : kProbes) {
        server.setPage(QStringLiteral("/rjshengji/gg_tan.htm"),
                       QByteArray("<html><body style=\"background:#33cc33\"><script>") +
                           probe.script + "</script></body></html>");
        E2eEnvironment env(E2eEnvironment::Part::WindowManager);
        if (!env.start())
            return std::fprintf(stderr, "%s\n", qPrintable(env.errorString())), 1;
        QProcessEnvironment extra;
        extra.insert(QStringLiteral("TINTOKO_TEST_NEWS_SERVER"), server.address());
        quint64 window = 0;
        if (!env.startMainWindow(&window, {}, extra))
            return std::fprintf(stderr, "%s\n", qPrintable(env.errorString())), 1;
        const qint64 program = env.program()->processId();
        if (!env.chooseMenuEntry(window, QStringLiteral("alt+h"), QStringLiteral("w")))
            return 1;
        const auto viewer = [&] {
            QList<qint64> members = processtree::members(program);
            if (!members.isEmpty())
                members.removeFirst();
            return members;
        };
        E2eEnvironment::waitFor([&] { return !viewer().isEmpty(); }, 30000, 5);
        qint64 ownMost = 0;
        qint64 residentMost = 0;
        QElapsedTimer clock;
        clock.start();
        const bool ended = E2eEnvironment::waitFor(
            [&] {
                const QList<qint64> members = viewer();
                // The viewer's tree, counted as the program counts it.
                const qint64 own =
                    members.isEmpty() ? 0 : processtree::memoryBytes(members.first());
                qint64 resident = 0;
                for (qint64 pid : members)
                    resident += residentBytes(pid);
                ownMost = std::max(ownMost, own);
                residentMost = std::max(residentMost, resident);
                return members.isEmpty();
            },
            60000, 5);
        std::printf("  %-36s not shared %5lld MiB, resident %5lld MiB, %s after %.1f s\n",
                    probe.name, static_cast<long long>(ownMost >> 20),
                    static_cast<long long>(residentMost >> 20), ended ? "ended" : "NOT ended",
                    double(clock.elapsed()) / 1000);
    }
    return 0;
}
