#include "mp3play.h"

#include "mp3decoder.h"
#include "soundthread.h"
#include "soundtiming.h"

#include <QPointer>

Mp3Play::Mp3Play(QObject *parent)
    : SoundPlayer(parent) {
    // The sound thread tells of a recording heard to its end, or of one that
    // did not open; the window's thread takes the news when it gets to it.
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

qint16 Mp3Play::Open(const QString &path) {
    if (lcSoundTiming().isDebugEnabled())
        SoundTiming::log("open", QStringLiteral(" path=\"%1\"").arg(path));

    // One recording at a time: a new file ends the one that plays. The file
    // itself is only read on the sound thread, when it plays.
    Stop();
    m_path = path;
    return qint16(path.isEmpty() ? Mp3Decoder::Result::NotAFile : Mp3Decoder::Result::Ok);
}

void Mp3Play::Play() {
    SoundTiming::log("play");
    Stop();
    if (m_path.isEmpty())
        return;
    setState(Playing);
    QStringList paths{m_path};
    if (m_fallback) {
        if (const QString instead = m_fallback(m_path); !instead.isEmpty() && instead != m_path)
            paths << instead;
    }
    m_thread->play(paths, ++m_token);
}

void Mp3Play::setState(qint32 state) {
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged(state);
}
