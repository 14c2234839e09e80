#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class SoundPlayer;

// The one way every recording is played, `bofang_shengyin`, as a request:
//   1. Stop the player.
//   2. As soon as the player reports 0 (idle), or after MaxWaitMs at most:
//   3. Open the file; 4. Play it only when Open returned 0;
//   5. report the path as handed to the player (`handedToPlayer`), whether or
//      not Open succeeded, so that a replay tries the same file again.
//
// A player that is idle right after Stop (the usual case) plays within the
// call. Otherwise the request waits for the player's state signal, with a
// single-shot timer as its limit; nothing waits in a loop, so no other
// handler can run in the middle of this one. A newer request replaces one
// still waiting: the last sound asked for is the one heard.
class PlaySequence final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PlaySequence)

public:
    static constexpr int MaxWaitMs = 500;

    explicit PlaySequence(SoundPlayer &player, QObject *parent = nullptr);

    void bofang_shengyin(const QString &path);
    // Drops a request that still waits for the player; a recording already
    // playing plays on.
    void cancel();
    [[nodiscard]] bool isWaiting() const { return m_limit.isActive(); }

signals:
    void handedToPlayer(const QString &path);

private:
    void playWaiting();

    SoundPlayer &m_player;
    QString m_waiting; // the path of the request that waits, while m_limit runs
    QTimer m_limit;
};
