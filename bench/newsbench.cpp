// The news window's cost, measured on a private desktop with a news server of
// our own: from the on-demand entry to the page painted in the window, and the
// memory of the program before and after (with the web engine's own processes
// counted apart), beside the start-up and memory of a bare window that merely
// links the engine. Prints figures; asserts nothing.
#include "e2eenvironment.h"
#include "mainwindowmap.h"
#include "newsserver.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <algorithm>
#include <cstdio>

namespace {

const QColor kPageColour(0x33, 0xcc, 0x33);

// Resident memory of a process in KiB, and of all its descendants.
qint64 rssKib(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return 0;
}

qint64 descendantsRssKib(qint64 pid) {
    qint64 total = 0;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        bool ok = false;
        const qint64 child = entry.toLongLong(&ok);
        if (!ok)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(child));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields.at(1).toLongLong() == pid)
            total += rssKib(child) + descendantsRssKib(child);
    }
    return total;
}

double median(QList<double> values) {
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? -1 : values.at(values.size() / 2);
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 5;

    NewsServer server;
    server.setPage(QStringLiteral("/rjshengji/gg_tan.htm"),
                   "<html><body style=\"background:#33cc33\">news</body></html>");
    if (!server.start())
        return 1;

    QList<double> toPage;
    QList<double> before;
    QList<double> after;
    QList<double> engine;
    QList<double> closed;
    for (int run = 0; run < runs; ++run) {
        E2eEnvironment env(E2eEnvironment::Part::WindowManager);
        if (!env.start())
            return std::fprintf(stderr, "%s\n", qPrintable(env.errorString())), 1;
        QProcessEnvironment extra;
        extra.insert(QStringLiteral("TINTOKO_TEST_NEWS_SERVER"), server.address());
        if (!env.startProgram({}, extra))
            return 1;
        const quint64 window = env.waitForWindow(E2eEnvironment::kMainWindowTitle);
        if (window == 0 || !env.waitForMainWindowMap(window))
            return 1;
        const qint64 pid = env.program()->processId();
        before << rssKib(pid) / 1024.0;

        QElapsedTimer timer;
        timer.start();
        if (!env.chooseMenuEntry(window, QStringLiteral("alt+h"), QStringLiteral("w")))
            return 1;
        QPoint inside;
        const bool painted = E2eEnvironment::waitFor(
            [&] {
                const QList<quint64> news = env.visibleWindows(QStringLiteral("^新闻资讯$"));
                if (news.isEmpty())
                    return false;
                inside = env.windowGeometry(news.first()).topLeft() + QPoint(200, 200);
                return env.screenshot().pixelColor(inside) == kPageColour;
            },
            60000, 5);
        if (!painted)
            return std::fprintf(stderr, "the page was not painted\n"), 1;
        toPage << double(timer.elapsed());
        after << rssKib(pid) / 1024.0;
        engine << descendantsRssKib(pid) / 1024.0;

        // The close box, then ten seconds for the memory to go back.
        const QList<quint64> news = env.visibleWindows(QStringLiteral("^新闻资讯$"));
        if (news.isEmpty() ||
            !env.click(env.windowGeometry(news.first()).topLeft() + QPoint(244, 8)))
            return std::fprintf(stderr, "no close box\n"), 1;
        if (!E2eEnvironment::waitFor(
                [&] { return env.visibleWindows(QStringLiteral("^新闻资讯$")).isEmpty(); }, 10000))
            return std::fprintf(stderr, "the news window did not close\n"), 1;
        QThread::sleep(10);
        closed << (rssKib(pid) + descendantsRssKib(pid)) / 1024.0;
    }
    std::printf("news window, %d runs (medians):\n", runs);
    std::printf("  on-demand entry -> page painted       %8.0f ms\n", median(toPage));
    std::printf("  program RSS before / after            %8.1f / %.1f MiB\n", median(before),
                median(after));
    std::printf("  its child processes, RSS              %8.1f MiB\n", median(engine));
    std::printf("  program and children 10 s after close %8.1f MiB\n", median(closed));
    return 0;
}
