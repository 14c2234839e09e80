#include "webnewsview.h"
#include "webprofile.h"

#include <QApplication>
#include <QHash>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

#include <unistd.h>

namespace {

// Pages by path, each answered once its request has come in whole.
class PageServer final : public QTcpServer {
public:
    explicit PageServer(QHash<QByteArray, QByteArray> pages)
        : m_pages(std::move(pages)) {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    m_requests[socket] += socket->readAll();
                    const QByteArray &request = m_requests[socket];
                    if (!request.contains("\r\n\r\n"))
                        return;
                    asked << request.split(' ').value(1);
                    const QByteArray body = m_pages.value(asked.last());
                    socket->write("HTTP/1.1 " + QByteArray(body.isNull() ? "404" : "200") +
                                  " OK\r\nContent-Type: text/html; charset=utf-8\r\n"
                                  "Content-Length: " +
                                  QByteArray::number(body.size()) +
                                  "\r\nConnection: close\r\n\r\n" + body);
                    socket->disconnectFromHost();
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    QByteArrayList asked; // the paths, in the order asked
    QUrl url(const char *path) const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(serverPort()).arg(path));
    }

private:
    QHash<QByteArray, QByteArray> m_pages;
    QHash<QTcpSocket *, QByteArray> m_requests;
};

} // namespace

// The news page in the real web engine, served from a server of the test's
// own: what the view tells while a page loads and once it has, a page that
// goes on to another by itself, and what the page is refused.
class TestWebNewsView final : public QObject {
    Q_OBJECT

private slots:
    void pages();
};

void TestWebNewsView::pages() {
    PageServer server({
        {"/a", "<p>甲</p>"},
        {"/on", "<p>乙</p><script>setTimeout(() => location.href = '/a', 300)</script>"},
        {"/new", "<script>window.open('/b')</script>"},
        {"/ask", "<script>alert(1); const said = [confirm('?'), String(prompt('?', 'x'))];"
                 "Notification.requestPermission().then("
                 "answer => document.title = [answer, ...said].join())</script>"},
    });
    QVERIFY(server.listen(QHostAddress::LocalHost));
    WebNewsViews views;
    std::unique_ptr<NewsView> owned(views.createView(nullptr));
    auto *view = static_cast<WebNewsView *>(owned.get());
    int loaded = 0;
    int started = 0;
    QString startedAt; // the address, whether loading and the pages read, as a load starts

    view->onLoaded = [&] { ++loaded; };
    view->onLoadStarted = [&] {
        ++started;
        startedAt = view->address() + (view->isLoading() ? " loading, " : ", ") +
                    QString::number(loaded) + " read";
    };
    QWebEngineSettings *settings = view->page()->profile()->settings();
    QVERIFY(!settings->testAttribute(QWebEngineSettings::PdfViewerEnabled));
    QVERIFY(!settings->testAttribute(QWebEngineSettings::ErrorPageEnabled));

    view->navigate(server.url("/a"));
    QVERIFY(view->isLoading());
    QTRY_COMPARE_WITH_TIMEOUT(loaded, 1, 30000);
    QVERIFY(!view->isLoading());
    QCOMPARE(view->bodyText(), std::optional<QString>(QStringLiteral("<p>甲</p>")));
    QCOMPARE(view->address(), server.url("/a").toString());

    // Asked for another page, the last one's words are gone at once.
    view->navigate(server.url("/on"));
    QCOMPARE(view->bodyText(), std::nullopt);
    // Once read, it goes on to /a by itself: loading again, and read again.
    QTRY_COMPARE_WITH_TIMEOUT(started, 3, 30000);
    QCOMPARE(startedAt, server.url("/a").toString() + " loading, 2 read");
    QTRY_COMPARE_WITH_TIMEOUT(loaded, 3, 30000);
    QCOMPARE(view->bodyText(), std::optional<QString>(QStringLiteral("<p>甲</p>")));

    // A new window is only told, not loaded.
    QList<QUrl> told;
    view->onNewWindow = [&](const QUrl &url) { told << url; };
    view->navigate(server.url("/new"));
    QTRY_COMPARE_WITH_TIMEOUT(told, QList<QUrl>{server.url("/b")}, 30000);

    // A page that asks to show notifications, or asks anything, gets no for an answer.
    view->navigate(server.url("/ask"));
    QTRY_COMPARE_WITH_TIMEOUT(view->page()->title(), QStringLiteral("denied,false,null"), 30000);
    QCOMPARE(server.asked, (QByteArrayList{"/a", "/on", "/a", "/new", "/ask"}));

    // A page that fails says why, until another is asked for.
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const QUrl nowhere(QStringLiteral("http://127.0.0.1:%1/").arg(closed.serverPort()));
    closed.close();
    view->navigate(nowhere);
    QTRY_COMPARE_WITH_TIMEOUT(view->failure(), std::optional(NewsNotice::Unavailable), 30000);
    view->navigate(server.url("/a"));
    QCOMPARE(view->failure(), std::nullopt);
}

int main(int argc, char **argv) {
    // Only the test's own pages load here. As root the engine runs only
    // without its sandbox, which the viewer itself never does.
    if (::geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestWebNewsView test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_webnewsview.moc"
