#include "newsaddress.h"

namespace newsaddress {

QString request(const QString &server, const QString &identifier) {
    QString base = server;
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    QString id = identifier;
    id.remove(QLatin1Char(' '));
    return base + QStringLiteral("/rjshengji/gg_tan.htm?id=vemb&") + id;
}

bool needsNavigation(const QString &shownAddress, const QString &newsHost) {
    return newsHost.isEmpty() || !shownAddress.contains(newsHost);
}

bool opensInBrowser(const QString &address) {
    return address.size() > 15;
}

} // namespace newsaddress
