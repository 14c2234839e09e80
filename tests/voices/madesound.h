#pragma once

#include <QtGlobal>

#include <cmath>
#include <initializer_list>
#include <vector>

// Made-up sound at 22050 Hz: stretches of a 440 Hz tone of the given
// amplitude, or of faint noise (+-30) where the amplitude is 0.
struct Stretch {
    int ms;
    int amplitude;
};

inline std::vector<qint16> madeSound(std::initializer_list<Stretch> stretches) {
    std::vector<qint16> samples;
    for (const Stretch &s : stretches) {
        for (int i = 0; i < 22050 * s.ms / 1000; ++i) {
            const double tone =
                s.amplitude * std::sin(2 * M_PI * 440 * double(samples.size()) / 22050);
            samples.push_back(qint16(s.amplitude > 0 ? std::lround(tone) : i % 2 == 0 ? 30 : -30));
        }
    }
    return samples;
}
