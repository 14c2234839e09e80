#pragma once

#include <QString>

// Where a page that the news page opens goes when the program runs as root.
// A browser must never run as root for it: the page came from the network
// and the viewer that asks for it is not trusted. So the browser runs as the
// user who called sudo, in that user's own environment and in a session of
// its own, with none of the program's descriptors; where there is no such
// user, a note gives the address instead, for the user to open it.
namespace rootbrowser {

// Starts the desktop's browser (xdg-open) for address as the user whose id
// $SUDO_UID holds; false when there is no such user, or it did not start.
bool openAsCaller(const QString &address);

// Opens address as the caller of sudo, or shows the note, without waiting
// for either.
void open(const QString &address);

} // namespace rootbrowser
