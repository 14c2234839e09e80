#pragma once

#include <QString>
#include <QStringList>

// Qt's own command-line options (-platform xcb, -style=fusion, -reverse...),
// which the application object takes out of the command line when it is
// made. A program that reads its command line before that lets them pass.
namespace qtoptions {

// How many arguments from `index` on are one of Qt's options: 0 when the
// argument is none, 2 for an option and its value.
qsizetype at(const QStringList &arguments, qsizetype index);

// The platform asked for with -platform, or empty.
QString platform(const QStringList &arguments);

} // namespace qtoptions
