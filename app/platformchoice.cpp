#include "platformchoice.h"

QByteArray platformChoice(const QProcessEnvironment &environment) {
    if (!environment.value(QStringLiteral("QT_QPA_PLATFORM")).isEmpty())
        return {};
    if (environment.value(QStringLiteral("DISPLAY")).isEmpty())
        return {};
    if (!environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty())
        return QByteArrayLiteral("xcb;wayland");
    return QByteArrayLiteral("xcb");
}

void choosePlatform() {
    if (const QByteArray platform = platformChoice(QProcessEnvironment::systemEnvironment());
        !platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", platform);
}
