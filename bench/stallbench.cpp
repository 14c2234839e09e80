// The window's thread while the sound server is stopped: the server gets
// SIGSTOP for 5 s while buttons are clicked, and the window's thread is
// sampled every 5 ms (/proc/PID/task/PID/syscall). It is idle while it sits in
// poll or ppoll; the longest run of samples elsewhere is the longest time it
// was busy. Prints figures; asserts nothing.
#include "e2eenvironment.h"
#include "mainwindowmap.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <atomic>
#include <cstdio>
#include <thread>

namespace {

constexpr int kSampleMs = 5;
constexpr int kStallMs = 5000;

// The system call the thread sits in, -1 when it runs in user space, -2 when gone.
int syscallOf(qint64 pid) {
    QFile file(QStringLiteral("/proc/%1/task/%1/syscall").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -2;
    const QByteArray text = file.readAll().trimmed();
    bool ok = false;
    const int number = text.split(' ').first().toInt(&ok);
    return ok ? number : -1;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    E2eEnvironment env(E2eEnvironment::Part::AudioServer);
    if (!env.start() || !env.startProgram())
        return std::fprintf(stderr, "%s\n", qPrintable(env.errorString())), 1;
    const quint64 window = env.waitForWindow(E2eEnvironment::kMainWindowTitle);
    const auto map = env.waitForMainWindowMap(window);
    if (!map)
        return std::fprintf(stderr, "no main window\n"), 1;
    const qint64 pid = env.program()->processId();
    env.click(map->buttonCentre(13)); // the sound library is loaded and connected

    std::atomic<bool> sampling{true};
    int longestBusy = 0;
    int samples = 0;
    std::thread sampler([&] {
        int busy = 0;
        while (sampling) {
            const int call = syscallOf(pid);
            const bool idle = call == 7 || call == 271; // poll, ppoll on x86-64
            busy = idle ? 0 : busy + 1;
            longestBusy = std::max(longestBusy, busy);
            ++samples;
            std::this_thread::sleep_for(std::chrono::milliseconds(kSampleMs));
        }
    });

    env.freezeAudioServer(true);
    QElapsedTimer stalled;
    stalled.start();
    int clicks = 0;
    while (stalled.elapsed() < kStallMs) {
        env.click(map->buttonCentre((clicks * 5 + 1) % 16));
        ++clicks;
    }
    env.freezeAudioServer(false);
    QThread::msleep(500);
    sampling = false;
    sampler.join();

    std::printf("sound server stopped for %d ms, %d clicks meanwhile, %d samples every %d ms\n",
                kStallMs, clicks, samples, kSampleMs);
    std::printf("longest time the window's thread was busy: about %d ms (goal: under 50 ms)\n",
                longestBusy * kSampleMs);
    std::printf("program still running: %s\n", env.programRunning() ? "yes" : "no");
    return 0;
}
