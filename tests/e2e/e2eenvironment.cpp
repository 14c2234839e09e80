#include "e2eenvironment.h"

#include "mainwindowmap.h"

#include "audiocapture.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/prctl.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace {

constexpr int kPartStartLimitMs = 30000;
constexpr int kClickGapMs = 600;
// Display numbers for the X servers, clear of the usual :0 and :99.
constexpr int kFirstDisplay = 120;
constexpr int kLastDisplay = 499;
constexpr int kDisplayAttempts = 40;

QString hexId(quint64 window) {
    return QStringLiteral("0x%1").arg(window, 0, 16);
}

// Every child dies with the test process, also when the test crashes or CTest
// kills it for running too long.
void dieWithParent() {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
}

// A short-lived connection to the display, for the few questions and
// messages the command-line tools cannot do.
class XConnection {
public:
    explicit XConnection(const QString &display)
        : m_c(xcb_connect(display.toLocal8Bit().constData(), nullptr)) {}
    ~XConnection() { xcb_disconnect(m_c); }
    XConnection(const XConnection &) = delete;
    XConnection &operator=(const XConnection &) = delete;

    bool ok() const { return xcb_connection_has_error(m_c) == 0; }
    xcb_connection_t *get() const { return m_c; }
    xcb_atom_t atom(const char *name) const {
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(m_c, xcb_intern_atom(m_c, 0, std::strlen(name), name), nullptr),
            &std::free);
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

private:
    xcb_connection_t *m_c;
};

bool selectionOwned(const QString &display, const char *selection) {
    const XConnection x(display);
    if (!x.ok())
        return false;
    const xcb_atom_t atom = x.atom(selection);
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> reply(
        xcb_get_selection_owner_reply(x.get(), xcb_get_selection_owner(x.get(), atom), nullptr),
        &std::free);
    return reply && reply->owner != XCB_WINDOW_NONE;
}

// Whether the window manager takes on a window mapped now: a probe window is
// mapped and must get WM_STATE, which window managers set on the windows they
// manage. Openbox answers wmctrl before it handles map requests, and drops the
// requests that come in between: a window mapped then stays unmapped for good.
bool managesNewWindows(const QString &display, int timeoutMs) {
    const XConnection x(display);
    if (!x.ok())
        return false;
    xcb_connection_t *c = x.get();
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t probe = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, probe, screen->root, 0, 0, 16, 16, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
    xcb_map_window(c, probe);
    xcb_flush(c);
    const xcb_atom_t wmState = x.atom("WM_STATE");
    const bool managed = E2eEnvironment::waitFor(
        [&] {
            std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
                xcb_get_property_reply(
                    c, xcb_get_property(c, 0, probe, wmState, XCB_ATOM_ANY, 0, 2), nullptr),
                &std::free);
            return reply && reply->type != XCB_ATOM_NONE;
        },
        timeoutMs, 20);
    xcb_destroy_window(c, probe);
    xcb_flush(c);
    return managed;
}

// WM_DELETE_WINDOW, as a window manager sends it when the close box is clicked.
bool sendDeleteWindow(const QString &display, quint64 window) {
    const XConnection x(display);
    if (!x.ok())
        return false;
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = xcb_window_t(window);
    event.type = x.atom("WM_PROTOCOLS");
    event.data.data32[0] = x.atom("WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    const xcb_void_cookie_t cookie =
        xcb_send_event_checked(x.get(), 0, xcb_window_t(window), XCB_EVENT_MASK_NO_EVENT,
                               reinterpret_cast<const char *>(&event));
    std::unique_ptr<xcb_generic_error_t, decltype(&std::free)> error(
        xcb_request_check(x.get(), cookie), &std::free);
    return error == nullptr;
}

bool copyTree(const QString &from, const QString &to) {
    if (!QDir().mkpath(to))
        return false;
    QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    while (it.hasNext()) {
        const QFileInfo fi(it.next());
        const QString target = to + QLatin1Char('/') + fi.fileName();
        if (fi.isDir() ? !copyTree(fi.filePath(), target) : !QFile::copy(fi.filePath(), target))
            return false;
    }
    return true;
}

} // namespace

E2eEnvironment::E2eEnvironment(Parts parts, QObject *parent)
    : QObject(parent)
    , m_parts(parts)
    , m_temp(QDir::tempPath() + QStringLiteral("/tintoko-e2e-XXXXXX")) {
    const QString keep = qEnvironmentVariable("TINTOKO_E2E_KEEP");
    if (!keep.isEmpty()) {
        m_keepDir = QDir(keep).absoluteFilePath(QCoreApplication::applicationName());
        QDir().mkpath(m_keepDir);
    }
}

E2eEnvironment::~E2eEnvironment() {
    stopAll();
    keepLogs();
}

QString E2eEnvironment::runtimeDir() const {
    return m_temp.filePath(QStringLiteral("run"));
}

QString E2eEnvironment::logPath(const QString &name) const {
    return m_temp.filePath(name + QStringLiteral(".log"));
}

QString E2eEnvironment::logText(const QString &name) const {
    QFile f(logPath(name));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

bool E2eEnvironment::fail(const QString &message) {
    m_error = message;
    return false;
}

bool E2eEnvironment::start() {
    if (!m_temp.isValid())
        return fail(QStringLiteral("no temporary folder: %1").arg(m_temp.errorString()));

    const QString home = m_temp.filePath(QStringLiteral("home"));
    const QString pulseDir = runtimeDir() + QStringLiteral("/pulse");
    for (const QString &dir : {home, runtimeDir(), pulseDir}) {
        if (!QDir().mkpath(dir))
            return fail(QStringLiteral("cannot create %1").arg(dir));
    }
    // The runtime folders must be private, or Qt and PulseAudio complain.
    for (const QString &dir : {runtimeDir(), pulseDir})
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    // No client ever starts an audio server of its own: without ours there is
    // simply no server.
    const QString clientConf = m_temp.filePath(QStringLiteral("pulse-client.conf"));
    QFile conf(clientConf);
    if (!conf.open(QIODevice::WriteOnly) || conf.write("autospawn = no\n") < 0)
        return fail(QStringLiteral("cannot write %1").arg(clientConf));
    conf.close();

    m_env = QProcessEnvironment::systemEnvironment();
    for (const QString &name : m_env.keys()) {
        if (name.startsWith(QLatin1String("PULSE_")) || name.startsWith(QLatin1String("XDG_")) ||
            name.startsWith(QLatin1String("QT_")) || name.startsWith(QLatin1String("DBUS_")))
            m_env.remove(name);
    }
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY", "SESSION_MANAGER"})
        m_env.remove(QLatin1String(name));
    m_env.insert(QStringLiteral("HOME"), home);
    m_env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir());
    m_env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    m_env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
    m_env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    // A bus that is not there: nothing tries to launch a session bus, which
    // could outlive the test.
    m_env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                 QStringLiteral("unix:path=") + m_temp.filePath(QStringLiteral("no-session-bus")));
    m_env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), pulseDir);
    m_env.insert(QStringLiteral("PULSE_STATE_PATH"), home + QStringLiteral("/.config/pulse"));
    m_env.insert(QStringLiteral("PULSE_SERVER"),
                 QStringLiteral("unix:") + pulseDir + QStringLiteral("/native"));
    m_env.insert(QStringLiteral("PULSE_CLIENTCONFIG"), clientConf);
    if (!m_env.contains(QStringLiteral("LANG")) && !m_env.contains(QStringLiteral("LC_ALL")))
        m_env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));

    if (!startXServer())
        return false;
    if (m_parts.testFlag(Part::AudioServer) && !startAudioServer())
        return false;
    if (m_parts.testFlag(Part::WindowManager) && !startWindowManager())
        return false;
    if (m_parts.testFlag(Part::TrayHost) && !startTrayHost())
        return false;
    if (m_parts.testFlag(Part::AccessibilityBus) && !startAccessibilityBus())
        return false;
    return true;
}

bool E2eEnvironment::startAccessibilityBus() {
    if (!startSessionBus())
        return false;
    m_env.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    if (spawn(QStringLiteral("at-spi"), QStringLiteral("/usr/libexec/at-spi-bus-launcher"),
              {QStringLiteral("--launch-immediately")}, m_env) == nullptr)
        return false;
    // Ready once the launcher answers for the accessibility bus.
    const bool ready = waitFor(
        [&] {
            return run(QStringLiteral("dbus-send"),
                       {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                        QStringLiteral("--dest=org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                        QStringLiteral("org.a11y.Bus.GetAddress")}) == 0;
        },
        kPartStartLimitMs, 50);
    if (!ready)
        return fail(QStringLiteral("the accessibility bus did not start:\n") +
                    logText(QStringLiteral("at-spi")));
    return true;
}

QProcess *E2eEnvironment::spawn(const QString &name, const QString &program,
                                const QStringList &args, const QProcessEnvironment &env,
                                const QString &workingDir, const QString &stdoutFile) {
    auto *p = new QProcess(this);
    p->setObjectName(name);
    p->setProgram(program);
    p->setArguments(args);
    p->setProcessEnvironment(env);
    if (!workingDir.isEmpty())
        p->setWorkingDirectory(workingDir);
    if (stdoutFile.isEmpty()) {
        p->setProcessChannelMode(QProcess::MergedChannels);
        p->setStandardOutputFile(logPath(name), QIODevice::Append);
    } else {
        p->setStandardOutputFile(stdoutFile, QIODevice::Append);
        p->setStandardErrorFile(logPath(name), QIODevice::Append);
    }
    p->setChildProcessModifier(dieWithParent);
    m_processes.append(p);
    p->start();
    if (!p->waitForStarted(kPartStartLimitMs)) {
        fail(QStringLiteral("%1 did not start: %2").arg(program, p->errorString()));
        return nullptr;
    }
    return p;
}

bool E2eEnvironment::startXServer() {
    // Each environment takes a display number of its own. Xvfb given a number
    // takes the lock file /tmp/.X<n>-lock before anything else, so a server
    // that loses a race for a number exits at once, and the next number is
    // tried. (-displayfd, which lets Xvfb search by itself, takes no lock and
    // probes sockets instead: two servers starting together can break each
    // other's display.) With -noreset: by default the server resets whenever
    // its last client leaves and refuses connections meanwhile, and the
    // readiness probe below is such a last client.
    QElapsedTimer timer;
    timer.start();
    constexpr int kDisplays = kLastDisplay - kFirstDisplay + 1;
    const int first = int(QRandomGenerator::global()->bounded(kDisplays));
    for (int attempt = 0; attempt < kDisplayAttempts; ++attempt) {
        const int number = kFirstDisplay + (first + attempt) % kDisplays;
        const QString display = QLatin1Char(':') + QString::number(number);
        const QString lock = QStringLiteral("/tmp/.X%1-lock").arg(number);
        if (QFile::exists(lock) || QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)))
            continue;
        QProcess *x =
            spawn(QStringLiteral("xvfb"), QStringLiteral("Xvfb"),
                  {display, QStringLiteral("-screen"), QStringLiteral("0"),
                   QStringLiteral("1280x800x24"), QStringLiteral("-dpi"), QStringLiteral("96"),
                   QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-noreset")},
                  m_env);
        if (x == nullptr)
            return false;
        // Ready when the lock is ours and the display answers.
        const auto lockIsOurs = [&] {
            QFile f(lock);
            return f.open(QIODevice::ReadOnly) &&
                   f.readAll().trimmed().toLongLong() == x->processId();
        };
        waitFor(
            [&] {
                return x->state() == QProcess::NotRunning ||
                       (lockIsOurs() && run(QStringLiteral("xdpyinfo"),
                                            {QStringLiteral("-display"), display}) == 0);
            },
            kPartStartLimitMs, 20);
        if (x->state() == QProcess::NotRunning)
            continue; // the number was taken after all
        if (!lockIsOurs())
            return fail(QStringLiteral("Xvfb did not start on %1:\n").arg(display) +
                        logText(QStringLiteral("xvfb")));
        m_xStartMs = timer.elapsed();
        m_display = display;
        m_env.insert(QStringLiteral("DISPLAY"), m_display);
        return true;
    }
    return fail(QStringLiteral("no free display for Xvfb:\n") + logText(QStringLiteral("xvfb")));
}

bool E2eEnvironment::startAudioServer() {
    // The server needs no display; without one it also never tries to find a
    // session bus through X.
    QProcessEnvironment env = m_env;
    env.remove(QStringLiteral("DISPLAY"));
    QElapsedTimer timer;
    timer.start();
    QProcess *pa = spawn(QStringLiteral("pulseaudio"), QStringLiteral("pulseaudio"),
                         {QStringLiteral("-n"), QStringLiteral("--daemonize=no"),
                          QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--disallow-exit"),
                          QStringLiteral("--high-priority=no"), QStringLiteral("--realtime=no"),
                          QStringLiteral("--log-target=stderr"),
                          QStringLiteral("--load=module-null-sink sink_name=t"),
                          QStringLiteral("--load=module-native-protocol-unix")},
                         env);
    if (pa == nullptr)
        return false;
    QByteArray info;
    const bool ready = waitFor(
        [&] {
            return pa->state() == QProcess::NotRunning ||
                   run(QStringLiteral("pactl"), {QStringLiteral("info")}, &info) == 0;
        },
        kPartStartLimitMs, 20);
    if (!ready || pa->state() == QProcess::NotRunning)
        return fail(QStringLiteral("PulseAudio did not start:\n") +
                    logText(QStringLiteral("pulseaudio")));
    m_audioStartMs = timer.elapsed();
    if (!info.contains("Default Sink: t\n"))
        return fail(QStringLiteral("the null sink is not the default sink:\n") +
                    QString::fromUtf8(info));
    return true;
}

QProcess *E2eEnvironment::audioServer() const {
    for (QProcess *p : m_processes) {
        if (p->objectName() == QLatin1String("pulseaudio") && p->state() == QProcess::Running)
            return p;
    }
    return nullptr;
}

bool E2eEnvironment::freezeAudioServer(bool frozen) {
    QProcess *pa = audioServer();
    return pa != nullptr && ::kill(pid_t(pa->processId()), frozen ? SIGSTOP : SIGCONT) == 0;
}

bool E2eEnvironment::restartAudioServer() {
    QProcess *pa = audioServer();
    if (pa == nullptr)
        return false;
    pa->kill();
    pa->waitForFinished(kPartStartLimitMs);
    m_processes.removeAll(pa);
    pa->deleteLater();
    // The recorder went with the server; what it recorded is kept.
    if (m_capture) {
        m_retiredCaptures.push_back(std::move(m_capture));
    }
    return startAudioServer();
}

bool E2eEnvironment::startWindowManager() {
    const QString &name = m_windowManager;
    QStringList args;
    QProcessEnvironment env = m_env;
    if (name == QLatin1String("openbox") || name == QLatin1String("metacity")) {
        args << QStringLiteral("--sm-disable"); // no session manager is looked for
    } else if (name == QLatin1String("fluxbox")) {
        // It reads its keys from ~/.fluxbox (Alt+F10 maximises and restores)
        // and leaves the background alone, instead of complaining in a window
        // of its own that it has no wallpaper setter.
        const QString dir = env.value(QStringLiteral("HOME")) + QStringLiteral("/.fluxbox");
        QFile overlay(dir + QStringLiteral("/overlay"));
        if (!QDir().mkpath(dir) || !overlay.open(QIODevice::WriteOnly) ||
            overlay.write("background: none\n") < 0)
            return fail(QStringLiteral("cannot write %1").arg(overlay.fileName()));
    } else if (name == QLatin1String("kwin_x11")) {
        // KWin needs a session bus; without compositing it needs no OpenGL.
        if (!startSessionBus())
            return false;
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                   m_env.value(QStringLiteral("DBUS_SESSION_BUS_ADDRESS")));
        env.insert(QStringLiteral("KWIN_COMPOSE"), QStringLiteral("N"));
    }
    QProcess *wm = spawn(name, name, args, env);
    if (wm == nullptr)
        return false;
    // wmctrl answers once the window manager has announced itself; it is
    // ready once it frames a new window (a probe mapped anew each time).
    const bool ready = waitFor(
        [&] {
            return wm->state() == QProcess::NotRunning ||
                   (run(QStringLiteral("wmctrl"), {QStringLiteral("-m")}) == 0 &&
                    managesNewWindows(m_display, 2000));
        },
        kPartStartLimitMs, 20);
    if (!ready || wm->state() == QProcess::NotRunning)
        return fail(QStringLiteral("%1 did not start:\n").arg(name) + logText(name));
    return true;
}

bool E2eEnvironment::startSessionBus() {
    const QString socket = runtimeDir() + QStringLiteral("/bus");
    if (m_env.value(QStringLiteral("DBUS_SESSION_BUS_ADDRESS")) ==
        QStringLiteral("unix:path=") + socket)
        return true; // started already, for another part
    QProcess *bus =
        spawn(QStringLiteral("dbus"), QStringLiteral("dbus-daemon"),
              {QStringLiteral("--session"), QStringLiteral("--nofork"),
               QStringLiteral("--nopidfile"), QStringLiteral("--address=unix:path=") + socket},
              m_env);
    if (bus == nullptr)
        return false;
    if (!waitFor([&] { return bus->state() == QProcess::NotRunning || QFile::exists(socket); },
                 kPartStartLimitMs, 20) ||
        bus->state() == QProcess::NotRunning)
        return fail(QStringLiteral("dbus-daemon did not start:\n") +
                    logText(QStringLiteral("dbus")));
    // From now on every client of this desktop finds it.
    m_env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=") + socket);
    return true;
}

QProcess *E2eEnvironment::startOther(const QString &name, const QString &program,
                                     const QStringList &args) {
    return spawn(name, program, args, m_env);
}

QRect E2eEnvironment::frameGeometry(quint64 window) {
    const QRect client = windowGeometry(window);
    QByteArray out;
    run(QStringLiteral("xprop"),
        {QStringLiteral("-id"), hexId(window), QStringLiteral("_NET_FRAME_EXTENTS")}, &out);
    static const QRegularExpression numbers(
        QStringLiteral("=\\s*(\\d+),\\s*(\\d+),\\s*(\\d+),\\s*(\\d+)"));
    const QRegularExpressionMatch m = numbers.match(QString::fromUtf8(out));
    if (!m.hasMatch())
        return client;
    return client.adjusted(-m.captured(1).toInt(), -m.captured(3).toInt(), m.captured(2).toInt(),
                           m.captured(4).toInt());
}

bool E2eEnvironment::startTrayHost() {
    if (m_trayHost != nullptr)
        return true;
    m_trayHost =
        spawn(QStringLiteral("trayer"), QStringLiteral("trayer"),
              {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
               QStringLiteral("right"), QStringLiteral("--widthtype"), QStringLiteral("request"),
               QStringLiteral("--height"), QStringLiteral("32"), QStringLiteral("--SetDockType"),
               QStringLiteral("true"), QStringLiteral("--transparent"), QStringLiteral("false")},
              m_env);
    if (m_trayHost == nullptr)
        return false;
    // Ready once the tray selection has an owner. (trayer shows its panel
    // only when it holds an icon, so the panel says nothing.)
    const bool ready = waitFor(
        [&] {
            return m_trayHost->state() == QProcess::NotRunning ||
                   selectionOwned(m_display, "_NET_SYSTEM_TRAY_S0");
        },
        kPartStartLimitMs, 20);
    if (!ready || m_trayHost->state() == QProcess::NotRunning)
        return fail(QStringLiteral("trayer did not start:\n") + logText(QStringLiteral("trayer")));
    return true;
}

QString E2eEnvironment::builtProgramDir() {
    return QFileInfo(QStringLiteral(TINTOKO_PROGRAM)).absolutePath();
}

QString E2eEnvironment::copyProgramDir(const QString &name) {
    const QDir from(builtProgramDir());
    QString to = m_temp.filePath(name);
    if (!QDir().mkpath(to))
        return {};
    // The executable, its recordings, its instructions and any library or
    // plug-in built beside it; not the test executables nor a settings file.
    const QFileInfoList entries =
        from.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo &fi : entries) {
        const QString n = fi.fileName();
        const bool wanted = n == QLatin1String("tintoko") || n == QLatin1String("tintoko-voices") ||
                            n == QStringLiteral("声音") || n == QStringLiteral("Tintoko说明.txt") ||
                            n.contains(QLatin1String(".so"));
        if (!wanted)
            continue;
        const QString target = to + QLatin1Char('/') + n;
        if (fi.isDir() ? !copyTree(fi.filePath(), target) : !QFile::copy(fi.filePath(), target))
            return {};
    }
    return to;
}

bool E2eEnvironment::startProgram(const QString &programDir, const QProcessEnvironment &extra) {
    const QString dir = programDir.isEmpty() ? builtProgramDir() : programDir;
    const QString exe = dir + QStringLiteral("/tintoko");
    if (!QFileInfo(exe).isExecutable())
        return fail(QStringLiteral("no program at %1").arg(exe));
    // Run by root, the news viewer takes an account of its own, which the
    // package makes: made here from the package's own file.
    if (::geteuid() == 0 &&
        run(QStringLiteral("systemd-sysusers"),
            {QStringLiteral(TINTOKO_SOURCE_DIR "/debian-pkg/tintoko.sysusers")}) != 0)
        return fail(QStringLiteral("cannot make the news viewer's account"));
    QProcessEnvironment env = m_env;
    env.insert(extra);
    return startCommand(exe, {}, env, dir);
}

bool E2eEnvironment::startCommand(const QString &command, const QStringList &args,
                                  const QProcessEnvironment &env, const QString &workingDir) {
    m_program = spawn(QStringLiteral("program"), command, args, env, workingDir);
    return m_program != nullptr;
}

bool E2eEnvironment::programRunning() const {
    return m_program != nullptr && m_program->state() != QProcess::NotRunning;
}

bool E2eEnvironment::waitForProgramEnd(int timeoutMs) {
    return waitFor([this] { return !programRunning(); }, timeoutMs, 10);
}

QString E2eEnvironment::programOutput() const {
    return logText(QStringLiteral("program"));
}

QList<quint64> E2eEnvironment::visibleWindows(const QString &titlePattern) {
    QByteArray out;
    QList<quint64> ids;
    if (run(QStringLiteral("xdotool"),
            {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
             titlePattern},
            &out) != 0)
        return ids;
    for (const QByteArray &line : out.split('\n')) {
        bool ok = false;
        const quint64 id = line.trimmed().toULongLong(&ok);
        if (ok)
            ids.append(id);
    }
    return ids;
}

quint64 E2eEnvironment::waitForWindow(const QString &titlePattern, int timeoutMs) {
    quint64 found = 0;
    waitFor(
        [&] {
            const QList<quint64> ids = visibleWindows(titlePattern);
            found = ids.isEmpty() ? 0 : ids.first();
            return found != 0;
        },
        timeoutMs, 50);
    return found;
}

QRect E2eEnvironment::windowGeometry(quint64 window) {
    QByteArray out;
    if (run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), hexId(window)}, &out) != 0)
        return {};
    const auto field = [&](const char *name) {
        const QRegularExpression re(QLatin1String(name) + QStringLiteral(":\\s*(-?\\d+)"));
        return re.match(QString::fromUtf8(out)).captured(1).toInt();
    };
    return {field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"),
            field("Height")};
}

QString E2eEnvironment::windowTitle(quint64 window) {
    QByteArray out;
    if (run(QStringLiteral("xdotool"), {QStringLiteral("getwindowname"), QString::number(window)},
            &out) != 0)
        return {};
    return QString::fromUtf8(out).trimmed();
}

QStringList E2eEnvironment::windowStates(quint64 window) {
    QByteArray out;
    if (run(QStringLiteral("xprop"),
            {QStringLiteral("-id"), hexId(window), QStringLiteral("_NET_WM_STATE")}, &out) != 0)
        return {};
    const QString text = QString::fromUtf8(out);
    const qsizetype eq = text.indexOf(QLatin1Char('='));
    if (eq < 0)
        return {};
    QStringList states;
    for (const QString &s : text.mid(eq + 1).split(QLatin1Char(','))) {
        if (!s.trimmed().isEmpty())
            states.append(s.trimmed());
    }
    return states;
}

bool E2eEnvironment::windowMapped(quint64 window) {
    QByteArray out;
    return run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), hexId(window)}, &out) == 0 &&
           out.contains("Map State: IsViewable");
}

std::optional<MainWindowMap> E2eEnvironment::waitForMainWindowMap(quint64 window, QImage *shot,
                                                                  int timeoutMs) {
    std::optional<MainWindowMap> map;
    QImage last;
    waitFor(
        [&] {
            // Read anew each time: the window manager may still be framing
            // and moving the window.
            const QRect client = windowGeometry(window);
            last = screenshot();
            map = MainWindowMap::locate(last, client);
            return map.has_value();
        },
        timeoutMs, 50);
    if (shot != nullptr)
        *shot = last;
    return map;
}

std::optional<MainWindowMap> E2eEnvironment::startMainWindow(quint64 *window,
                                                             const QString &programDir,
                                                             const QProcessEnvironment &extra,
                                                             QImage *shot) {
    *window = 0;
    if (!startProgram(programDir, extra))
        return std::nullopt;
    *window = waitForWindow(kMainWindowTitle);
    if (*window == 0) {
        fail(QStringLiteral("no main window; the program said:\n") + programOutput());
        return std::nullopt;
    }
    auto map = waitForMainWindowMap(*window, shot);
    if (!map)
        fail(QStringLiteral("no black swatch in the main window"));
    return map;
}

QColor E2eEnvironment::swatchColour(const MainWindowMap &map) {
    return MainWindowMap::mostFrequentColour(screenshot(),
                                             MainWindowMap::inner(map.swatchFace(), 6));
}

QImage E2eEnvironment::screenshot(const QString &name) {
    // Straight from the X server: no tool to start for every poll, which took
    // long on a busy machine. The 24-bit screen holds 32-bit pixels laid out
    // as QImage::Format_RGB32.
    const XConnection x(m_display);
    if (!x.ok())
        return {};
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(x.get())).data;
    const int w = screen->width_in_pixels;
    const int h = screen->height_in_pixels;
    std::unique_ptr<xcb_get_image_reply_t, decltype(&std::free)> reply(
        xcb_get_image_reply(
            x.get(),
            xcb_get_image(x.get(), XCB_IMAGE_FORMAT_Z_PIXMAP, screen->root, 0, 0, w, h, ~0U),
            nullptr),
        &std::free);
    if (!reply || xcb_get_image_data_length(reply.get()) != w * h * 4)
        return {};
    const QImage image = QImage(xcb_get_image_data(reply.get()), w, h, QImage::Format_RGB32).copy();
    if (!name.isEmpty())
        keep(image, name);
    return image;
}

void E2eEnvironment::keep(const QImage &image, const QString &name) {
    if (m_keepDir.isEmpty() || image.isNull())
        return;
    ++m_shotCount;
    image.save(QStringLiteral("%1/%2-%3.png")
                   .arg(m_keepDir)
                   .arg(m_shotCount, 2, 10, QLatin1Char('0'))
                   .arg(name));
}

bool E2eEnvironment::mouseMove(QPoint screenPos) {
    return run(QStringLiteral("xdotool"),
               {QStringLiteral("mousemove"), QString::number(screenPos.x()),
                QString::number(screenPos.y())}) == 0;
}

bool E2eEnvironment::click(QPoint screenPos, int button) {
    if (m_sinceLastClick.isValid() && m_sinceLastClick.elapsed() < kClickGapMs)
        QTest::qWait(int(kClickGapMs - m_sinceLastClick.elapsed()));
    const bool ok =
        run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(screenPos.x()),
                                        QString::number(screenPos.y()), QStringLiteral("click"),
                                        QString::number(button)}) == 0;
    m_sinceLastClick.start();
    return ok;
}

bool E2eEnvironment::doubleClick(QPoint screenPos) {
    if (m_sinceLastClick.isValid() && m_sinceLastClick.elapsed() < kClickGapMs)
        QTest::qWait(int(kClickGapMs - m_sinceLastClick.elapsed()));
    const bool ok = run(QStringLiteral("xdotool"),
                        {QStringLiteral("mousemove"), QString::number(screenPos.x()),
                         QString::number(screenPos.y()), QStringLiteral("click"),
                         QStringLiteral("--repeat"), QStringLiteral("2"), QStringLiteral("--delay"),
                         QStringLiteral("80"), QStringLiteral("1")}) == 0;
    m_sinceLastClick.start();
    return ok;
}

bool E2eEnvironment::activateWindow(quint64 window) {
    // Without a window manager nobody handles _NET_ACTIVE_WINDOW; then the
    // input focus is set directly.
    const QString how = m_parts.testFlag(Part::WindowManager) ? QStringLiteral("windowactivate")
                                                              : QStringLiteral("windowfocus");
    return run(QStringLiteral("xdotool"),
               {how, QStringLiteral("--sync"), QString::number(window)}) == 0;
}

bool E2eEnvironment::key(const QString &keys, quint64 window) {
    if (window != 0 && !activateWindow(window))
        return false;
    return run(QStringLiteral("xdotool"), {QStringLiteral("key"), keys}) == 0;
}

bool E2eEnvironment::chooseMenuEntry(quint64 window, const QString &menuKeys,
                                     const QString &entryKey) {
    const auto windows = [this] {
        QByteArray out;
        run(QStringLiteral("xdotool"),
            {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--class"),
             QStringLiteral("^tintoko$")},
            &out);
        return out.count('\n');
    };
    // A menu chosen just before may still be on its way out: count once the
    // windows have stopped changing.
    qsizetype before = windows();
    for (int same = 0, probes = 0; same < 3 && probes < 100; ++probes) {
        QThread::msleep(50);
        const qsizetype now = windows();
        same = now == before ? same + 1 : 0;
        before = now;
    }
    return key(menuKeys, window) && waitFor([&] { return windows() > before; }, 10000) &&
           key(entryKey);
}

bool E2eEnvironment::closeWindow(quint64 window) {
    // The window manager turns _NET_CLOSE_WINDOW into WM_DELETE_WINDOW,
    // exactly what its close box sends; without one, the test sends that
    // message itself. (xdotool windowclose and windowkill destroy the window
    // instead: the program never hears of a close.)
    if (m_parts.testFlag(Part::WindowManager))
        return run(QStringLiteral("wmctrl"),
                   {QStringLiteral("-i"), QStringLiteral("-c"), hexId(window)}) == 0;
    return sendDeleteWindow(m_display, window);
}

bool E2eEnvironment::maximiseWindow(quint64 window) {
    return m_parts.testFlag(Part::WindowManager) &&
           run(QStringLiteral("wmctrl"),
               {QStringLiteral("-i"), QStringLiteral("-r"), hexId(window), QStringLiteral("-b"),
                QStringLiteral("add,maximized_vert,maximized_horz")}) == 0;
}

bool E2eEnvironment::minimiseWindow(quint64 window) {
    return m_parts.testFlag(Part::WindowManager) &&
           run(QStringLiteral("xdotool"),
               {QStringLiteral("windowminimize"), QString::number(window)}) == 0;
}

bool E2eEnvironment::restoreWindow(quint64 window) {
    if (!m_parts.testFlag(Part::WindowManager))
        return false;
    // Activating a minimised window brings it back; the maximised state is
    // taken off separately.
    return run(QStringLiteral("wmctrl"),
               {QStringLiteral("-i"), QStringLiteral("-a"), hexId(window)}) == 0 &&
           run(QStringLiteral("wmctrl"),
               {QStringLiteral("-i"), QStringLiteral("-r"), hexId(window), QStringLiteral("-b"),
                QStringLiteral("remove,maximized_vert,maximized_horz")}) == 0;
}

QList<QRect> E2eEnvironment::trayIcons() {
    // In `xwininfo -root -tree`, trayer's panel holds one socket window per
    // icon, and each socket holds the icon's own window:
    //   0x200003 "panel": ("panel" "trayer")  24x32+0+0  +1256+0
    //      0x200026 (has no name): ()  22x30+1+1  +1257+1
    //         0x600006 "tintoko": ("tintoko" "tintoko")  22x30+0+0  +1257+1
    QByteArray out;
    QList<QRect> icons;
    if (run(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")}, &out) !=
        0)
        return icons;
    static const QRegularExpression geometry(
        QStringLiteral("(\\d+)x(\\d+)[+-]-?\\d+[+-]-?\\d+\\s+\\+(-?\\d+)\\+(-?\\d+)\\s*$"));
    const auto indentOf = [](const QByteArray &line) {
        qsizetype i = 0;
        while (i < line.size() && line[i] == ' ')
            ++i;
        return i;
    };
    qsizetype panelIndent = -1;
    qsizetype socketIndent = -1;
    for (const QByteArray &line : out.split('\n')) {
        if (!line.trimmed().startsWith("0x"))
            continue;
        const qsizetype indent = indentOf(line);
        if (panelIndent >= 0 && indent <= panelIndent)
            panelIndent = socketIndent = -1;
        if (panelIndent < 0) {
            if (line.contains("(\"panel\" \"trayer\")"))
                panelIndent = indent;
            continue;
        }
        if (socketIndent < 0)
            socketIndent = indent;
        if (indent <= socketIndent)
            continue;
        const QRegularExpressionMatch m = geometry.match(QString::fromUtf8(line));
        if (m.hasMatch() && m.captured(1).toInt() > 1 && m.captured(2).toInt() > 1)
            icons.append(QRect(m.captured(3).toInt(), m.captured(4).toInt(), m.captured(1).toInt(),
                               m.captured(2).toInt()));
    }
    std::sort(icons.begin(), icons.end(),
              [](const QRect &a, const QRect &b) { return a.x() < b.x(); });
    return icons;
}

AudioCapture *E2eEnvironment::startAudioCapture() {
    if (m_capture)
        return m_capture.get();
    if (!m_parts.testFlag(Part::AudioServer)) {
        fail(QStringLiteral("no audio server to record from"));
        return nullptr;
    }
    const QString file =
        m_retiredCaptures.empty()
            ? m_temp.filePath(QStringLiteral("capture.raw"))
            : m_temp.filePath(QStringLiteral("capture-%1.raw").arg(m_retiredCaptures.size()));
    QProcess *parec = spawn(
        QStringLiteral("parec"), QStringLiteral("parec"),
        {QStringLiteral("-d"), QStringLiteral("t.monitor"), QStringLiteral("--format=s16le"),
         QStringLiteral("--rate=%1").arg(AudioCapture::kSampleRate), QStringLiteral("--channels=1"),
         QStringLiteral("--raw"), QStringLiteral("--latency-msec=20")},
        m_env, {}, file);
    if (parec == nullptr)
        return nullptr;
    auto capture = std::make_unique<AudioCapture>(parec, file);

    // The monitor of a null sink that has never played stays mute, even to
    // silence; once something has played, it delivers samples in real time
    // for good. A tenth of a second of zeros starts it, so that positions in
    // the recording are times from here on.
    QProcess *primer = spawn(QStringLiteral("pacat"), QStringLiteral("pacat"),
                             {QStringLiteral("-d"), QStringLiteral("t"), QStringLiteral("--raw"),
                              QStringLiteral("--format=s16le"),
                              QStringLiteral("--rate=%1").arg(AudioCapture::kSampleRate),
                              QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=50")},
                             m_env);
    if (primer == nullptr)
        return nullptr;
    // Its input stays open: at the end of its input pacat spins on the CPU
    // until the sink has drained.
    primer->write(QByteArray(qsizetype(AudioCapture::kSampleRate) / 10 * 2, '\0'));
    const bool flowing = waitFor([&] { return capture->sampleCount() > 0; }, kPartStartLimitMs, 20);
    // The zeros have reached the monitor, which now runs on by itself.
    primer->kill();
    primer->waitForFinished(1000);
    if (!flowing || !capture->isRecording()) {
        fail(QStringLiteral("the null sink's monitor delivers nothing:\n") +
             logText(QStringLiteral("parec")) + logText(QStringLiteral("pacat")));
        return nullptr;
    }
    m_capture = std::move(capture);
    return m_capture.get();
}

int E2eEnvironment::run(const QString &tool, const QStringList &args, QByteArray *out,
                        int timeoutMs) {
    QProcess p;
    p.setProcessEnvironment(m_env);
    p.setChildProcessModifier(dieWithParent);
    p.start(tool, args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(1000);
        return -1;
    }
    if (out != nullptr)
        *out = p.readAllStandardOutput();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

bool E2eEnvironment::waitFor(const std::function<bool()> &condition, int timeoutMs, int stepMs) {
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        if (condition())
            return true;
        if (timer.elapsed() >= timeoutMs)
            return false;
        QTest::qWait(stepMs);
    }
}

void E2eEnvironment::stopAll() {
    // Newest first: the program goes before the desktop it runs on.
    for (auto it = m_processes.rbegin(); it != m_processes.rend(); ++it) {
        QProcess *p = *it;
        if (p->state() == QProcess::NotRunning)
            continue;
        p->terminate();
        if (!p->waitForFinished(3000)) {
            p->kill();
            p->waitForFinished(2000);
        }
    }
}

void E2eEnvironment::keepLogs() {
    if (m_keepDir.isEmpty())
        return;
    const QDir dir(m_temp.path());
    for (const QFileInfo &fi : dir.entryInfoList({QStringLiteral("*.log")}, QDir::Files)) {
        const QString target = m_keepDir + QLatin1Char('/') + fi.fileName();
        QFile::remove(target);
        QFile::copy(fi.filePath(), target);
    }
    if (m_capture)
        m_capture->saveWav(m_keepDir + QStringLiteral("/capture.wav"));
}
