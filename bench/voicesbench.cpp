// The recorder's window with 33 recordings of the user's own, each with a
// 250 MiB ID3v2 tag in front of its sound (a sparse file), beside the same
// window with the plain recordings: the time from start to the mapped window,
// and the longest time its thread was busy while it opened and while 试听 was
// pressed eight times. The window's thread is sampled every 5 ms
// (/proc/PID/task/PID/syscall): it is idle while it sits in poll or ppoll.
// Prints figures; asserts nothing.
#include "e2eenvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <thread>

namespace {

constexpr int kSampleMs = 5;
constexpr qint64 kTagBytes = 250LL << 20;
constexpr int kListens = 8;
const QString kTitle = QStringLiteral("^Tintoko 录音$");

// The system call the thread sits in, -1 when it runs in user space, -2 when gone.
int syscallOf(qint64 pid) {
    QFile file(QStringLiteral("/proc/%1/task/%1/syscall").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -2;
    bool ok = false;
    const int number = file.readAll().trimmed().split(' ').first().toInt(&ok);
    return ok ? number : -1;
}

// The longest run of samples of the window's thread outside poll while `during` runs.
int longestBusyMs(const std::function<qint64()> &pid, const std::function<void()> &during) {
    std::atomic<bool> sampling{true};
    int longest = 0;
    std::thread sampler([&] {
        int busy = 0;
        while (sampling) {
            const qint64 p = pid();
            const int call = p > 0 ? syscallOf(p) : 7;
            busy = call == 7 || call == 271 || call == -2 ? 0 : busy + 1;
            longest = std::max(longest, busy * kSampleMs);
            std::this_thread::sleep_for(std::chrono::milliseconds(kSampleMs));
        }
    });
    during();
    sampling = false;
    sampler.join();
    return longest;
}

// A recording with an ID3v2.4 tag of `tag` bytes in front: a header whose size
// says so, a hole, then the sound.
bool writeTagged(const QString &from, const QString &to, qint64 tag) {
    QFile in(from);
    QFile out(to);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    if (tag > 0) {
        QByteArray header("ID3\x04\x00\x00", 6);
        for (int shift = 21; shift >= 0; shift -= 7) // four 7-bit bytes
            header.append(char((tag >> shift) & 0x7f));
        out.write(header);
        out.seek(header.size() + tag);
    }
    return out.write(in.readAll()) > 0 && out.flush();
}

struct Run {
    qint64 mappedMs = -1;
    int openingBusyMs = 0;
    int listenBusyMs = 0;
};

bool measure(qint64 tag, Run &run) {
    E2eEnvironment env(E2eEnvironment::Part::AudioServer);
    const QString program = env.start() ? env.copyProgramDir() : QString();
    if (program.isEmpty())
        return std::fprintf(stderr, "%s\n", qPrintable(env.errorString())), false;
    const QString own =
        env.environment().value(QStringLiteral("XDG_DATA_HOME")) + QStringLiteral("/tintoko/声音");
    QDir().mkpath(own);
    for (const QString &name : QDir(program + QStringLiteral("/声音")).entryList(QDir::Files)) {
        if (!writeTagged(program + QStringLiteral("/声音/") + name, own + '/' + name, tag))
            return std::fprintf(stderr, "cannot write %s\n", qPrintable(name)), false;
    }

    QElapsedTimer clock;
    std::atomic<qint64> started{0};
    const auto pid = [&] { return started.load(); };
    quint64 window = 0;
    run.openingBusyMs = longestBusyMs(pid, [&] {
        clock.start();
        if (env.startCommand(program + QStringLiteral("/tintoko-voices"), {}, env.environment(),
                             program))
            started = env.program()->processId();
        while (window == 0 && clock.elapsed() < 30000) {
            const QList<quint64> ids = env.visibleWindows(kTitle);
            window = ids.isEmpty() ? 0 : ids.first();
        }
        run.mappedMs = clock.elapsed();
        QThread::msleep(3000); // the rows are checked meanwhile
    });
    if (window == 0)
        return std::fprintf(stderr, "no window\n%s", qPrintable(env.programOutput())), false;
    // The focus is on the first row's 录音; Tab reaches its 试听.
    env.key(QStringLiteral("Tab"), window);
    run.listenBusyMs = longestBusyMs(pid, [&] {
        for (int k = 0; k < kListens; ++k) {
            env.key(QStringLiteral("space"));
            QThread::msleep(300);
        }
        QThread::msleep(1000);
    });
    return env.programRunning();
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    Run plain;
    Run tagged;
    if (!measure(0, plain) || !measure(kTagBytes, tagged))
        return 1;
    std::printf("recorder window, 33 recordings of the user's own:\n");
    for (const auto &[what, run] : {std::pair{"plain", plain}, std::pair{"250 MiB tags", tagged}}) {
        std::printf("  %-13s mapped after %lld ms (goal: 500 ms); window thread busy at most "
                    "%d ms while opening, %d ms over %d presses of 试听 (goal: 50 ms)\n",
                    what, run.mappedMs, run.openingBusyMs, run.listenBusyMs, kListens);
    }
    return 0;
}
