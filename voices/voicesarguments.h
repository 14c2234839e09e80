#pragma once

#include <QString>
#include <QStringList>

// What tintoko-voices is asked for on its command line (the program's name
// first): "--folder DIR" records into DIR, made absolute against the current
// folder, instead of the user's own recordings folder
// (ProgramFolder::userSoundFolder()). Anything else is refused, with what to
// tell on standard error.
struct VoicesArguments {
    QString folder;      // where to record
    bool chosen = false; // a folder was given
    QString error;       // when refused: why, and how it is used; else empty
};

VoicesArguments parseVoicesArguments(const QStringList &arguments);
