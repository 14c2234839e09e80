#pragma once

#include <QString>

// Texts the window derives from numbers: its caption and the mixing read-outs.
namespace texts {

// The version as Tintoko has always shown it: major, a point, then minor and
// revision written together ("5.70" for 5.7.0, "1.123" for 1.12.3).
QString versionText(int major, int minor, int revision);

// "Tintoko " followed by the version text.
QString windowCaption(int major, int minor, int revision);

// The caption of this build.
QString windowCaption();

// Mixing read-outs: "255,128,0", "33023" and "&H80FF" for (255, 128, 0).
QString tripleText(int red, int green, int blue);
QString decimalText(quint32 colourValue);
QString hexText(quint32 colourValue);

} // namespace texts
