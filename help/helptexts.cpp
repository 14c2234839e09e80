#include "helptexts.h"

#include "maker.h"

#include <QStringList>
#include <QUrl>

namespace helptexts {

namespace {

QString joinedByCr(const QStringList &lines) {
    return lines.join(QLatin1Char('\r'));
}

} // namespace

QString versionText(int major, int minor, int revision) {
    return QString::number(major) + QLatin1Char('.') + QString::number(minor) +
           QString::number(revision);
}

QString contactText() {
    return joinedByCr({
        QStringLiteral("  软件主页:"),
        QStringLiteral("    ") + maker::homePage(),
        QString(),
        QStringLiteral("  邮  编: ") + maker::postcode() + QStringLiteral("    姓  名: ") +
            maker::contactName(),
        QStringLiteral("  电  话: ") + maker::telephone() + QStringLiteral("  "),
        QStringLiteral("  电子邮箱: ") + maker::email(),
    });
}

QString aboutText(int major, int minor, int revision) {
    return joinedByCr({
        QStringLiteral("  Tintoko"),
        QString(),
        QStringLiteral("  版本号: ") + versionText(major, minor, revision),
        maker::aboutLine(),
        QString(),
    });
}

QString aboutText() {
    return aboutText(TINTOKO_VERSION_MAJOR, TINTOKO_VERSION_MINOR, TINTOKO_VERSION_PATCH);
}

QString forDisplay(QString text) {
    return text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

QString upgradePage(const QString &site) {
    return site + QStringLiteral("/rj");
}

QString linkAddress(int index, const QString &site, const QString &messagingHost,
                    const QString &number, const QString &homePage) {
    switch (index) {
    case 1:
        return site;
    case 3:
        return upgradePage(site);
    case 6:
        return messagingAddress(messagingHost, number, homePage);
    default:
        return {};
    }
}

QString messagingAddress(const QString &host, const QString &number, const QString &homePage) {
    QString base = host;
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base + QStringLiteral("/msgrd?V=1&Uin=") + number + QStringLiteral("&Site=") +
           QUrl(homePage).host() + QStringLiteral("&Menu=yes");
}

} // namespace helptexts
