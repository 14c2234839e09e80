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
    // Whole frames, and one more: the suppressor gives each frame back one
    // frame later.
    std::vector<qint16> work((samples.size() / frame + 2) * frame, 0);
    std::copy(samples.begin(), samples.end(), work.begin());
    // Speech and noise are told apart by what the suppressor heard before:
    // a first pass over a copy teaches it the noise, the second one is kept.
    std::vector<qint16> copy = work;
    for (std::size_t at = 0; at < copy.size(); at += frame)
        speex_preprocess_run(state.get(), copy.data() + at);
    for (std::size_t at = 0; at < work.size(); at += frame)
        speex_preprocess_run(state.get(), work.data() + at);
    std::copy_n(work.begin() + qsizetype(frame), samples.size(), samples.begin());
}

} // namespace denoise
