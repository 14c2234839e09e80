#pragma once

#include <QString>
#include <QtGlobal>

class SoundPlayer;

// The one way every recording is played, `bofang_shengyin`:
//   1. Stop the player.
//   2. Wait until the player reports 0 (idle), at most MaxWaitMs, while the
//      window goes on handling its events.
//   3. Open the file; 4. Play it only when Open returned 0.
//   5. Remember the path as the last sound, `dangqian_shengyin`, whether or
//      not Open succeeded, so that a replay tries the same file again.
//
// The wait runs a local event loop that wakes every PollMs, so it neither
// blocks the window nor spins the processor, and it measures time on a
// monotonic clock, so a change of the wall clock cannot stretch or cut it.
//
// A handler that runs during the wait may start another sequence. Both run
// to their end, the newer one inside the older one's wait. The newer one is
// what the user asked for last, so it wins: the older sequence, once it sees
// that it was overtaken, neither opens nor plays its file, and leaves
// `dangqian_shengyin` holding the newer path, which is the one that was
// actually handed to the player.
//
// Use one PlaySequence per player: the overtaking check counts the sequences
// of this object only.
class PlaySequence {
public:
    static constexpr int MaxWaitMs = 500;
    static constexpr int PollMs = 5;

    explicit PlaySequence(SoundPlayer &player);

    // Runs the sequence for path. True when it went as far as Open (whatever
    // Open answered); false when a newer sequence overtook it during the wait.
    bool bofang_shengyin(const QString &path, QString &dangqian_shengyin);

private:
    void waitForIdle(quint64 sequence);

    SoundPlayer &m_player;
    quint64 m_started = 0; // number of sequences started so far
};
