#include "take.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace take {

namespace {

int peakOf(std::span<const qint16> samples) {
    int peak = 0;
    for (const qint16 s : samples)
        peak = std::max(peak, std::abs(int(s)));
    return peak;
}

} // namespace

Sound findSound(std::span<const qint16> samples, int rate) {
    const auto frame = qsizetype(rate) * kFrameMs / 1000;
    const auto size = qsizetype(samples.size());
    const int threshold = std::max(kFloor, peakOf(samples) / kRelativeDivisor);
    Sound sound;
    for (qsizetype at = 0; at < size; at += frame) {
        const qsizetype length = std::min(frame, size - at);
        if (peakOf(samples.subspan(std::size_t(at), std::size_t(length))) < threshold)
            continue;
        if (!sound.found())
            sound.begin = at;
        sound.end = at + length;
    }
    return sound;
}

void normalise(std::span<qint16> samples, double dbfs) {
    const int peak = peakOf(samples);
    if (peak == 0)
        return;
    const double gain = 32768.0 * std::pow(10.0, dbfs / 20.0) / peak;
    for (qint16 &s : samples)
        s = qint16(std::clamp(std::lround(s * gain), -32768L, 32767L));
}

Prepared prepare(std::span<const qint16> samples, int rate) {
    const Sound sound = findSound(samples, rate);
    if (!sound.found())
        return {Verdict::Silent, {}};
    if (sound.lengthMs(rate) < kMinSoundMs)
        return {Verdict::TooShort, {}};
    const qsizetype end =
        std::min(qsizetype(samples.size()), sound.end + qsizetype(rate) * kTailMs / 1000);
    Prepared kept{Verdict::Keep, {samples.begin() + sound.begin, samples.begin() + end}};
    normalise(kept.samples, kPeakDbfs);
    return kept;
}

int levelPercent(std::span<const qint16> samples) {
    const int peak = peakOf(samples);
    if (peak == 0)
        return 0;
    const double db = 20.0 * std::log10(peak / 32768.0);
    return std::clamp(int(std::lround((db + 60.0) * 100.0 / 60.0)), 0, 100);
}

} // namespace take
