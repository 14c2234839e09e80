#include "newsaddress.h"

#include <QUrl>

namespace newsaddress {

QString request(const QString &server, const QString &identifier) {
    QString base = server;
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    QString id = identifier;
    id.remove(QLatin1Char(' '));
    return base + QStringLiteral("/rjshengji/gg_tan.htm?id=vemb&") + id;
}

bool isServerSet(const QString &server) {
    const QUrl url(server.trimmed());
    QString host = url.host().toLower();
    while (host.endsWith(QLatin1Char('.')))
        host.chop(1);
    const bool web =
        url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
    const bool reserved =
        host == QLatin1String("invalid") || host.endsWith(QLatin1String(".invalid"));
    return url.isValid() && web && !host.isEmpty() && !reserved;
}

bool needsNavigation(const QString &shownAddress, const QString &newsHost) {
    return newsHost.isEmpty() || !shownAddress.contains(newsHost);
}

bool opensInBrowser(const QString &address) {
    const QUrl url(address, QUrl::StrictMode);
    const bool web =
        url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
    return address.size() > 15 && url.isValid() && web && !url.host().isEmpty();
}

} // namespace newsaddress
