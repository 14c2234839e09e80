#pragma once

#include "soundplayer.h"

#include <QString>

#include <functional>
#include <memory>
#include <utility>

class SoundThread;

// The program's one MP3 player. Open notes the file; Play hands it to the
// sound thread, which opens and checks it, decodes it as it plays and writes
// it to the sound server. The window's thread never touches the file and never
// waits for the server: State, Open, Play and Stop return at once whatever the
// file holds and whatever the server does, and a server that went away is
// asked again on the next recording, so sound comes back as soon as the
// server does.
//
// State is 0 when nothing plays and Playing from Play until the recording has
// been heard to its end (or timed, without a server), until the sound thread
// found that no file of the request plays (then it goes back to 0 the same
// way, a moment after Play), or until Stop. Either of the last two is also told
// by `unheard`.
class Mp3Play final : public SoundPlayer {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Mp3Play)

public:
    static constexpr qint32 Playing = 1;

    explicit Mp3Play(QObject *parent = nullptr);
    ~Mp3Play() override;

    void Stop() override;
    [[nodiscard]] qint32 State() override { return m_state; }
    // Stops what plays and takes path as the file to play: 0 for any path but
    // an empty one, without reading the file. A file that does not decode
    // plays nothing.
    qint16 Open(const QString &path) override;
    // Plays the file opened last, from its beginning: it is read anew each time.
    void Play() override;

    // Names the files to try, in order, when the one asked for does not play
    // (empty: none): given the path the player was asked for, it only works
    // on names, for it is called on the window's thread; the files are tried
    // on the sound thread, and the first that plays is heard.
    void setFallback(std::function<QStringList(const QString &path)> fallback) {
        m_fallback = std::move(fallback);
    }

private:
    void setState(qint32 state);

    std::unique_ptr<SoundThread> m_thread;
    std::function<QStringList(const QString &)> m_fallback;
    QString m_path;      // opened last
    quint64 m_token = 0; // of the recording that plays, or of the last stop
    qint32 m_state = Idle;
};
