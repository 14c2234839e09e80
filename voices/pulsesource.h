#pragma once

#include "audiosource.h"

struct pa_simple;

// A record stream from the sound server's default source (PulseAudio, or
// PipeWire's PulseAudio service) through libpulse-simple, as the player
// reaches the server for playback.
class PulseSource final : public AudioSource {
public:
    PulseSource() = default;
    ~PulseSource() override;
    PulseSource(const PulseSource &) = delete;
    PulseSource &operator=(const PulseSource &) = delete;
    PulseSource(PulseSource &&) = delete;
    PulseSource &operator=(PulseSource &&) = delete;

    Failure open(int rate) override;
    bool read(std::span<qint16> samples) override;
    [[nodiscard]] QString errorString() const override { return m_error; }

private:
    pa_simple *m_stream = nullptr;
    QString m_error;
};
