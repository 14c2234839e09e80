#include "mp3play.h"

#include "mp3decoder.h"
#include "soundthread.h"
#include "soundtiming.h"

#include <QPointer>

Mp3Play::Mp3Play(QObject *parent)
    : SoundPlayer(parent) {
    // The sound thread tells of a recording heard to its end, of one that did
    // not open, or of a server it cannot reach; the window's thread takes the
    // news when it gets to it.
    using Report = SoundThread::Report;
    m_thread = std::make_unique<SoundThread>(
        [self = QPointer<Mp3Play>(this)](quint64 token, Report report) {
            QMetaObject::invokeMethod(
                self,
                [self, token, report] {
                    if (!self || self->m_token != token)
                        return;
                    if (report != Report::NoOutput)
                        self->setState(Idle);
                    if (report != Report::Ended)
                        emit self->unheard(report == Report::NoOutput ? Unheard::NoOutput
                                                                      : Unheard::NotPlayable);
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
    if (m_fallback)
        paths << m_fallback(m_path);
    m_thread->play(paths, ++m_token);
}

void Mp3Play::setState(qint32 state) {
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged(state);
}
