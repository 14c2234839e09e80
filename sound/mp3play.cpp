#include "mp3play.h"

#include "mp3decoder.h"
#include "soundthread.h"
#include "soundtiming.h"

#include <QElapsedTimer>
#include <QPointer>

#include <utility>

Mp3Play::Mp3Play(QObject *parent)
    : SoundPlayer(parent) {
    // The sound thread tells of a recording heard to its end; the window's
    // thread takes the news when it gets to it.
    m_thread = std::make_unique<SoundThread>([self = QPointer<Mp3Play>(this)](quint64 token) {
        QMetaObject::invokeMethod(
            self,
            [self, token] {
                if (self && self->m_token == token)
                    self->setState(Idle);
            },
            Qt::QueuedConnection);
    });
}

Mp3Play::~Mp3Play() = default;

void Mp3Play::Stop() {
    m_thread->stop(++m_token);
    setState(Idle);
}

qint16 Mp3Play::Open(const QString &path, const QString &options) {
    Q_UNUSED(options)
    if (lcSoundTiming().isDebugEnabled())
        SoundTiming::log("open", QStringLiteral(" path=\"%1\"").arg(path));

    // One recording at a time: a new file ends the one that plays.
    Stop();
    QElapsedTimer clock;
    clock.start();
    auto decoder = std::make_shared<Mp3Decoder>();
    QString opened = path;
    Mp3Decoder::Result result = decoder->open(opened);
    if (result != Mp3Decoder::Result::Ok && m_fallback) {
        opened = m_fallback(path);
        if (!opened.isEmpty()) {
            decoder = std::make_shared<Mp3Decoder>();
            result = decoder->open(opened);
        }
    }
    if (result == Mp3Decoder::Result::Ok) {
        m_durationMs = decoder->announcedMs();
        m_opened = std::move(decoder);
        m_openedPath = opened;
    } else {
        m_durationMs = 0;
        m_opened.reset();
        m_openedPath.clear();
    }
    if (lcSoundTiming().isDebugEnabled()) {
        SoundTiming::log("opened", QStringLiteral(" result=%1 decode_us=%2 ms=%3")
                                       .arg(int(result))
                                       .arg(clock.nsecsElapsed() / 1000)
                                       .arg(m_durationMs));
    }
    return qint16(result);
}

void Mp3Play::Play() {
    SoundTiming::log("play");
    Stop();
    if (!m_opened && !m_openedPath.isEmpty()) {
        // Played before: the file is read again from its start.
        auto decoder = std::make_shared<Mp3Decoder>();
        if (decoder->open(m_openedPath) == Mp3Decoder::Result::Ok)
            m_opened = std::move(decoder);
    }
    if (!m_opened)
        return;
    setState(Playing);
    m_thread->play(std::exchange(m_opened, nullptr), ++m_token);
}

void Mp3Play::setState(qint32 state) {
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged(state);
}
