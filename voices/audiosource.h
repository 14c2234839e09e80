#pragma once

#include <QString>
#include <QtGlobal>

#include <span>

// The microphone, as the recorder uses it: the default input of the sound
// server, mono 16-bit samples at a rate of the recorder's choosing. Every
// call may block as long as the server takes: the recorder calls it on a
// thread of its own. PulseSource is the real one; tests use made-up sound.
class AudioSource {
public:
    enum class Failure {
        None,
        NoServer,     // no sound server answers
        NoMicrophone, // the server has no input to record from
    };

    AudioSource() = default;
    virtual ~AudioSource() = default;
    AudioSource(const AudioSource &) = delete;
    AudioSource &operator=(const AudioSource &) = delete;
    AudioSource(AudioSource &&) = delete;
    AudioSource &operator=(AudioSource &&) = delete;

    virtual Failure open(int rate) = 0;
    // Fills `samples` with what the microphone hears next, waiting for it;
    // false when the stream broke.
    virtual bool read(std::span<qint16> samples) = 0;
    // What the server said about the last failure.
    [[nodiscard]] virtual QString errorString() const = 0;
};
