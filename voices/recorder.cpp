#include "recorder.h"

#include "audiosource.h"
#include "mp3encoder.h"
#include "savefile.h"
#include "take.h"

#include <QMetaObject>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

// What the recorder and its thread share. The thread tells the recorder
// through `owner` only while it is set, under the lock: destruction clears it
// first, and Qt drops the events still queued for an object that is gone.
struct Recorder::Take {
    std::mutex mutex;
    std::condition_variable ended;
    Recorder *owner = nullptr;
    bool heard = false; // all that is wanted from the microphone
    bool done = false;
    std::atomic<bool> stop{false};

    // Runs call(recorder) on the recorder's thread, unless it is gone.
    template <typename F> void tell(F call) {
        const std::lock_guard lock(mutex);
        if (owner != nullptr)
            QMetaObject::invokeMethod(
                owner, [owner = owner, call = std::move(call)] { call(owner); },
                Qt::QueuedConnection);
    }
    [[nodiscard]] bool abandoned() {
        const std::lock_guard lock(mutex);
        return owner == nullptr;
    }
};

namespace {

using Outcome = Recorder::Outcome;

struct Result {
    Outcome outcome;
    QString detail;
};

std::optional<Result> failed(AudioSource::Failure failure, const AudioSource &source) {
    switch (failure) {
    case AudioSource::Failure::None:
        return std::nullopt;
    case AudioSource::Failure::NoServer:
        return Result{Outcome::NoServer, source.errorString()};
    case AudioSource::Failure::NoMicrophone:
        return Result{Outcome::NoMicrophone, source.errorString()};
    case AudioSource::Failure::Broken:
        return Result{Outcome::Broken, source.errorString()};
    case AudioSource::Failure::NoAnswer:
        return Result{Outcome::NoAnswer, source.errorString()};
    }
    return Result{Outcome::Broken, source.errorString()};
}

// Collects the take into `samples`; an outcome only when that failed.
std::optional<Result> listen(Recorder::Take &take, AudioSource &source,
                             std::vector<qint16> &samples) {
    if (auto failure = failed(source.open(Recorder::kRate), source))
        return failure;

    constexpr std::size_t kBlock = std::size_t(Recorder::kRate) * Recorder::kBlockMs / 1000;
    constexpr std::size_t kMax = std::size_t(Recorder::kRate) * Recorder::kMaxMs / 1000;
    samples.reserve(kMax);
    std::vector<qint16> block(kBlock);
    const auto collect = [&](std::size_t count) {
        block.resize(count);
        auto failure = failed(source.read(block), source);
        if (!failure) {
            // Listening is said when the microphone's sound arrives, which
            // can be long after the stream opened.
            if (samples.empty())
                take.tell([](Recorder *owner) { emit owner->listening(); });
            samples.insert(samples.end(), block.begin(), block.end());
            take.tell([percent = take::levelPercent(block)](Recorder *owner) {
                emit owner->level(percent);
            });
        }
        return failure;
    };
    while (!take.stop && samples.size() < kMax) {
        if (auto failure = collect(std::min(kBlock, kMax - samples.size())))
            return failure;
    }
    if (take.abandoned())
        return std::nullopt;
    // What was heard before the stop is still on its way from the server.
    constexpr auto kCatchUp = qsizetype(Recorder::kRate) * Recorder::kCatchUpMs / 1000;
    auto behind = std::size_t(std::clamp(source.backlog(), qsizetype(0), kCatchUp));
    behind = std::min(behind, kMax - samples.size());
    while (behind > 0) {
        const std::size_t count = std::min(kBlock, behind);
        if (auto failure = collect(count))
            return failure;
        behind -= count;
    }
    return std::nullopt;
}

// Judges, encodes and writes what was heard.
Result keep(Recorder::Take &take, const std::vector<qint16> &samples, const QString &path) {
    const take::Prepared prepared = take::prepare(samples, Recorder::kRate);
    if (prepared.verdict == take::Verdict::Silent)
        return {Outcome::Silent, {}};
    if (prepared.verdict == take::Verdict::TooShort)
        return {Outcome::TooShort, {}};
    Mp3Encoder encoder(Recorder::kRate);
    const QByteArray mp3 = encoder.encode(prepared.samples);
    if (mp3.isEmpty())
        return {Outcome::NotSaved, encoder.errorString()};
    if (take.abandoned())
        return {Outcome::NotSaved, {}};
    QString error;
    if (!replaceFile(path, mp3, &error))
        return {Outcome::NotSaved, error};
    return {Outcome::Saved, {}};
}

} // namespace

Recorder::Recorder(SourceFactory sources, QObject *parent)
    : QObject(parent)
    , m_sources(std::move(sources)) {}

Recorder::~Recorder() {
    if (!m_take)
        return;
    std::unique_lock lock(m_take->mutex);
    m_take->owner = nullptr;
    m_take->stop = true;
    // A thread stuck in the sound server is left to end with the process.
    m_take->ended.wait_for(lock, std::chrono::milliseconds(kExitWaitMs),
                           [this] { return m_take->done; });
}

void Recorder::start(const QString &path) {
    if (m_take)
        return;
    m_take = std::make_shared<Take>();
    m_take->owner = this;
    std::thread([take = m_take, source = m_sources(), path]() mutable {
        std::vector<qint16> samples;
        std::optional<Result> result;
        if (!source)
            result = Result{Outcome::NoServer, {}};
        else
            result = listen(*take, *source, samples);
        {
            const std::lock_guard lock(take->mutex);
            take->heard = true;
        }
        source.reset(); // the microphone is free again
        if (!result)
            result = keep(*take, samples, path);
        take->tell([result = *result](Recorder *owner) {
            owner->m_take.reset();
            emit owner->finished(result.outcome, result.detail);
        });
        const std::lock_guard lock(take->mutex);
        take->done = true;
        take->ended.notify_all();
    }).detach();
    // Unless this take has ended by then.
    QTimer::singleShot(m_giveUpAfterMs, this, [this, take = std::weak_ptr(m_take)] {
        if (take.lock() == m_take)
            giveUp();
    });
}

void Recorder::stop() {
    if (m_take)
        m_take->stop = true;
}

void Recorder::giveUp() {
    if (!m_take)
        return;
    {
        const std::lock_guard lock(m_take->mutex);
        // Past the microphone, the take only needs the processor and the
        // disk: it ends soon.
        if (m_take->heard)
            return;
        m_take->owner = nullptr;
        m_take->stop = true;
    }
    m_take.reset();
    emit finished(Outcome::NoAnswer, {});
}
