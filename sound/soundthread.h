#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>
#include <memory>

// The thread that plays: it opens the file (Mp3Decoder), decodes it a block at
// a time and writes the samples to the sound server, so neither the file nor
// the server (stall, die, come back) ever holds up the window's thread.
// Without a server, a recording is timed instead of heard, block by block, so
// that it still takes as long as it would have sounded.
//
// Requests carry a token; a newer request or a stop makes older tokens stale.
// A request that goes stale while its file is opened never reaches the
// server, and a stale recording stops within one block. `report` is called
// on the sound thread, outside the thread's lock, with the token of a request
// that is not stale and what happened to it (Report); never after destruction.
//
// The thread starts with the first recording. Destroying the object asks the
// thread to end and waits a short while; a thread that is stuck in the sound
// server is left to end with the process, so the program's exit never waits
// for a server that does not answer.
class SoundThread {
public:
    enum class Report {
        Ended,       // played (or timed) to its end: the request is over
        NotPlayable, // none of its files opens: the request is over
        NoOutput,    // the server cannot be reached: the recording is timed instead
    };

    explicit SoundThread(std::function<void(quint64 token, Report report)> report);
    ~SoundThread();
    SoundThread(const SoundThread &) = delete;
    SoundThread &operator=(const SoundThread &) = delete;
    SoundThread(SoundThread &&) = delete;
    SoundThread &operator=(SoundThread &&) = delete;

    // Plays the first of the files that opens, trying them in order.
    void play(const QStringList &paths, quint64 token);
    // Makes every token up to this one stale.
    void stop(quint64 token);

    // A stream left open after a recording is closed after this long, so
    // that the server can let the device rest.
    static constexpr int kIdleCloseMs = 3000;
    // How long the destructor waits for the thread.
    static constexpr int kExitWaitMs = 250;

    struct Shared;

private:
    std::shared_ptr<Shared> m_shared;
};
