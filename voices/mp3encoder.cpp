#include "mp3encoder.h"

#include <lame/lame.h>

#include <array>
#include <climits>
#include <cstring>

Mp3Encoder::Mp3Encoder(int sampleRate)
    : m_lame(lame_init()) {
    if (m_lame == nullptr)
        return;
    lame_set_in_samplerate(m_lame, sampleRate);
    lame_set_out_samplerate(m_lame, sampleRate);
    lame_set_num_channels(m_lame, 1);
    lame_set_mode(m_lame, MONO);
    lame_set_VBR(m_lame, vbr_abr);
    lame_set_VBR_mean_bitrate_kbps(m_lame, kBitrateKbps);
    lame_set_bWriteVbrTag(m_lame, 1);
    lame_set_write_id3tag_automatic(m_lame, 0);
    if (lame_init_params(m_lame) < 0) {
        lame_close(m_lame);
        m_lame = nullptr;
    }
}

Mp3Encoder::~Mp3Encoder() {
    if (m_lame != nullptr)
        lame_close(m_lame);
}

QByteArray Mp3Encoder::fail(const QString &why) {
    m_error = why;
    return {};
}

QByteArray Mp3Encoder::encode(std::span<const qint16> samples) {
    if (m_lame == nullptr)
        return fail(QStringLiteral("libmp3lame: no encoder for these settings"));
    if (samples.size() > std::size_t(INT_MAX / 2))
        return fail(QStringLiteral("libmp3lame: too many samples"));
    const int count = int(samples.size());
    // Room for the worst case, as lame.h gives it: 1.25 * samples + 7200.
    QByteArray out(qsizetype(count) + count / 4 + 7200 + 7200, Qt::Uninitialized);
    auto *buffer = reinterpret_cast<unsigned char *>(out.data());
    const int written =
        lame_encode_buffer(m_lame, samples.data(), samples.data(), count, buffer, int(out.size()));
    if (written < 0)
        return fail(QStringLiteral("libmp3lame: encoding failed (%1)").arg(written));
    const int flushed = lame_encode_flush(m_lame, buffer + written, int(out.size()) - written);
    if (flushed < 0)
        return fail(QStringLiteral("libmp3lame: flush failed (%1)").arg(flushed));
    out.truncate(written + flushed);

    // The first frame was kept free for the tag, which is known only now.
    std::array<unsigned char, 2880> tag{};
    const std::size_t tagSize = lame_get_lametag_frame(m_lame, tag.data(), tag.size());
    if (tagSize == 0 || tagSize > tag.size() || qsizetype(tagSize) > out.size())
        return fail(QStringLiteral("libmp3lame: no Xing/LAME tag"));
    std::memcpy(out.data(), tag.data(), tagSize);
    return out;
}
