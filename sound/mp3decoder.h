#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <memory>

struct mpg123_handle_struct;

// Decodes an MP3 file with libmpg123 a block at a time, as it plays: signed
// 16-bit interleaved samples at the file's own rate and channel count. However
// long the file, only the block being read is held in memory.
//
// open() answers Ok only when the file really sounds: libmpg123 opens it,
// finds an output format, and decodes the first half second (or the whole
// file, when shorter) with that one format, no error, and at least one frame
// of audio. What comes later plays as far as it goes: a file cut short plays
// what it holds, and a decoding error or a change of format part-way ends it.
class Mp3Decoder {
public:
    // Why a file does not play. The values double as the player's Open
    // result, so every failure is non-zero.
    enum class Result : qint16 {
        Ok = 0,
        NotAFile = 1,      // missing, unreadable, a folder, or not a regular file
        CannotOpen = 3,    // libmpg123 could not open it
        NoFormat = 4,      // no MPEG audio found (empty, text, random bytes...)
        FormatChanged = 5, // the output format changes at the start: not one MP3 stream
        DecodeError = 6,   // libmpg123 reported an error at the start
        NoAudio = 7,       // no sample decoded
        LibraryError = 9,  // libmpg123 could not set up a decoder
    };

    // How much is checked at open().
    static constexpr qint64 kCheckedMs = 500;

    Mp3Decoder();
    ~Mp3Decoder();
    Mp3Decoder(const Mp3Decoder &) = delete;
    Mp3Decoder &operator=(const Mp3Decoder &) = delete;
    Mp3Decoder(Mp3Decoder &&) = delete;
    Mp3Decoder &operator=(Mp3Decoder &&) = delete;

    Result open(const QString &path);

    [[nodiscard]] int sampleRate() const { return m_rate; }
    [[nodiscard]] int channels() const { return m_channels; }
    [[nodiscard]] qint64 bytesPerSecond() const { return qint64(m_rate) * m_channels * 2; }
    // The length the file announces (exact when it carries an encoder's tag),
    // 0 when unknown.
    [[nodiscard]] qint64 announcedMs() const;

    // Up to maxBytes of whole sample frames; empty once the stream is over.
    QByteArray read(qint64 maxBytes);

    // A whole file at once (for tools and tests): its samples in out.pcm.
    struct Audio {
        QByteArray pcm;
        int sampleRate = 0;
        int channels = 0;
        [[nodiscard]] qint64 frameCount() const;
        [[nodiscard]] qint64 durationMs() const;
    };
    static Result decode(const QString &path, Audio &out);

private:
    // Decodes the next block into m_pending; false when the stream is over.
    bool decodeMore();
    void close();

    mpg123_handle_struct *m_handle = nullptr;
    int m_fd = -1;        // the file libmpg123 reads; it is ours to close
    QByteArray m_pending; // decoded, not yet read
    int m_rate = 0;
    int m_channels = 0;
    bool m_ended = true;
    Result m_failure = Result::Ok; // an error or a change of format, once it came
};
