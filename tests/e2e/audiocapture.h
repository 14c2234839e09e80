#pragma once

#include <QList>
#include <QObject>
#include <QString>

class QProcess;

// Figures about a stretch of recorded sound (16-bit mono samples). A sample
// counts as sound when its magnitude exceeds the threshold of the analysis.
struct AudioAnalysis {
    int sampleRate = 22050;
    qint64 samples = 0;     // samples analysed
    double rms = 0;         // over all analysed samples, in sample units (full scale 32768)
    double soundRms = 0;    // over the stretch from the first to the last sound sample
    int peak = 0;           // largest magnitude
    qint64 firstSound = -1; // index of the first sound sample, -1 when all is silent
    qint64 lastSound = -1;  // index of the last sound sample, -1 when all is silent

    bool hasSound() const { return firstSound >= 0; }
    double firstSoundMs() const { return hasSound() ? 1000.0 * firstSound / sampleRate : -1; }
    // From the first to the last sound sample, pauses inside included.
    double soundLengthMs() const {
        return hasSound() ? 1000.0 * (lastSound - firstSound + 1) / sampleRate : 0;
    }
};

// What the null sink plays, recorded from its monitor by parec into a raw file
// (signed 16-bit little endian, mono, 22050 Hz), read back and analysed here.
// Once the recording runs, the monitor delivers samples in real time, silence
// included, so sample positions are times since the recording began; take
// sampleCount() as a mark before an action and analyse from that mark.
class AudioCapture final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AudioCapture)

public:
    static constexpr int kSampleRate = 22050;
    // Below this magnitude a sample is silence (about -54 dB full scale).
    static constexpr int kSilence = 64;

    // recorder is the running parec process (owned and stopped by its
    // creator), file the file it writes.
    AudioCapture(QProcess *recorder, QString file, QObject *parent = nullptr);
    ~AudioCapture() override;

    QString file() const { return m_file; }
    bool isRecording() const;
    // Samples recorded so far.
    qint64 sampleCount() const;
    double recordedMs() const { return 1000.0 * sampleCount() / kSampleRate; }
    // Recorded samples from index `from`, at most `count` of them (all with -1).
    QList<qint16> samples(qint64 from = 0, qint64 count = -1) const;
    AudioAnalysis analyse(qint64 from = 0, int threshold = kSilence) const;

    // Polls until sound appears after sample `from`; false after timeoutMs.
    bool waitForSound(qint64 from, int timeoutMs, int threshold = kSilence) const;
    // Polls until sound has appeared after `from` and been followed by quietMs
    // of silence, i.e. a clip has finished; false after timeoutMs.
    bool waitForSoundToEnd(qint64 from, int quietMs, int timeoutMs, int threshold = kSilence) const;
    // Writes the recording as a WAV file (to listen to a kept capture).
    bool saveWav(const QString &path) const;

    static AudioAnalysis analyse(const QList<qint16> &samples, int threshold = kSilence);

private:
    QProcess *m_recorder;
    QString m_file;
};
