#include "audiocapture.h"

#include "e2eenvironment.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtEndian>

#include <cmath>
#include <cstdlib>
#include <utility>

AudioCapture::AudioCapture(QProcess *recorder, QString file, QObject *parent)
    : QObject(parent)
    , m_recorder(recorder)
    , m_file(std::move(file)) {}

AudioCapture::~AudioCapture() = default;

bool AudioCapture::isRecording() const {
    return m_recorder != nullptr && m_recorder->state() == QProcess::Running;
}

qint64 AudioCapture::sampleCount() const {
    return QFileInfo(m_file).size() / 2;
}

QList<qint16> AudioCapture::samples(qint64 from, qint64 count) const {
    QList<qint16> result;
    QFile f(m_file);
    if (from < 0 || !f.open(QIODevice::ReadOnly) || !f.seek(from * 2))
        return result;
    const QByteArray raw = count < 0 ? f.readAll() : f.read(count * 2);
    const qsizetype n = raw.size() / 2;
    result.resize(n);
    for (qsizetype i = 0; i < n; ++i)
        result[i] = qFromLittleEndian<qint16>(raw.constData() + 2 * i);
    return result;
}

AudioAnalysis AudioCapture::analyse(qint64 from, int threshold) const {
    return analyse(samples(from), threshold);
}

AudioAnalysis AudioCapture::analyse(const QList<qint16> &samples, int threshold) {
    AudioAnalysis a;
    a.sampleRate = kSampleRate;
    a.samples = samples.size();
    double sum = 0;
    for (qsizetype i = 0; i < samples.size(); ++i) {
        const int v = samples[i];
        const int mag = std::abs(v);
        sum += double(v) * v;
        a.peak = std::max(a.peak, mag);
        if (mag > threshold) {
            if (a.firstSound < 0)
                a.firstSound = i;
            a.lastSound = i;
        }
    }
    if (a.samples > 0)
        a.rms = std::sqrt(sum / double(a.samples));
    if (a.hasSound()) {
        double soundSum = 0;
        for (qint64 i = a.firstSound; i <= a.lastSound; ++i)
            soundSum += double(samples[i]) * samples[i];
        a.soundRms = std::sqrt(soundSum / double(a.lastSound - a.firstSound + 1));
    }
    return a;
}

bool AudioCapture::waitForSound(qint64 from, int timeoutMs, int threshold) const {
    // Only the part recorded since the previous poll needs a look.
    qint64 checked = from;
    return E2eEnvironment::waitFor(
        [&] {
            const QList<qint16> fresh = samples(checked);
            checked += fresh.size();
            for (qint16 s : fresh) {
                if (std::abs(int(s)) > threshold)
                    return true;
            }
            return false;
        },
        timeoutMs, 50);
}

bool AudioCapture::waitForSoundToEnd(qint64 from, int quietMs, int timeoutMs, int threshold) const {
    const qint64 quietSamples = qint64(quietMs) * kSampleRate / 1000;
    return E2eEnvironment::waitFor(
        [&] {
            const AudioAnalysis a = analyse(from, threshold);
            return a.hasSound() && a.samples - 1 - a.lastSound >= quietSamples;
        },
        timeoutMs, 50);
}

bool AudioCapture::saveWav(const QString &path) const {
    QFile in(m_file);
    QFile out(path);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly))
        return false;
    const QByteArray data = in.readAll();
    const auto le32 = [](quint32 v) {
        QByteArray b(4, '\0');
        qToLittleEndian(v, b.data());
        return b;
    };
    const auto le16 = [](quint16 v) {
        QByteArray b(2, '\0');
        qToLittleEndian(v, b.data());
        return b;
    };
    QByteArray header;
    header += "RIFF" + le32(quint32(36 + data.size())) + "WAVE";
    header += "fmt " + le32(16) + le16(1) + le16(1) + le32(kSampleRate) + le32(kSampleRate * 2) +
              le16(2) + le16(16);
    header += "data" + le32(quint32(data.size()));
    return out.write(header) == header.size() && out.write(data) == data.size();
}
