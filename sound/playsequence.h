#pragma once

#include <QObject>
#include <QString>

class SoundPlayer;

// The one way every recording is played, `bofang_shengyin`:
//   1. Stop the player, which leaves it idle at once (see SoundPlayer::Stop):
//      nothing waits here, so no other handler can run in the middle;
//   2. Open the file; 3. Play it only when Open returned 0;
//   4. report the path as handed to the player (`handedToPlayer`), whether or
//      not Open succeeded, so that a replay tries the same file again.
// A newer request stops the older one: the last sound asked for is the one
// heard.
class PlaySequence final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PlaySequence)

public:
    explicit PlaySequence(SoundPlayer &player, QObject *parent = nullptr);

    void bofang_shengyin(const QString &path);

signals:
    void handedToPlayer(const QString &path);

private:
    SoundPlayer &m_player;
};
