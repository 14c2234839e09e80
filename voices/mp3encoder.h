#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <span>

struct lame_global_struct;

// Encodes 16-bit mono samples as an MP3 file with libmp3lame, made like the
// recordings that come with the program (mono, the samples' own rate, an
// average of 48 kbit/s) and with the encoder's Xing/LAME tag in the first
// frame, which states the exact length so that a player can skip the
// encoder's delay and tell a file cut short.
class Mp3Encoder {
public:
    static constexpr int kBitrateKbps = 48;

    explicit Mp3Encoder(int sampleRate);
    ~Mp3Encoder();
    Mp3Encoder(const Mp3Encoder &) = delete;
    Mp3Encoder &operator=(const Mp3Encoder &) = delete;
    Mp3Encoder(Mp3Encoder &&) = delete;
    Mp3Encoder &operator=(Mp3Encoder &&) = delete;

    // The whole file for these samples; empty on failure (see errorString()).
    // One take per encoder.
    QByteArray encode(std::span<const qint16> samples);
    [[nodiscard]] QString errorString() const { return m_error; }

private:
    QByteArray fail(const QString &why);

    lame_global_struct *m_lame = nullptr;
    QString m_error;
};
