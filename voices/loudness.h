#pragma once

#include <QtGlobal>

#include <span>
#include <vector>

// Loudness as people hear it (EBU R128 integrated loudness, measured with
// libebur128), so that a parent's take sounds as loud as the recordings that
// come with the program, whether it was whispered or shouted.
namespace loudness {

// The median integrated loudness of the 33 recordings in data/声音, the
// target of every take (tst_take measures them again and checks it).
inline constexpr double kTargetLufs = -18.56;
// No sample of a take is louder than this: -1 dBFS less a margin for the
// MP3 encoder, whose decoded samples stand up to about 0.3 dB higher.
inline constexpr double kCeilingDbfs = -1.5;
// A peak over the ceiling is taken down smoothly over this time before and
// after it, so that the limiting is not heard as a click.
inline constexpr int kLimitMs = 5;

// The integrated loudness in LUFS; a take shorter than the 400 ms the
// measurement needs is measured as if it were repeated. -inf for silence.
double integratedLufs(std::span<const qint16> samples, int rate);

// Brings the samples to kTargetLufs (within 0.1 LU where that is possible),
// with peaks above kCeilingDbfs limited. Silence stays as it is.
void normalise(std::vector<qint16> &samples, int rate);

// The samples times `gain`, each one at most `ceiling` (0..32767) from zero:
// a louder sample turns the gain down around it, over kLimitMs either side.
std::vector<qint16> amplified(std::span<const qint16> samples, double gain, double ceiling,
                              int rate);

} // namespace loudness
