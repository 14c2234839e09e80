#pragma once

#include "audiosource.h"

#include <chrono>
#include <functional>
#include <vector>

struct pa_context;
struct pa_mainloop;
struct pa_stream;

// A record stream from the sound server's default source (PulseAudio, or
// PipeWire's PulseAudio service), through libpulse's asynchronous API on a
// main loop that the calling thread runs itself: every wait for the server
// has a time limit (kAnswerMs), and a server that is stopped or hung can
// never hold the recorder's thread.
class PulseSource final : public AudioSource {
public:
    PulseSource() = default;
    ~PulseSource() override;
    PulseSource(const PulseSource &) = delete;
    PulseSource &operator=(const PulseSource &) = delete;
    PulseSource(PulseSource &&) = delete;
    PulseSource &operator=(PulseSource &&) = delete;

    Failure open(int rate) override;
    Failure read(std::span<qint16> samples) override;
    qsizetype backlog() override;
    [[nodiscard]] QString errorString() const override { return m_error; }

private:
    // Runs the main loop until `done` holds; false when it did not within
    // kAnswerMs.
    bool runUntil(const std::function<bool()> &done);
    [[nodiscard]] bool broken() const;
    Failure fail(Failure failure, const QString &why);

    pa_mainloop *m_loop = nullptr;
    pa_context *m_context = nullptr;
    pa_stream *m_stream = nullptr;
    int m_rate = 0;
    std::vector<qint16> m_heard; // taken from the server, not yet read
    QString m_error;
};
