#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTcpServer>

// A news server of the test's own on 127.0.0.1: answers GET requests for the
// paths it was given with their pages (HTTP/1.0, one request a connection),
// everything else with 404, and counts what was asked.
class NewsServer final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NewsServer)

public:
    explicit NewsServer(QObject *parent = nullptr);

    bool start(); // on a free port
    // "http://127.0.0.1:<port>"
    QString address() const;
    void setPage(const QString &path, const QByteArray &html) { m_pages.insert(path, html); }
    // Requests for the path (without the query) so far.
    int requests(const QString &path) const { return m_requests.value(path); }

private:
    QTcpServer m_server;
    QHash<QString, QByteArray> m_pages;
    QHash<QString, int> m_requests;
};
