#include "displaypresence.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <xcb/xcb.h>

namespace {

bool connectsToX(const QByteArray &display) {
    xcb_connection_t *connection = xcb_connect(display.constData(), nullptr);
    const bool reached = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return reached;
}

bool waylandPresent(const QProcessEnvironment &environment) {
    QString socket = environment.value(QStringLiteral("WAYLAND_DISPLAY"));
    if (!socket.isEmpty())
        return true;
    // A Wayland client without WAYLAND_DISPLAY tries wayland-0.
    const QString runtime = environment.value(QStringLiteral("XDG_RUNTIME_DIR"));
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/wayland-0"));
}

} // namespace

bool displayPresent(const QProcessEnvironment &environment,
                    const std::function<bool(const QByteArray &)> &xReachable) {
    const QByteArray display = environment.value(QStringLiteral("DISPLAY")).toLocal8Bit();
    const auto x = [&] {
        return !display.isEmpty() && (xReachable ? xReachable(display) : connectsToX(display));
    };
    QStringList platforms = environment.value(QStringLiteral("QT_QPA_PLATFORM"))
                                .split(QLatin1Char(';'), Qt::SkipEmptyParts);
    if (platforms.isEmpty()) // Qt's own choice: Wayland or X11, whichever is there
        platforms = {QStringLiteral("wayland"), QStringLiteral("xcb")};
    for (const QString &entry : platforms) {
        const QString platform = entry.section(QLatin1Char(':'), 0, 0);
        if (platform == QLatin1String("xcb")                ? x()
            : platform.startsWith(QLatin1String("wayland")) ? waylandPresent(environment)
                                                            : true)
            return true;
    }
    return false;
}

QByteArray noDisplayMessage(const char *program) {
    return QByteArray(program) +
           QStringLiteral("：找不到可以显示窗口的屏幕（DISPLAY 或 WAYLAND_DISPLAY 没有设置，"
                          "或连不上），没有打开窗口。\n")
               .toUtf8();
}
