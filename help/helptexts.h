#pragma once

#include <QString>

// The texts of the help menu's boxes and the addresses its links open.
namespace helptexts {

// The version as Tintoko has always shown it: major, a point, then minor and
// revision written together ("5.70" for 5.7.0, "5.312" for 5.3.12).
QString versionText(int major, int minor, int revision);

// The contact and about boxes' texts, their lines joined by a carriage
// return alone. (A Qt label does not break a line at a lone carriage return:
// show them with forDisplay().)
QString contactText();
QString aboutText(int major, int minor, int revision);
QString aboutText(); // of this build
inline const QString kContactTitle = QStringLiteral("联系方式...");
inline const QString kAboutTitle = QStringLiteral("关于Tintoko...");

// The text with every carriage return shown as a line break.
QString forDisplay(QString text);

// The link row's upgrade page: the site and "/rj".
QString upgradePage(const QString &site);
// What a click on link `index` of the link row opens: the site (1), its
// upgrade page (3) or the messaging service's contact page (6); nothing for
// the row's plain labels.
QString linkAddress(int index, const QString &site, const QString &messagingHost,
                    const QString &number, const QString &homePage);
// The messaging service's web contact page for the maker's number, naming
// the home page's host as the site.
QString messagingAddress(const QString &host, const QString &number, const QString &homePage);

} // namespace helptexts
