#pragma once

#include <QtGlobal>

#include <span>
#include <vector>

// What is done to a take before it is kept, as plain functions on 16-bit mono
// samples: the silence before and after the words is cut, kTailMs of what
// follows them is kept so that the last sound dies away, and the loudest
// sample is brought to kPeakDbfs, so that every recording sounds about as
// loud as the next.
namespace take {

inline constexpr int kFrameMs = 10;       // sound is looked for frame by frame
inline constexpr int kTailMs = 100;       // kept after the last sound
inline constexpr int kMinSoundMs = 300;   // less than this is no take
inline constexpr double kPeakDbfs = -1.0; // the loudest sample afterwards
// A frame holds sound when its loudest sample reaches a thirtieth of the
// take's loudest (-30 dB), and at least kFloor: room noise and a quiet
// breath stay out, the onset of a word stays in.
inline constexpr int kRelativeDivisor = 30;
inline constexpr int kFloor = 164; // -46 dBFS

struct Sound {
    qsizetype begin = 0; // first sample of the first frame with sound
    qsizetype end = 0;   // one past the last sample of the last frame with sound
    [[nodiscard]] bool found() const { return end > begin; }
    [[nodiscard]] qint64 lengthMs(int rate) const { return qint64(end - begin) * 1000 / rate; }
};

// Where the sound is; an empty Sound when there is none.
Sound findSound(std::span<const qint16> samples, int rate);

// Scales the samples so that the loudest reaches `dbfs` (all silence stays).
void normalise(std::span<qint16> samples, double dbfs);

enum class Verdict { Keep, Silent, TooShort };

struct Prepared {
    Verdict verdict = Verdict::Silent;
    std::vector<qint16> samples; // with Keep: trimmed and normalised
};

// The whole treatment: cut, judge, normalise.
Prepared prepare(std::span<const qint16> samples, int rate);

// The loudest sample of a block, as 0..100 on a scale from -60 dBFS to 0:
// what the level meter shows.
int levelPercent(std::span<const qint16> samples);

} // namespace take
