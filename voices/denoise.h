#pragma once

#include <QtGlobal>

#include <span>

// Lowers the steady noise under a take (the hiss of a cheap microphone, a
// fan, the hum of a room) with the noise suppressor of speexdsp's
// preprocessor, which tells speech from noise band by band and turns the
// noise down by up to kSuppressDb while it leaves the words as they are.
namespace denoise {

inline constexpr int kSuppressDb = -30;
inline constexpr int kFrameMs = 10;

// Works on the samples in place, at any rate. The suppressor first listens
// to the whole take once, so that it knows the noise before the first word.
void suppressNoise(std::span<qint16> samples, int rate);

} // namespace denoise
