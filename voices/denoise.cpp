#include "denoise.h"

#include <speex/speex_preprocess.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace denoise {

void suppressNoise(std::span<qint16> samples, int rate) {
    const auto frame = std::size_t(rate) * kFrameMs / 1000;
    const std::unique_ptr<SpeexPreprocessState, decltype(&speex_preprocess_state_destroy)> state(
        speex_preprocess_state_init(int(frame), rate), &speex_preprocess_state_destroy);
    if (!state || frame == 0)
        return;
    int suppress = kSuppressDb;
    speex_preprocess_ctl(state.get(), SPEEX_PREPROCESS_SET_NOISE_SUPPRESS, &suppress);

    // Frames of digital silence (a source that sent nothing) stay as they
    // are: the suppressor would take them for the noise. The others go
    // through it one after another, and one frame more, since it gives each
    // frame back one frame later.
    std::vector<std::size_t> heard;
    std::vector<qint16> work;
    for (std::size_t at = 0; at < samples.size(); at += frame) {
        const auto part = samples.subspan(at, std::min(frame, samples.size() - at));
        if (std::all_of(part.begin(), part.end(), [](qint16 s) { return s == 0; }))
            continue;
        heard.push_back(at);
        work.insert(work.end(), part.begin(), part.end());
        work.resize(heard.size() * frame, 0);
    }
    work.resize(work.size() + frame, 0);
    // Speech and noise are told apart by what the suppressor heard before:
    // a first pass over a copy teaches it the noise, the second one is kept.
    const auto run = [&](std::vector<qint16> &frames) {
        for (auto at = frames.begin(); at != frames.end(); at += qsizetype(frame))
            speex_preprocess_run(state.get(), &*at);
    };
    std::vector<qint16> copy = work;
    run(copy);
    run(work);
    for (std::size_t i = 0; i < heard.size(); ++i) {
        const std::size_t length = std::min(frame, samples.size() - heard[i]);
        // Checked: the frame one later is always there.
        std::copy_n(&work.at((i + 1) * frame), length, samples.begin() + qsizetype(heard[i]));
    }
}

} // namespace denoise
