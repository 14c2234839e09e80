#pragma once

#include "readeraccess.h"

#include <QAccessible>
#include <QStringList>

// What a screen reader says by itself: the name of each notification shown
// inside a status bar, read when shown. Including this header puts the
// listener in place; a test clears the list where it begins to listen.
inline QStringList announced;

inline void hearAnnouncement(QAccessibleEvent *event) {
    QAccessibleInterface *shown = event->accessibleInterface();
    if (event->type() == QAccessible::ObjectShow && shown->role() == QAccessible::Notification &&
        shown->parent()->role() == QAccessible::StatusBar)
        announced << shown->text(QAccessible::Name);
}

inline const readeraccess::Listener qtListener = readeraccess::listenInstead(&hearAnnouncement);
