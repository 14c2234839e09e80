// tintoko-news: the news window in a process of its own, so that the web
// engine, its memory and whatever a page does stay out of the program. The
// program starts it when the news window is first wanted and talks to it on
// its standard input and output (newsprotocol.h); it ends when its window is
// closed or when the program closes its input, whichever comes first.

#include "newsprotocol.h"
#include "newswindow.h"
#include "programicon.h"
#include "qtchinese.h"
#include "webprofile.h"

#include <QApplication>
#include <QByteArray>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace {

// One message to the program; a program that has gone ends the viewer.
void tell(const newsprotocol::Message &message) {
    const QByteArray line = newsprotocol::encode(message);
    for (qsizetype done = 0; done < line.size();) {
        const ssize_t n =
            ::write(STDOUT_FILENO, line.constData() + done, size_t(line.size() - done));
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

int main(int argc, char *argv[]) {
    Q_INIT_RESOURCE(resources);
    ::signal(SIGPIPE, SIG_IGN);
    // The engine's sandbox refuses to start for root, and then the engine
    // does not start at all: as root, the page runs without it.
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // One renderer, and a page's script heap held well below what the
    // program lets the whole viewer take.
    appendChromiumFlag("--renderer-process-limit=1");
    appendChromiumFlag("--js-flags=--max-old-space-size=256");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tintoko"));
    QApplication::setDesktopFileName(QStringLiteral("tintoko"));
    QApplication::setQuitOnLastWindowClosed(false);
    // Qt's and the web engine's own words (its page menu) in Chinese.
    installQtChinese({QStringLiteral("qtbase"), QStringLiteral("qtwebengine")});
    QApplication::setWindowIcon(programIcon());

    WebNewsViews views;
    NewsWindow window(&views, &tell);
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
        for (qsizetype end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
            const auto message = newsprotocol::decode(QByteArrayView(pending).first(end));
            pending.remove(0, end + 1);
            if (message && !window.handle(*message)) {
                // No web engine: nothing this viewer can show.
                QCoreApplication::exit(1);
                return;
            }
        }
        if (pending.size() > newsprotocol::kMaxLineBytes)
            pending.clear();
    });
    return QApplication::exec();
}
