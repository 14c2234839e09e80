#include "pulsesource.h"

#include <pulse/error.h>
#include <pulse/simple.h>

PulseSource::~PulseSource() {
    if (m_stream != nullptr)
        pa_simple_free(m_stream);
}

AudioSource::Failure PulseSource::open(int rate) {
    pa_sample_spec format{};
    format.format = PA_SAMPLE_S16NE;
    format.rate = static_cast<uint32_t>(rate);
    format.channels = 1;
    // Reads come in blocks of about 50 ms, so that the level meter moves
    // smoothly and a stop is heard at once.
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.fragsize = static_cast<uint32_t>(rate / 20 * 2);
    int error = 0;
    m_stream = pa_simple_new(nullptr, "Tintoko 录音", PA_STREAM_RECORD, nullptr, "录音", &format,
                             nullptr, &attr, &error);
    if (m_stream != nullptr)
        return Failure::None;
    m_error = QString::fromUtf8(pa_strerror(error));
    return error == PA_ERR_NOENTITY ? Failure::NoMicrophone : Failure::NoServer;
}

bool PulseSource::read(std::span<qint16> samples) {
    int error = 0;
    if (m_stream != nullptr &&
        pa_simple_read(m_stream, samples.data(), samples.size_bytes(), &error) == 0)
        return true;
    m_error =
        m_stream == nullptr ? QStringLiteral("not open") : QString::fromUtf8(pa_strerror(error));
    return false;
}
