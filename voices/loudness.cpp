#include "loudness.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace loudness {

namespace {

// Measuring and amplifying again makes up for what the limiting took away.
constexpr int kRounds = 8;
constexpr double kCloseEnoughLu = 0.1;

struct StateDeleter {
    void operator()(ebur128_state *state) const { ebur128_destroy(&state); }
};

} // namespace

double integratedLufs(std::span<const qint16> samples, int rate) {
    const std::unique_ptr<ebur128_state, StateDeleter> state(
        ebur128_init(1, static_cast<unsigned long>(rate), EBUR128_MODE_I));
    double lufs = -HUGE_VAL;
    if (!state || samples.empty())
        return lufs;
    const auto block = std::size_t(rate) * 400 / 1000;
    std::size_t fed = 0;
    do {
        ebur128_add_frames_short(state.get(), samples.data(), samples.size());
        fed += samples.size();
    } while (fed < block);
    ebur128_loudness_global(state.get(), &lufs);
    return lufs;
}

std::vector<qint16> amplified(std::span<const qint16> samples, double gain, double ceiling,
                              int rate) {
    const std::size_t n = samples.size();
    const auto reach = std::size_t(rate) * kLimitMs / 1000;
    // The factor each sample's gain must come down by for every sample within
    // reach of it to stay under the ceiling; 1 where none must.
    std::vector<double> down(n, 1.0);
    for (std::size_t i = 0; i < n; ++i) {
        const double loud = std::abs(samples[i] * gain);
        if (loud <= ceiling)
            continue;
        const double need = ceiling / loud;
        const std::size_t last = std::min(n - 1, i + reach);
        for (std::size_t j = i - std::min(i, reach); j <= last; ++j)
            down[j] = std::min(down[j], need);
    }
    // Smoothed by their average over the same reach: every value within reach
    // of a loud sample is at most what that sample needs, and so is the
    // average there.
    std::vector<double> sums(n + 1, 0.0);
    for (std::size_t i = 0; i < n; ++i)
        sums[i + 1] = sums[i] + down[i];
    std::vector<qint16> out(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t from = i - std::min(i, reach);
        const std::size_t to = std::min(n, i + reach + 1);
        const double smooth = (sums[to] - sums[from]) / double(to - from);
        out[i] = qint16(std::clamp(std::lround(samples[i] * gain * smooth), -32767L, 32767L));
    }
    return out;
}

void normalise(std::vector<qint16> &samples, int rate) {
    const double measured = integratedLufs(samples, rate);
    if (!std::isfinite(measured))
        return;
    const double ceiling = 32768.0 * std::pow(10.0, kCeilingDbfs / 20.0);
    double gainDb = kTargetLufs - measured;
    std::vector<qint16> out;
    for (int round = 0; round < kRounds; ++round) {
        out = amplified(samples, std::pow(10.0, gainDb / 20.0), ceiling, rate);
        const double miss = kTargetLufs - integratedLufs(out, rate);
        if (std::abs(miss) <= kCloseEnoughLu)
            break;
        gainDb += miss;
    }
    samples = std::move(out);
}

} // namespace loudness
