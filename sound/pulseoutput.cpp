#include "pulseoutput.h"

#include <pulse/context.h>
#include <pulse/mainloop.h>
#include <pulse/stream.h>

#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <mutex>

namespace {

// The functions of libpulse the player uses, looked up once.
#define TINTOKO_PULSE_FUNCTIONS(X)                                                                 \
    X(pa_mainloop_new)                                                                             \
    X(pa_mainloop_free)                                                                            \
    X(pa_mainloop_get_api)                                                                         \
    X(pa_mainloop_prepare)                                                                         \
    X(pa_mainloop_poll)                                                                            \
    X(pa_mainloop_dispatch)                                                                        \
    X(pa_mainloop_iterate)                                                                         \
    X(pa_context_new)                                                                              \
    X(pa_context_connect)                                                                          \
    X(pa_context_get_state)                                                                        \
    X(pa_context_disconnect)                                                                       \
    X(pa_context_unref)                                                                            \
    X(pa_stream_new)                                                                               \
    X(pa_stream_connect_playback)                                                                  \
    X(pa_stream_get_state)                                                                         \
    X(pa_stream_writable_size)                                                                     \
    X(pa_stream_write)                                                                             \
    X(pa_stream_update_timing_info)                                                                \
    X(pa_stream_get_latency)                                                                       \
    X(pa_stream_flush)                                                                             \
    X(pa_stream_disconnect)                                                                        \
    X(pa_stream_unref)                                                                             \
    X(pa_operation_get_state)                                                                      \
    X(pa_operation_unref)

struct Pulse {
// The name is a declarator here, not an expression.
#define TINTOKO_PULSE_POINTER(name)                                                                \
    decltype(&::name) name = nullptr; // NOLINT(bugprone-macro-parentheses)
    TINTOKO_PULSE_FUNCTIONS(TINTOKO_PULSE_POINTER)
#undef TINTOKO_PULSE_POINTER
    bool loaded = false;
};

const Pulse &pulse() {
    static Pulse functions;
    static std::once_flag once;
    std::call_once(once, [] {
        void *library = dlopen("libpulse.so.0", RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr)
            return;
        bool all = true;
        const auto find = [library, &all](auto &pointer, const char *name) {
            pointer =
                reinterpret_cast<std::remove_reference_t<decltype(pointer)>>(dlsym(library, name));
            all = all && pointer != nullptr;
        };
#define TINTOKO_PULSE_FIND(name) find(functions.name, #name);
        TINTOKO_PULSE_FUNCTIONS(TINTOKO_PULSE_FIND)
#undef TINTOKO_PULSE_FIND
        functions.loaded = all;
    });
    return functions;
}

// At most this many turns of the loop to send what one write queued: a block
// goes out in a few, after whatever the server said while the stream was idle.
constexpr int kSendTurns = 64;

} // namespace

bool PulseOutput::runUntil(const std::function<bool()> &done) {
    using namespace std::chrono;
    const Pulse &lib = pulse();
    const auto deadline = steady_clock::now() + milliseconds(kAnswerMs);
    while (!done()) {
        const auto left = duration_cast<microseconds>(deadline - steady_clock::now()).count();
        if (left <= 0 || lib.pa_mainloop_prepare(m_loop, int(left)) < 0 ||
            lib.pa_mainloop_poll(m_loop) < 0 || lib.pa_mainloop_dispatch(m_loop) < 0)
            return false;
    }
    return true;
}

bool PulseOutput::broken() const {
    const Pulse &lib = pulse();
    return !PA_CONTEXT_IS_GOOD(lib.pa_context_get_state(m_context)) ||
           (m_stream != nullptr && !PA_STREAM_IS_GOOD(lib.pa_stream_get_state(m_stream)));
}

bool PulseOutput::finish(pa_operation *operation) {
    const Pulse &lib = pulse();
    if (operation == nullptr)
        return false;
    const bool done = runUntil(
        [&] { return broken() || lib.pa_operation_get_state(operation) != PA_OPERATION_RUNNING; });
    const bool succeeded = done && lib.pa_operation_get_state(operation) == PA_OPERATION_DONE;
    lib.pa_operation_unref(operation);
    return succeeded && !broken();
}

bool PulseOutput::open(int rate, int channels) {
    if (m_stream != nullptr && rate == m_rate && channels == m_channels)
        return true;
    close();
    const Pulse &lib = pulse();
    if (!lib.loaded)
        return false;
    m_loop = lib.pa_mainloop_new();
    if (m_loop == nullptr)
        return false;
    m_context = lib.pa_context_new(lib.pa_mainloop_get_api(m_loop), "Tintoko");
    if (m_context == nullptr ||
        lib.pa_context_connect(m_context, nullptr, PA_CONTEXT_NOFLAGS, nullptr) < 0 ||
        !runUntil(
            [&] { return lib.pa_context_get_state(m_context) == PA_CONTEXT_READY || broken(); }) ||
        broken()) {
        close();
        return false;
    }

    pa_sample_spec sampleFormat{};
    sampleFormat.format = PA_SAMPLE_S16NE;
    sampleFormat.rate = static_cast<uint32_t>(rate);
    sampleFormat.channels = static_cast<uint8_t>(channels);
    const auto bytesFor = [&](int ms) {
        return static_cast<uint32_t>(qint64(rate) * channels * 2 * ms / 1000);
    };
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = bytesFor(kBufferMs);
    attr.prebuf = bytesFor(kStartMs);
    attr.minreq = static_cast<uint32_t>(-1);
    attr.fragsize = static_cast<uint32_t>(-1);
    m_stream = lib.pa_stream_new(m_context, "颜色", &sampleFormat, nullptr);
    const auto flags = static_cast<pa_stream_flags_t>(
        PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_ADJUST_LATENCY | PA_STREAM_AUTO_TIMING_UPDATE);
    if (m_stream == nullptr ||
        lib.pa_stream_connect_playback(m_stream, nullptr, &attr, flags, nullptr, nullptr) < 0 ||
        !runUntil(
            [&] { return lib.pa_stream_get_state(m_stream) == PA_STREAM_READY || broken(); }) ||
        broken()) {
        close();
        return false;
    }
    m_rate = rate;
    m_channels = channels;
    m_startBytes = attr.prebuf;
    return true;
}

bool PulseOutput::write(const char *data, qint64 bytes) {
    if (m_stream == nullptr)
        return false;
    const Pulse &lib = pulse();
    while (bytes > 0) {
        // As much as the server has room for now; a server that makes none
        // within the time limit has stopped answering.
        size_t room = 0;
        if (!runUntil([&] {
                room = broken() ? 0 : lib.pa_stream_writable_size(m_stream);
                return broken() || (room > 0 && room != size_t(-1));
            }) ||
            broken() ||
            lib.pa_stream_write(m_stream, data, std::min(room, size_t(bytes)), nullptr, 0,
                                PA_SEEK_RELATIVE) < 0) {
            close();
            return false;
        }
        data += std::min(room, size_t(bytes));
        bytes -= qint64(std::min(room, size_t(bytes)));
        // Sends what was queued, without waiting: the loop runs only while
        // this thread is in here, and the caller may now wait elsewhere.
        int dispatched = 1;
        for (int turn = 0; turn < kSendTurns && dispatched > 0; ++turn)
            dispatched = lib.pa_mainloop_iterate(m_loop, 0, nullptr);
        if (dispatched < 0 || broken()) {
            close();
            return false;
        }
    }
    return true;
}

qint64 PulseOutput::latencyUs() {
    if (m_stream == nullptr)
        return -1;
    const Pulse &lib = pulse();
    pa_usec_t latency = 0;
    int negative = 0;
    if (!finish(lib.pa_stream_update_timing_info(m_stream, nullptr, nullptr)) ||
        lib.pa_stream_get_latency(m_stream, &latency, &negative) < 0) {
        close();
        return -1;
    }
    return negative != 0 ? 0 : qint64(latency);
}

void PulseOutput::flush() {
    if (m_stream == nullptr)
        return;
    if (!finish(pulse().pa_stream_flush(m_stream, nullptr, nullptr)))
        close();
}

void PulseOutput::close() {
    // Neither of these waits for the server.
    const Pulse &lib = pulse();
    if (m_stream != nullptr) {
        lib.pa_stream_disconnect(m_stream);
        lib.pa_stream_unref(m_stream);
    }
    if (m_context != nullptr) {
        lib.pa_context_disconnect(m_context);
        lib.pa_context_unref(m_context);
    }
    if (m_loop != nullptr)
        lib.pa_mainloop_free(m_loop);
    m_stream = nullptr;
    m_context = nullptr;
    m_loop = nullptr;
    m_rate = 0;
    m_channels = 0;
    m_startBytes = 0;
}
