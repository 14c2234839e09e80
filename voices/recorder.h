#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class AudioSource;

// One take at a time, from the microphone into a user's recording. start()
// returns at once: a thread of the recorder's own opens the microphone,
// collects the samples until stop() or for kMaxMs at most, reads what the
// microphone heard before the stop and the server still holds, closes the
// microphone, then cuts, cleans and levels the take (take.h), encodes it
// (Mp3Encoder) and puts it in place of the old file (replaceFile). So neither
// the sound server nor the encoder nor the disk ever holds up the window.
//
// What happens is told by signals, on the window's thread: listening() once
// the microphone's sound arrives, level() for every block heard, then
// finished() exactly once per take. A take that has not ended kGiveUpMs after
// its time is up is given up with NoAnswer (a source that hangs, whatever the
// sound server does); its thread is left to end when it can, and writes
// nothing. Whatever goes wrong, the old file stays as it was. Destroying the
// recorder drops a take that is still running.
class Recorder final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Recorder)

public:
    enum class Outcome {
        Saved,
        NoServer,     // no sound server
        NoMicrophone, // a server, but nothing to record from
        Broken,       // the stream broke during the take
        Silent,       // nothing heard
        TooShort,     // less than take::kMinSoundMs of sound
        NotSaved,     // encoding or writing failed
        NoAnswer,     // the sound server stopped answering
    };
    Q_ENUM(Outcome)

    static constexpr int kRate = 22050;
    static constexpr int kMaxMs = 10000;
    static constexpr int kBlockMs = 50;
    // After a stop, what the microphone heard before it is read for at most
    // this long (the server can hold a second or more on a busy machine).
    static constexpr int kCatchUpMs = 2000;
    static constexpr int kGiveUpMs = 4000;
    // How long destruction waits for a take to wind down.
    static constexpr int kExitWaitMs = 1000;

    using SourceFactory = std::function<std::unique_ptr<AudioSource>()>;
    explicit Recorder(SourceFactory sources, QObject *parent = nullptr);
    ~Recorder() override;

    [[nodiscard]] bool isBusy() const { return m_take != nullptr; }
    // Starts a take that replaces `path` when it succeeds; ignored while
    // another runs.
    void start(const QString &path);
    // Ends the take; what was heard so far is kept (or judged too short).
    void stop();
    // How long after start() a take is given up (tests shorten it).
    void setGiveUpAfter(int ms) { m_giveUpAfterMs = ms; }
    [[nodiscard]] int giveUpAfter() const { return m_giveUpAfterMs; }

    struct Take;

signals:
    void listening();
    void level(int percent); // 0..100, take::levelPercent
    void finished(Recorder::Outcome outcome, const QString &detail);

private:
    void giveUp();

    SourceFactory m_sources;
    std::shared_ptr<Take> m_take; // the take that runs
    int m_giveUpAfterMs = kMaxMs + kGiveUpMs;
};
