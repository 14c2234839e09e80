#pragma once

#include <QString>

// The news page's address and the rules about addresses the news window uses.
namespace newsaddress {

// <server>/rjshengji/gg_tan.htm?id=vemb&<identifier without spaces>.
QString request(const QString &server, const QString &identifier);

// Whether the build names a news server: an http or https address whose host
// is not under the reserved name "invalid", which the default uses, so that a
// build that sets no server asks nobody and never starts the web engine by
// itself.
bool isServerSet(const QString &server);

// The on-demand entry loads the page again only when the window does not
// show the news server's page already.
bool needsNavigation(const QString &shownAddress, const QString &newsHost);

// A page that the news page opens in a new window goes to the default
// browser when its address is longer than 15 characters and is a web page's
// (http or https, with a host); shorter ones (a blank page) and any other
// are dropped.
bool opensInBrowser(const QString &address);

} // namespace newsaddress
