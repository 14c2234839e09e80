#pragma once

#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

// What tintoko is asked for on its command line (the program's name first).
// Read before anything needs a display, so that --help and --version answer
// on a terminal without one. "--scan" or "--scan=SECONDS" turns the buttons'
// scanning on, each button highlighted for that long (kScanDefault without a
// value); "--help" and "--version" ask for a text on standard output instead
// of the window. Anything else is refused, with one line for standard error.
// A second start hands its command line to the running program, which reads
// it with the same function.
struct TintokoArguments {
    std::optional<std::chrono::milliseconds> scanStep; // how long a button stays highlighted
    QString error;  // when refused: one line that says why; else empty
    QString answer; // the usage or the version, when asked for; else empty
};

namespace tintokoarguments {
constexpr std::chrono::milliseconds kScanMin{500};
constexpr std::chrono::milliseconds kScanMax{10000};
constexpr std::chrono::milliseconds kScanDefault{2000};
} // namespace tintokoarguments

// version is what --version tells.
TintokoArguments parseTintokoArguments(const QStringList &arguments, const QString &version = {});
