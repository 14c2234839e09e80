#pragma once

#include <QString>
#include <QStringList>

// What tintoko-voices is asked for on its command line (the program's name
// first): "--folder DIR" records into DIR, made absolute against the current
// folder, instead of the user's own recordings folder
// (ProgramFolder::userSoundFolder()); "--help" and "--version" ask for a text
// on standard output instead of the window. Anything else is refused, with
// one line for standard error. Read before anything needs a display.
struct VoicesArguments {
    QString folder;      // where to record
    bool chosen = false; // a folder was given
    QString error;       // when refused: one line that says why; else empty
    QString answer;      // the usage or the version, when asked for; else empty
};

// version is what --version tells.
VoicesArguments parseVoicesArguments(const QStringList &arguments, const QString &version = {});
