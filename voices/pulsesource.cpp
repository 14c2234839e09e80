#include "pulsesource.h"

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/mainloop.h>
#include <pulse/stream.h>
#include <pulse/timeval.h>

#include <algorithm>

namespace {

const QString kNoAnswer = QStringLiteral("the sound server does not answer");

} // namespace

PulseSource::~PulseSource() {
    // Neither of these waits for the server.
    if (m_stream != nullptr) {
        pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
    }
    if (m_context != nullptr) {
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
    }
    if (m_loop != nullptr)
        pa_mainloop_free(m_loop);
}

bool PulseSource::runUntil(const std::function<bool()> &done) {
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + milliseconds(kAnswerMs);
    while (!done()) {
        const auto left = duration_cast<microseconds>(deadline - steady_clock::now()).count();
        if (left <= 0 || pa_mainloop_prepare(m_loop, int(left)) < 0 ||
            pa_mainloop_poll(m_loop) < 0 || pa_mainloop_dispatch(m_loop) < 0)
            return false;
    }
    return true;
}

bool PulseSource::broken() const {
    return !PA_CONTEXT_IS_GOOD(pa_context_get_state(m_context)) ||
           !PA_STREAM_IS_GOOD(pa_stream_get_state(m_stream));
}

AudioSource::Failure PulseSource::fail(Failure failure, const QString &why) {
    m_error = why;
    return failure;
}

AudioSource::Failure PulseSource::open(int rate) {
    m_rate = rate;
    m_loop = pa_mainloop_new();
    if (m_loop == nullptr)
        return fail(Failure::NoServer, QStringLiteral("no main loop"));
    m_context = pa_context_new(pa_mainloop_get_api(m_loop), "Tintoko 录音");
    if (m_context == nullptr)
        return fail(Failure::NoServer, QStringLiteral("no context"));
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOFLAGS, nullptr) < 0)
        return fail(Failure::NoServer, QString::fromUtf8(pa_strerror(pa_context_errno(m_context))));
    if (!runUntil([this] {
            const pa_context_state_t state = pa_context_get_state(m_context);
            return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
        }))
        return fail(Failure::NoAnswer, kNoAnswer);
    if (pa_context_get_state(m_context) != PA_CONTEXT_READY)
        return fail(Failure::NoServer, QString::fromUtf8(pa_strerror(pa_context_errno(m_context))));

    pa_sample_spec format{};
    format.format = PA_SAMPLE_S16NE;
    format.rate = static_cast<uint32_t>(rate);
    format.channels = 1;
    m_stream = pa_stream_new(m_context, "录音", &format, nullptr);
    // The server sends blocks of about 50 ms, so that the level meter moves
    // smoothly and a stop is heard at once.
    const auto any = static_cast<uint32_t>(-1);
    pa_buffer_attr attr{any, any, any, any, static_cast<uint32_t>(rate / 20 * 2)};
    if (m_stream == nullptr ||
        pa_stream_connect_record(m_stream, nullptr, &attr,
                                 static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY |
                                                                PA_STREAM_AUTO_TIMING_UPDATE |
                                                                PA_STREAM_INTERPOLATE_TIMING)) < 0)
        return fail(Failure::NoServer, QString::fromUtf8(pa_strerror(pa_context_errno(m_context))));
    if (!runUntil([this] {
            const pa_stream_state_t state = pa_stream_get_state(m_stream);
            return state == PA_STREAM_READY || broken();
        }))
        return fail(Failure::NoAnswer, kNoAnswer);
    if (pa_stream_get_state(m_stream) != PA_STREAM_READY) {
        const int error = pa_context_errno(m_context);
        return fail(error == PA_ERR_NOENTITY ? Failure::NoMicrophone : Failure::NoServer,
                    QString::fromUtf8(pa_strerror(error)));
    }
    return Failure::None;
}

AudioSource::Failure PulseSource::read(std::span<qint16> samples) {
    if (m_stream == nullptr)
        return fail(Failure::Broken, QStringLiteral("not open"));
    std::size_t filled = 0;
    for (;;) {
        const std::size_t part = std::min(samples.size() - filled, m_heard.size());
        std::copy_n(m_heard.begin(), part, samples.begin() + qsizetype(filled));
        m_heard.erase(m_heard.begin(), m_heard.begin() + qsizetype(part));
        filled += part;
        if (filled == samples.size())
            return Failure::None;
        if (!runUntil([this] { return broken() || pa_stream_readable_size(m_stream) > 0; }))
            return fail(Failure::NoAnswer, kNoAnswer);
        const void *data = nullptr;
        std::size_t bytes = 0;
        if (broken() || pa_stream_peek(m_stream, &data, &bytes) < 0)
            return fail(Failure::Broken,
                        QString::fromUtf8(pa_strerror(pa_context_errno(m_context))));
        const auto *heard = static_cast<const qint16 *>(data);
        if (heard == nullptr) // a hole in the stream: what was lost is silence
            m_heard.insert(m_heard.end(), bytes / 2, 0);
        else
            m_heard.insert(m_heard.end(), heard, heard + bytes / 2);
        if (bytes > 0)
            pa_stream_drop(m_stream);
    }
}

qsizetype PulseSource::backlog() {
    const auto taken = qsizetype(m_heard.size());
    if (m_stream == nullptr || broken())
        return taken;
    // For a record stream: how long ago the microphone heard what comes next.
    pa_usec_t latency = 0;
    int negative = 0;
    if (pa_stream_get_latency(m_stream, &latency, &negative) < 0 || negative != 0)
        return taken;
    return taken + qsizetype(latency * pa_usec_t(m_rate) / PA_USEC_PER_SEC);
}
