#pragma once

#include <QString>

// Texts the window derives from numbers: its caption and the mixing read-outs.
namespace texts {

// "Tintoko " followed by the version text (helptexts::versionText).
QString windowCaption(int major, int minor, int revision);

// The caption of this build.
QString windowCaption();

// Mixing read-outs: "255,128,0", "33023" and "&H80FF" for (255, 128, 0).
QString tripleText(int red, int green, int blue);
QString decimalText(quint32 colourValue);
QString hexText(quint32 colourValue);

} // namespace texts
