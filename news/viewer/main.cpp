// tintoko-news: the news window in a process of its own, so that the web
// engine, its memory and whatever a page does stay out of the program. The
// program starts it when the news window is first wanted and talks to it on
// its standard input and output (newsprotocol.h); it ends when its window is
// closed or when the program closes its input, whichever comes first.
//
// A page from the network is only ever shown in the engine's sandbox: a
// viewer started by root becomes an account that owns nothing before the
// engine starts (viewersandbox.h), and where that, or the sandbox, cannot be
// had, the window shows why instead of any page and the engine is never
// started.

#include "blockednewsview.h"
#include "newsprotocol.h"
#include "newswindow.h"
#include "programicon.h"
#include "qtchinese.h"
#include "viewersandbox.h"
#include "webprofile.h"

#include <QApplication>
#include <QByteArray>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

// Before anything else runs: a process that is not dumpable cannot be
// attached to, nor its memory, environment or descriptors read, by other
// processes of its account.
[[gnu::constructor(101)]] void notDumpable() {
    ::prctl(PR_SET_DUMPABLE, 0);
}

// The line to the program: the standard output the viewer was started
// with, on a descriptor that no process the viewer starts takes along (every
// process of the engine's inherits the standard output).
int g_toProgram = STDOUT_FILENO;

// One message to the program; a program that has gone ends the viewer.
void tell(const newsprotocol::Message &message) {
    const QByteArray line = newsprotocol::encode(message);
    for (qsizetype done = 0; done < line.size();) {
        const ssize_t n = ::write(g_toProgram, line.constData() + done, size_t(line.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            QCoreApplication::quit();
            return;
        }
        done += n;
    }
}

void appendChromiumFlag(const QByteArray &flag) {
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (!flags.contains(flag))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", (flags + ' ' + flag).trimmed());
}

} // namespace

int main(int /*argc*/, char *argv[]) {
    Q_INIT_RESOURCE(resources);
    ::signal(SIGPIPE, SIG_IGN);
    // The engine's processes write on the standard error, which the program
    // only shows; a page that takes one over cannot speak for the viewer.
    g_toProgram = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    if (g_toProgram < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0)
        return 1;
    if (geteuid() == 0)
        viewersandbox::becomeUnprivileged();
    // Nothing turns the sandbox off, and the engine is not started where it
    // cannot work.
    const std::optional<NewsNotice> blocked = viewersandbox::reasonAgainstEngine();
    viewersandbox::removeSandboxSwitches();
    // One renderer, and a page's script heap held well below what the
    // program lets the whole viewer take.
    appendChromiumFlag("--renderer-process-limit=1");
    appendChromiumFlag("--js-flags=--max-old-space-size=256");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // The engine takes options from the command line too: none are passed on.
    int appArgc = 1;
    QApplication app(appArgc, argv);
    QApplication::setApplicationName(QStringLiteral("tintoko"));
    QApplication::setDesktopFileName(QStringLiteral("tintoko"));
    QApplication::setQuitOnLastWindowClosed(false);
    // Qt's and the web engine's own words (its page menu) in Chinese.
    installQtChinese({QStringLiteral("qtbase"), QStringLiteral("qtwebengine")});
    QApplication::setWindowIcon(programIcon());

    std::unique_ptr<NewsViewFactory> views;
    if (blocked)
        views = std::make_unique<BlockedNewsViews>(*blocked);
    else
        views = std::make_unique<WebNewsViews>();
    NewsWindow window(views.get(), &tell);
    QObject::connect(&window, &NewsWindow::closed, &app, &QCoreApplication::quit);

    QByteArray pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char chunk[4096];
        const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            return;
        if (n <= 0) {
            // The program has gone, or let the window go.
            input.setEnabled(false);
            QCoreApplication::quit();
            return;
        }
        pending.append(chunk, n);
        for (const newsprotocol::Message &message : newsprotocol::takeMessages(pending, n)) {
            if (!window.handle(message)) {
                // No web engine: nothing this viewer can show.
                QCoreApplication::exit(1);
                return;
            }
        }
    });
    return QApplication::exec();
}
