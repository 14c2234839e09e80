#pragma once

#include <QtGlobal>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <random>
#include <vector>

// Made-up sound at 22050 Hz, stretch by stretch: faint noise (+-30) where the
// amplitude is 0; a steady 440 Hz tone; or words: syllables of 250 ms, each a
// tone of its own pitch that starts within 10 ms, holds, fades over 50 ms
// and leaves 50 ms of faint noise before the next, as speech comes and goes;
// the last one fades out by the end of the stretch at the latest.
struct Stretch {
    int ms = 0;
    int amplitude = 0;
    bool words = false;
};

inline std::vector<qint16> madeSound(std::initializer_list<Stretch> stretches) {
    std::vector<qint16> samples;
    for (const Stretch &s : stretches) {
        const int length = 22050 * s.ms / 1000;
        for (int i = 0; i < length; ++i) {
            const int inSyllable = i % 5512; // 250 ms
            const double hz = s.words ? 300 + 60 * (i / 5512 % 4) : 440;
            const double envelope = !s.words            ? 1.0
                                    : inSyllable < 220  ? inSyllable / 220.0
                                    : inSyllable < 3307 ? std::min(1.0, (length - i) / 1103.0)
                                    : inSyllable < 4410 ? (4410 - inSyllable) / 1103.0
                                                        : 0.0;
            const double tone =
                s.amplitude * envelope * std::sin(2 * M_PI * hz * double(samples.size()) / 22050);
            samples.push_back(qint16(s.amplitude > 0 && envelope > 0 ? std::lround(tone)
                                     : i % 2 == 0                    ? 30
                                                                     : -30));
        }
    }
    return samples;
}

// The samples with white noise of this RMS level (dBFS) added, the hiss of a
// cheap microphone; the same noise every time.
inline std::vector<qint16> withHiss(std::vector<qint16> samples, double dbfs) {
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, 32768.0 * std::pow(10.0, dbfs / 20.0));
    for (qint16 &s : samples)
        s = qint16(std::clamp(std::lround(s + noise(random)), -32768L, 32767L));
    return samples;
}
