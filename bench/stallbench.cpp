// The window's thread while the sound server is stopped: the server gets
// SIGSTOP for 5 s while buttons are clicked, and the window's thread is
// sampled every 5 ms (/proc/PID/task/PID/syscall). It is idle while it sits in
// poll or ppoll; the longest run of samples elsewhere is the longest time it
// was busy. Then the same while a recording with a 250 MiB ID3v2 tag in front
// is clicked, with the time the sound thread took to open it. Prints figures;
// asserts nothing.
#include "e2eenvironment.h"
#include "mainwindowmap.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <thread>

namespace {

constexpr int kSampleMs = 5;
constexpr int kStallMs = 5000;
constexpr qint64 kTagBytes = 250LL << 20;
constexpr int kTaggedClicks = 8;

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

struct Busy {
    int longestMs = 0;
    int samples = 0;
};

// Samples the window's thread while `during` runs.
Busy sampleWhile(qint64 pid, const std::function<void()> &during) {
    std::atomic<bool> sampling{true};
    Busy result;
    std::thread sampler([&] {
        int busy = 0;
        while (sampling) {
            const int call = syscallOf(pid);
            const bool idle = call == 7 || call == 271; // poll, ppoll on x86-64
            busy = idle ? 0 : busy + 1;
            result.longestMs = std::max(result.longestMs, busy * kSampleMs);
            ++result.samples;
            std::this_thread::sleep_for(std::chrono::milliseconds(kSampleMs));
        }
    });
    during();
    sampling = false;
    sampler.join();
    return result;
}

// The recording with an ID3v2.4 tag of kTagBytes in front: a header whose
// size says so, then nothing but padding.
bool writeTagged(const QString &from, const QString &to) {
    QFile in(from);
    QFile out(to);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QByteArray header("ID3\x04\x00\x00", 6);
    for (int shift = 21; shift >= 0; shift -= 7) // four 7-bit bytes
        header.append(char((kTagBytes >> shift) & 0x7f));
    out.write(header);
    const QByteArray padding(1 << 20, '\0');
    for (qint64 written = 0; written < kTagBytes; written += padding.size())
        out.write(padding);
    return out.write(in.readAll()) > 0 && out.flush();
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    E2eEnvironment env(E2eEnvironment::Part::AudioServer);
    QProcessEnvironment timing;
    timing.insert(QStringLiteral("QT_LOGGING_RULES"),
                  QStringLiteral("tintoko.sound.timing.debug=true"));
    const QString program = env.start() ? env.copyProgramDir() : QString();
    if (program.isEmpty() || !env.startProgram(program, timing))
        return std::fprintf(stderr, "%s\n", qPrintable(env.errorString())), 1;
    const quint64 window = env.waitForWindow(E2eEnvironment::kMainWindowTitle);
    const auto map = env.waitForMainWindowMap(window);
    if (!map)
        return std::fprintf(stderr, "no main window\n"), 1;
    const qint64 pid = env.program()->processId();
    env.click(map->buttonCentre(13)); // the sound library is loaded and connected

    int clicks = 0;
    const Busy stalled = sampleWhile(pid, [&] {
        env.freezeAudioServer(true);
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < kStallMs) {
            env.click(map->buttonCentre((clicks * 5 + 1) % 16));
            ++clicks;
        }
        env.freezeAudioServer(false);
        QThread::msleep(500);
    });
    std::printf("sound server stopped for %d ms, %d clicks meanwhile, %d samples every %d ms\n",
                kStallMs, clicks, stalled.samples, kSampleMs);
    std::printf("longest time the window's thread was busy: about %d ms (goal: under 50 ms)\n",
                stalled.longestMs);

    // Button 4 plays 红  色.mp3: from now on with the huge tag in front.
    const QString red = QStringLiteral("/声音/红  色.mp3");
    if (!writeTagged(E2eEnvironment::builtProgramDir() + red, program + red))
        return std::fprintf(stderr, "cannot write the tagged recording\n"), 1;
    const qsizetype logFrom = env.programOutput().size();
    const Busy tagged = sampleWhile(pid, [&] {
        for (int k = 0; k < kTaggedClicks; ++k)
            env.click(map->buttonCentre(4));
        QThread::msleep(1000);
    });
    QList<qint64> openUs;
    const QRegularExpression opened(QStringLiteral("event=opened .*result=0 decode_us=(\\d+)"));
    for (auto m = opened.globalMatch(env.programOutput().mid(logFrom)); m.hasNext();)
        openUs << m.next().captured(1).toLongLong();
    std::sort(openUs.begin(), openUs.end());
    std::printf("recording with a %lld MiB tag in front, %d clicks: longest time the window's "
                "thread was busy: about %d ms; opening it took a median %.1f ms (%d opens)\n",
                kTagBytes >> 20, kTaggedClicks, tagged.longestMs,
                openUs.isEmpty() ? 0.0 : double(openUs.at(openUs.size() / 2)) / 1000,
                int(openUs.size()));
    std::printf("program still running: %s\n", env.programRunning() ? "yes" : "no");
    return 0;
}
