#include "newsserver.h"

#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

NewsServer::NewsServer(QObject *parent)
    : QObject(parent) {
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                if (!socket->canReadLine())
                    return;
                // "GET /path?query HTTP/1.1"
                const QList<QByteArray> request = socket->readLine().trimmed().split(' ');
                const QString path =
                    request.size() >= 2 ? QUrl(QString::fromUtf8(request.at(1))).path() : QString();
                ++m_requests[path];
                if (m_endless.contains(path)) {
                    stream(socket);
                    return;
                }
                const bool found = m_pages.contains(path);
                const QByteArray body = found ? m_pages.value(path) : QByteArray("not here");
                socket->write((found ? QByteArray("HTTP/1.0 200 OK\r\n")
                                     : QByteArray("HTTP/1.0 404 Not Found\r\n")) +
                              "Content-Type: text/html; charset=utf-8\r\nContent-Length: " +
                              QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" +
                              body);
                socket->disconnectFromHost();
            });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

void NewsServer::stream(QTcpSocket *socket) {
    socket->write("HTTP/1.0 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n\r\n"
                  "<html><body style=\"background:#33cc33\">");
    auto *timer = new QTimer(socket);
    auto *clock = new QElapsedTimer;
    clock->start();
    const QByteArray chunk = QByteArray("<p>新闻 ").repeated(8 * 1024);
    connect(timer, &QTimer::timeout, socket, [socket, timer, clock, chunk] {
        if (clock->elapsed() > 120'000) {
            timer->stop();
            socket->disconnectFromHost();
        } else if (socket->bytesToWrite() < 4 * chunk.size()) {
            socket->write(chunk);
        }
    });
    connect(socket, &QTcpSocket::disconnected, this, [this, timer, clock] {
        if (timer->isActive())
            ++m_abandoned;
        timer->stop();
        delete clock;
    });
    timer->start(10);
}

bool NewsServer::start() {
    return m_server.listen(QHostAddress::LocalHost, 0);
}

QString NewsServer::address() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
}
