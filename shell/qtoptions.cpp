#include "qtoptions.h"

#include <algorithm>

namespace {

// Those that take a value, the next argument or after "=".
const QStringList kWithValue{
    QStringLiteral("platform"),        QStringLiteral("platformpluginpath"),
    QStringLiteral("platformtheme"),   QStringLiteral("plugin"),
    QStringLiteral("qwindowgeometry"), QStringLiteral("geometry"),
    QStringLiteral("qwindowtitle"),    QStringLiteral("title"),
    QStringLiteral("qwindowicon"),     QStringLiteral("icon"),
    QStringLiteral("display"),         QStringLiteral("name"),
    QStringLiteral("visual"),          QStringLiteral("style"),
    QStringLiteral("stylesheet"),      QStringLiteral("session"),
    QStringLiteral("qmljsdebugger")};
const QStringList kFlags{QStringLiteral("reverse"), QStringLiteral("widgetcount"),
                         QStringLiteral("nograb"),  QStringLiteral("dograb"),
                         QStringLiteral("sync"),    QStringLiteral("testability")};

// The option's name without its one or two dashes, and its value after "=".
QString nameOf(const QString &argument) {
    if (!argument.startsWith(QLatin1Char('-')))
        return {};
    const QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
    return name.section(QLatin1Char('='), 0, 0);
}

} // namespace

namespace qtoptions {

qsizetype at(const QStringList &arguments, qsizetype index) {
    const QString &argument = arguments.at(index);
    const QString name = nameOf(argument);
    if (kFlags.contains(name) && !argument.contains(QLatin1Char('=')))
        return 1;
    if (!kWithValue.contains(name))
        return 0;
    if (argument.contains(QLatin1Char('=')))
        return 1;
    return index + 1 < arguments.size() ? 2 : 0; // without its value it is none of Qt's
}

QString platform(const QStringList &arguments) {
    QString chosen;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const qsizetype n = at(arguments, i);
        if (n > 0 && nameOf(arguments.at(i)) == QLatin1String("platform"))
            chosen = n == 2 ? arguments.at(i + 1) : arguments.at(i).section(QLatin1Char('='), 1);
        i += std::max<qsizetype>(n, 1) - 1;
    }
    return chosen;
}

} // namespace qtoptions
