#include "pulseoutput.h"

#include <pulse/simple.h>

#include <dlfcn.h>

#include <mutex>

namespace {

// The functions of libpulse-simple the player uses, looked up once.
struct PulseSimple {
    decltype(&pa_simple_new) create = nullptr;
    decltype(&pa_simple_free) free = nullptr;
    decltype(&pa_simple_write) write = nullptr;
    decltype(&pa_simple_flush) flush = nullptr;
    decltype(&pa_simple_get_latency) latency = nullptr;

    [[nodiscard]] bool loaded() const {
        return create != nullptr && free != nullptr && write != nullptr && flush != nullptr &&
               latency != nullptr;
    }
};

const PulseSimple &pulse() {
    static PulseSimple functions;
    static std::once_flag once;
    std::call_once(once, [] {
        void *library = dlopen("libpulse-simple.so.0", RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr)
            return;
        const auto find = [library](auto &pointer, const char *name) {
            pointer =
                reinterpret_cast<std::remove_reference_t<decltype(pointer)>>(dlsym(library, name));
        };
        find(functions.create, "pa_simple_new");
        find(functions.free, "pa_simple_free");
        find(functions.write, "pa_simple_write");
        find(functions.flush, "pa_simple_flush");
        find(functions.latency, "pa_simple_get_latency");
    });
    return functions;
}

} // namespace

bool PulseOutput::open(int rate, int channels) {
    if (m_stream != nullptr && rate == m_rate && channels == m_channels)
        return true;
    close();
    const PulseSimple &lib = pulse();
    if (!lib.loaded())
        return false;

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

    int error = 0;
    m_stream = lib.create(nullptr, "Tintoko", PA_STREAM_PLAYBACK, nullptr, "颜色", &sampleFormat,
                          nullptr, &attr, &error);
    if (m_stream == nullptr)
        return false;
    m_rate = rate;
    m_channels = channels;
    m_startBytes = attr.prebuf;
    return true;
}

bool PulseOutput::write(const char *data, qint64 bytes) {
    if (m_stream == nullptr)
        return false;
    int error = 0;
    if (pulse().write(m_stream, data, size_t(bytes), &error) < 0) {
        close();
        return false;
    }
    return true;
}

qint64 PulseOutput::latencyUs() {
    if (m_stream == nullptr)
        return -1;
    int error = 0;
    const pa_usec_t latency = pulse().latency(m_stream, &error);
    if (latency == static_cast<pa_usec_t>(-1)) {
        close();
        return -1;
    }
    return qint64(latency);
}

void PulseOutput::flush() {
    if (m_stream == nullptr)
        return;
    int error = 0;
    if (pulse().flush(m_stream, &error) < 0)
        close();
}

void PulseOutput::close() {
    if (m_stream != nullptr)
        pulse().free(m_stream);
    m_stream = nullptr;
    m_rate = 0;
    m_channels = 0;
    m_startBytes = 0;
}
