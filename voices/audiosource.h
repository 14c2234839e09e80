#pragma once

#include <QString>
#include <QtGlobal>

#include <span>

// The microphone, as the recorder uses it: the default input of the sound
// server, mono 16-bit samples at a rate of the recorder's choosing. The
// recorder calls it on a thread of its own. A call waits for the server at
// most kAnswerMs: a server that stops answering (stopped, hung, gone to
// sleep) ends the take with NoAnswer instead of holding it for ever.
// PulseSource is the real one; tests use made-up sound.
class AudioSource {
public:
    enum class Failure {
        None,
        NoServer,     // no sound server answers
        NoMicrophone, // the server has no input to record from
        Broken,       // the stream broke
        NoAnswer,     // the server stopped answering
    };

    static constexpr int kAnswerMs = 3000;

    AudioSource() = default;
    virtual ~AudioSource() = default;
    AudioSource(const AudioSource &) = delete;
    AudioSource &operator=(const AudioSource &) = delete;
    AudioSource(AudioSource &&) = delete;
    AudioSource &operator=(AudioSource &&) = delete;

    virtual Failure open(int rate) = 0;
    // Fills `samples` with what the microphone hears next, waiting for it.
    virtual Failure read(std::span<qint16> samples) = 0;
    // How many samples the microphone has heard up to now that read() has not
    // given yet: what the server still holds, and what is on its way.
    virtual qsizetype backlog() = 0;
    // What the server said about the last failure.
    [[nodiscard]] virtual QString errorString() const = 0;
};
