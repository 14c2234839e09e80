#include "mp3decoder.h"

#include <QFile>

#include <mpg123.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>

namespace {

constexpr int BytesPerSample = 2;
constexpr qsizetype BlockBytes = 16384;

// A decoder that yields signed 16-bit samples whatever the file holds, and
// prints nothing on junk input.
mpg123_handle *newHandle() {
    // mpg123_init is a no-op in current libmpg123 but was required before 1.27.
    static const int initResult = mpg123_init();
    if (initResult != MPG123_OK)
        return nullptr;

    int error = MPG123_OK;
    mpg123_handle *handle = mpg123_new(nullptr, &error);
    if (handle == nullptr || error != MPG123_OK)
        return nullptr;
    mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);

    bool ok = mpg123_format_none(handle) == MPG123_OK;
    const long *rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; ok && i < rateCount; ++i) {
        ok = mpg123_format(handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16) ==
             MPG123_OK;
    }
    if (!ok) {
        mpg123_delete(handle);
        return nullptr;
    }
    return handle;
}

} // namespace

Mp3Decoder::Mp3Decoder() = default;

Mp3Decoder::~Mp3Decoder() {
    close();
}

void Mp3Decoder::close() {
    if (m_handle != nullptr) {
        mpg123_delete(m_handle);
        m_handle = nullptr;
    }
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    m_pending.clear();
    m_rate = 0;
    m_channels = 0;
    m_ended = true;
    m_failure = Result::Ok;
}

Mp3Decoder::Result Mp3Decoder::open(const QString &path) {
    close();
    // Opening never blocks (a FIFO without a writer would), and only a
    // regular file is read: a FIFO or a device is not a recording. The name
    // is the local 8-bit one; paths here hold Chinese characters.
    m_fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat info {};
    if (m_fd < 0 || ::fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close();
        return Result::NotAFile;
    }
    m_handle = newHandle();
    if (m_handle == nullptr) {
        close();
        return Result::LibraryError;
    }
    if (mpg123_open_fd(m_handle, m_fd) != MPG123_OK) {
        close();
        return Result::CannotOpen;
    }
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(m_handle, &rate, &channels, &encoding) != MPG123_OK ||
        encoding != MPG123_ENC_SIGNED_16 || rate <= 0 || channels < 1 || channels > 2) {
        close();
        return Result::NoFormat;
    }
    m_rate = int(rate);
    m_channels = channels;
    m_ended = false;

    // The start must decode cleanly; it is kept for the first reads.
    const qint64 checkedBytes = bytesPerSecond() * kCheckedMs / 1000;
    while (m_pending.size() < checkedBytes && decodeMore()) {
    }
    if (m_failure != Result::Ok) {
        const Result why = m_failure;
        close();
        return why;
    }
    const qsizetype frameBytes = qsizetype(m_channels) * BytesPerSample;
    if (m_pending.size() < frameBytes) {
        close();
        return Result::NoAudio;
    }
    return Result::Ok;
}

bool Mp3Decoder::decodeMore() {
    if (m_ended || m_handle == nullptr)
        return false;
    std::array<unsigned char, BlockBytes> buffer{};
    size_t done = 0;
    const int rc = mpg123_read(m_handle, buffer.data(), buffer.size(), &done);
    // What decoded before an error or the end still counts, in whole frames
    // only: a sample split by a cut-off file is dropped.
    m_pending.append(reinterpret_cast<const char *>(buffer.data()), qsizetype(done));
    const bool failed = rc == MPG123_NEW_FORMAT || (rc != MPG123_OK && rc != MPG123_DONE);
    if (failed)
        m_failure = rc == MPG123_NEW_FORMAT ? Result::FormatChanged : Result::DecodeError;
    if (failed || rc == MPG123_DONE) {
        m_ended = true;
        const qsizetype frameBytes = qsizetype(m_channels) * BytesPerSample;
        m_pending.truncate(m_pending.size() - m_pending.size() % frameBytes);
        return false;
    }
    return true;
}

QByteArray Mp3Decoder::read(qint64 maxBytes) {
    const qsizetype frameBytes = qsizetype(qMax(1, m_channels)) * BytesPerSample;
    const qsizetype wanted = qsizetype(maxBytes) - qsizetype(maxBytes) % frameBytes;
    while (m_pending.size() < wanted && decodeMore()) {
    }
    // After a failure part-way, what decoded before it still plays.
    qsizetype take = qMin(wanted, m_pending.size());
    take -= take % frameBytes;
    QByteArray block = m_pending.left(take);
    m_pending.remove(0, take);
    if (m_ended && m_pending.size() < frameBytes)
        m_pending.clear();
    return block;
}

qint64 Mp3Decoder::announcedMs() const {
    if (m_handle == nullptr || m_rate <= 0)
        return 0;
    const off_t frames = mpg123_length(m_handle);
    return frames > 0 ? qint64(frames) * 1000 / m_rate : 0;
}

qint64 Mp3Decoder::Audio::frameCount() const {
    return channels > 0 ? pcm.size() / (qint64(channels) * BytesPerSample) : 0;
}

qint64 Mp3Decoder::Audio::durationMs() const {
    return sampleRate > 0 ? frameCount() * 1000 / sampleRate : 0;
}

Mp3Decoder::Result Mp3Decoder::decode(const QString &path, Audio &out) {
    out = Audio{};
    Mp3Decoder decoder;
    const Result result = decoder.open(path);
    if (result != Result::Ok)
        return result;
    out.sampleRate = decoder.sampleRate();
    out.channels = decoder.channels();
    for (QByteArray block = decoder.read(BlockBytes * 4); !block.isEmpty();
         block = decoder.read(BlockBytes * 4))
        out.pcm.append(block);
    return result;
}
