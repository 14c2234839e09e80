#include "viewersandbox.h"

#include <QList>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sched.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

extern char **environ;

namespace viewersandbox {

namespace {

// The engine's switches that a user may set: they work around a graphics
// driver or set the scale, and none changes what a page may reach. Any other
// (one that turns a sandbox off, runs a program, opens a port for a debugger,
// reads or writes a file) never reaches the engine.
const QByteArrayList kHarmlessSwitches{"disable-gpu",
                                       "disable-gpu-compositing",
                                       "disable-gpu-rasterization",
                                       "disable-software-rasterizer",
                                       "disable-smooth-scrolling",
                                       "use-gl",
                                       "num-raster-threads",
                                       "force-device-scale-factor"};

// The longest value a harmless switch is given.
constexpr qsizetype kMaxSwitchValueBytes = 32;

// What the viewer is given of the program's environment, and all of it.
const QByteArrayList kNeeded{
    "PATH", "LANG", "LANGUAGE", "LC_ALL", "LC_CTYPE", "LC_MESSAGES", "TZ", "DISPLAY",
    "WAYLAND_DISPLAY", "XAUTHORITY", "HOME", "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_CACHE_HOME",
    "XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_DIRS", "XDG_CURRENT_DESKTOP", "XDG_SESSION_TYPE",
    "DBUS_SESSION_BUS_ADDRESS", "QT_QPA_PLATFORM", "QT_QPA_PLATFORMTHEME", "QT_SCALE_FACTOR",
    "QT_SCREEN_SCALE_FACTORS", "QT_ENABLE_HIGHDPI_SCALING", "QT_FONT_DPI", "QT_IM_MODULE",
    "QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "XMODIFIERS", "XCURSOR_THEME", "XCURSOR_SIZE",
    "QTWEBENGINE_CHROMIUM_FLAGS", "SUDO_UID",
    // The sanitizers' settings, which only a build
    // made with them reads.
    "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"};

// Root's folders, session bus, display socket and cookie file, and whom it
// was called by.
const QByteArrayList kRootsOwn{
    "HOME",          "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_CACHE_HOME",
    "XDG_DATA_HOME", "WAYLAND_DISPLAY", "XAUTHORITY",      "DBUS_SESSION_BUS_ADDRESS",
    "SUDO_UID"};

constexpr qsizetype kMaxCookieFileBytes = qsizetype(64) * 1024;

// At most kMaxCookieFileBytes of a file, read without waiting for anything
// (a FIFO with no writer gives nothing).
QByteArray readSmallFile(const QByteArray &path) {
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {};
    QByteArray contents(kMaxCookieFileBytes, Qt::Uninitialized);
    const ssize_t n = ::read(fd, contents.data(), size_t(contents.size()));
    ::close(fd);
    contents.resize(qMax<ssize_t>(n, 0));
    return contents;
}

// What comes before the first "=", or all of it.
QByteArray nameOf(const QByteArray &entry) {
    const qsizetype equals = entry.indexOf('=');
    return equals < 0 ? entry : entry.left(equals);
}

// A 16-bit big-endian length and that many bytes, from pos; false when the
// file ends first.
bool readField(const QByteArray &file, qsizetype &pos, QByteArray *field) {
    if (pos + 2 > file.size())
        return false;
    const auto length = qsizetype((uchar(file.at(pos)) << 8) | uchar(file.at(pos + 1)));
    if (pos + 2 + length > file.size())
        return false;
    if (field != nullptr)
        *field = file.mid(pos + 2, length);
    pos += 2 + length;
    return true;
}

// Writes size bytes of text to path at once; false on any failure. System
// calls only: it runs in a child forked from a process with threads.
bool writeProcFile(const char *path, const char *text, int size) {
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool written = size > 0 && ::write(fd, text, size_t(size)) == size;
    return ::close(fd) == 0 && written;
}

// The process that traces this one; 0 for none.
long tracerPid() {
    const QByteArray status = readSmallFile("/proc/self/status");
    const qsizetype at = status.indexOf("\nTracerPid:");
    if (at < 0)
        return -1;
    const qsizetype end = status.indexOf('\n', at + 1);
    return status.mid(at + 11, end - at - 11).trimmed().toLong();
}

// A user's account; none for root's or none at all.
std::optional<Account> accountOf(const passwd *entry) {
    if (entry == nullptr || entry->pw_uid == 0 || entry->pw_gid == 0)
        return std::nullopt;
    return Account{entry->pw_uid, entry->pw_gid, QByteArray(entry->pw_dir),
                   QByteArray(entry->pw_name)};
}

} // namespace

std::optional<Account> unprivilegedAccount(const char *systemAccount, const QByteArray &sudoUid) {
    if (const passwd *entry = ::getpwnam(systemAccount))
        return accountOf(entry);
    return callerOfSudo(sudoUid);
}

std::optional<Account> callerOfSudo(const QByteArray &sudoUid) {
    bool numeric = false;
    const uint uid = sudoUid.toUInt(&numeric);
    return numeric ? accountOf(::getpwuid(uid_t(uid))) : std::nullopt;
}

QByteArrayList engineArguments(const QByteArray &flags) {
    QByteArrayList arguments;
    QByteArray argument;
    bool inArgument = false;
    bool quoted = false;
    for (const char c : flags) {
        if (c == '"') {
            quoted = !quoted;
            inArgument = true;
        } else if (c == ' ' && !quoted) {
            if (inArgument)
                arguments << argument;
            argument.clear();
            inArgument = false;
        } else {
            argument += c;
            inArgument = true;
        }
    }
    if (inArgument)
        arguments << argument;
    return arguments;
}

QByteArray harmlessFlags(const QByteArray &flags) {
    QByteArrayList kept;
    for (const QByteArray &argument : engineArguments(flags)) {
        // "--" ends the switches: what follows is none.
        if (argument == "--")
            break;
        const QByteArray option = argument.startsWith("--")  ? argument.mid(2)
                                  : argument.startsWith('-') ? argument.mid(1)
                                                             : QByteArray();
        const QByteArray name = nameOf(option);
        const QByteArray value = option.mid(name.size());
        const bool plainValue = value.size() <= kMaxSwitchValueBytes + 1 &&
                                std::all_of(value.begin(), value.end(), [](char c) {
                                    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                                           (c >= '0' && c <= '9') ||
                                           QByteArrayView("=.,_-").contains(c);
                                });
        // Written back the one way the engine reads all alike.
        if (kHarmlessSwitches.contains(name) && plainValue)
            kept << "--" + option;
    }
    return kept.join(' ');
}

QByteArray displayNumber(const QByteArray &display) {
    const qsizetype colon = display.lastIndexOf(':');
    if (colon < 0)
        return {};
    QByteArray number = display.mid(colon + 1);
    number.truncate(number.indexOf('.') < 0 ? number.size() : number.indexOf('.'));
    bool ok = false;
    number.toUInt(&ok);
    return ok ? number : QByteArray();
}

QByteArray xauthorityFor(const QByteArray &file, const QByteArray &number) {
    // Each entry: family (2 bytes), address, display number, name of the
    // method, its data (each a counted field).
    QByteArray kept;
    qsizetype pos = 0;
    while (pos + 2 <= file.size()) {
        const qsizetype start = pos;
        pos += 2;
        QByteArray entryNumber;
        if (!readField(file, pos, nullptr) || !readField(file, pos, &entryNumber) ||
            !readField(file, pos, nullptr) || !readField(file, pos, nullptr))
            break;
        if (entryNumber == number)
            kept += file.mid(start, pos - start);
    }
    return kept;
}

QByteArray anonymousFile(const QByteArray &contents) {
    const int fd = ::memfd_create("tintoko-news", MFD_CLOEXEC);
    if (fd < 0)
        return {};
    if (::write(fd, contents.constData(), size_t(contents.size())) != contents.size()) {
        ::close(fd);
        return {};
    }
    return "/proc/self/fd/" + QByteArray::number(fd);
}

QByteArrayList ownEnvironment() {
    QByteArrayList entries;
    for (char **entry = environ; *entry != nullptr; ++entry)
        entries << QByteArray(*entry);
    return entries;
}

QProcessEnvironment processEnvironment(const QByteArrayList &entries) {
    QProcessEnvironment environment; // empty: nothing is inherited
    for (const QByteArray &entry : entries) {
        const qsizetype equals = entry.indexOf('=');
        environment.insert(QString::fromLocal8Bit(entry.left(equals)),
                           QString::fromLocal8Bit(entry.mid(equals + 1)));
    }
    return environment;
}

QByteArrayList viewerEnvironment(const QByteArrayList &environment) {
    QByteArrayList result;
    for (const QByteArray &entry : environment) {
        const QByteArray name = nameOf(entry);
        if (name == "QTWEBENGINE_CHROMIUM_FLAGS")
            result << name + '=' + harmlessFlags(entry.mid(name.size() + 1));
        else if (kNeeded.contains(name) && entry.contains('='))
            result << entry;
    }
    return result;
}

QByteArrayList environmentFor(const QByteArrayList &environment, const Account &account,
                              const QByteArray &xauthority) {
    QByteArrayList result;
    for (const QByteArray &entry : viewerEnvironment(environment)) {
        if (!kRootsOwn.contains(nameOf(entry)))
            result << entry;
    }
    result << "HOME=" + account.home;
    // A bus that answers nobody: root's would refuse the account anyway.
    result << "DBUS_SESSION_BUS_ADDRESS=unix:path=/dev/null";
    if (!xauthority.isEmpty())
        result << "XAUTHORITY=" + xauthority;
    return result;
}

QByteArrayList callerEnvironment(const QByteArrayList &environment, const Account &account,
                                 const QByteArray &runtimeDir) {
    QByteArrayList result;
    for (const QByteArray &entry : viewerEnvironment(environment)) {
        const QByteArray name = nameOf(entry);
        if (name == "XAUTHORITY" ||
            (!kRootsOwn.contains(name) && name != "QTWEBENGINE_CHROMIUM_FLAGS"))
            result << entry;
    }
    result << "HOME=" + account.home << "USER=" + account.name << "LOGNAME=" + account.name;
    if (!runtimeDir.isEmpty())
        result << "XDG_RUNTIME_DIR=" + runtimeDir
               << "DBUS_SESSION_BUS_ADDRESS=unix:path=" + runtimeDir + "/bus";
    return result;
}

bool giveUpRoot(const Account &account) {
    const pid_t parent = ::getppid();
    const gid_t groups[] = {account.gid};
    if (::setgroups(1, groups) != 0 || ::setresgid(account.gid, account.gid, account.gid) != 0 ||
        ::setresuid(account.uid, account.uid, account.uid) != 0)
        return false;
    // For good: with no root id left, root cannot be had back.
    if (::setuid(0) == 0)
        return false;
    // The change of account set these from the system's settings.
    ::prctl(PR_SET_DUMPABLE, 0);
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent)
        ::_exit(1);
    return true;
}

bool namespacesWork() {
    // The engine's child maps the ids it runs as to themselves.
    char uidMap[32];
    char gidMap[32];
    const int uidLength = std::snprintf(uidMap, sizeof uidMap, "%u %u 1\n", unsigned(::geteuid()),
                                        unsigned(::geteuid()));
    const int gidLength = std::snprintf(gidMap, sizeof gidMap, "%u %u 1\n", unsigned(::getegid()),
                                        unsigned(::getegid()));
    const pid_t child = ::fork();
    if (child < 0)
        return false;
    if (child == 0) {
        // Dumpable, as the engine's process is while it starts its sandbox
        // (startEngine()): a process that is not cannot write its own maps,
        // which are root's then. Dumpable, it holds none of this process's
        // descriptors.
        ::close_range(0, ~0U, 0);
        ::prctl(PR_SET_DUMPABLE, 1);
        // The user namespace is made first, and gives the right to make the
        // others; without the maps, its processes could do nothing there.
        const bool made = ::unshare(CLONE_NEWUSER | CLONE_NEWPID | CLONE_NEWNET) == 0 &&
                          writeProcFile("/proc/self/setgroups", "deny", 4) &&
                          writeProcFile("/proc/self/gid_map", gidMap, gidLength) &&
                          writeProcFile("/proc/self/uid_map", uidMap, uidLength);
        ::_exit(made ? 0 : 1);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void startEngine(const std::function<void()> &start) {
    ::prctl(PR_SET_DUMPABLE, 1);
    start();
    ::prctl(PR_SET_DUMPABLE, 0);
    // Whatever attached to the process while it could be attached to stays
    // attached: such a viewer is ended.
    if (tracerPid() != 0) {
        std::fputs("tintoko-news: another process may have attached to the viewer\n", stderr);
        ::_exit(1);
    }
}

bool becomeUnprivileged() {
    const auto account = unprivilegedAccount(kViewerAccount, qgetenv("SUDO_UID"));
    if (!account)
        return false;
    QByteArray cookieFile = qgetenv("XAUTHORITY");
    if (cookieFile.isEmpty())
        cookieFile = qgetenv("HOME") + "/.Xauthority";
    const QByteArray cookie =
        xauthorityFor(readSmallFile(cookieFile), displayNumber(qgetenv("DISPLAY")));
    const QByteArrayList environment = environmentFor(
        ownEnvironment(), *account, cookie.isEmpty() ? QByteArray() : anonymousFile(cookie));
    if (!giveUpRoot(*account)) {
        if (::geteuid() == 0)
            return false;
        std::perror("tintoko-news");
        ::_exit(1);
    }
    ::clearenv();
    for (const QByteArray &entry : std::as_const(environment)) {
        const qsizetype equals = entry.indexOf('=');
        ::setenv(entry.left(equals).constData(), entry.mid(equals + 1).constData(), 1);
    }
    return true;
}

std::optional<NewsNotice> reasonAgainstEngine() {
    if (::geteuid() == 0)
        return NewsNotice::AsAdministrator;
    if (!namespacesWork())
        return NewsNotice::NoSandbox;
    return std::nullopt;
}

void removeSandboxSwitches() {
    qunsetenv("QTWEBENGINE_DISABLE_SANDBOX");
    // The engine opens a port for a debugger where this names one.
    qunsetenv("QTWEBENGINE_REMOTE_DEBUGGING");
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", harmlessFlags(qgetenv("QTWEBENGINE_CHROMIUM_FLAGS")));
}

} // namespace viewersandbox
