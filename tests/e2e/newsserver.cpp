#include "newsserver.h"

#include <QTcpSocket>
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

bool NewsServer::start() {
    return m_server.listen(QHostAddress::LocalHost, 0);
}

QString NewsServer::address() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
}
