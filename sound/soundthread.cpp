#include "soundthread.h"

#include "mp3decoder.h"
#include "pulseoutput.h"
#include "soundtiming.h"

#include <QByteArray>
#include <QElapsedTimer>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace {

constexpr int kBlockMs = 20;

} // namespace

struct SoundThread::Shared {
    std::mutex mutex;
    std::condition_variable wake;
    std::optional<std::pair<QStringList, quint64>> next; // the files to try, in order
    quint64 stale = 0;                                   // every token up to this one
    bool quit = false;
    bool running = false;
    bool exited = false;
    int reporting = 0;               // calls of `finished` under way, made outside the lock
    std::condition_variable changed; // exited or reporting changed
    std::function<void(quint64, SoundThread::Report)> finished;

    // Waits up to `ms` unless the token goes stale; false when it did.
    bool waitWanted(quint64 token, std::chrono::milliseconds ms) {
        std::unique_lock lock(mutex);
        return !wake.wait_for(lock, ms, [&] { return quit || token <= stale; });
    }
    bool wanted(quint64 token) {
        const std::lock_guard lock(mutex);
        return !quit && token > stale;
    }

    // Tells the owner what happened to this request, unless it went stale.
    // The call is made without the lock, so that `finished` may take locks of
    // its own; the destructor waits for a call under way before it lets the
    // owner go.
    void report(quint64 token, SoundThread::Report what) {
        std::function<void(quint64, SoundThread::Report)> call;
        {
            const std::lock_guard lock(mutex);
            if (!finished || quit || token <= stale)
                return;
            call = finished;
            ++reporting;
        }
        call(token, what);
        const std::lock_guard lock(mutex);
        --reporting;
        changed.notify_all();
    }
};

namespace {

// Plays one recording; true when it played to its end.
bool playOne(SoundThread::Shared &shared, PulseOutput &out, Mp3Decoder &decoder, quint64 token) {
    using std::chrono::milliseconds;
    // A newer request or a stop that came while the file was opened wins.
    if (!shared.wanted(token))
        return false;
    const qint64 blockBytes = decoder.bytesPerSecond() * kBlockMs / 1000;
    bool heard = out.open(decoder.sampleRate(), decoder.channels());
    if (!heard) {
        if (lcSoundTiming().isDebugEnabled())
            SoundTiming::log("no-output", QStringLiteral(" ms=%1").arg(decoder.announcedMs()));
        shared.report(token, SoundThread::Report::NoOutput);
    }
    qint64 written = 0;
    bool first = true;
    while (shared.wanted(token)) {
        const QByteArray block = decoder.read(blockBytes);
        if (block.isEmpty())
            break;
        if (heard && out.write(block.constData(), block.size())) {
            if (first && lcSoundTiming().isDebugEnabled())
                SoundTiming::log("first-pcm", QStringLiteral(" bytes=%1").arg(block.size()));
            first = false;
            written += block.size();
            continue;
        }
        // No server, or it went away: the rest is timed, not heard.
        heard = false;
        if (!shared.waitWanted(token, milliseconds(block.size() * 1000 / decoder.bytesPerSecond())))
            return false;
    }
    if (!shared.wanted(token)) {
        out.flush();
        return false;
    }
    if (heard) {
        // A stream starts once it holds its start amount; a shorter
        // recording is made up to it with silence.
        if (written < out.startBytes()) {
            const QByteArray silence(qsizetype(out.startBytes() - written), '\0');
            out.write(silence.constData(), silence.size());
        }
        // Finished when the server has played it all: what it holds now is
        // heard within the latency it gives now. (Asked again and again, a
        // stream that has run dry keeps giving the sink's own latency, which
        // never falls to nothing.)
        if (const qint64 latency = out.latencyUs();
            latency > 0 && !shared.waitWanted(token, milliseconds((latency + 999) / 1000))) {
            out.flush();
            return false;
        }
    }
    return shared.wanted(token);
}

void run(const std::shared_ptr<SoundThread::Shared> &shared) {
    PulseOutput out;
    for (;;) {
        QStringList paths;
        quint64 token = 0;
        {
            std::unique_lock lock(shared->mutex);
            const auto ready = [&] { return shared->quit || shared->next.has_value(); };
            if (out.isOpen()) {
                if (!shared->wake.wait_for(
                        lock, std::chrono::milliseconds(SoundThread::kIdleCloseMs), ready)) {
                    lock.unlock();
                    out.close();
                    continue;
                }
            } else {
                shared->wake.wait(lock, ready);
            }
            if (shared->quit)
                break;
            std::tie(paths, token) = *std::exchange(shared->next, std::nullopt);
            if (token <= shared->stale)
                continue;
        }
        // However long the file takes to open (a huge tag in front of the
        // sound), only this thread waits for it. The first file that opens
        // plays; when none does, the request is over at once, as if it had
        // played.
        QElapsedTimer clock;
        clock.start();
        Mp3Decoder decoder;
        Mp3Decoder::Result result = Mp3Decoder::Result::NotAFile;
        for (const QString &path : std::as_const(paths)) {
            result = decoder.open(path);
            if (result == Mp3Decoder::Result::Ok)
                break;
        }
        if (lcSoundTiming().isDebugEnabled()) {
            SoundTiming::log("opened", QStringLiteral(" result=%1 decode_us=%2 ms=%3")
                                           .arg(int(result))
                                           .arg(clock.nsecsElapsed() / 1000)
                                           .arg(decoder.announcedMs()));
        }
        if (result != Mp3Decoder::Result::Ok)
            shared->report(token, SoundThread::Report::NotPlayable);
        else if (playOne(*shared, out, decoder, token))
            shared->report(token, SoundThread::Report::Ended);
    }
    out.close();
    const std::lock_guard lock(shared->mutex);
    shared->exited = true;
    shared->changed.notify_all();
}

} // namespace

SoundThread::SoundThread(std::function<void(quint64 token, Report report)> report)
    : m_shared(std::make_shared<Shared>()) {
    m_shared->finished = std::move(report);
}

SoundThread::~SoundThread() {
    std::unique_lock lock(m_shared->mutex);
    m_shared->finished = nullptr;
    m_shared->quit = true;
    m_shared->wake.notify_all();
    if (!m_shared->running)
        return;
    // A call of `finished` under way only posts an event: it ends soon, and
    // the owner must outlive it.
    m_shared->changed.wait(lock, [this] { return m_shared->reporting == 0; });
    // The thread holds its own share of the state: left behind, it can still
    // finish safely whenever the server lets it.
    m_shared->changed.wait_for(lock, std::chrono::milliseconds(kExitWaitMs),
                               [this] { return m_shared->exited; });
}

void SoundThread::play(const QStringList &paths, quint64 token) {
    const std::lock_guard lock(m_shared->mutex);
    m_shared->next.emplace(paths, token);
    if (!m_shared->running) {
        m_shared->running = true;
        std::thread([shared = m_shared] { run(shared); }).detach();
    }
    m_shared->wake.notify_all();
}

void SoundThread::stop(quint64 token) {
    const std::lock_guard lock(m_shared->mutex);
    m_shared->stale = qMax(m_shared->stale, token);
    if (m_shared->next && m_shared->next->second <= token)
        m_shared->next.reset();
    m_shared->wake.notify_all();
}
