#include "bofangshengyin.h"

#include "soundplayer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

PlaySequence::PlaySequence(SoundPlayer &player)
    : m_player(player) {}

bool PlaySequence::bofang_shengyin(const QString &path, QString &dangqian_shengyin) {
    const quint64 sequence = ++m_started;
    m_player.Stop();
    waitForIdle(sequence);
    if (sequence != m_started)
        return false;

    if (m_player.Open(path, QString()) == 0)
        m_player.Play();
    dangqian_shengyin = path;
    return true;
}

void PlaySequence::waitForIdle(quint64 sequence) {
    QElapsedTimer clock;
    clock.start();
    const auto done = [&] {
        return sequence != m_started || m_player.State() == 0 || clock.elapsed() > MaxWaitMs;
    };

    // A player that stops at once is the common case: one pass, no loop.
    QCoreApplication::processEvents();
    if (done())
        return;

    QEventLoop loop;
    QTimer poll;
    poll.setInterval(PollMs);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start();
    loop.exec();
}
