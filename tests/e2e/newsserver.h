#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTcpServer>

// A news server of the test's own on 127.0.0.1: answers GET requests for the
// paths it was given with their pages (HTTP/1.0, one request a connection),
// everything else with 404, and counts what was asked.
class QTcpSocket;

class NewsServer final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NewsServer)

public:
    explicit NewsServer(QObject *parent = nullptr);

    bool start(); // on a free port
    // "http://127.0.0.1:<port>"
    QString address() const;
    void setPage(const QString &path, const QByteArray &html) {
        m_endless.remove(path);
        m_pages.insert(path, html);
    }
    // Answers the path with a page that never ends: more of it every few
    // milliseconds, for two minutes at most.
    void setEndless(const QString &path) { m_endless.insert(path); }
    // Endless answers whose reader went away before they ended.
    int abandoned() const { return m_abandoned; }
    // Requests for the path (without the query) so far.
    int requests(const QString &path) const { return m_requests.value(path); }

private:
    void stream(QTcpSocket *socket);

    QTcpServer m_server;
    QHash<QString, QByteArray> m_pages;
    QHash<QString, int> m_requests;
    QSet<QString> m_endless;
    int m_abandoned = 0;
};
