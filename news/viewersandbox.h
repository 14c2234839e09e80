#pragma once

#include "newsnotice.h"

#include <QByteArray>
#include <QByteArrayList>

#include <optional>
#include <sys/types.h>

// How the news viewer keeps a page from the network in the web engine's
// sandbox. The sandbox puts a page's processes in namespaces of their own,
// which only an ordinary account's processes may do for themselves: the
// engine refuses to start it for root. So a viewer started by root gives
// root up for an account that owns nothing before the engine starts, and
// where it cannot, or where the namespaces cannot be made, the engine is not
// started at all.
namespace viewersandbox {

struct Account {
    uid_t uid = 0;
    gid_t gid = 0;
    QByteArray home;
};

// The account a viewer started by root runs as: "nobody".
std::optional<Account> unprivilegedAccount();

// The engine's options (as in QTWEBENGINE_CHROMIUM_FLAGS) without those
// that would run a page outside the sandbox.
QByteArray withoutUnsafeFlags(const QByteArray &flags);

// The display number of an X display name (":0", ":1.0", "host:12"); empty
// when there is none.
QByteArray displayNumber(const QByteArray &display);

// The entries of an X authority file for one display number; the others,
// and anything after a damaged entry, are left out.
QByteArray xauthorityFor(const QByteArray &file, const QByteArray &number);

// Contents in a file that has no name and goes with the process: its path,
// /proc/self/fd/N, stays valid across exec(). Empty on failure.
QByteArray anonymousFile(const QByteArray &contents);

// The viewer's environment under account (NAME=value entries): root's own
// folders and session bus are out of that account's reach and are left
// out, its home is the account's, the display's cookie is at xauthority
// (none when empty), and nothing turns the sandbox off.
QByteArrayList environmentFor(const QByteArrayList &environment, const Account &account,
                              const QByteArray &xauthority);

// Gives up root for account for good and runs program (an open executable)
// with argv and environment, dying with the parent as before. Returns only
// when that failed: the process may then have given up root already.
void runAs(const Account &account, int program, char *const argv[],
           const QByteArrayList &environment);

// Whether this process may make the user, process and network namespaces
// that the sandbox needs (tried in a child).
bool namespacesWork();

// Runs program (an open executable) again under the name argv0 as the
// unprivileged account, in environmentFor() this process's environment,
// with the X display's cookie from $XAUTHORITY or ~/.Xauthority. Returns
// only when root could not be given up; where root is gone but the program
// could not be run, the process ends.
void runUnprivileged(int program, char *argv0);

// Why the engine must not start in this process: it runs as root, or the
// sandbox's namespaces cannot be made; none when it may.
std::optional<NewsNotice> reasonAgainstEngine();

// Takes out of this process's environment what would run a page outside the
// sandbox.
void removeSandboxSwitches();

} // namespace viewersandbox
