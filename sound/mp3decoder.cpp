#include "mp3decoder.h"

#include <QFile>
#include <QFileInfo>

#include <mpg123.h>

#include <array>
#include <memory>

namespace {

constexpr int BytesPerSample = 2;

struct HandleDeleter {
    void operator()(mpg123_handle *handle) const { mpg123_delete(handle); }
};
using Handle = std::unique_ptr<mpg123_handle, HandleDeleter>;

// A decoder that yields signed 16-bit samples whatever the file holds, and
// prints nothing on junk input.
Handle newHandle() {
    // mpg123_init is a no-op in current libmpg123 but was required before 1.27.
    static const int initResult = mpg123_init();
    if (initResult != MPG123_OK)
        return {};

    int error = MPG123_OK;
    Handle handle(mpg123_new(nullptr, &error));
    if (!handle || error != MPG123_OK)
        return {};
    mpg123_param(handle.get(), MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);

    if (mpg123_format_none(handle.get()) != MPG123_OK)
        return {};
    const long *rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; i < rateCount; ++i) {
        if (mpg123_format(handle.get(), rates[i], MPG123_MONO | MPG123_STEREO,
                          MPG123_ENC_SIGNED_16) != MPG123_OK)
            return {};
    }
    return handle;
}

Mp3Decoder::Result decodeInto(const QString &path, Mp3Decoder::Audio &audio,
                              const Mp3Decoder::Limits &limits) {
    using Result = Mp3Decoder::Result;

    const QFileInfo info(path);
    if (!info.isFile())
        return Result::NotAFile;
    if (info.size() > limits.maxFileBytes)
        return Result::TooLarge;

    const Handle handle = newHandle();
    if (!handle)
        return Result::LibraryError;
    mpg123_handle *mh = handle.get();

    // libmpg123 takes a local 8-bit file name; paths here hold Chinese characters.
    if (mpg123_open(mh, QFile::encodeName(path).constData()) != MPG123_OK)
        return Result::CannotOpen;

    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(mh, &rate, &channels, &encoding) != MPG123_OK)
        return Result::NoFormat;
    if (encoding != MPG123_ENC_SIGNED_16 || rate <= 0 || channels < 1 || channels > 2)
        return Result::NoFormat;

    // An encoder's Info tag states the whole length. When it is there, a file
    // that holds clearly less was cut short (a broken copy or download), and it
    // is refused rather than played in part. Without the tag the length is only
    // an estimate, and a short file cannot be told from a cut one.
    long encoderDelay = -1;
    const bool lengthIsKnown =
        mpg123_getstate(mh, MPG123_ENC_DELAY, &encoderDelay, nullptr) == MPG123_OK &&
        encoderDelay >= 0;

    const qint64 maxBytes = qint64(rate) * limits.maxDurationMs / 1000 * channels * BytesPerSample;
    const off_t expectedFrames = mpg123_length(mh);
    if (expectedFrames > 0) {
        const qint64 expectedBytes = qint64(expectedFrames) * channels * BytesPerSample;
        audio.pcm.reserve(qMin(expectedBytes, maxBytes));
    }

    std::array<unsigned char, 16384> buffer{};
    for (;;) {
        size_t done = 0;
        const int rc = mpg123_read(mh, buffer.data(), buffer.size(), &done);
        if (rc == MPG123_NEW_FORMAT)
            return Result::FormatChanged;
        if (rc != MPG123_OK && rc != MPG123_DONE)
            return Result::DecodeError;
        if (audio.pcm.size() + qint64(done) > maxBytes)
            return Result::TooLong;
        audio.pcm.append(reinterpret_cast<const char *>(buffer.data()), qsizetype(done));
        if (rc == MPG123_DONE)
            break;
    }

    // Whole frames only: a sample split by a cut-off file is dropped.
    const qsizetype frameBytes = qsizetype(channels) * BytesPerSample;
    audio.pcm.truncate(audio.pcm.size() - audio.pcm.size() % frameBytes);
    if (audio.pcm.isEmpty())
        return Result::NoAudio;

    constexpr qint64 SamplesPerFrame = 1152;
    if (lengthIsKnown && expectedFrames > 0 &&
        audio.pcm.size() / frameBytes < qint64(expectedFrames) - SamplesPerFrame)
        return Result::Truncated;

    audio.sampleRate = int(rate);
    audio.channels = channels;
    return Result::Ok;
}

} // namespace

qint64 Mp3Decoder::Audio::frameCount() const {
    return channels > 0 ? pcm.size() / (qint64(channels) * BytesPerSample) : 0;
}

qint64 Mp3Decoder::Audio::durationMs() const {
    return sampleRate > 0 ? frameCount() * 1000 / sampleRate : 0;
}

Mp3Decoder::Result Mp3Decoder::decode(const QString &path, Audio &out) {
    return decode(path, out, Limits{});
}

Mp3Decoder::Result Mp3Decoder::decode(const QString &path, Audio &out, const Limits &limits) {
    out = Audio{};
    Audio audio;
    const Result result = decodeInto(path, audio, limits);
    if (result == Result::Ok)
        out = std::move(audio);
    return result;
}
