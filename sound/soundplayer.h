#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>

// The four operations the program uses of its one MP3 player, and the signal
// that tells when it has gone quiet. The real player is Mp3Play; widget tests
// put a fake in its place.
class SoundPlayer : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SoundPlayer)

public:
    explicit SoundPlayer(QObject *parent = nullptr)
        : QObject(parent) {}
    ~SoundPlayer() override = default;

    // What State() answers when nothing plays.
    static constexpr qint32 Idle = 0;

    // Why a recording asked for is not heard.
    enum class Unheard {
        NoOutput,    // the sound server cannot be reached: it is timed, not heard
        NotPlayable, // no file of the request plays
    };
    Q_ENUM(Unheard)

    // Ends playback; harmless when nothing plays. The player is Idle when
    // Stop returns: whatever still sounds is dropped by the sound thread, and
    // nobody waits for it.
    virtual void Stop() = 0;
    // Idle exactly when nothing is playing.
    virtual qint32 State() = 0;
    // Asks for the file that the next Play plays: 0 when the request is taken,
    // anything else when it is refused. 0 does not promise sound: a file that
    // does not decode plays nothing, and after Play the player goes back to 0
    // as at the end of a recording.
    virtual qint16 Open(const QString &path) = 0;
    // Starts the file opened last.
    virtual void Play() = 0;

signals:
    // Emitted whenever State() changes value.
    void stateChanged(qint32 state);
    // After Play, when what was asked for is not heard. With NotPlayable the
    // player has gone back to Idle; with NoOutput it stays Playing for as
    // long as the recording would have sounded.
    void unheard(SoundPlayer::Unheard why);
};
