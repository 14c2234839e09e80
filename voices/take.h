#pragma once

#include <QtGlobal>

#include <span>
#include <vector>

// What is done to a take before it is kept, as plain functions on 16-bit mono
// samples: the stretches before and after the words that hold nothing but
// the noise of the room and the microphone are cut, kLeadMs before the words
// and kTailMs after them are kept so that a soft start is whole and the last
// sound dies away, the noise under what is kept is lowered (denoise.h), and
// the take is brought to the loudness of the shipped recordings
// (loudness.h).
namespace take {

inline constexpr int kFrameMs = 10;     // sound is looked for frame by frame
inline constexpr int kLeadMs = 50;      // kept before the first sound
inline constexpr int kTailMs = 100;     // kept after the last sound
inline constexpr int kMinSoundMs = 300; // less than this is no take
// The noise floor of a take is the level (RMS) of the quietest tenth of its
// frames that hold a signal at all: digital silence is none (a source that
// sends zeros before it starts, the monitor of an output that plays
// nothing), since a microphone hears at least some noise. Sound is a run of at least
// kMinRunMs of frames kAboveNoiseDb above that floor, and above kMinSoundDbfs: hiss, hum and a
// breath stay out, and so does the click of the mouse button that stops the take.
inline constexpr int kQuietShare = 10; // percent of the frames
inline constexpr double kAboveNoiseDb = 10.0;
inline constexpr double kMinSoundDbfs = -55.0;
inline constexpr int kMinRunMs = 30;
// A floor louder than kLoudestNoiseDbfs is no noise but a take without a
// pause (a long word, a steady tone): sound is what stands kAboveNoiseDb
// above that level.
inline constexpr double kLoudestNoiseDbfs = -35.0;
// Noise is lowered where there is noise to lower: a take from a quiet room
// and a good microphone, or one without a pause, is left as it was heard.
inline constexpr double kQuietFloorDbfs = -60.0;

// The RMS level of each kFrameMs frame in dBFS (a last, shorter frame
// included); -120 for digital silence.
std::vector<double> frameLevels(std::span<const qint16> samples, int rate);

// The level of the quietest kQuietShare percent of the frames with a signal;
// -120 when none has one.
double noiseFloor(std::span<const double> levels);

struct Sound {
    qsizetype begin = 0; // first sample of the first frame with sound
    qsizetype end = 0;   // one past the last sample of the last frame with sound
    [[nodiscard]] bool found() const { return end > begin; }
    [[nodiscard]] qint64 lengthMs(int rate) const { return qint64(end - begin) * 1000 / rate; }
};

// Where the sound is; an empty Sound when there is none.
Sound findSound(std::span<const qint16> samples, int rate);

enum class Verdict { Keep, Silent, TooShort };

struct Prepared {
    Verdict verdict = Verdict::Silent;
    qsizetype begin = 0;         // with Keep: where the kept part starts in the take
    std::vector<qint16> samples; // with Keep: cut, cleaned and brought to loudness
};

// The whole treatment: find the words, judge, cut, clean, level.
Prepared prepare(std::span<const qint16> samples, int rate);

// The loudest sample of a block, as 0..100 on a scale from -60 dBFS to 0:
// what the level meter shows.
int levelPercent(std::span<const qint16> samples);

} // namespace take
