#include "playsequence.h"

#include "soundplayer.h"

PlaySequence::PlaySequence(SoundPlayer &player, QObject *parent)
    : QObject(parent)
    , m_player(player) {}

void PlaySequence::bofang_shengyin(const QString &path) {
    m_player.Stop();
    if (m_player.Open(path) == 0)
        m_player.Play();
    emit handedToPlayer(path);
}
