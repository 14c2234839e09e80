#pragma once

#include "soundplayer.h"

#include <QString>

#include <functional>
#include <memory>
#include <utility>

class Mp3Decoder;
class SoundThread;

// The program's one MP3 player. Open checks the file and keeps it open; Play
// hands it to the sound thread, which decodes it as it plays and writes it to
// the sound server. The window's thread never waits for the server: State,
// Open, Play and Stop return at once whatever the server does, and a server
// that went away is asked again on the next recording, so sound comes back as
// soon as the server does.
//
// State is 0 when nothing plays and Playing from Play until the recording has
// been heard to its end (or timed, without a server), or until Stop.
class Mp3Play final : public SoundPlayer {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Mp3Play)

public:
    static constexpr qint32 Idle = 0;
    static constexpr qint32 Playing = 1;

    explicit Mp3Play(QObject *parent = nullptr);
    ~Mp3Play() override;

    void Stop() override;
    [[nodiscard]] qint32 State() override { return m_state; }
    // Stops what plays, then opens path: 0 when it sounds, else the non-zero
    // Mp3Decoder::Result; after a failure Play plays nothing.
    qint16 Open(const QString &path, const QString &options) override;
    // Plays the file opened last, from its beginning.
    void Play() override;

    // Names the file to open instead of one that does not play (empty: none).
    // It is called wherever the file is opened, so it must not touch anything
    // but its own copies.
    void setFallback(std::function<QString(const QString &path)> fallback) {
        m_fallback = std::move(fallback);
    }

    // The length the file opened last announces, 0 when unknown.
    [[nodiscard]] qint64 durationMs() const { return m_durationMs; }

private:
    void setState(qint32 state);

    std::unique_ptr<SoundThread> m_thread;
    std::function<QString(const QString &)> m_fallback;
    std::shared_ptr<Mp3Decoder> m_opened; // ready to play, not yet handed over
    QString m_openedPath;
    qint64 m_durationMs = 0;
    quint64 m_token = 0; // of the recording that plays, or of the last stop
    qint32 m_state = Idle;
};
