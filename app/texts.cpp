#include "texts.h"

#include "helptexts.h"

namespace texts {

QString windowCaption(int major, int minor, int revision) {
    return QStringLiteral("Tintoko ") + helptexts::versionText(major, minor, revision);
}

QString windowCaption() {
    return windowCaption(TINTOKO_VERSION_MAJOR, TINTOKO_VERSION_MINOR, TINTOKO_VERSION_PATCH);
}

QString tripleText(int red, int green, int blue) {
    return QStringLiteral("%1,%2,%3").arg(red).arg(green).arg(blue);
}

QString decimalText(quint32 colourValue) {
    return QString::number(colourValue);
}

QString hexText(quint32 colourValue) {
    return QStringLiteral("&H") + QString::number(colourValue, 16).toUpper();
}

} // namespace texts
