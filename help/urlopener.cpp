#include "urlopener.h"

#include <QUrl>

bool isWebAddress(const QUrl &url) {
    // QUrl keeps the scheme in lower case, so "HTTPS:" counts too.
    const QString scheme = url.scheme();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

bool UrlOpener::openWebAddress(const QString &address) {
    // As a browser's address bar takes it: "www.example.org" is an http page.
    const QUrl url = QUrl::fromUserInput(address.trimmed());
    if (!isWebAddress(url))
        return false;
    return open(url);
}

bool UrlOpener::openLocalFile(const QString &path) {
    if (path.isEmpty())
        return false;
    return open(QUrl::fromLocalFile(path));
}
