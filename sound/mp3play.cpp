#include "mp3play.h"

#include "soundtiming.h"

#include <QAudioSink>
#include <QMediaDevices>

namespace {

// How often the output buffer is topped up while a recording plays. The
// output buffers about 150 ms, so this leaves plenty of slack.
constexpr int FeedIntervalMs = 20;

// An output that never reports the end of a recording is given up this long
// after the recording should have ended. Audio servers may take a second or
// more before they start a new stream.
constexpr qint64 EndMarginMs = 5000;

} // namespace

Mp3Play::Mp3Play(QObject *parent)
    : SoundPlayer(parent) {
    m_feedTimer.setInterval(FeedIntervalMs);
    connect(&m_feedTimer, &QTimer::timeout, this, &Mp3Play::feed);
    m_endTimer.setSingleShot(true);
    m_endTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_endTimer, &QTimer::timeout, this, &Mp3Play::finish);
    m_releaseTimer.setSingleShot(true);
    m_releaseTimer.setInterval(0);
    connect(&m_releaseTimer, &QTimer::timeout, this, &Mp3Play::releaseOutput);
}

Mp3Play::~Mp3Play() {
    Stop();
}

void Mp3Play::Stop() {
    m_feedTimer.stop();
    m_endTimer.stop();
    m_releaseTimer.stop();
    m_output = nullptr;
    setState(Idle);
    releaseOutput();
}

qint32 Mp3Play::State() {
    return m_state;
}

qint16 Mp3Play::Open(const QString &path, const QString &options) {
    Q_UNUSED(options)
    if (lcSoundTiming().isDebugEnabled())
        SoundTiming::log("open", QStringLiteral(" path=\"%1\"").arg(path));

    // One recording at a time: a new file ends the one that plays.
    Stop();
    QElapsedTimer decodeClock;
    decodeClock.start();
    const Mp3Decoder::Result result = Mp3Decoder::decode(path, m_audio);

    if (lcSoundTiming().isDebugEnabled()) {
        SoundTiming::log("opened", QStringLiteral(" result=%1 decode_us=%2 ms=%3")
                                       .arg(int(result))
                                       .arg(decodeClock.nsecsElapsed() / 1000)
                                       .arg(m_audio.durationMs()));
    }
    return qint16(result);
}

void Mp3Play::Play() {
    SoundTiming::log("play");
    // Play always starts the recording from its beginning.
    Stop();
    if (m_audio.pcm.isEmpty())
        return;

    m_playClock.start();
    if (!startOutput()) {
        playSilently(m_audio.durationMs());
        return;
    }
    setState(PlayingOnOutput);
    m_endTimer.start(int(m_audio.durationMs() + EndMarginMs));
    feed();
    if (!m_tailDone)
        m_feedTimer.start();
}

void Mp3Play::setState(qint32 state) {
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged(state);
}

// Starts a push-mode stream on the default output, re-using the sink while the
// output and the format stay the same. False when there is no usable output.
bool Mp3Play::startOutput() {
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return false;

    QAudioFormat format;
    format.setSampleRate(m_audio.sampleRate);
    format.setChannelCount(m_audio.channels);
    format.setSampleFormat(QAudioFormat::Int16);

    if (!m_sink || device != m_sinkDevice || format != m_sinkFormat) {
        if (m_sink) {
            m_sink->disconnect(this);
            m_sink->stop();
            // Not deleted here: a sink's destructor may process events.
            m_sink->deleteLater();
        }
        m_sink = new QAudioSink(device, format, this);
        m_sinkDevice = device;
        m_sinkFormat = format;
        connect(m_sink, &QAudioSink::stateChanged, this, &Mp3Play::onSinkStateChanged);
    }

    m_written = 0;
    m_sinceStart = 0;
    m_tailDone = false;
    m_firstPcmLogged = false;
    // Without an audio server the sink is already stopped with an error when
    // start() returns, and says so by no signal.
    QIODevice *output = m_sink->start();
    if (!output || m_sink->state() == QAudio::StoppedState)
        return false;
    m_output = output;
    return true;
}

// Writes as much of the recording as the output takes now; after the last
// sample, pads with silence where the output would otherwise never start.
void Mp3Play::feed() {
    if (!m_output || !m_sink)
        return;
    const qint64 total = m_audio.pcm.size();
    qint64 free = m_sink->bytesFree();

    if (m_written < total && free > 0) {
        const qint64 written =
            m_output->write(m_audio.pcm.constData() + m_written, qMin(free, total - m_written));
        if (written > 0) {
            if (!m_firstPcmLogged) {
                m_firstPcmLogged = true;
                if (lcSoundTiming().isDebugEnabled())
                    SoundTiming::log("first-pcm", QStringLiteral(" bytes=%1").arg(written));
            }
            m_written += written;
            m_sinceStart += written;
            free -= written;
        }
    }
    if (m_written < total || m_tailDone)
        return;

    // An output stream starts playing once it holds its prebuffer, which is at
    // most one buffer. A recording shorter than that, or a last part written
    // after the stream ran dry, would never be heard and never end.
    const qint64 frameBytes = qint64(m_audio.channels) * 2;
    qint64 missing = m_sink->bufferSize() - m_sinceStart;
    if (missing > 0) {
        missing = (missing + frameBytes - 1) / frameBytes * frameBytes;
        if (free < missing)
            return; // next tick
        const QByteArray silence(qsizetype(missing), '\0');
        const qint64 written = m_output->write(silence);
        if (written > 0)
            m_sinceStart += written;
    }
    m_tailDone = true;
    m_feedTimer.stop();
}

void Mp3Play::onSinkStateChanged() {
    if (m_state != PlayingOnOutput || !m_sink)
        return;
    switch (m_sink->state()) {
    case QAudio::IdleState:
        if (m_tailDone) {
            finish();
        } else {
            // The stream ran dry before the end (the event loop was held up):
            // it restarts with a fresh prebuffer.
            m_sinceStart = 0;
            feed();
        }
        break;
    case QAudio::StoppedState:
        if (m_sink->error() != QAudio::NoError) {
            // The output failed part-way, e.g. the audio server went away.
            m_feedTimer.stop();
            m_output = nullptr;
            playSilently(qMax<qint64>(0, m_audio.durationMs() - m_playClock.elapsed()));
        }
        break;
    default:
        break;
    }
}

// The recording has played to its end (or its time is up).
void Mp3Play::finish() {
    m_feedTimer.stop();
    m_endTimer.stop();
    m_output = nullptr;
    setState(Idle);
    // Close the stream so that the audio server can let the device rest, but
    // not from inside the sink's own signal.
    m_releaseTimer.start();
}

void Mp3Play::playSilently(qint64 ms) {
    if (lcSoundTiming().isDebugEnabled())
        SoundTiming::log("no-output", QStringLiteral(" ms=%1").arg(ms));
    setState(PlayingSilently);
    m_endTimer.start(int(ms));
}

void Mp3Play::releaseOutput() {
    if (m_sink && m_sink->state() != QAudio::StoppedState)
        m_sink->stop();
}
