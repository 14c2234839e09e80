#include "instancerendezvous.h"

#include "displaypresence.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr qint64 kMaxCommandLine = qint64(64) * 1024;
constexpr int kReadMs = 2000; // a later start writes at once, then closes

// Only a folder of the user's own that nobody else may enter.
bool privateFolder(const QString &folder) {
    struct stat info {};
    return !folder.isEmpty() && ::lstat(QFile::encodeName(folder).constData(), &info) == 0 &&
           S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

// Connects to the socket and writes the command line, each argument ended by
// a zero byte. False when nobody listens there (yet).
bool hand(const QString &socketPath, const QStringList &commandLine) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(socketPath);
    std::memcpy(address.sun_path, path.constData(), path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const timeval limit{1, 0}; // a full backlog or buffer never holds a start for long
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    QByteArray data;
    for (const QString &argument : commandLine)
        data += argument.toUtf8() + '\0';
    bool sent = ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    for (qsizetype done = 0; sent && done < data.size();) {
        const ssize_t n = ::send(fd, data.constData() + done, data.size() - done, MSG_NOSIGNAL);
        sent = n > 0;
        done += n;
    }
    ::close(fd);
    return sent;
}

} // namespace

InstanceRendezvous::InstanceRendezvous(const QString &folder, const QString &program,
                                       const QString &display, QObject *parent)
    : QObject(parent) {
    if (display.isEmpty() || !privateFolder(folder))
        return;
    const QString base = folder + QLatin1Char('/') + program + QLatin1Char('-') + display;
    if (QFile::encodeName(base).size() + 8 > qsizetype(sizeof(sockaddr_un::sun_path)))
        return; // too long for a socket's address
    m_lockPath = base + QStringLiteral(".lock");
    m_socketPath = base + QStringLiteral(".socket");
}

InstanceRendezvous::~InstanceRendezvous() {
    if (m_lock >= 0)
        ::close(m_lock);
}

QString InstanceRendezvous::displayOf(const QProcessEnvironment &environment) {
    const QString platform = environment.value(QStringLiteral("QT_QPA_PLATFORM"));
    const QString x = environment.value(QStringLiteral("DISPLAY"));
    QString wayland = environment.value(QStringLiteral("WAYLAND_DISPLAY"));
    QString name;
    if ((platform.isEmpty() || platform.startsWith(QLatin1String("xcb"))) && !x.isEmpty()) {
        // :0 and :0.0 are the same display
        const QRegularExpressionMatch screen =
            QRegularExpression(QStringLiteral("^(.*:\\d+)\\.\\d+$")).match(x);
        name = QStringLiteral("x") + (screen.hasMatch() ? screen.captured(1) : x);
    } else if (platform.isEmpty() || platform.startsWith(QLatin1String("wayland"))) {
        name = wayland.isEmpty() ? QStringLiteral("wayland-0") : wayland.section('/', -1);
    }
    return name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9:._-]")),
                        QStringLiteral("_"));
}

InstanceRendezvous::Role InstanceRendezvous::claim(const QStringList &commandLine) {
    if (m_lockPath.isEmpty())
        return Role::Alone;
    m_lock = ::open(QFile::encodeName(m_lockPath).constData(),
                    O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (m_lock < 0)
        return Role::Alone;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kHandMs);
    while (::flock(m_lock, LOCK_EX | LOCK_NB) != 0) {
        // Held: by a running one, or by one on its way to listening. It may
        // also end meanwhile, and the lock is then this one's.
        if (hand(m_socketPath, commandLine)) {
            ::close(std::exchange(m_lock, -1));
            return Role::Handed;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            ::close(std::exchange(m_lock, -1));
            return Role::Unanswered;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return Role::First;
}

bool InstanceRendezvous::listen() {
    if (m_lock < 0)
        return false;
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(m_socketPath); // left by one that ended without a word
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            auto *limit = new QTimer(socket);
            limit->setSingleShot(true);
            connect(limit, &QTimer::timeout, socket, &QObject::deleteLater);
            limit->start(kReadMs);
            connect(socket, &QLocalSocket::disconnected, this, [this, socket] { read(socket); });
            connect(socket, &QLocalSocket::readyRead, socket, [socket] {
                if (socket->bytesAvailable() > kMaxCommandLine)
                    socket->abort();
            });
            if (socket->state() != QLocalSocket::ConnectedState)
                read(socket);
        }
    });
    return m_server->listen(m_socketPath);
}

void InstanceRendezvous::read(QLocalSocket *socket) {
    disconnect(socket, nullptr, this, nullptr); // read once
    const QByteArray data = socket->readAll();
    socket->deleteLater();
    if (data.isEmpty() || !data.endsWith('\0') || data.size() > kMaxCommandLine)
        return;
    QStringList commandLine;
    for (const QByteArray &argument : data.chopped(1).split('\0'))
        commandLine << QString::fromUtf8(argument);
    emit handed(commandLine);
}

std::optional<int> startOnce(const QStringList &commandLine, const char *program,
                             const char *unanswered,
                             std::unique_ptr<InstanceRendezvous> *rendezvous) {
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!displayPresent(environment)) {
        std::fputs(noDisplayMessage(program).constData(), stderr);
        return 1;
    }
    *rendezvous = std::make_unique<InstanceRendezvous>(
        QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation),
        QString::fromLatin1(program), InstanceRendezvous::displayOf(environment));
    switch ((*rendezvous)->claim(commandLine)) {
    case InstanceRendezvous::Role::Handed:
        return 0;
    case InstanceRendezvous::Role::Unanswered:
        std::fprintf(stderr, "%s：%s\n", program, unanswered);
        return 1;
    case InstanceRendezvous::Role::First:
    case InstanceRendezvous::Role::Alone:
        break;
    }
    return std::nullopt;
}
