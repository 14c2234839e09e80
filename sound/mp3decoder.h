#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// Decodes a whole MP3 file into memory with libmpg123: interleaved signed 16-bit
// samples at the file's own rate and channel count. The recordings are a few
// seconds long, so decoding everything up front costs a few milliseconds and
// leaves nothing to do on the play path.
//
// A file counts as good only when libmpg123 opens it, finds an output format,
// keeps that format to the end, reports no decoding error and yields at least
// one frame of audio. A file cut short decodes as far as it goes. Files that
// are too big or hold too much audio are refused, so that a stray huge file
// cannot take the memory.
class Mp3Decoder {
public:
    struct Limits {
        qint64 maxFileBytes = qint64(16) * 1024 * 1024;
        qint64 maxDurationMs = 60 * 1000;
    };

    // Why a file was refused. The values double as the player's Open result,
    // so every failure is non-zero.
    enum class Result : qint16 {
        Ok = 0,
        NotAFile = 1,      // missing, a folder, or not a regular file
        TooLarge = 2,      // file bigger than Limits::maxFileBytes
        CannotOpen = 3,    // libmpg123 could not open it
        NoFormat = 4,      // no MPEG audio found (empty, text, random bytes...)
        FormatChanged = 5, // the output format changes part-way: not one MP3 stream
        DecodeError = 6,   // libmpg123 reported an error while decoding
        NoAudio = 7,       // no sample decoded
        TooLong = 8,       // more audio than Limits::maxDurationMs
        LibraryError = 9,  // libmpg123 could not set up a decoder
        Truncated = 10,    // the file's own header promises more audio than it holds
    };

    struct Audio {
        QByteArray pcm; // interleaved signed 16-bit samples, native byte order
        int sampleRate = 0;
        int channels = 0;

        [[nodiscard]] qint64 frameCount() const;
        [[nodiscard]] qint64 durationMs() const;
    };

    // Decodes the file at path into out. On failure out is left empty.
    static Result decode(const QString &path, Audio &out);
    static Result decode(const QString &path, Audio &out, const Limits &limits);
};
