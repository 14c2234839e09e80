// Click-to-sound latency, measured two ways in one run on a private X server
// and PulseAudio null sink (the e2e set-up):
//   - the program's own part: from the click reaching the program to the
//     first samples accepted by the audio output, from the timestamps the
//     program logs under "tintoko.sound.timing";
//   - end to end: from sending the click to the first sound at the sink's
//     monitor, beside the same figure for the audio server alone (the same
//     decoded recording played with paplay from its start).
// Prints figures; asserts nothing.
#include "audiocapture.h"
#include "colourtable.h"
#include "e2eenvironment.h"
#include "mainwindowmap.h"
#include "mp3decoder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>

namespace {

void printStats(const char *label, QList<double> values) {
    if (values.isEmpty()) {
        std::printf("%-34s no samples\n", label);
        return;
    }
    std::sort(values.begin(), values.end());
    const double median = values.size() % 2
                              ? values[values.size() / 2]
                              : (values[values.size() / 2 - 1] + values[values.size() / 2]) / 2;
    std::printf("%-34s n=%2lld  min %7.2f  median %7.2f  max %7.2f ms\n", label,
                static_cast<long long>(values.size()), values.first(), median, values.last());
}

double median(QList<double> values) {
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[values.size() / 2];
}

bool writeWav(const QString &path, const Mp3Decoder::Audio &audio) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    const quint32 dataBytes = static_cast<quint32>(audio.pcm.size());
    const auto channels = static_cast<quint16>(audio.channels);
    const auto rate = static_cast<quint32>(audio.sampleRate);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + dataBytes);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << channels << rate << quint32(rate * channels * 2)
        << quint16(channels * 2) << quint16(16);
    out.writeRawData("data", 4);
    out << dataBytes;
    out.writeRawData(audio.pcm.constData(), static_cast<int>(audio.pcm.size()));
    return out.status() == QDataStream::Ok;
}

// Sends the sound to the sink and returns the ms from `start()` until the first
// sound sample arrives from the sink's monitor, or -1. Arrival is timed on this
// side (the recorder runs with 20 ms latency and the file is polled every
// millisecond), since positions in the recording do not map onto wall time:
// the monitor pauses while nothing plays.
// The monotonic clock, as the program's timing log writes it (steady_ns).
qint64 steadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

template <typename Start>
double timeToSound(E2eEnvironment &env, Start start, qint64 *arrivalNs = nullptr) {
    AudioCapture *capture = env.audioCapture();
    qint64 checked = capture->sampleCount();
    const qint64 mark = checked;
    QElapsedTimer timer;
    timer.start();
    if (!start())
        return -1;
    double arrival = -1;
    while (timer.elapsed() < 10000) {
        const qint64 now = capture->sampleCount();
        if (now > checked && capture->analyse(checked, AudioCapture::kSilence).hasSound()) {
            arrival = double(timer.nsecsElapsed()) / 1e6;
            if (arrivalNs != nullptr)
                *arrivalNs = steadyNs();
            break;
        }
        checked = now;
        QThread::msleep(1);
    }
    capture->waitForSoundToEnd(mark, 300, 10000);
    return arrival;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 15;

    E2eEnvironment env(E2eEnvironment::Part::AudioServer);
    if (!env.start() || env.startAudioCapture() == nullptr) {
        std::fprintf(stderr, "set-up failed: %s\n", qPrintable(env.errorString()));
        return 1;
    }
    QProcessEnvironment extra;
    extra.insert(QStringLiteral("QT_LOGGING_RULES"),
                 QStringLiteral("tintoko.sound.timing.debug=true"));
    if (!env.startProgram({}, extra)) {
        std::fprintf(stderr, "%s\n", qPrintable(env.errorString()));
        return 1;
    }
    const quint64 window = env.waitForWindow(E2eEnvironment::kMainWindowTitle);
    const std::optional<MainWindowMap> map = env.waitForMainWindowMap(window);
    if (!map) {
        std::fprintf(stderr, "main window not found\n%s\n", qPrintable(env.programOutput()));
        return 1;
    }

    // The first play loads the sound library and connects: shown apart, not counted.
    const double warmUp = timeToSound(env, [&] { return env.click(map->buttonCentre(15)); });

    QList<double> program;
    QList<double> endToEnd;
    QList<qint64> arrivals;
    QList<double> serverAlone;
    QList<double> serverAloneLowLatency;
    QList<int> buttons;
    for (int i = 0; i < runs; ++i) {
        const int button = (i * 7 + 3) % 16;
        buttons << button;
        // A button acts on the release: the press comes first, untimed
        // (xdotool's own click holds the button down for 100 ms).
        const QPoint at = map->buttonCentre(button);
        env.run(QStringLiteral("xdotool"),
                {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                 QStringLiteral("mousedown"), QStringLiteral("1")});
        endToEnd << timeToSound(env, [&] {
            return env.run(QStringLiteral("xdotool"),
                           {QStringLiteral("mouseup"), QStringLiteral("1")}) == 0;
        });
    }

    // The floor: a stream that is already open, with a 20 ms buffer, is
    // handed the same decoded samples.
    QProcess floorStream;
    floorStream.setProcessEnvironment(env.environment());
    QList<double> floor;
    QList<Mp3Decoder::Audio> decoded;

    // The server alone: the same recordings, decoded, played by paplay.
    const QString folder = E2eEnvironment::builtProgramDir() + QStringLiteral("/声音/");
    for (int i = 0; i < runs; ++i) {
        const int button = buttons.at(i);
        const QString name = colourtable::names().at(static_cast<std::size_t>(button));
        Mp3Decoder::Audio audio;
        const QString wav = env.workDir() + QStringLiteral("/%1.wav").arg(button);
        if (Mp3Decoder::decode(folder + name + QStringLiteral(".mp3"), audio) !=
                Mp3Decoder::Result::Ok ||
            !writeWav(wav, audio)) {
            std::fprintf(stderr, "cannot decode %s\n", qPrintable(name));
            return 1;
        }
        decoded << audio;
        serverAlone << timeToSound(
            env, [&] { return env.run(QStringLiteral("paplay"), {wav}, nullptr, 15000) == 0; });
        serverAloneLowLatency << timeToSound(env, [&] {
            return env.run(QStringLiteral("paplay"), {QStringLiteral("--latency-msec=20"), wav},
                           nullptr, 15000) == 0;
        });
    }

    if (!decoded.isEmpty()) {
        floorStream.start(QStringLiteral("pacat"),
                          {QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                           QStringLiteral("--rate=%1").arg(decoded.first().sampleRate),
                           QStringLiteral("--channels=%1").arg(decoded.first().channels),
                           QStringLiteral("--latency-msec=20")});
        floorStream.waitForStarted();
        // Open and played once before timing.
        timeToSound(env, [&] { return floorStream.write(decoded.first().pcm) > 0; });
        for (const Mp3Decoder::Audio &audio : decoded) {
            floor << timeToSound(env, [&] {
                const bool ok = floorStream.write(audio.pcm) > 0;
                floorStream.waitForBytesWritten(100);
                return ok;
            });
        }
        floorStream.closeWriteChannel();
        floorStream.waitForFinished(5000);
    }

    // The program's own part, from its log: each click, then the first
    // samples the output accepted for it.
    const QRegularExpression line(QStringLiteral("event=(\\S+) steady_ns=(\\d+)"));
    qint64 clickAt = -1;
    bool first = true;
    QList<qint64> clicks;
    const QStringList log = env.programOutput().split(QLatin1Char('\n'));
    for (const QString &text : log) {
        const QRegularExpressionMatch m = line.match(text);
        if (!m.hasMatch())
            continue;
        const qint64 at = m.captured(2).toLongLong();
        if (m.captured(1) == QLatin1String("click")) {
            clickAt = at;
            // End to end: from the click reaching the program to the sound.
            if (!clicks.isEmpty() || !first)
                clicks << at;
            else
                clicks << -1; // the warm-up click
        } else if (m.captured(1) == QLatin1String("first-pcm") && clickAt >= 0) {
            if (!first) // the warm-up click
                program << double(at - clickAt) / 1e6;
            first = false;
            clickAt = -1;
        }
    }

    for (qsizetype i = 1; i < clicks.size() && i - 1 < arrivals.size(); ++i) {
        if (arrivals.at(i - 1) > 0)
            endToEnd << double(arrivals.at(i - 1) - clicks.at(i)) / 1e6;
    }

    std::printf("click to sound, %d clicks on different buttons (warm-up click apart: %.1f ms "
                "end to end)\n",
                runs, warmUp);
    printStats("program: click -> first PCM accepted", program);
    printStats("end to end: click -> sound arrives", endToEnd);
    printStats("server alone: paplay -> sound", serverAlone);
    printStats("server alone: paplay, 20 ms latency", serverAloneLowLatency);
    printStats("floor: open 20 ms stream -> sound", floor);
    std::printf("end to end / floor (medians): %.2f (goal: at most 1.5); program's own part "
                "median goal: under 10 ms\n",
                median(endToEnd) / median(floor));
    return 0;
}
