#pragma once

#include <QLoggingCategory>
#include <QString>
#include <QtGlobal>

// Timing of the play path, for the click-to-sound benchmark. The category
// "tintoko.sound.timing" is off by default; turn it on with
//   QT_LOGGING_RULES="tintoko.sound.timing.debug=true"
// Each event is then one debug line (after Qt's own "tintoko.sound.timing: "
// prefix under the default message pattern):
//
//   event=<name> steady_ns=<n> epoch_us=<n>[ <key>=<value>...]
//
// steady_ns  monotonic clock (std::chrono::steady_clock, CLOCK_MONOTONIC on
//            Linux) in nanoseconds: compare events with each other.
// epoch_us   wall clock in microseconds since 1970-01-01 UTC: compare with
//            events outside the process (e.g. the time a click was sent).
//
// Events written by Mp3Play, in the order they happen on one play:
//   open       Open() entered                        path="<path>" (always last on the line)
//   play       Play() entered
//   opened     the sound thread opened the file      result=<0 or error> decode_us=<n> ms=<length>
//   first-pcm  the audio output accepted the first   bytes=<n>
//              samples of this play
//   no-output  no audio output: the play is timed    ms=<length>
//              silently
Q_DECLARE_LOGGING_CATEGORY(lcSoundTiming)

namespace SoundTiming {

// Writes one event line; extra holds the optional " key=value" fields, each
// starting with a space. Costs nothing beyond one check when the category is off.
void log(const char *event, const QString &extra = {});

} // namespace SoundTiming
