#pragma once

#include <QString>
#include <QtGlobal>

// The four operations the program uses of its one MP3 player. The real player
// is Mp3Play; widget tests put a fake in its place.
class SoundPlayer {
public:
    SoundPlayer() = default;
    virtual ~SoundPlayer() = default;
    SoundPlayer(const SoundPlayer &) = delete;
    SoundPlayer &operator=(const SoundPlayer &) = delete;
    SoundPlayer(SoundPlayer &&) = delete;
    SoundPlayer &operator=(SoundPlayer &&) = delete;

    // Ends playback; harmless when nothing plays.
    virtual void Stop() = 0;
    // 0 exactly when nothing is playing.
    virtual qint32 State() = 0;
    // 0 when the file is loaded and ready to play; anything else is a failure.
    // The second argument is always "" and is kept for the callers' sake.
    virtual qint16 Open(const QString &path, const QString &options) = 0;
    // Starts the file opened last.
    virtual void Play() = 0;
};
