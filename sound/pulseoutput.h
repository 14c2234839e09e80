#pragma once

#include <QtGlobal>

#include <functional>

struct pa_context;
struct pa_mainloop;
struct pa_operation;
struct pa_stream;

// One playback stream on the sound server (PulseAudio, or PipeWire's
// PulseAudio service), through libpulse's asynchronous API on a main loop
// that the calling thread runs itself. The library is loaded the first time a
// stream opens, so that a start of the program that plays nothing never maps
// it. Every call waits for the server, at most kAnswerMs for each answer: a
// server that is stopped or hung fails the call, and the stream closes. Use it
// on the sound thread only.
//
// The stream keeps a short buffer (kBufferMs) and starts playing once it
// holds kStartMs of sound, so that a recording is heard a few milliseconds
// after its first samples are written.
class PulseOutput {
public:
    static constexpr int kBufferMs = 80;
    static constexpr int kStartMs = 20;
    static constexpr int kAnswerMs = 3000;

    PulseOutput() = default;
    ~PulseOutput() { close(); }
    PulseOutput(const PulseOutput &) = delete;
    PulseOutput &operator=(const PulseOutput &) = delete;
    PulseOutput(PulseOutput &&) = delete;
    PulseOutput &operator=(PulseOutput &&) = delete;

    // Opens a stream for 16-bit samples at this rate and channel count, or
    // keeps the one that is open with them. False when the server cannot be
    // reached (it is asked again next time).
    bool open(int rate, int channels);
    [[nodiscard]] bool isOpen() const { return m_stream != nullptr; }
    // Waits until the server took the data. False on failure: the stream is
    // closed, and the next open() connects anew.
    bool write(const char *data, qint64 bytes);
    // Microseconds until what was written has been heard; -1 on failure.
    qint64 latencyUs();
    // Drops what was written and not yet played.
    void flush();
    void close();
    [[nodiscard]] qint64 startBytes() const { return m_startBytes; }

private:
    // Runs the main loop until `done` holds; false when it did not within
    // kAnswerMs.
    bool runUntil(const std::function<bool()> &done);
    [[nodiscard]] bool broken() const;
    // Waits for the operation to end, and lets it go; true when it succeeded.
    bool finish(pa_operation *operation);

    pa_mainloop *m_loop = nullptr;
    pa_context *m_context = nullptr;
    pa_stream *m_stream = nullptr;
    int m_rate = 0;
    int m_channels = 0;
    qint64 m_startBytes = 0;
};
