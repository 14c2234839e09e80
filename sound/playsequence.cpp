#include "playsequence.h"

#include "soundplayer.h"

#include <utility>

PlaySequence::PlaySequence(SoundPlayer &player, QObject *parent)
    : QObject(parent)
    , m_player(player) {
    // QTimer measures on the monotonic clock: a change of the wall clock can
    // neither stretch nor cut the wait.
    m_limit.setSingleShot(true);
    m_limit.setInterval(MaxWaitMs);
    m_limit.setTimerType(Qt::PreciseTimer);
    connect(&m_limit, &QTimer::timeout, this, &PlaySequence::playWaiting);
    connect(&player, &SoundPlayer::stateChanged, this, [this](qint32 state) {
        if (state == 0 && isWaiting())
            playWaiting();
    });
}

void PlaySequence::bofang_shengyin(const QString &path) {
    // A request still waiting is replaced. Its limit is stopped before Stop,
    // so that the player's own idle signal from Stop plays nothing old.
    m_limit.stop();
    m_player.Stop();
    m_waiting = path;
    if (m_player.State() == 0)
        playWaiting();
    else
        m_limit.start();
}

void PlaySequence::cancel() {
    m_limit.stop();
    m_waiting.clear();
}

void PlaySequence::playWaiting() {
    m_limit.stop();
    const QString path = std::exchange(m_waiting, QString());
    if (m_player.Open(path, QString()) == 0)
        m_player.Play();
    emit handedToPlayer(path);
}
