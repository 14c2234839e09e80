#pragma once

#include "mp3decoder.h"
#include "soundplayer.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QByteArray>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

class QAudioSink;
class QIODevice;

// The program's one MP3 player. Open decodes the whole file with libmpg123;
// Play pushes the samples to the default audio output through a QAudioSink.
//
// Latency: Play writes the first buffer's worth of samples into the output
// before it returns, and a short timer tops the buffer up for the rest of the
// recording. (A pull-mode sink would take its first samples only on its own
// first timer tick, 20 ms later.) The sink is kept while the format and the
// default output stay the same.
//
// State is 0 when nothing plays, PlayingOnOutput while the output plays the
// recording, and PlayingSilently while a recording "plays" without any audio
// output (no audio server, or it failed): then the recording's length is timed
// instead, so that callers see the same sequence of states everywhere.
class Mp3Play final : public SoundPlayer {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Mp3Play)

public:
    static constexpr qint32 Idle = 0;
    static constexpr qint32 PlayingOnOutput = 1;
    static constexpr qint32 PlayingSilently = 2;

    explicit Mp3Play(QObject *parent = nullptr);
    ~Mp3Play() override;

    void Stop() override;
    [[nodiscard]] qint32 State() override;
    // Stops what plays, then decodes path. 0 when it decoded, else the
    // non-zero Mp3Decoder::Result; after a failure Play plays nothing.
    qint16 Open(const QString &path, const QString &options) override;
    void Play() override;

    // Length of the recording opened last, 0 when none.
    [[nodiscard]] qint64 durationMs() const { return m_audio.durationMs(); }

private:
    void setState(qint32 state);
    bool startOutput();
    void feed();
    void onSinkStateChanged();
    void finish();
    void playSilently(qint64 ms);
    void releaseOutput();

    Mp3Decoder::Audio m_audio;
    qint32 m_state = Idle;

    QPointer<QAudioSink> m_sink;
    QAudioDevice m_sinkDevice;
    QAudioFormat m_sinkFormat;
    QIODevice *m_output = nullptr; // owned by m_sink while it plays
    qint64 m_written = 0;          // bytes of m_audio.pcm handed to the output
    qint64 m_sinceStart = 0;       // bytes written since the stream last (re)started
    bool m_tailDone = false;       // every sample (and any padding) is written
    bool m_firstPcmLogged = false;

    QElapsedTimer m_playClock;
    QTimer m_feedTimer;
    QTimer m_endTimer;     // end of a silent play, or giving up on the output
    QTimer m_releaseTimer; // closes the stream after a play has ended
};
