#pragma once

#include "newsnotice.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QProcessEnvironment>

#include <functional>
#include <optional>
#include <sys/types.h>

// How the news viewer keeps a page from the network in the web engine's
// sandbox. The sandbox puts a page's processes in namespaces of their own,
// which only an ordinary account's processes may do for themselves: the
// engine refuses to start it for root. So a viewer started by root gives
// root up, before the engine starts, for an account of its own that owns
// nothing and that no other program runs as (the package makes it), or else
// for the user who called sudo; where it cannot, or where the namespaces
// cannot be made, the engine is not started at all. The viewer is not
// dumpable, so that no other process of that account may attach to it or
// read its environment, memory or descriptors (the display's cookie), but
// while the engine starts its sandbox (startEngine()).
namespace viewersandbox {

struct Account {
    uid_t uid = 0;
    gid_t gid = 0;
    QByteArray home;
    QByteArray name;
};

// The name of the viewer's own account, as the package's sysusers.d file
// makes it.
inline constexpr char kViewerAccount[] = "_tintoko-news";

// The account a viewer started by root runs as: systemAccount when there is
// such an account; else the user whose id sudoUid holds (as sudo sets
// SUDO_UID), unless that is root; none otherwise.
std::optional<Account> unprivilegedAccount(const char *systemAccount, const QByteArray &sudoUid);

// The user whose id sudoUid holds, unless that is root.
std::optional<Account> callerOfSudo(const QByteArray &sudoUid);

// The engine's options as the engine reads QTWEBENGINE_CHROMIUM_FLAGS: split
// at spaces outside double quotes, the quotes taken out.
QByteArrayList engineArguments(const QByteArray &flags);

// Of the engine's options (as in QTWEBENGINE_CHROMIUM_FLAGS), the switches
// known to be harmless, with a short plain value if any, each as
// "--name[=value]"; nothing else.
QByteArray harmlessFlags(const QByteArray &flags);

// The display number of an X display name (":0", ":1.0", "host:12"); empty
// when there is none.
QByteArray displayNumber(const QByteArray &display);

// The entries of an X authority file for one display number; the others,
// and anything after a damaged entry, are left out.
QByteArray xauthorityFor(const QByteArray &file, const QByteArray &number);

// Contents in a file that has no name and goes with the process (and with no
// program it runs): its path, /proc/self/fd/N. Empty on failure.
QByteArray anonymousFile(const QByteArray &contents);

// Of environment (NAME=value entries), those the viewer needs, and no
// others: where it draws (the display, its cookie, Qt's choices of platform
// and scale), its language, its own folders and session bus, the search
// path, the engine's harmless options only, SUDO_UID, and the
// sanitizers' settings (read only by a build made with them).
QByteArrayList viewerEnvironment(const QByteArrayList &environment);

// This process's environment, as NAME=value entries.
QByteArrayList ownEnvironment();

// The entries (NAME=value) as a QProcess takes them: a process started with
// it inherits nothing else.
QProcessEnvironment processEnvironment(const QByteArrayList &entries);

// The viewer's environment under account: viewerEnvironment() less root's
// own folders, session bus, cookie file and SUDO_UID, which are out of that
// account's reach; its home is the account's, the display's cookie is at
// xauthority (none when empty).
QByteArrayList environmentFor(const QByteArrayList &environment, const Account &account,
                              const QByteArray &xauthority);

// The environment a program started by root runs in as account, the user
// who called sudo: viewerEnvironment() less the engine's options and root's
// own folders and session bus, with the account's home and names, and its
// runtime folder and session bus where runtimeDir (/run/user/UID) is not
// empty. The display's cookie file stays: under sudo it is the caller's.
QByteArrayList callerEnvironment(const QByteArrayList &environment, const Account &account,
                                 const QByteArray &runtimeDir);

// Gives up root for account for good, dying with the parent as before, and
// not dumpable. False when root could not be given up, or could be had back;
// the process may then have given up part of it already.
bool giveUpRoot(const Account &account);

// Whether this process may make the user, process and network namespaces
// that the sandbox needs and map its ids in them, as the engine does (tried
// in a child).
bool namespacesWork();

// Runs start, in which the web engine starts, with this process dumpable,
// and makes it not dumpable again. The engine puts its zygote in the
// sandbox's namespaces from a child of this process, and in a process that
// is not dumpable the maps of ids a child must write are root's. The engine
// starts its zygotes at once and no other child after, and every process it
// starts runs a new program (which is dumpable again). A viewer that
// something attached to meanwhile ends.
void startEngine(const std::function<void()> &start);

// Makes this process, run by root, the unprivileged account's, in
// environmentFor() its environment, with the X display's cookie from
// $XAUTHORITY or ~/.Xauthority in an anonymous file. False where there is no
// such account or root could not be given up; where root is gone but only
// in part, the process ends.
bool becomeUnprivileged();

// Why the engine must not start in this process: it runs as root, or the
// sandbox's namespaces cannot be made; none when it may.
std::optional<NewsNotice> reasonAgainstEngine();

// Takes out of this process's environment what would run a page outside the
// sandbox or open it to a debugger: of the engine's options, the harmless
// ones stay.
void removeSandboxSwitches();

} // namespace viewersandbox
