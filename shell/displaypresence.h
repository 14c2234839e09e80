#pragma once

#include <QByteArray>
#include <QProcessEnvironment>

#include <functional>

// Whether the Qt platform the program will start on finds a display to show
// its window on. Without one, Qt ends the program with an abort (and a core
// file) after an English message; the program checks first and says so in
// its own words. Platforms that need no display server (offscreen, vnc,
// linuxfb...) are taken at their word. xReachable tells whether an X display
// answers; by default it connects to it.
bool displayPresent(const QProcessEnvironment &environment,
                    const std::function<bool(const QByteArray &)> &xReachable = {});

// The line for standard error when there is none.
QByteArray noDisplayMessage(const char *program);
