#pragma once

#include "readeraccess.h"

#include <QAccessible>
#include <QPointer>
#include <QStringList>

// What a screen reader says by itself: the name of each notification shown
// inside a status bar, read as a reader that is behind reads it, after all of
// them were shown. Including this header puts the listener in place; a test
// clears the list where it begins to listen.
inline QList<QPointer<QObject>> announcers;

inline void hearAnnouncement(QAccessibleEvent *event) {
    QAccessibleInterface *shown = event->accessibleInterface();
    if (event->type() == QAccessible::ObjectShow && shown->role() == QAccessible::Notification &&
        shown->parent()->role() == QAccessible::StatusBar)
        announcers << shown->object();
}

inline QStringList announced() {
    QStringList names;
    for (QObject *announcer : announcers) {
        QAccessibleInterface *read = QAccessible::queryAccessibleInterface(announcer);
        names << (read != nullptr ? read->text(QAccessible::Name) : QString());
    }
    return names;
}

inline const readeraccess::Listener qtListener = readeraccess::listenInstead(&hearAnnouncement);
