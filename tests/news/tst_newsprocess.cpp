#include "newsprocess.h"

#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

// The program's side of the news viewer, with small shell scripts in the
// viewer's place: what it makes of the viewer's messages, and the limits it
// holds a page to.
class TestNewsProcess : public QObject {
    Q_OBJECT

private slots:
    void messages();
    void limits_data();
    void limits();
    void releaseHidden();

private:
    static NewsProcess *viewer(const QString &script, NewsProcess::Limits limits,
                               QStringList *opened = nullptr) {
        return new NewsProcess(
            QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script},
            [opened](const QString &url) {
                if (opened != nullptr)
                    *opened << url;
            },
            limits);
    }
    QTemporaryDir m_dir;
};

void TestNewsProcess::messages() {
    // Answers a navigation with the page, a show with two new windows.
    const QString body = QStringLiteral("<b>新闻 ruanjianguanggao</b>");
    const QString script =
        QStringLiteral(
            "while read w u; do case $w in navigate) printf 'loading %s\\nloaded %s %s\\n' "
            "$u $u %1;; show) printf 'open http://a.b/c\\nopen http://tintoko.example/more\\n';; "
            "esac; done")
            .arg(QString::fromLatin1(body.toUtf8().toBase64()));
    QStringList opened;
    std::unique_ptr<NewsProcess> news(viewer(script, {}, &opened));
    const QUrl page(QStringLiteral("http://127.0.0.1:9/rjshengji/gg_tan.htm?id=vemb&k"));
    news->navigate(page);
    QVERIFY(news->page().loading);
    QTRY_VERIFY_WITH_TIMEOUT(!news->page().loading, 10000);
    QCOMPARE(news->page().body, body);
    QCOMPARE(news->address(), page.toString());
    news->showWindow();
    // The address of 15 characters or fewer is dropped.
    QTRY_COMPARE_WITH_TIMEOUT(opened, QStringList{QStringLiteral("http://tintoko.example/more")},
                              10000);
}

void TestNewsProcess::limits_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("loadMs");
    QTest::addColumn<int>("memoryMiB");
    QTest::addColumn<bool>("ended");
    // Writes down what it is told and never answers.
    QTest::newRow("page too slow: stopped")
        << QStringLiteral("cat > \"$0\"") << 300 << 1024 << false;
    // Processes under the viewer: tail holds 300 MiB while sleep does not read.
    QTest::newRow("too much memory: ended")
        << QStringLiteral("head -c 300000000 /dev/zero | tail | sleep 60") << 600'000 << 100
        << true;
}

void TestNewsProcess::limits() {
    QFETCH(QString, script);
    QFETCH(int, loadMs);
    QFETCH(int, memoryMiB);
    QFETCH(bool, ended);
    const QString log = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
    auto *news = new NewsProcess(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script, log}, {},
                                 {loadMs, qint64(memoryMiB) << 20, 100});
    std::unique_ptr<NewsProcess> owner(news);
    news->navigate(QUrl(QStringLiteral("http://127.0.0.1:9/endless")));
    if (ended) {
        QTRY_VERIFY_WITH_TIMEOUT(!news->isRunning(), 20000);
        QCOMPARE(news->address(), QString());
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(news->page().loading == false, 20000);
        QVERIFY(news->isRunning());
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                QFile file(log);
                return file.open(QIODevice::ReadOnly) && file.readAll().endsWith("stop\n");
            }(),
            10000);
    }
    QVERIFY(!news->page().body.has_value());
}

void TestNewsProcess::releaseHidden() {
    // The window the timed pop-up loaded and never showed goes with its
    // viewer; a shown one stays.
    std::unique_ptr<NewsProcess> news(viewer(QStringLiteral("cat > /dev/null"), {}));
    news->navigate(QUrl(QStringLiteral("http://127.0.0.1:9/")));
    QVERIFY(news->isRunning());
    news->showWindow();
    news->releaseHidden();
    QVERIFY(news->isRunning());

    news.reset(viewer(QStringLiteral("cat > /dev/null"), {}));
    news->navigate(QUrl(QStringLiteral("http://127.0.0.1:9/")));
    const qint64 pid = news->processId();
    news->releaseHidden();
    QVERIFY(!news->isRunning());
    QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(QStringLiteral("/proc/%1/cmdline").arg(pid)) ||
                                 QFile(QStringLiteral("/proc/%1/cmdline").arg(pid)).size() == 0,
                             10000);
}

QTEST_GUILESS_MAIN(TestNewsProcess)
#include "tst_newsprocess.moc"
