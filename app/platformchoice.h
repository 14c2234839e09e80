#pragma once

#include <QByteArray>
#include <QProcessEnvironment>

// The Qt platform the program asks for, given its environment. A user's own
// QT_QPA_PLATFORM always wins (the answer is then empty: leave it). Where an
// X display is named, X11 comes first, through Xwayland on a Wayland desktop,
// because only there can a window keep its pinned place and come back from
// the tray; native Wayland is the fall-back when the X display cannot be
// reached. Without an X display, Qt chooses (empty).
QByteArray platformChoice(const QProcessEnvironment &environment);

// Puts that choice in QT_QPA_PLATFORM, for the application made after it.
void choosePlatform();
