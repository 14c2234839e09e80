#pragma once

#include <QElapsedTimer>
#include <QFlags>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class AudioCapture;
class MainWindowMap;

// Where the web engine's sandbox cannot run (user namespaces cannot be made:
// in a chroot, in many containers) the news viewer shows its note in place of
// any page, as it must; the checks that need a page skip with this reason
// (viewersandbox::namespacesWork() tells).
inline constexpr char kNoEngineSandbox[] =
    "no news page here: the web engine's sandbox cannot run (user namespaces cannot be made)";

// A private desktop for one end-to-end test: an X server on a display of its
// own, optionally a window manager and a tray host, a PulseAudio server whose
// only output is a null sink, and the program under test started from its
// program folder. Everything runs from one temporary folder (HOME, runtime
// folder, logs, screenshots), so tests run side by side without meeting.
//
// A test creates it in initTestCase(), calls start(), and destroys it in
// cleanupTestCase(); the destructor ends every process it started, also after
// a failed check. Each child also gets SIGKILL when the test process dies, so a
// crashed or timed-out test leaves nothing behind.
//
// With TINTOKO_E2E_KEEP=<dir> in the environment, screenshots are also saved
// in <dir>/<test name>/, and the logs of every process and the recorded sound
// are copied there at the end.
class E2eEnvironment final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(E2eEnvironment)

public:
    enum class Part {
        WindowManager = 0x1, // openbox (or setWindowManager's): real close, maximise, minimise
        TrayHost = 0x2,      // trayer at the top right: a system tray for the icon
        AudioServer = 0x4,   // PulseAudio with the null sink "t" as default output
        // A D-Bus session bus with the accessibility bus (AT-SPI) on it, and
        // Qt's accessibility always on: the tree a screen reader reads.
        AccessibilityBus = 0x8,
    };
    Q_DECLARE_FLAGS(Parts, Part)

    // The title of the main window, as a pattern for waitForWindow().
    static inline const QString kMainWindowTitle = QStringLiteral("^Tintoko 5\\.70$");

    explicit E2eEnvironment(Parts parts = Part::AudioServer, QObject *parent = nullptr);
    ~E2eEnvironment() override;

    // The window manager that start() runs for Part::WindowManager: "openbox"
    // unless set (before start()) to "metacity", "fluxbox", "icewm" or
    // "kwin_x11" (which gets a session bus of its own, shared with the
    // program, and runs without compositing).
    void setWindowManager(const QString &program) { m_windowManager = program; }

    // Starts the X server and the requested parts. On failure, errorString()
    // says what went wrong, with the log of the part that failed.
    bool start();
    QString errorString() const { return m_error; }
    Parts parts() const { return m_parts; }

    QString display() const { return m_display; }             // e.g. ":3"
    QString runtimeDir() const;                               // XDG_RUNTIME_DIR of every child
    QString workDir() const { return m_temp.path(); }         // logs, screenshots, copies
    QProcessEnvironment environment() const { return m_env; } // for any client of this desktop
    qint64 xServerStartMs() const { return m_xStartMs; }      // until the display accepted clients
    qint64 audioServerStartMs() const { return m_audioStartMs; } // until `pactl info` answered

    // --- the program -------------------------------------------------------
    // The program folder of the build: the executable, 声音/ and the
    // instructions text.
    static QString builtProgramDir();
    // A copy of the built program folder (executables, 声音/, Tintoko说明.txt)
    // in this environment's temporary folder, for tests that alter its
    // files. Returns the new folder, or an empty string on failure.
    QString copyProgramDir(const QString &name = QStringLiteral("program"));
    // Starts <programDir>/tintoko with programDir as working folder
    // (default: builtProgramDir()). Standard output and error go to a log.
    // Variables in `extra` are added to the program's environment (e.g.
    // QT_LOGGING_RULES for a benchmark).
    bool startProgram(const QString &programDir = {}, const QProcessEnvironment &extra = {});
    // Starts any command as the program under test (its log, programRunning(),
    // waitForProgramEnd()) with exactly the environment given: e.g. an
    // installed program as another user, through setpriv.
    bool startCommand(const QString &command, const QStringList &args,
                      const QProcessEnvironment &env, const QString &workingDir = {});
    // Starts another program on this desktop (e.g. xmessage for a window of
    // another program), with its log under `name`; it ends with the desktop.
    QProcess *startOther(const QString &name, const QString &program, const QStringList &args);
    QProcess *program() const { return m_program; }
    bool programRunning() const;
    // Polls until the program has ended; false if it still runs after timeoutMs.
    bool waitForProgramEnd(int timeoutMs);
    QString programOutput() const; // what the program wrote so far

    // --- windows and screen ------------------------------------------------
    // Polls every 50 ms for a visible window whose title matches the regular
    // expression; returns its id, or 0 after timeoutMs.
    quint64 waitForWindow(const QString &titlePattern, int timeoutMs = 30000);
    QList<quint64> visibleWindows(const QString &titlePattern);
    // The window's client area (inside any frame) in screen coordinates; an
    // empty rectangle when the window does not exist.
    QRect windowGeometry(quint64 window);
    QString windowTitle(quint64 window);
    // The window with the frame its window manager draws around it
    // (_NET_FRAME_EXTENTS), in screen coordinates.
    QRect frameGeometry(quint64 window);
    // _NET_WM_STATE atoms of the window (e.g. "_NET_WM_STATE_MAXIMIZED_VERT"),
    // as set by the window manager.
    QStringList windowStates(quint64 window);
    bool windowMapped(quint64 window); // mapped and viewable
    // The whole screen. With a name, it is also kept as <name>.png under
    // TINTOKO_E2E_KEEP. A null image when the grab failed.
    QImage screenshot(const QString &name = {});
    // Polls screenshots until the main window's black swatch is painted inside
    // the window's client area, and maps the controls from it; nullopt after
    // timeoutMs. The last screenshot goes to *shot when given.
    std::optional<MainWindowMap> waitForMainWindowMap(quint64 window, QImage *shot = nullptr,
                                                      int timeoutMs = 30000);
    // startProgram, then waitForWindow for the main window (its id goes to
    // *window) and waitForMainWindowMap; nullopt, with errorString() saying
    // what did not happen, when any step fails.
    std::optional<MainWindowMap> startMainWindow(quint64 *window, const QString &programDir = {},
                                                 const QProcessEnvironment &extra = {},
                                                 QImage *shot = nullptr);
    // The colour that fills most of the swatch's face now.
    QColor swatchColour(const MainWindowMap &map);

    // --- input (XTEST, as from a real mouse and keyboard) --------------------
    bool mouseMove(QPoint screenPos);
    // Separate clicks are kept at least 600 ms apart so that they never merge
    // into a double click.
    bool click(QPoint screenPos, int button = 1);
    bool doubleClick(QPoint screenPos);
    // Key names as xdotool takes them: "alt+x", "Return", "Escape", "alt+F4".
    // With a window, it is given the input focus first.
    bool key(const QString &keys, quint64 window = 0);
    bool activateWindow(quint64 window);
    // Opens a menu of the program's window with its access key ("alt+h"),
    // waits until it is up (one more visible window of the program's class),
    // then presses the entry's key ("g"). False when the menu did not open.
    bool chooseMenuEntry(quint64 window, const QString &menuKeys, const QString &entryKey);

    // WM_DELETE_WINDOW, as from the close box: through the window manager
    // when there is one, else sent directly. What the program's closeEvent()
    // gets either way.
    bool closeWindow(quint64 window);

    // --- window manager requests (need Part::WindowManager) -----------------
    bool maximiseWindow(quint64 window);
    bool minimiseWindow(quint64 window);
    bool restoreWindow(quint64 window); // from maximised or minimised

    // --- tray (needs Part::TrayHost) -----------------------------------------
    // Screen rectangles of the icons embedded in the tray host, left to right.
    QList<QRect> trayIcons();
    // Starts the tray host now (for tests where it appears after the program).
    bool startTrayHost();

    // --- sound (needs Part::AudioServer) --------------------------------------
    // Starts recording what is played into the null sink; the capture lives
    // until the environment ends. Returns nullptr on failure.
    AudioCapture *startAudioCapture();
    AudioCapture *audioCapture() const { return m_capture.get(); }

    // --- audio server faults (need Part::AudioServer) -----------------------
    // Stops the audio server (SIGSTOP) or lets it go on (SIGCONT).
    bool freezeAudioServer(bool frozen);
    // Kills the audio server and starts a fresh one in its place. What was
    // recorded stays in audioCapture(); startAudioCapture() records anew.
    bool restartAudioServer();

    // --- helpers -------------------------------------------------------------
    // Runs a command-line tool with this desktop's environment and returns its
    // exit code (-1 when it could not run or timed out); output in *out.
    int run(const QString &tool, const QStringList &args, QByteArray *out = nullptr,
            int timeoutMs = 10000);
    // Polls the condition every stepMs (processing events) until it holds;
    // false after timeoutMs.
    static bool waitFor(const std::function<bool()> &condition, int timeoutMs, int stepMs = 20);
    // Saves the image as <NN>-<name>.png under TINTOKO_E2E_KEEP (nothing when
    // that is unset); NN counts up in the order of saving.
    void keep(const QImage &image, const QString &name);
    QString keepDir() const { return m_keepDir; }

private:
    QProcess *spawn(const QString &name, const QString &program, const QStringList &args,
                    const QProcessEnvironment &env, const QString &workingDir = {},
                    const QString &stdoutFile = {});
    bool startXServer();
    bool startAudioServer();
    bool startWindowManager();
    bool startAccessibilityBus();
    bool startSessionBus();
    QProcess *audioServer() const;
    QString logPath(const QString &name) const;
    QString logText(const QString &name) const;
    bool fail(const QString &message);
    void stopAll();
    void keepLogs();

    Parts m_parts;
    QString m_windowManager = QStringLiteral("openbox");
    QTemporaryDir m_temp;
    QString m_keepDir;
    QString m_display;
    QProcessEnvironment m_env;
    QString m_error;
    QList<QProcess *> m_processes; // in start order; stopped in reverse
    QProcess *m_program = nullptr;
    QProcess *m_trayHost = nullptr;
    std::unique_ptr<AudioCapture> m_capture;
    std::vector<std::unique_ptr<AudioCapture>> m_retiredCaptures; // from servers restarted
    QElapsedTimer m_sinceLastClick;
    qint64 m_xStartMs = -1;
    qint64 m_audioStartMs = -1;
    int m_shotCount = 0;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(E2eEnvironment::Parts)
