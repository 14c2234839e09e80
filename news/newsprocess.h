#pragma once

#include "newsprotocol.h"
#include "newsservice.h"
#include "openlimit.h"

#include <QElapsedTimer>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <optional>

// The news window of a real desktop, run by the news viewer (tintoko-news),
// a process of its own that holds the web engine. The program never loads
// the engine: the viewer starts the first time the window is wanted and
// ends when the user closes the window, when the timed pop-up has no use
// for a page it loaded, or when the program ends, and its memory goes with
// it. A page cannot stall the program's window, and it is held to limits:
//   - a page still loading after Limits::loadMs is stopped;
//   - a viewer whose processes together take more than Limits::memoryBytes
//     is ended, and its window with it; the nearer it is to that ceiling,
//     the more often it is checked;
//   - a viewer that does not answer a request in time (Limits::answerMs;
//     Limits::firstAnswerMs for a new one, which starts the engine first)
//     has frozen: it is ended, and when it had answered before, a new one
//     is started and given the same page and window. A viewer that has
//     answered is pinged again between requests too (every
//     Limits::checkEveryMs), so one that freezes while nobody asks anything
//     of it is ended as well, without a new one.
// Without the viewer, or when it fails, no window appears and nothing else
// changes.
//
// The viewer is the engine's, and a page's, process: nothing it says is
// trusted. It starts in a session of its own, without the program's
// terminal or any of its descriptors but its three pipes, with only the
// environment it needs (viewersandbox::viewerEnvironment); what it writes on
// its standard error is passed on to the program's without control
// characters, and never holds up the window (ErrorRelay); and the addresses it asks the browser to
// open are web pages only, and held to an OpenLimit.
class NewsProcess final : public QObject, public NewsService {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NewsProcess)

public:
    struct Limits {
        int loadMs = 20'000;
        qint64 memoryBytes = qint64(768) << 20;
        int checkEveryMs = 1000; // the longest pause between two checks
        int answerMs = 5000;
        int firstAnswerMs = 30'000;
    };

    // The pause before the next check of a viewer that holds memory bytes:
    // short enough that a page growing as fast as pages can (about 2 GiB a
    // second) is caught near the ceiling, from 10 ms right below it to
    // checkEveryMs far from it.
    static int checkIntervalMs(qint64 memory, const Limits &limits);

    // openInBrowser is given the address of every page the user opened in a
    // new window from the news page, when it is longer than 15 characters.
    NewsProcess(QString program, QStringList arguments,
                std::function<void(const QString &)> openInBrowser, Limits limits,
                QObject *parent = nullptr);
    NewsProcess(QString program, std::function<void(const QString &)> openInBrowser,
                QObject *parent = nullptr);
    // The viewer and its window go at once, without the fade.
    ~NewsProcess() override;

    void navigate(const QUrl &url) override;
    void showWindow() override;
    [[nodiscard]] QString address() const override { return m_address; }
    [[nodiscard]] NewsSchedule::Page page() const override { return {m_loading, m_body}; }
    void releaseHidden() override;

    [[nodiscard]] bool isRunning() const;
    [[nodiscard]] qint64 processId() const;
    // A ping waits for its pong.
    [[nodiscard]] bool awaitsAnswer() const { return m_pingClock.isValid(); }

private:
    bool ensureStarted();
    void send(const newsprotocol::Message &message);
    void readMessages();
    void passOnErrors();
    void receive(const newsprotocol::Message &message);
    void checkLimits();
    void ping(bool forRequest);
    void restartFrozen();
    void end();
    void forget();

    QString m_program;
    QStringList m_arguments;
    std::function<void(const QString &)> m_openInBrowser;
    Limits m_limits;
    QProcess *m_process = nullptr;
    QTimer m_watch{this};  // the limits' checks
    QElapsedTimer m_clock; // since construction, for m_opens
    OpenLimit m_opens;
    QElapsedTimer m_loadClock;
    QElapsedTimer m_pingClock;   // running while a ping waits for its pong
    QElapsedTimer m_pongClock;   // since the last pong
    bool m_answered = false;     // the viewer has answered a ping
    bool m_requestWaits = false; // a request was sent since the last pong

    QString m_address;
    bool m_loading = false;
    std::optional<QString> m_body;
    bool m_shown = false;
};
