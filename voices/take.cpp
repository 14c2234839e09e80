#include "take.h"

#include "denoise.h"
#include "loudness.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>

namespace take {

namespace {

constexpr double kSilenceDbfs = -120.0;

int peakOf(std::span<const qint16> samples) {
    int peak = 0;
    for (const qint16 s : samples)
        peak = std::max(peak, std::abs(int(s)));
    return peak;
}

} // namespace

std::vector<double> frameLevels(std::span<const qint16> samples, int rate) {
    const auto frame = std::size_t(rate) * kFrameMs / 1000;
    std::vector<double> levels;
    for (std::size_t at = 0; at < samples.size(); at += frame) {
        const std::span<const qint16> part =
            samples.subspan(at, std::min(frame, samples.size() - at));
        double energy = 0;
        for (const qint16 s : part)
            energy += double(s) * s;
        const double mean = energy / double(part.size()) / (32768.0 * 32768.0);
        levels.push_back(mean > 0 ? std::max(kSilenceDbfs, 10 * std::log10(mean)) : kSilenceDbfs);
    }
    return levels;
}

double noiseFloor(std::span<const double> levels) {
    std::vector<double> heard;
    std::copy_if(levels.begin(), levels.end(), std::back_inserter(heard),
                 [](double level) { return level > kSilenceDbfs; });
    if (heard.empty())
        return kSilenceDbfs;
    const auto quiet = heard.begin() + qsizetype(heard.size()) * kQuietShare / 100;
    std::nth_element(heard.begin(), quiet, heard.end());
    return *quiet;
}

Sound findSound(std::span<const qint16> samples, int rate) {
    const std::vector<double> levels = frameLevels(samples, rate);
    const double noise = std::min(noiseFloor(levels), kLoudestNoiseDbfs);
    const double threshold = std::max(kMinSoundDbfs, noise + kAboveNoiseDb);
    const auto frame = qsizetype(rate) * kFrameMs / 1000;
    const auto frames = qsizetype(levels.size());
    Sound sound;
    for (qsizetype first = 0; first < frames;) {
        if (levels[std::size_t(first)] < threshold) {
            ++first;
            continue;
        }
        qsizetype last = first;
        while (last + 1 < frames && levels[std::size_t(last + 1)] >= threshold)
            ++last;
        if ((last + 1 - first) * kFrameMs >= kMinRunMs) {
            if (!sound.found())
                sound.begin = first * frame;
            sound.end = std::min(qsizetype(samples.size()), (last + 1) * frame);
        }
        first = last + 1;
    }
    return sound;
}

Prepared prepare(std::span<const qint16> samples, int rate) {
    // The whole take is cleaned, so that the suppressor hears the noise
    // before the words too; the words are looked for in what is kept.
    std::vector<qint16> cleaned(samples.begin(), samples.end());
    const double noise = noiseFloor(frameLevels(samples, rate));
    if (noise > kQuietFloorDbfs && noise <= kLoudestNoiseDbfs)
        denoise::suppressNoise(cleaned, rate);
    const Sound sound = findSound(cleaned, rate);
    if (!sound.found())
        return {Verdict::Silent, 0, {}};
    if (sound.lengthMs(rate) < kMinSoundMs)
        return {Verdict::TooShort, 0, {}};
    const qsizetype begin = std::max(qsizetype(0), sound.begin - qsizetype(rate) * kLeadMs / 1000);
    const qsizetype end =
        std::min(qsizetype(samples.size()), sound.end + qsizetype(rate) * kTailMs / 1000);
    Prepared kept{Verdict::Keep, begin, {cleaned.begin() + begin, cleaned.begin() + end}};
    loudness::normalise(kept.samples, rate);
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
