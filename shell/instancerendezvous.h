#pragma once

#include <QObject>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QLocalServer;
class QLocalSocket;

// One window per user and display. The first start of a program takes the
// rendezvous; a later start of the same program by the same user on the same
// display hands its command line to it and ends, and the first one shows its
// window again.
//
// The rendezvous is a lock file and a local socket in the user's runtime
// folder, which only the user can reach. The lock (flock) is held for the
// life of the process, so the kernel lets go of it when the process ends in
// any way (kill -9, a crash): a socket left behind by such a program is taken
// over by the next start, and of two starts at the same moment only one gets
// the lock. The others connect to its socket, retrying while it is still on
// its way to listening.
class InstanceRendezvous final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(InstanceRendezvous)

public:
    enum class Role {
        First,      // the rendezvous is this process's: listen() next
        Handed,     // the running one has the command line: end
        Unanswered, // the running one holds the lock but takes nothing
        Alone,      // no rendezvous here (no private folder, no display): a window of its own
    };

    static constexpr int kHandMs = 5000; // how long a later start tries to reach the first

    // The rendezvous of `program` in `folder` for the display named by
    // `display` (empty: none, Alone).
    InstanceRendezvous(const QString &folder, const QString &program, const QString &display,
                       QObject *parent = nullptr);
    ~InstanceRendezvous() override;

    // The display a window of this environment goes to, as part of a file
    // name: "x:0" for DISPLAY=:0.0, "wayland-0"; empty where the platform
    // shows no window to a user (offscreen and the like).
    static QString displayOf(const QProcessEnvironment &environment);

    // Takes the rendezvous, or hands `commandLine` to the process holding it.
    // Needs no application object: it runs before the program makes one.
    Role claim(const QStringList &commandLine);
    // For the first: takes command lines from later starts (needs the
    // application object). False when the socket cannot be made.
    bool listen();

signals:
    void handed(const QStringList &commandLine);

private:
    void read(QLocalSocket *socket);

    QString m_lockPath;
    QString m_socketPath;
    int m_lock = -1;
    QLocalServer *m_server = nullptr;
};

// What a program's main() does before it makes its application object, once
// Qt's -platform is in the environment: it looks for a display (none: a line
// on standard error, status 1), then takes the program's rendezvous or hands
// it this start's command line (handed: status 0; the running one took
// nothing: the line `unanswered`, status 1). The status to end with, or
// nullopt to go on, with the rendezvous in *rendezvous to listen() on.
std::optional<int> startOnce(const QStringList &commandLine, const char *program,
                             const char *unanswered,
                             std::unique_ptr<InstanceRendezvous> *rendezvous);
